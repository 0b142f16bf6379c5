// restova-cli workflow [--answers y,n,...] [--image-writer OUT.cue] [--device NAME] [--source IN.wav] EVENT...
// Drives the program's stage machine without its window: each EVENT is a
// click on a stage, Back or bin button, or one of the pane actions a user
// makes between them (selecting rows, choosing files, letting time pass while
// recording). After each one the state, the action, the prompt and the four
// button captions are printed. Sound goes through the virtual card (which
// records from --source) unless --device names another.
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "Commands.h"
#include "SettingsScope.h"
#include "SoundSupport.h"
#include "audiofile/FileNames.h"
#include "base/HeadlessServices.h"
#include "base/SettingsStore.h"
#include "cd/CdBurner.h"
#include "cd/CdRipper.h"
#include "cd/SongList.h"
#include "devices/AudioDevice.h"
#include "devices/AudioHost.h"
#include "devices/Player.h"
#include "devices/Recorder.h"
#include "devices/VirtualCard.h"
#include "shell/PickFiles.h"
#include "shell/ShellDlg.h"
#include "shell/WavePane.h"
#include "shell/WorkList.h"

namespace {

struct WorkflowRequest {
    std::vector<std::string> events;
    std::string answers;
    std::string imageWriter;
    std::string device;
    std::string source;
};

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) items.push_back(item);
    return items;
}

bool QueueAnswers(CHeadlessServices& services, const std::string& list) {
    for (const std::string& a : SplitList(list)) {
        if (a == "y" || a == "yes") {
            services.QueueAnswer(MsgAnswer::Yes);
        } else if (a == "n" || a == "no") {
            services.QueueAnswer(MsgAnswer::No);
        } else if (a == "ok") {
            services.QueueAnswer(MsgAnswer::Ok);
        } else if (a == "cancel") {
            services.QueueAnswer(MsgAnswer::Cancel);
        } else {
            return false;
        }
    }
    return true;
}

void PrintState(const CShellDlg& shell) {
    const StateInfo* info = CTransitionTable::Info(shell.State());
    std::printf("state: %d %s\n", shell.State(), info ? info->name : "");
    std::printf("action: %d %s\n", shell.LastAction(), CTransitionTable::ActionName(shell.LastAction()));
    std::printf("prompt: %s\n", shell.Prompt().c_str());
    std::printf("buttons:");
    for (int i = 0; i < 4; ++i) {
        const std::string& caption = shell.Caption(i);
        std::printf("%s %s", i == 0 ? "" : " |", caption.empty() ? "-" : caption.c_str());
    }
    std::printf("\n");
    std::fflush(stdout);
}

// The row of item in a list: a name as shown, else a number from 1.
template <class Rows, class NameOf>
int RowOf(const Rows& rows, const std::string& item, NameOf nameOf) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (nameOf(rows[i]) == item) return static_cast<int>(i);
    }
    char* end = nullptr;
    const long n = std::strtol(item.c_str(), &end, 10);
    return end != item.c_str() && *end == '\0' && n >= 1 && static_cast<size_t>(n) <= rows.size()
               ? static_cast<int>(n - 1)
               : -1;
}

// Selects exactly these rows of the open list pane; false (told) when one is not there.
bool Select(CShellDlg& shell, const std::vector<std::string>& items, bool all) {
    auto pick = [&](auto& pane, const auto& rows, auto nameOf) {
        for (size_t i = 0; i < rows.size(); ++i) pane.SetSelected(i, false);
        for (size_t i = 0; all && i < rows.size(); ++i) pane.SetSelected(i, true);
        for (const std::string& item : items) {
            const int row = RowOf(rows, item, nameOf);
            if (row < 0) {
                std::fprintf(stderr, "restova-cli workflow: the open list has no row %s\n", item.c_str());
                return false;
            }
            pane.SetSelected(static_cast<size_t>(row), true);
        }
        return true;
    };
    if (CPickFiles* bin1 = shell.Bin1Pane()) return pick(*bin1, bin1->Rows(), [](const Bin1Row& r) { return r.name; });
    if (CWorkList* list = shell.WorklistPane())
        return pick(*list, list->Rows(), [](const WorkRow& r) { return r.name; });
    if (CCdRipper* rip = shell.CdRipPane()) {
        return pick(*rip, rip->Rows(), [](const CdRipRow& r) { return std::to_string(r.track); });
    }
    if (CCdBurner* writer = shell.CdWriterPane()) {
        return pick(*writer, writer->Rows(), [](const CdSongRow& r) { return r.name; });
    }
    std::fprintf(stderr, "restova-cli workflow: no list is open to select in\n");
    return false;
}

