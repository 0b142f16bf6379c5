// A whole wave to an MP3 file, through the encoder library or an external
// encoder as the set-up says.
#pragma once

#include <string>

#include "codecs/AudioTags.h"
#include "codecs/Mp3Options.h"

class CMp3Encoder;

enum EncodeResult : int { kEncodeOk = 0, kEncodeFailed = 1, kEncodeCancelled = 2 };

// Encodes source into target. With encoder, that loaded library is used (so a batch loads it
// once); without, one is loaded when options.useDll. The progress window's position follows the
// source when it is open; on cancel or failure no partial target is left.
EncodeResult WriteMp3File(const std::string& source, const std::string& target, const Mp3Options& options,
                          const AudioTags& tags, CMp3Encoder* encoder = nullptr);
