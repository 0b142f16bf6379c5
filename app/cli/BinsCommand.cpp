// restova-cli bins | import FILE... | worklist list|add|delete|rename|send
// The three bins as the program's Bin1 and worklist panes see them.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "Commands.h"
#include "SettingsScope.h"
#include "audiofile/FileNames.h"
#include "base/SettingsStore.h"
#include "cd/SongList.h"
#include "shell/BinFolder.h"
#include "shell/PickFiles.h"
#include "shell/WorkList.h"

namespace {

int RunBins() {
    CSettingsScope settings;
    const AppSettings& s = settings.Get();
    const size_t bin1 = CBinFolder::List(s.Bin1Path, ".wav").size() + CBinFolder::List(s.Bin1Path, ".mp3").size();
    std::printf("Bin1: %s (%zu songs)\n", s.Bin1Path.c_str(), bin1);
    std::printf("Bin2: %s (%zu songs)\n", s.Bin2Path.c_str(), CBinFolder::List(s.Bin2Path, ".wav").size());
    std::printf("Bin3: %s (%zu songs)\n", s.Bin3Path.c_str(), CBinFolder::List(s.Bin3Path, ".wav").size());
    return 0;
}

int RunImport(const std::vector<std::string>& files) {
    CSettingsScope settings;
    CPickFiles bin1(settings.Get(), Profile(), SongList());
    const bool any = bin1.ImportFiles(files, bin1.LastOpenType());
    for (const Bin1Row& row : bin1.Rows()) {
        std::printf("%s\t%s\t%s\n", row.name.c_str(), row.sizeText.c_str(), row.dateText.c_str());
    }
    return any ? 0 : 1;
}

void PrintWorklist(const CWorkList& list) {
    std::printf("Name\tLength\tClean\tEnh\tFinal\tLast Edit\n");
    for (const WorkRow& r : list.Rows()) {
        std::printf("%s\t%s\t%s\t%s\t%s\t%s\n", r.name.c_str(), r.length.c_str(), CWorkList::YesNo(r.clean),
                    CWorkList::YesNo(r.enhance), CWorkList::YesNo(r.final), r.lastEdit.c_str());
    }
}

// Selects the rows of these names; false (told) when one is not in the worklist.
bool SelectNames(CWorkList& list, const std::vector<std::string>& names) {
    for (size_t i = 0; i < list.Rows().size(); ++i) list.SetSelected(i, false);
    for (const std::string& name : names) {
        const int row = list.FindRow(name);
        if (row < 0) {
            std::fprintf(stderr, "restova-cli worklist: no song %s in %s\n", name.c_str(), list.Folder().c_str());
            return false;
        }
        list.SetSelected(static_cast<size_t>(row), true);
    }
    return true;
}

int RunWorklist(const std::string& action, const std::vector<std::string>& names) {
    CSettingsScope settings;
    CSongList& songs = SongList();
    CWorkList list(settings.Get(), songs);
    // The remembered row belongs to the window; here only the names given are selected.
    CWorkList::RememberedRow() = -1;
    list.Open();
    if (action == "add") {
        songs.Clear();
        for (const std::string& name : names) {
            songs.Append(name.find('/') == std::string::npos ? CBinFolder::PathIn(settings.Get().Bin1Path, name)
                                                             : name);
        }
        list.CopyToWorklist();
    } else if (action == "delete") {
        if (!SelectNames(list, names)) return 1;
        if (!list.DeleteSelected()) return 1;
    } else if (action == "rename") {
        if (!SelectNames(list, {names[0]})) return 1;
        // The new name may be given with or without the song's extension.
        std::string text = names[1];
        const std::string ext = names[0].substr(ReplaceExtension(names[0], "").size());
        if (!ext.empty() && HasExtension(text, ext)) text.resize(text.size() - ext.size());
        if (!list.Rename(static_cast<size_t>(list.FindRow(names[0])), text)) return 1;
    } else if (action == "send") {
        if (!SelectNames(list, names)) return 1;
        list.SendToCdWriter();
        for (size_t i = 0; i < songs.Count(); ++i) std::printf("%zu\t%s\n", i + 1, songs.Path(i).c_str());
        return 0;
    }
    list.FillWorklist();
    PrintWorklist(list);
    return 0;
}

}  // namespace

CommandRun DeclareBins(CLI::App&) {
    return [] { return RunBins(); };
}

CommandRun DeclareImport(CLI::App& sub) {
    auto files = std::make_shared<std::vector<std::string>>();
    sub.add_option("FILE", *files, "a WAV, compressed WAV or MP3 file")->required();
    return [files] { return RunImport(*files); };
}

CommandRun DeclareWorklist(CLI::App& sub) {
    auto names = std::make_shared<std::vector<std::string>>();
    sub.require_subcommand(1);
    SetUsage(*sub.add_subcommand("list", "print the songs of Bin2 with their length and stages"), "worklist list");
    CLI::App* add = sub.add_subcommand("add", "copy songs of Bin1 (or files) into Bin2, MP3s decoded");
    SetUsage(*add, "worklist add NAME...");
    add->add_option("NAME", *names, "a song of Bin1, or a path")->required();
    CLI::App* del = sub.add_subcommand("delete", "remove a song and its companions from Bin2");
    SetUsage(*del, "worklist delete NAME");
    del->add_option("NAME", *names, "the song")->required()->expected(1);
    CLI::App* rename = sub.add_subcommand("rename", "rename a song of Bin2 and its companions");
    SetUsage(*rename, "worklist rename OLD NEW");
    rename->add_option("NAMES", *names, "the song and its new name")->required()->expected(2);
    CLI::App* send = sub.add_subcommand("send", "send songs to Bin3 and the CD playlist, split at their dividers");
    SetUsage(*send, "worklist send NAME...");
    send->add_option("NAME", *names, "a song of Bin2")->required();
    return [names, &sub] { return RunWorklist(sub.get_subcommands().front()->get_name(), *names); };
}