int ImportFilterIndex(const std::string& file) {
    static const char* const kExtensions[] = {".wav", ".mp3", ".wma"};
    for (int i = 0; i < 3; ++i) {
        const std::string ext = kExtensions[i];
        if (file.size() > ext.size() && file.compare(file.size() - ext.size(), ext.size(), ext) == 0) return i + 1;
    }
    return 4;
}

// Lets the sound run: for seconds, or (seconds < 0) until the virtual card's source has ended.
void Wait(CVirtualCard& card, double seconds) {
    const uint32_t steps = static_cast<uint32_t>((seconds < 0 ? 60.0 : seconds) * 1000 / CPlayer::kPositionPeriodMs);
    for (uint32_t i = 0; i < steps; ++i) {
        if (seconds < 0 && card.SourceFinished()) break;
        Services().WaitMessages(CPlayer::kPositionPeriodMs);
    }
}

// One pseudo-event (a pane action); false (told) when it could not be carried out.
bool RunPaneEvent(CShellDlg& shell, CVirtualCard& card, CHeadlessServices& services, std::deque<std::string>& picks,
                  const std::string& event) {
    const size_t colon = event.find(':');
    const std::string verb = event.substr(0, colon);
    const std::string arg = colon == std::string::npos ? std::string() : event.substr(colon + 1);
    if (verb == "select") return Select(shell, SplitList(arg), false);
    if (verb == "select-all") return Select(shell, {}, true);
    if (verb == "import" && shell.Bin1Pane()) {
        shell.ImportFiles({arg}, ImportFilterIndex(arg));
        return true;
    }
    if (verb == "pick") {
        picks.push_back(arg);
        return true;
    }
    if (verb == "name") {
        services.QueueText(arg);
        return true;
    }
    if (verb == "start") {
        char* end = nullptr;
        const unsigned long long samples = std::strtoull(arg.c_str(), &end, 10);
        if (arg.empty() || *end != '\0') return false;
        services.QueueNumber(samples);
        return true;
    }
    if (verb == "preview") {
        if (CPickFiles* bin1 = shell.Bin1Pane()) bin1->Preview();
        if (CWorkList* list = shell.WorklistPane()) list->Preview();
        return true;
    }
    if (verb == "delete") {
        if (CPickFiles* bin1 = shell.Bin1Pane()) bin1->DeleteSelected();
        if (CWorkList* list = shell.WorklistPane()) list->DeleteSelected();
        return true;
    }
    if (verb == "rename" && shell.WorklistPane()) {
        CWorkList& list = *shell.WorklistPane();
        for (size_t i = 0; i < list.Rows().size(); ++i) {
            if (list.Rows()[i].selected) return list.Rename(i, arg);
        }
        std::fprintf(stderr, "restova-cli workflow: select the song to rename first\n");
        return false;
    }
    if ((verb == "click" || verb == "divider") && shell.WaveformPane()) {
        CWavePane& wave = *shell.WaveformPane();
        char* end = nullptr;
        const double value = std::strtod(arg.c_str(), &end);
        if (end == arg.c_str() || *end != '\0' || value < 0) return false;
        if (verb == "divider") {
            wave.Doc().SetSelectedDivider(static_cast<int>(value));
        } else {
            const double bytes = value * wave.Doc().BytesPerSecond();
            wave.ClickAt(bytes >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(bytes));
        }
        return true;
    }
    if ((verb == "drag" || verb == "menu") && shell.WaveformPane()) {
        CWavePane& wave = *shell.WaveformPane();
        // drag:INDEX,SECONDS releases divider INDEX there; menu:ITEM[@SECONDS] picks a context-menu item
        // opened at SECONDS (else at the selection's start) for the selected divider.
        const size_t split = arg.find(verb == "drag" ? ',' : '@');
        const std::string head = arg.substr(0, split);
        uint32_t at = wave.Doc().SelStart();
        if (split != std::string::npos) {
            char* end = nullptr;
            const double seconds = std::strtod(arg.c_str() + split + 1, &end);
            if (end == arg.c_str() + split + 1 || *end != '\0' || seconds < 0) return false;
            const double bytes = seconds * wave.Doc().BytesPerSecond();
            at = bytes >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(bytes);
        }
        if (verb == "drag") {
            char* end = nullptr;
            const long index = std::strtol(head.c_str(), &end, 10);
            if (end == head.c_str() || *end != '\0' || split == std::string::npos) return false;
            return wave.DropDivider(static_cast<int>(index), at) >= 0;
        }
        for (CWavePane::Command c : CWavePane::WaveMenu()) {
            if (CWavePane::CommandText(c) == head) return wave.Run(c, at);
        }
        for (CWavePane::Command c : CWavePane::TrackMenu()) {
            if (CWavePane::CommandText(c) == head) return wave.Run(c, at);
        }
        std::fprintf(stderr, "restova-cli workflow: the waveform's menus have no item %s\n", head.c_str());
        return false;
    }
    if (verb == "image" && shell.CdRipPane()) {
        shell.CdRipPane()->OpenImage(arg);
        shell.CdRipPane()->ReadTrackList();
        return true;
    }
    if (verb == "wait") {
        char* end = nullptr;
        const double seconds = arg.empty() ? -1.0 : std::strtod(arg.c_str(), &end);
        if (!arg.empty() && (end == arg.c_str() || *end != '\0' || seconds < 0)) return false;
        Wait(card, seconds);
        return true;
    }
    if (verb == "flat-preamp" && shell.RecordPane()) {
        shell.RecordPane()->SetFlatPreamp(arg != "off");
        return true;
    }
    if (verb == "tw") {
        shell.ToggleTrainingWheels();
        return true;
    }
    if (verb == "advanced") {
        shell.OnAdvancedEditor();
        return true;
    }
    if (verb == "exit") {
        shell.OnExit();
        return true;
    }
    std::fprintf(stderr, "restova-cli workflow: %s cannot be done here\n", event.c_str());
    return false;
}

