#include "processing/PresetCombo.h"

#include <algorithm>

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Case-blind order, as a sorted list box shows names; ties in byte order so
// the order never depends on insertion.
bool Before(const std::string& a, const std::string& b) {
    auto less = [](char x, char y) { return Lower(x) < Lower(y); };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), less)) return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), less)) return false;
    return a < b;
}

}  // namespace

void CPresetCombo::ResetContent() {
    m_names.clear();
    m_edit.clear();
    m_sel = -1;
}

int CPresetCombo::AddString(const std::string& name) {
    auto pos = m_sorted ? std::upper_bound(m_names.begin(), m_names.end(), name, Before) : m_names.end();
    int index = static_cast<int>(pos - m_names.begin());
    m_names.insert(pos, name);
    if (m_sel >= index) ++m_sel;
    return index;
}

bool CPresetCombo::DeleteString(int index) {
    if (index < 0 || index >= GetCount()) return false;
    m_names.erase(m_names.begin() + index);
    if (m_sel == index) {
        m_sel = -1;
    } else if (m_sel > index) {
        --m_sel;
    }
    return true;
}

int CPresetCombo::FindStringExact(const std::string& name) const {
    auto it = std::find(m_names.begin(), m_names.end(), name);
    return it == m_names.end() ? -1 : static_cast<int>(it - m_names.begin());
}

const std::string& CPresetCombo::GetString(int index) const {
    static const std::string empty;
    return index >= 0 && index < GetCount() ? m_names[static_cast<size_t>(index)] : empty;
}

int CPresetCombo::SetCurSel(int index) {
    if (index < 0 || index >= GetCount()) {
        m_sel = -1;
        m_edit.clear();
    } else {
        m_sel = index;
        m_edit = m_names[static_cast<size_t>(index)];
    }
    return m_sel;
}

std::string CPresetCombo::GetSelectedText() const {
    return GetString(m_sel);
}
