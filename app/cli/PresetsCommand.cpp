// restova-cli presets [STAGE]: the presets the stages can load, one line each
// (stage, name, where from; tab-separated, as names may hold spaces). The
// user's own come first; a shipped preset of the same name is hidden by the
// user's, as a lookup by name finds the user's.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "CliOutput.h"
#include "Commands.h"
#include "SettingsScope.h"
#include "base/ProgramPaths.h"
#include "processing/Filter.h"
#include "processing/PresetStore.h"

namespace {

// The stages' preset folders by the names users know the stages by.
constexpr std::pair<const char*, const char*> kStageFolders[] = {{"clean", "TaviClean"}, {"enhance", "TaviEnhance"}};

std::string FolderOfStage(const std::string& stage) {
    for (const auto& [name, folder] : kStageFolders) {
        if (stage == name) return folder;
    }
    return stage;
}

std::string StageOfFolder(const std::string& folder) {
    for (const auto& [name, stageFolder] : kStageFolders) {
        if (folder == stageFolder) return name;
    }
    return folder;
}

std::string ShippedPresets() {
    return CProgramPaths::Join(CProgramPaths::ShareFolder(), "Presets");
}

std::set<std::string> SubFolders(const std::string& root) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(root, ec)) {
        if (entry.is_directory(ec)) names.insert(entry.path().filename().string());
    }
    return names;
}

int ListPresets(const std::string& stage) {
    CSettingsScope settings;
    const std::string user = settings.Get().PresetPath;
    const std::string shipped = ShippedPresets();
    std::set<std::string> folders = SubFolders(user);
    folders.merge(SubFolders(shipped));
    if (!stage.empty()) {
        const std::string folder = FolderOfStage(stage);
        if (!folders.count(folder)) {
            Tell("restova-cli presets: no presets for " + stage + " in " + user + " or " + shipped);
            return 1;
        }
        folders = {folder};
    }
    for (const std::string& folder : folders) {
        for (const CPresetStore::PresetEntry& preset : CPresetStore::ListPresets(folder)) {
            std::printf("%s\t%s\t%s\n", StageOfFolder(folder).c_str(), preset.name.c_str(),
                        preset.shipped ? "shipped" : "user");
        }
    }
    return 0;
}

}  // namespace

CommandRun DeclarePresets(CLI::App& sub) {
    auto stage = std::make_shared<std::string>();
    sub.add_option("STAGE", *stage, "clean, enhance, or a filter's preset folder (default: all)");
    return [stage] { return ListPresets(*stage); };
}