int RunWorkflow(const WorkflowRequest& r) {
    auto* services = dynamic_cast<CHeadlessServices*>(&Services());
    if (!services) return 1;
    if (!QueueAnswers(*services, r.answers)) return UsageError("workflow", "answers are y, n, ok or cancel");
    for (const std::string& e : r.events) {
        if (CTransitionTable::EventOf(e) < 0 && e.find(':') == std::string::npos && e != "select-all" &&
            e != "preview" && e != "delete" && e != "tw" && e != "advanced" && e != "exit" && e != "wait" &&
            e != "flat-preamp") {
            return UsageError("workflow", "no event " + e);
        }
    }
    CSettingsScope settings;
    // The machine's own cards only when one is asked for: a walk stays off the speakers.
    CAudioHost host(!r.device.empty());
    host.VirtualCard().SetPace(1);
    if (!ChooseDevice("workflow", host, settings.Get(), true, r.device, r.source, false)) return 2;
    auto engine = CreateAudioDevice(settings.Get(), host);
    CPlayer player(*engine);
    CShellDlg shell(settings.Get(), Profile(), SongList());
    shell.SetPlayer(&player);
    std::deque<std::string> picks;
    shell.SetFileChooser([&picks](const std::string&, const std::string&) {
        if (picks.empty()) return std::string();
        std::string file = picks.front();
        picks.pop_front();
        return file;
    });
    if (!r.imageWriter.empty()) {
        shell.SetCdDrives(false);
        shell.SetObserver([&shell, &r](CShellDlg::Change change) {
            CCdBurner* writer = shell.CdWriterPane();
            if (change != CShellDlg::Change::Panes || !writer || writer->RecorderNames().empty()) return;
            writer->Master().ImageRecorder().SetOutput(r.imageWriter);
            writer->SelectRecorder(static_cast<int>(writer->RecorderNames().size()) - 1);
        });
    }
    shell.OnInitDialog();
    for (const std::string& e : r.events) {
        const int event = CTransitionTable::EventOf(e);
        if (event >= 0) {
            shell.Dispatch(event);
        } else if (!RunPaneEvent(shell, host.VirtualCard(), *services, picks, e)) {
            return 1;
        }
        PrintState(shell);
        if (shell.ExitRequested()) break;
    }
    return 0;
}

}  // namespace

CommandRun DeclareWorkflow(CLI::App& sub) {
    auto r = std::make_shared<WorkflowRequest>();
    sub.add_option("EVENT", r->events, "a button (0-8, start-over, b1-b4, back, bin1-bin3) or a pane action");
    sub.add_option("--answers", r->answers, "the answers to the questions asked, in order: y, n, ok, cancel")
        ->type_name("A,...");
    sub.add_option("--image-writer", r->imageWriter, "write CDs as this CUE/BIN image instead of to a CD writer")
        ->type_name("OUT.cue");
    sub.add_option("--device", r->device, "the sound device to record from and play on (see restova-cli devices)")
        ->type_name("NAME");
    sub.add_option("--source", r->source, "the virtual card records from this wave")->type_name("IN.wav");
    return [r] { return RunWorkflow(*r); };
}
