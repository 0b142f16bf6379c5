#include "audiofile/PeakFile.h"

#include "audiofile/QueEdit.h"
#include "audiofile/WaveFile.h"

const uint8_t CPeakFile::kIdentifier[16] = {0x42, 0x1F, 0x07, 0xF6, 0x0A, 0x32, 0xD3, 0x11,
                                            0xB0, 0x64, 0x82, 0xD9, 0x1B, 0xE8, 0xD7, 0x4D};

CPeakFile::Scanner::Scanner(int channels, uint32_t samplesPerPeak)
    : m_channels(channels == 2 ? 2 : 1), m_groupSize(samplesPerPeak ? samplesPerPeak : kSamplesPerPeak) {}
void CPeakFile::Scanner::Add(const int32_t*, size_t, std::vector<uint16_t>&) {}
void CPeakFile::Scanner::Finish(std::vector<uint16_t>&) {}
PeakResults CPeakFile::Scanner::Results() const {
    return m_results;
}
void CPeakFile::Scanner::Emit(uint32_t, uint32_t, std::vector<uint16_t>&) {}

uint32_t CPeakFile::PeakOffset(uint64_t, const WAVEFORMATEX&, uint32_t) {
    return 0;
}
int CPeakFile::BuildPeakFile(CWaveFile&, uint32_t, uint32_t, const DividerBlock*, uint32_t, PeakResults&) {
    return -1;
}
bool CPeakFile::WriteDividers(const std::string&, const DividerBlock&, uint32_t) {
    return false;
}
bool CPeakFile::ReadDividers(const std::string&, DividerBlock&, uint32_t&, bool) {
    return false;
}
bool CPeakFile::PeakFileIsCurrent(const std::string&, const std::string&) {
    return false;
}
bool CPeakFile::LoadStepPeaks(CQueEdit&, const WAVEFORMATEX&, uint32_t) {
    return false;
}
