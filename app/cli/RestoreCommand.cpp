// restova-cli restore IN... [--to DIR] [--record R --turntable T] [--riaa]
//     [--clean-preset P] [--enhance-preset P] [--no-enhance] [--index] [--split]
//     [--mp3|--flac] [--jobs N]
// The whole road for each recording in one command (see CSongRestorer), with
// a line per stage and file on stderr and a table of the songs written at
// the end: path, length and peak.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "CliOutput.h"
#include "CliSupport.h"
#include "Commands.h"
#include "JobPool.h"
#include "SettingsScope.h"
#include "SongRestorer.h"
#include "audiofile/FileNames.h"
#include "base/HeadlessServices.h"
#include "base/ProgramPaths.h"
#include "base/Services.h"
#include "base/SettingsStore.h"
#include "codecs/MediaEncoder.h"
#include "codecs/Mp3Encoder.h"
#include "codecs/Mp3Writer.h"
#include "enhance/Pitch.h"
#include "enhance/SpeedCorrection.h"

namespace {

enum class Encoding { None, Mp3, Flac };

struct RestoreRequest {
    std::vector<std::string> inputs;
    std::string folder;  // empty: the work-in-progress bin
    std::optional<int> record, turntable;
    bool riaa = false;
    std::optional<std::string> cleanPreset;
    std::string enhancePreset = "Default";
    bool noEnhance = false;
    bool index = false;
    bool split = false;
    bool mp3 = false;
    bool flac = false;
    int jobs = 1;
};

const char* EncodingName(Encoding encoding) {
    return encoding == Encoding::Mp3 ? "MP3" : "FLAC";
}

// Encodes the songs written into encoding beside them, titled after their files; false (told) when one
// could not be encoded.
bool EncodeSongs(Encoding encoding, const std::vector<RestoredSong>& songs) {
    Mp3Options options = Mp3Options::Load(Profile());
    options.useDll = true;
    options.encoderType = Mp3Options::kLame;
    CMp3Encoder encoder(options);
    if (encoding == Encoding::Mp3 && !encoder.LoadEncoderLibrary()) return false;
    for (const RestoredSong& song : songs) {
        const std::string target = ReplaceExtension(song.path, encoding == Encoding::Mp3 ? ".mp3" : ".flac");
        AudioTags tags;
        tags.title = FileTitle(song.path);
        const EncodeResult rc = encoding == Encoding::Mp3 ? WriteMp3File(song.path, target, options, tags, &encoder)
                                                          : CMediaEncoder::WriteFlac(song.path, target, tags);
        if (rc != kEncodeOk) {
            Tell("restova-cli restore: could not encode " + song.path + " as " + EncodingName(encoding));
            return false;
        }
        std::fprintf(stderr, "encoded: %s\n", target.c_str());
    }
    return true;
}

std::string Length(double seconds) {
    const long long ms = static_cast<long long>(seconds * 1000.0 + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", ms / 60000, ms / 1000 % 60, ms % 1000);
    return text;
}

void PrintSummary(const std::vector<RestoredSong>& songs) {
    std::printf("song\tlength\tpeak-dbfs\n");
    for (const RestoredSong& s : songs) {
        std::printf("%s\t%s\t%s\n", s.path.c_str(), Length(s.seconds).c_str(), DbFs(s.peak).c_str());
    }
    std::fflush(stdout);
}

// Runs the roads of up to jobs recordings at once, each in a child process; the results move into the
// folder here, one recording at a time, so that questions about files to replace come one by one. False
// when any recording failed.
bool RestoreSideBySide(std::vector<std::unique_ptr<CSongRestorer>>& restorers, int jobs,
                       std::vector<std::vector<RestoredSong>>& written) {
    JobSteps steps;
    steps.prepare = [&](size_t i) { return restorers[i]->Prepare(); };
    steps.work = [&](size_t i) { return restorers[i]->RunRoad() && restorers[i]->SaveResults(); };
    steps.done = [&](size_t i, bool ran) {
        return ran && restorers[i]->LoadResults() && restorers[i]->Finish(written[i]);
    };
    return RunJobsInProcesses("restore", restorers.size(), jobs, steps);
}

int RunRestore(const RestoreRequest& r) {
    const Encoding encoding = r.mp3 ? Encoding::Mp3 : (r.flac ? Encoding::Flac : Encoding::None);
    // Each result keeps its recording's name (or its dividers'), so two recordings of one name would collide.
    std::set<std::string> titles;
    for (const std::string& in : r.inputs) {
        if (!titles.insert(FileTitle(in)).second) {
            return UsageError("restore", "two recordings are named " + FileTitle(in) + "; restore them one at a time");
        }
    }

    CSettingsScope settings;
    RestoreSettings road;
    road.folder = r.folder.empty() ? settings.Get().Bin2Path : r.folder;
    while (road.folder.size() > 1 && road.folder.back() == '/') road.folder.pop_back();
    if (r.record && *r.record != *r.turntable) road.speedRatio = CSpeedCorrection::Ratio(*r.record, *r.turntable);
    road.riaa = r.riaa;
    road.cleanPreset = r.cleanPreset;
    road.enhancePreset = r.enhancePreset;
    road.enhance = !r.noEnhance;
    road.index = r.index;
    road.split = r.split;

    if (!MakeTempFolder("restore", settings.Get())) return 1;
    CProgramPaths::MakeDirectories(road.folder);
    if (!FolderIsWritable("restore", road.folder, "the songs")) return 1;

    std::vector<std::unique_ptr<CSongRestorer>> restorers;
    const int count = static_cast<int>(r.inputs.size());
    for (int i = 0; i < count; ++i) {
        restorers.push_back(std::make_unique<CSongRestorer>(road, r.inputs[i], i + 1, count));
    }
    std::vector<std::vector<RestoredSong>> written(restorers.size());
    bool failed = false;
    if (r.jobs > 1) {
        failed = !RestoreSideBySide(restorers, r.jobs, written);
    } else {
        for (size_t i = 0; i < restorers.size() && !Interrupted().load(); ++i) {
            CSongRestorer& one = *restorers[i];
            if (!one.Prepare() || !one.RunRoad() || Interrupted().load() || !one.Finish(written[i])) failed = true;
        }
    }
    std::vector<RestoredSong> songs;
    for (const auto& some : written) songs.insert(songs.end(), some.begin(), some.end());
    if (!songs.empty()) PrintSummary(songs);
    if (!failed && encoding != Encoding::None && !EncodeSongs(encoding, songs)) failed = true;
    return failed ? 1 : 0;
}

}  // namespace

CommandRun DeclareRestore(CLI::App& sub) {
    auto r = std::make_shared<RestoreRequest>();
    sub.add_option("IN", r->inputs, "the recordings (waves) to restore")->required();
    sub.add_option("--to", r->folder, "where the songs go (default: the work-in-progress bin, Bin2)")->type_name("DIR");
    AddRecordSpeeds(sub, r->record, r->turntable);
    sub.add_flag("--riaa", r->riaa, "apply the RIAA equalisation (recorded through a flat preamp)");
    sub.add_option("--clean-preset", r->cleanPreset, "the Clean preset (default: Default)")->type_name("P");
    sub.add_option("--enhance-preset", r->enhancePreset, "the Enhance preset (default: Default)")->type_name("P");
    sub.add_flag("--no-enhance", r->noEnhance, "leave out the Enhance stage");
    sub.add_flag("--index", r->index, "place the track dividers anew in the silences between the songs");
    sub.add_flag("--split", r->split, "write one wave per song, named after its divider");
    auto* mp3 = sub.add_flag("--mp3", r->mp3, "also encode the songs as MP3 beside them");
    sub.add_flag("--flac", r->flac, "also encode the songs as FLAC beside them")->excludes(mp3);
    AddWhole(sub, "--jobs", r->jobs, 1, 64, "recordings to restore at once, each in a process of its own");
    return [r] { return RunRestore(*r); };
}
