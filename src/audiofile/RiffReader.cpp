#include "audiofile/RiffReader.h"

#include "audiofile/WaveFile.h"

int CRiffReader::ReadHeader(const std::string&, Header&) { return kErrCannotOpen; }
int CRiffReader::ReadHeader(std::FILE*, Header&) { return kErrCannotOpen; }
int CRiffReader::ParseHeader(const uint8_t*, size_t, Header&) { return kErrFormat; }
