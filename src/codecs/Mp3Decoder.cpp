#include "codecs/Mp3Decoder.h"

#include "audiofile/WaveFile.h"

int CMp3Decoder::GetInfo(const std::string&, WaveFileInfo&) { return kErrCannotOpen; }
int CMp3Decoder::DecodeMp3File(const std::string&, const std::string&) { return -1; }
