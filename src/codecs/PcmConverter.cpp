#include "codecs/PcmConverter.h"

#include "audiofile/WaveFile.h"

int CPcmConverter::Convert(CWaveFile&, const std::string&, std::string&) { return -1; }
