// The argument text of every external encoder type, and the argument vector
// the program is really started with.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/HeadlessServices.h"
#include "codecs/EncoderCommand.h"
#include "support/TempDir.h"

namespace {

struct CommandCase {
    int type;
    int bitRate;
    int mode;
    bool vbr;
    const char* extra;
    const char* text;
};

const CommandCase kCases[] = {
    {0, 128, 0, false, "", "  -br 128 -quit \"/in/a b.wav\" \"/out/x.mp3\""},
    {0, 0, 1, false, "-x", " -x  -mono \"/in/a b.wav\" \"/out/x.mp3\""},
    {0, 96, 3, true, "", "  -br 96 -quit -rm \"/in/a b.wav\" \"/out/x.mp3\""},
    {1, 128, 0, true, "", "  -V4 \"/in/a b.wav\" \"/out/x.mp3\""},
    {1, 192, 0, true, "", "  -V2 \"/in/a b.wav\" \"/out/x.mp3\""},
    {1, 320, 0, true, "", "  -V0 \"/in/a b.wav\" \"/out/x.mp3\""},
    {1, 63, 0, true, "", "  -V9 \"/in/a b.wav\" \"/out/x.mp3\""},
    {1, 111, 0, true, "", "  -V7 \"/in/a b.wav\" \"/out/x.mp3\""},
    {1, 127, 0, true, "", "  -V6 \"/in/a b.wav\" \"/out/x.mp3\""},
    {1, 16, 1, false, "-q 2", " -q 2 -b16 -m m  \"/in/a b.wav\" \"/out/x.mp3\""},
    {1, 128, 2, false, "", "  -b128 -lm \"/in/a b.wav\" \"/out/x.mp3\""},
    {2, 128, 0, false, "", " \"/in/a b.wav\"  -b 128  -o \"/out/x.ogg\""},
    {2, 0, 1, true, "-q 5", " \"/in/a b.wav\" -q 5  --downmix  -o \"/out/x.ogg\""},
    {3, 256, 0, true, "", " \"/in/a b.wav\" \"/out/x.mp3\"  -v50"},
    {3, 192, 0, true, "", " \"/in/a b.wav\" \"/out/x.mp3\"  -v100"},
    {3, 96, 0, true, "", " \"/in/a b.wav\" \"/out/x.mp3\"  -v1"},
    {3, 112, 0, true, "", " \"/in/a b.wav\" \"/out/x.mp3\"  -v30"},
    {3, 160, 2, true, "", " \"/in/a b.wav\" \"/out/x.mp3\"  -v75-d "},
    {3, 128, 0, false, "", " \"/in/a b.wav\" \"/out/x.mp3\"  -b128000 "},
    {4, 128, 1, true, "--fast", " --fast  \"/in/a b.wav\" \"/out/x.mp3\""},
    {5, 128, 0, false, "", ""},
};

TEST(EncoderCommandTest, TextPerTypeRateModeAndVbr) {
    for (const CommandCase& c : kCases) {
        SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.bitRate) + "/" + std::to_string(c.mode));
        Mp3Options o;
        o.encoderPath = "/opt/enc/encoder";
        o.encoderType = c.type;
        o.extraOptions = c.extra;
        EXPECT_EQ(BuildEncoderCommand(o, "/in/a b.wav", "/out/x.mp3", c.bitRate, c.mode, c.vbr).text, c.text);
    }
    Mp3Options none;
    none.encoderPath.clear();
    EXPECT_EQ(BuildEncoderCommand(none, "a.wav", "b.mp3", 128, 0, false).text, "");
}

// Names keep their blanks and quotes as single arguments; only the file name's extension turns
// into ".ogg".
TEST(EncoderCommandTest, ArgumentsAreNotSplitInNames) {
    Mp3Options o;
    o.encoderPath = "oggenc";
    o.encoderType = Mp3Options::kOggVorbis;
    o.extraOptions = "-q \"5\"";
    const EncoderCommand c = BuildEncoderCommand(o, "/in/it's \"a\" b.wav", "/out.d/song", 0, 1, false);
    EXPECT_EQ(c.argv, (std::vector<std::string>{"oggenc", "/in/it's \"a\" b.wav", "-q", "5", "--downmix", "-o",
                                                "/out.d/song"}));
    EXPECT_EQ(c.target, "/out.d/song");
}

// Exit codes: 0 succeeds, anything else fails with its message, except -1 from Xing; a program that
// cannot be started gives 409.
TEST(EncoderCommandTest, ExitCodes) {
    CHeadlessServices services;
    SetServices(&services);
    TempDir dir;
    const std::string script = dir.File("enc.sh");
    ASSERT_TRUE(WriteText(script, "#!/bin/sh\nexit $1\n"));
    RunShell("chmod +x '" + script + "'");
    struct {
        int type;
        const char* code;
        int result;
    } cases[] = {{1, "0", 0}, {1, "3", 1}, {3, "255", 0}, {1, "255", 1}, {3, "2", 1}};
    for (const auto& c : cases) {
        Mp3Options o;
        o.encoderPath = script;
        o.encoderType = c.type;
        EncoderCommand cmd;
        cmd.argv = {script, c.code};
        EXPECT_EQ(RunEncoder(o, cmd), c.result) << c.type << " " << c.code;
    }
    Mp3Options missing;
    missing.encoderPath = dir.File("no such encoder");
    EXPECT_EQ(RunEncoder(missing, BuildEncoderCommand(missing, "a.wav", "b.mp3", 128, 0, false)), 1);
    ASSERT_FALSE(services.Messages().empty());
    EXPECT_NE(services.Messages().back().text.find("Could not run the MP3 decoder"), std::string::npos);
    SetServices(nullptr);
}

}  // namespace
