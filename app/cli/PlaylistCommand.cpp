// restova-cli playlist show | import FILE | save
// The CD playlist of Bin3: print it, add the songs of a ".wls" or ".m3u" list,
// or bring it in step with the folder and write it.
#include <cstdio>
#include <memory>
#include <string>

#include "CliArgs.h"
#include "Commands.h"
#include "SettingsScope.h"
#include "cd/CdBurner.h"
#include "cd/CdFolder.h"
#include "cd/SongList.h"

namespace {

void Print(const CSongList& list) {
    for (size_t i = 0; i < list.Count(); ++i) std::printf("%zu\t%s\n", i + 1, list.Path(i).c_str());
}

int RunPlaylist(const std::string& action, const std::string& file) {
    CSettingsScope settings;
    const std::string path = CCdFolder::PlaylistPath(settings.Get().Bin3Path);
    CSongList& list = SongList();
    if (action == "save") {
        if (!CCdFolder::Reconcile(settings.Get().Bin3Path, list)) {
            std::fprintf(stderr, "restova-cli playlist: cannot write %s\n", path.c_str());
            return 1;
        }
        Print(list);
        return 0;
    }
    const bool loaded = list.Load(path);
    if (action == "show") {
        if (!loaded) {
            std::fprintf(stderr, "restova-cli playlist: no CD playlist in %s\n", settings.Get().Bin3Path.c_str());
            return 1;
        }
        Print(list);
        return 0;
    }
    CCdBurner burner(settings.Get(), list, false);
    burner.FillRows();
    if (!burner.ImportPlaylist(file) || !burner.SaveCdPlaylist()) return 1;
    Print(list);
    return 0;
}

}  // namespace

CommandRun DeclarePlaylist(CLI::App& sub) {
    auto file = std::make_shared<std::string>();
    sub.require_subcommand(1);
    SetUsage(*sub.add_subcommand("show", "print the CD playlist of Bin3"), "playlist show");
    CLI::App* import = sub.add_subcommand("import", "add the existing songs of a .wls or .m3u list to the CD playlist");
    SetUsage(*import, "playlist import FILE");
    import->add_option("FILE", *file, "the list")->required();
    SetUsage(*sub.add_subcommand("save", "bring the CD playlist in step with Bin3 and write it"), "playlist save");
    return [file, &sub] { return RunPlaylist(sub.get_subcommands().front()->get_name(), *file); };
}
