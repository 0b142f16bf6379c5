// restova-cli index FILE: places FILE's track dividers in the silences between
// its songs, as the waveform display does when a recording is opened. They go
// into FILE's session's current step when FILE has a session, else into its
// peak file. Existing dividers are replaced after the question (--yes/--no
// answer it). Prints the dividers afterwards, as `dividers` does.
#include <cstdio>
#include <memory>

#include "CliArgs.h"
#include "CliSupport.h"
#include "Commands.h"
#include "SettingsScope.h"
#include "audiofile/FileNames.h"
#include "processing/FilterRunner.h"
#include "tracks/SongDocument.h"
#include "tracks/TrackIndexer.h"

namespace {

int RunIndex(const std::string& path) {
    CSettingsScope settings;
    if (!MakeTempFolder("index", settings.Get())) return 1;

    CFilterRunner runner;
    CSongDocument song;
    song.SetRunner(&runner);
    if (song.Open(path, PathExists(SessionFileName(path))) != 0) return 1;

    CTrackIndexer indexer;
    if (indexer.IndexTracks(song, true, true)) CTrackIndexer::ShowIndexed();
    const CDividerList& dividers = song.Dividers();
    PrintDividers(dividers.Block(), static_cast<uint32_t>(dividers.Count()), song.Format());
    song.Close(false, false);
    // Keeping the dividers when asked is an answer, not a failure.
    return indexer.LastResult() == CTrackIndexer::kFailed ? 1 : 0;
}

}  // namespace

CommandRun DeclareIndex(CLI::App& sub) {
    auto file = std::make_shared<std::string>();
    sub.add_option("FILE", *file, "the wave")->required();
    return [file] { return RunIndex(*file); };
}
