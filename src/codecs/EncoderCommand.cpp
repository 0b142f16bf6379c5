#include "codecs/EncoderCommand.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <string_view>

#include "base/StringTable.h"

extern char** environ;

namespace {

// The user's extra options as arguments: split at blanks, double quotes group.
void SplitOptions(std::string_view text, std::vector<std::string>& out) {
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) out.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) out.push_back(word);
}

int LameVbrLevel(int bitRate) {
    if (bitRate < 64) return 9;
    if (bitRate < 112) return 7;
    if (bitRate < 128) return 6;
    if (bitRate == 128) return 4;
    if (bitRate <= 192) return 2;
    return 0;
}

int XingVbrLevel(int bitRate) {
    if (bitRate < 97) return 1;
    if (bitRate <= 112) return 30;
    if (bitRate <= 128) return 50;
    if (bitRate <= 160) return 75;
    if (bitRate <= 192) return 100;
    return 50;
}

// The extension of the file name (not of a folder) replaced; a name that starts with its only dot
// keeps it.
std::string WithExtension(const std::string& path, const char* ext) {
    const size_t slash = path.find_last_of('/');
    const size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot <= nameAt) return path;
    return path.substr(0, dot) + ext;
}

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

}  // namespace

EncoderCommand BuildEncoderCommand(const Mp3Options& options, const std::string& source, const std::string& target,
                                   int bitRate, int channelMode, bool vbr) {
    EncoderCommand cmd;
    cmd.target = target;
    const int type = options.encoderType;
    if (options.encoderPath.empty() || type < 0 || type > Mp3Options::kOther) return cmd;
    std::string rate;  // the bit-rate option
    std::string mode;  // the channel-mode option
    switch (type) {
        case Mp3Options::kBladeEnc:
            if (bitRate != 0) rate = "-br " + std::to_string(bitRate) + " -quit";
            if (channelMode == 1) mode = " -mono";
            if (channelMode == 2) mode = " -lm";
            if (channelMode == 3) mode = " -rm";
            break;
        case Mp3Options::kLame:
            if (vbr) {
                rate = "-V" + std::to_string(LameVbrLevel(bitRate));
            } else if (bitRate != 0) {
                rate = "-b" + std::to_string(bitRate);
            }
            if (channelMode == 1) mode = " -m m ";
            if (channelMode == 2) mode = " -lm";
            if (channelMode == 3) mode = " -rm";
            break;
        case Mp3Options::kOggVorbis:
            if (bitRate != 0) rate = "-b " + std::to_string(bitRate);
            if (channelMode == 1) mode = " --downmix";
            cmd.target = WithExtension(target, ".ogg");
            break;
        case Mp3Options::kXing:
            if (vbr) {
                rate = "-v" + std::to_string(XingVbrLevel(bitRate));
            } else if (bitRate != 0) {
                rate = "-b" + std::to_string(bitRate * 1000) + " ";
            }
            if (channelMode != 0) mode = "-d ";
            break;
        default:
            break;
    }
    const std::string opts = options.extraOptions + " " + rate + mode;
    std::vector<std::string> words;
    SplitOptions(opts, words);
    cmd.argv.push_back(options.encoderPath);
    auto append = [&](const std::vector<std::string>& more) {
        cmd.argv.insert(cmd.argv.end(), more.begin(), more.end());
    };
    if (type == Mp3Options::kOggVorbis) {
        cmd.text = " " + Quoted(source) + " " + opts + "  -o " + Quoted(cmd.target);
        cmd.argv.push_back(source);
        append(words);
        append({"-o", cmd.target});
    } else if (type == Mp3Options::kXing) {
        cmd.text = " " + Quoted(source) + " " + Quoted(cmd.target) + " " + opts;
        append({source, cmd.target});
        append(words);
    } else {
        cmd.text = " " + opts + " " + Quoted(source) + " " + Quoted(cmd.target);
        append(words);
        append({source, cmd.target});
    }
    return cmd;
}

int RunEncoder(const Mp3Options& options, const EncoderCommand& command) {
    if (command.argv.empty()) {
        ShowMessage(kMsgCannotRunEncoder, MsgIcon::Exclamation, MsgButtons::Ok, options.encoderPath);
        return 1;
    }
    std::vector<char*> args;
    for (const std::string& a : command.argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) {
        ShowMessage(kMsgCannotRunEncoder, MsgIcon::Exclamation, MsgButtons::Ok, options.encoderPath);
        return 1;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return 1;
    }
    // A process ended by a signal has no exit code of its own: it failed.
    int code = WIFEXITED(status) ? static_cast<signed char>(WEXITSTATUS(status)) : 1;
    if (options.encoderType == Mp3Options::kXing && code == -1) code = 0;
    if (code != 0) {
        ShowMessage(kMsgEncoderExitCode, MsgIcon::Exclamation, MsgButtons::Ok, {std::to_string(code)});
        return 1;
    }
    return 0;
}
