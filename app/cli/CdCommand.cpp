// restova-cli cd list | tracks | titles | rip | burn
// The CD ripper and writer without their panes: drives and images, the track
// list, title lookup, ripping into waves, and writing songs to a disc or to a
// CUE/BIN image.
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "Commands.h"
#include "SettingsScope.h"
#include "base/SettingsStore.h"
#include "cd/CdBurner.h"
#include "cd/CdRipper.h"
#include "cd/SongList.h"

namespace {

struct CdRequest {
    std::string drive;
    std::string image;
    std::string tracks;
    std::string to;
    bool oneFile = false;
    bool mp3 = false;
    std::string recorder;
    bool simulate = false;
    std::vector<std::string> files;
};

void PrintDrives(const std::vector<CdDriveEntry>& drives) {
    for (size_t i = 0; i < drives.size(); ++i)
        std::printf("%zu\t%s\t%s\n", i, drives[i].name.c_str(), drives[i].source.c_str());
}

// A ripper on the drive or image the request names (the stored choice when neither); null after
// telling why not.
std::unique_ptr<CCdRipper> OpenRipper(const CdRequest& r, AppSettings& settings) {
    auto ripper = std::make_unique<CCdRipper>(Profile(), settings);
    if (!r.image.empty()) {
        ripper->Options().drvIdx = 0;
        ripper->OpenImage(r.image);
    } else {
        if (!ripper->Open()) return nullptr;
        if (!r.drive.empty()) {
            int chosen = -1;
            const auto& drives = ripper->Drives();
            for (size_t i = 0; i < drives.size(); ++i)
                if (drives[i].source == r.drive || drives[i].name == r.drive || std::to_string(i) == r.drive)
                    chosen = static_cast<int>(i);
            if (chosen < 0) {
                std::fprintf(stderr, "restova-cli cd: no drive %s\n", r.drive.c_str());
                return nullptr;
            }
            ripper->SelectDrive(chosen);
        }
    }
    if (!ripper->ReadTrackList()) {
        std::fprintf(stderr, "restova-cli cd: %s\n", ripper->Status().c_str());
        return nullptr;
    }
    return ripper;
}

void PrintRows(const CCdRipper& ripper) {
    if (!ripper.Artist().empty() || !ripper.Album().empty())
        std::printf("artist: %s\nalbum: %s\n", ripper.Artist().c_str(), ripper.Album().c_str());
    for (const auto& row : ripper.Rows()) std::printf("%02d\t%s\t%s\n", row.track, row.time.c_str(), row.name.c_str());
    std::printf("%s\n", ripper.TotalText().c_str());
}

int RunList() {
    CSettingsScope settings;
    const auto drives = CCdDriveList::Scan(CdRipOptions::Load(Profile(), settings.Get()).imageFolder);
    if (drives.empty()) std::fprintf(stderr, "restova-cli cd: no CD drive and no image in the image folder\n");
    PrintDrives(drives);
    return 0;
}

int RunTracks(const CdRequest& r, bool titles) {
    CSettingsScope settings;
    auto ripper = OpenRipper(r, settings.Get());
    if (!ripper) return 1;
    const bool found = !titles || ripper->LookUpTitles();
    PrintRows(*ripper);
    return found ? 0 : 1;
}

int RunRip(const CdRequest& r) {
    CSettingsScope settings;
    auto ripper = OpenRipper(r, settings.Get());
    if (!ripper) return 1;
    if (ripper->Options().autoCddb) ripper->LookUpTitles();
    if (r.tracks.empty()) {
        ripper->SelectAll();
    } else {
        std::stringstream list(r.tracks);
        std::string item;
        while (std::getline(list, item, ',')) {
            bool found = false;
            for (size_t i = 0; i < ripper->Rows().size(); ++i) {
                if (std::to_string(ripper->Rows()[i].track) == item) {
                    ripper->SetSelected(i, true);
                    found = true;
                }
            }
            if (!found) return UsageError("cd rip", "the disc has no track " + item);
        }
    }
    if (!r.to.empty()) ripper->Options().path = r.to;
    ripper->Options().oneFile = r.oneFile;
    ripper->Options().ripToMp3 = r.mp3;
    const bool ok = ripper->RipSelected();
    for (const auto& f : ripper->RippedFiles()) std::printf("%s\n", f.c_str());
    return ok ? 0 : 1;
}

int RunBurn(const CdRequest& r) {
    CSettingsScope settings;
    const bool image = r.recorder.rfind("image:", 0) == 0;
    CSongList files;
    CSongList& songs = r.files.empty() ? SongList() : files;
    CCdBurner burner(settings.Get(), songs, !image);
    bool opened;
    if (r.files.empty()) {
        opened = burner.Open();
    } else {
        for (const auto& f : r.files) files.Append(f);
        burner.FillRows();
        opened = burner.OpenRecorders();
    }
    if (!opened) return 1;
    const auto names = burner.RecorderNames();
    if (image) {
        burner.Master().ImageRecorder().SetOutput(r.recorder.substr(6));
        burner.SelectRecorder(static_cast<int>(names.size()) - 1);
    } else if (!r.recorder.empty()) {
        int chosen = -1;
        for (size_t i = 0; i + 1 < names.size(); ++i)
            if (names[i] == r.recorder || std::to_string(i) == r.recorder) chosen = static_cast<int>(i);
        if (chosen < 0) return UsageError("cd burn", "no CD writer " + r.recorder);
        burner.SelectRecorder(chosen);
    } else if (names.size() == 1) {
        return UsageError("cd burn", "no CD writer found; write an image with --recorder image:OUT.cue");
    }
    burner.SetSimulate(r.simulate);
    std::printf("%s: %s, %s used\n", names[static_cast<size_t>(burner.SelectedRecorder())].c_str(),
                burner.DiscText().c_str(), burner.SpaceText().c_str());
    return burner.WriteCd() ? 0 : 1;
}

void AddSource(CLI::App& sub, CdRequest& r) {
    CLI::Option* drive = sub.add_option("--drive", r.drive, "the drive: its number in `cd list`, name or device");
    sub.add_option("--image", r.image, "a CUE/BIN or TOC/BIN image to read instead of a drive")->excludes(drive);
}

}  // namespace

