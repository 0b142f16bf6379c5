#include "tracks/DividerList.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>

namespace {

// The longest prefix of text with at most maxChars characters and maxBytes bytes that does not
// split a UTF-8 sequence, so a cut name never ends in half a character.
std::string CutText(const std::string& text, size_t maxChars, size_t maxBytes) {
    size_t chars = 0;
    size_t end = 0;
    while (end < text.size() && chars < maxChars) {
        const auto lead = static_cast<unsigned char>(text[end]);
        size_t len = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (end + len > text.size() || end + len > maxBytes) break;
        end += len;
        ++chars;
    }
    return text.substr(0, end);
}

std::string CutName(const std::string& text) {
    return CutText(text, CDividerList::kMaxNameChars, kDividerNameBytes - 1);
}

}  // namespace

void CDividerList::Assign(const DividerBlock& block, uint32_t count) {
    m_block = block;
    m_count = std::min<uint32_t>(count, kMaxDividers);
    Sort();
}

void CDividerList::ClearRecord(int i) {
    // The last record's name also carries the stage status flags; they outlive its divider.
    std::array<uint8_t, DividerBlock::kCarriedBytes> carried{};
    std::memcpy(carried.data(), m_block.Bytes() + DividerBlock::kStatusOffset, carried.size());
    m_block.records[i] = DividerRecord{};
    std::memcpy(m_block.Bytes() + DividerBlock::kStatusOffset, carried.data(), carried.size());
}

void CDividerList::Clear() {
    for (int i = 0; i < Count(); ++i) ClearRecord(i);
    m_count = 0;
}

std::string CDividerList::NextName(const std::string& title) const {
    const std::string stem = CutText(title, kTitleChars, kDividerNameBytes - 1);
    for (uint32_t n = m_count + 1;; ++n) {
        std::string name = CutName(stem + "_" + std::to_string(n));
        bool taken = false;
        for (int i = 0; i < Count() && !taken; ++i) taken = Name(i) == name;
        if (!taken) return name;
    }
}

bool CDividerList::Append(uint32_t position, const std::string& name) {
    if (IsFull()) return false;
    const int i = Count();
    ClearRecord(i);
    m_block.records[i].position = position;
    m_block.SetName(i, CutName(name));
    ++m_count;
    return true;
}

int CDividerList::Add(uint32_t position, const std::string& title) {
    if (IsFull()) return -1;
    Append(position, NextName(title));
    return MoveTo(Count() - 1, position);
}

bool CDividerList::Remove(int index) {
    if (index == -1) {
        Clear();
        return true;
    }
    if (index < 0 || index >= Count()) return false;
    for (int i = index; i + 1 < Count(); ++i) m_block.records[i] = m_block.records[i + 1];
    ClearRecord(Count() - 1);
    --m_count;
    return true;
}

bool CDividerList::Rename(int index, const std::string& text) {
    if (index < 0 || index >= Count()) return false;
    m_block.SetName(index, text.empty() ? std::to_string(index) : CutName(text));
    return true;
}

int CDividerList::MoveTo(int index, uint32_t position) {
    if (index < 0 || index >= Count()) return -1;
    m_block.records[index].position = position;
    // A stable sort that follows where the moved record lands.
    std::array<int, kMaxDividers> order{};
    std::iota(order.begin(), order.begin() + Count(), 0);
    std::stable_sort(order.begin(), order.begin() + Count(),
                     [this](int a, int b) { return m_block.records[a].position < m_block.records[b].position; });
    std::array<DividerRecord, kMaxDividers> sorted;
    int landed = -1;
    for (int i = 0; i < Count(); ++i) {
        sorted[i] = m_block.records[order[i]];
        if (order[i] == index) landed = i;
    }
    std::copy(sorted.begin(), sorted.begin() + Count(), m_block.records);
    return landed;
}

void CDividerList::Sort() {
    if (Count() > 0) MoveTo(0, Position(0));
}

void CDividerList::NameAfter(const std::string& title) {
    for (int i = 0; i < Count(); ++i) m_block.SetName(i, CutName(i == 0 ? title : title + "_" + std::to_string(i + 1)));
}

void CDividerList::UpdateAfterCut(uint32_t a, uint32_t b) {
    if (b <= a) return;
    for (int i = Count() - 1; i >= 0; --i) {
        if (Position(i) >= a && Position(i) < b) Remove(i);
    }
    for (int i = 0; i < Count(); ++i) {
        if (Position(i) > a) m_block.records[i].position -= b - a;
    }
}

void CDividerList::TrackAround(uint32_t x, uint32_t dataLength, uint32_t& start, uint32_t& end) const {
    start = 0;
    end = dataLength;
    for (int i = 0; i < Count(); ++i) {
        if (Position(i) < x) start = std::max(start, Position(i));
        if (Position(i) >= x) end = std::min(end, Position(i));
    }
}

int CDividerList::IndexOf(uint32_t position) const {
    for (int i = 0; i < Count(); ++i) {
        if (Position(i) == position) return i;
    }
    return -1;
}
