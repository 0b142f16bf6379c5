// The dividers of a list as (position, name) pairs, for comparing with a table in one assertion.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tracks/DividerList.h"

using Entries = std::vector<std::pair<uint32_t, std::string>>;

inline Entries EntriesOf(const CDividerList& list) {
    Entries out;
    for (int i = 0; i < list.Count(); ++i) out.emplace_back(list.Position(i), list.Name(i));
    return out;
}
