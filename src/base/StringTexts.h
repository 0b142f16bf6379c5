// The string table's data, split by subsystem so each list stays readable.
#pragma once

#include <span>

#include "base/StringTable.h"

struct TextEntry {
    MsgId id;
    const char* text;
};

std::span<const TextEntry> EngineTexts();
std::span<const TextEntry> WindowTexts();
