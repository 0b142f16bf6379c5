// restova-cli index FILE: places FILE's track dividers in the silences between
// its songs, as the waveform display does when a recording is opened. They go
// into FILE's session's current step when FILE has a session, else into its
// peak file. Existing dividers are replaced after the question (--yes/--no
// answer it). Prints the dividers afterwards, as `dividers` does.
#include <cstdio>

#include "CliSupport.h"
#include "Commands.h"
#include "SettingsScope.h"
#include "audiofile/FileNames.h"
#include "processing/FilterRunner.h"
#include "tracks/SongDocument.h"
#include "tracks/TrackIndexer.h"

int CmdIndex(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: restova-cli index FILE\n");
        return 2;
    }
    const std::string& path = args[0];
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
