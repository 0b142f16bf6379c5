// What the restova-cli commands that run audio through the engine share:
// argument checks and the run of one filter over a song's session.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "audiofile/Clipper.h"
#include "audiofile/FileNames.h"
#include "base/StringTable.h"

class CFilter;
class CFilterRunner;
class CWaveFile;
class AppSettings;
struct DividerBlock;
struct WAVEFORMATEX;

// A whole decimal number of at most maxChars characters in [min, max]; nothing else accepted.
std::optional<long long> ParseWhole(const std::string& text, long long min, long long max, size_t maxChars = 20);

// True (after telling "restova-cli COMMAND: OUT must not be IN") when out names the file in.
bool OutIsIn(const char* command, const std::string& in, const std::string& out);

// True when in has no session of its own, which a run through the session would discard; tells so otherwise.
bool HasNoSession(const char* command, const std::string& in);

// Removes from the temporary folder of the settings what runs that were killed left there.
void SweepTemporaryFolder();

// Creates the temporary folder of settings when it is missing; false (told) when it cannot.
bool MakeTempFolder(const char* command, const AppSettings& settings);

// Opens in through a private session (kept in the temporary folder, so that nothing is written beside
// in), hands it and a runner reading it to run, then closes in and discards the session. False when
// in could not be opened (told) or run failed.
bool RunInSession(const std::string& in, const std::function<bool(CWaveFile& source, CFilterRunner& runner)>& run);

// What a run did besides writing its output.
struct RunReport {
    ClipStats clipped;     // clamping of the run's output
    uint64_t samples = 0;  // samples the run read
};

// RunInSession with a run of filter over bytes [start, end) of in (0, 0: all of it) under the progress
// caption captionId (0: the runner's own), whose stream is then written into out. report, when given,
// receives what the run did.
bool RunAndCommit(const std::string& in, const std::string& out, CFilter& filter, MsgId captionId, uint32_t start = 0,
                  uint32_t end = 0, RunReport* report = nullptr);

// Prints count dividers of block (index, byte position, seconds, name; one line each), then the stage
// flags as "clean:", "enhance:" and "final:" lines with Y or N; positions are bytes of audio of format.
void PrintDividers(const DividerBlock& block, uint32_t count, const WAVEFORMATEX& format);
