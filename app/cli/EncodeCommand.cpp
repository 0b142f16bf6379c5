// restova-cli encode IN OUT [--format mp3|wma|flac] [--bitrate N] [--vbr] [--external] [--title T --artist A
// --album B --track N]
// Encodes the wave IN into OUT: MP3 through the encoder library (or, with --external, the encoder
// program of the MP3 set-up), WMA or FLAC through FFmpeg. The format follows OUT's extension unless
// given; the bit rate and VBR default to the MP3 set-up's.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "CliArgs.h"
#include "CliOutput.h"
#include "CliSupport.h"
#include "Commands.h"
#include "audiofile/FileNames.h"
#include "base/SettingsStore.h"
#include "codecs/MediaEncoder.h"
#include "codecs/Mp3Writer.h"

namespace {

std::string FormatOf(const std::string& out) {
    if (HasExtension(out, ".wma")) return "wma";
    return HasExtension(out, ".flac") ? "flac" : "mp3";
}

}  // namespace

CommandRun DeclareEncode(CLI::App& sub) {
    struct Request {
        std::string in, out, format;
        std::optional<int> bitRate;
        bool vbr = false;
        bool external = false;
        AudioTags tags;
    };
    auto r = std::make_shared<Request>();
    sub.add_option("IN", r->in, "the wave to encode")->required();
    sub.add_option("OUT", r->out, "the file to write")->required();
    sub.add_option("--format", r->format, "mp3, wma or flac (default: from OUT's extension)")
        ->check(CLI::IsMember({"mp3", "wma", "flac"}));
    AddWhole(
        sub, "--bitrate", 8, 320, [r](long long v) { r->bitRate = static_cast<int>(v); },
        "the bit rate in kbit/s (default: the MP3 set-up's, 128 for WMA)");
    sub.add_flag("--vbr", r->vbr, "variable bit rate (MP3)");
    sub.add_flag("--external", r->external, "MP3 through the encoder program of the MP3 set-up");
    sub.add_option("--title", r->tags.title, "the title tag");
    sub.add_option("--artist", r->tags.artist, "the artist tag");
    sub.add_option("--album", r->tags.album, "the album tag");
    AddWhole(sub, "--track", r->tags.track, 1, 999, "the track number tag");
    return [r] {
        if (OutIsIn("encode", r->in, r->out)) return 1;
        if (!OutMayBeWritten("encode", r->out)) return 1;
        const std::string format = r->format.empty() ? FormatOf(r->out) : r->format;
        EncodeResult rc = kEncodeFailed;
        if (format == "mp3") {
            Mp3Options options = Mp3Options::Load(Profile(), r->external);
            if (r->external) {
                options.useDll = false;
                if (options.encoderPath.empty()) {
                    options.encoderPath = "lame";
                    options.encoderType = Mp3Options::kLame;
                }
            } else {
                options.useDll = true;
                options.encoderType = Mp3Options::kLame;
            }
            if (r->bitRate) options.bitRate = *r->bitRate;
            if (r->vbr) options.useVbr = true;
            rc = WriteMp3File(r->in, r->out, options, r->tags);
        } else if (format == "wma") {
            rc = CMediaEncoder::WriteWmaAt(r->in, r->out, r->bitRate.value_or(128), r->tags);
        } else {
            rc = CMediaEncoder::WriteFlac(r->in, r->out, r->tags);
        }
        if (rc != kEncodeOk) return 1;
        std::printf("written: %s\n", r->out.c_str());
        return 0;
    };
}