CommandRun DeclareCd(CLI::App& sub) {
    auto r = std::make_shared<CdRequest>();
    sub.require_subcommand(1);
    CLI::App* list = sub.add_subcommand("list", "list the CD drives and the images of the image folder");
    SetUsage(*list, "cd list");
    CLI::App* tracks = sub.add_subcommand("tracks", "list the tracks of the disc");
    SetUsage(*tracks, "cd tracks [--drive D|--image FILE.cue]");
    AddSource(*tracks, *r);
    CLI::App* titles = sub.add_subcommand("titles", "look the disc's titles up and list its tracks");
    SetUsage(*titles, "cd titles [--drive D|--image FILE.cue]");
    AddSource(*titles, *r);
    CLI::App* rip = sub.add_subcommand("rip", "rip tracks of the disc into waves (Bin1 unless --to)");
    SetUsage(*rip, "cd rip [--tracks 1,3] [--one-file] [--mp3] [--to DIR] [--drive D|--image FILE.cue]");
    AddSource(*rip, *r);
    rip->add_option("--tracks", r->tracks, "the track numbers to rip, e.g. 1,3 (all audio tracks when absent)");
    rip->add_flag("--one-file", r->oneFile, "rip every track into one wave with a divider at each track");
    rip->add_flag("--mp3", r->mp3, "rip to MP3 files");
    rip->add_option("--to", r->to, "the folder to rip into");
    CLI::App* burn = sub.add_subcommand("burn", "write songs (the CD playlist of Bin3 when none given) to a CD");
    SetUsage(*burn, "cd burn [--recorder image:OUT.cue|DRIVE] [--simulate] [FILES...]");
    burn->add_option("--recorder", r->recorder, "image:OUT.cue for a disc image, or a writer's name or number");
    burn->add_flag("--simulate", r->simulate, "go through the write without writing");
    burn->add_option("FILES", r->files, "waves in CD format, in playing order");
    return [r, &sub] {
        const std::string action = sub.get_subcommands().front()->get_name();
        if (action == "list") return RunList();
        if (action == "tracks") return RunTracks(*r, false);
        if (action == "titles") return RunTracks(*r, true);
        if (action == "rip") return RunRip(*r);
        return RunBurn(*r);
    };
}
