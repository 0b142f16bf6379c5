// A UI-free model of a filter dialog's preset combo box: a list of names
// (kept sorted when asked), one selected entry and the text of the edit
// field. The window binds to it; the preset logic works on it alone.
#pragma once

#include <string>
#include <vector>

class CPresetCombo {
public:
    // sorted: new names are inserted in case-blind alphabetical order
    // instead of at the end.
    explicit CPresetCombo(bool sorted = false) : m_sorted(sorted) {}

    bool Sorted() const { return m_sorted; }

    // Empties the list, the selection and the edit text.
    void ResetContent();
    // Adds a name; returns its index.
    int AddString(const std::string& name);
    // Removes the entry at index; false when there is none. The selection is
    // cleared when it was that entry and follows its entry otherwise.
    bool DeleteString(int index);
    // Index of the entry equal to name (case matters, as it does for the
    // files behind the names), or -1.
    int FindStringExact(const std::string& name) const;

    int GetCount() const { return static_cast<int>(m_names.size()); }
    // The entry at index, or an empty string.
    const std::string& GetString(int index) const;
    const std::vector<std::string>& Names() const { return m_names; }

    // The selected index, or -1.
    int GetCurSel() const { return m_sel; }
    // Selects the entry and puts its text into the edit field; -1 (or any
    // index out of range) clears both. Returns the new selection.
    int SetCurSel(int index);
    // The selected entry's text; empty when nothing is selected.
    std::string GetSelectedText() const;

    // The edit field, as the user typed it or as the selection set it.
    const std::string& GetEditText() const { return m_edit; }
    void SetEditText(const std::string& text) { m_edit = text; }

    // Counts requests to give the focus back to the combo (the window acts on them).
    void SetFocus() { ++m_focusRequests; }
    int FocusRequests() const { return m_focusRequests; }

private:
    std::vector<std::string> m_names;
    std::string m_edit;
    int m_sel = -1;
    bool m_sorted = false;
    int m_focusRequests = 0;
};
