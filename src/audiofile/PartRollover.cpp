#include "audiofile/PartRollover.h"

#include "audiofile/FileNames.h"

void CPartRollover::Start(const std::string& outputName) {
    m_base = ReplaceExtension(outputName, "");
    m_count = 0;
}

std::string CPartRollover::NextName() const {
    return m_base + "_part" + std::to_string(m_count + 1) + ".wav";
}
