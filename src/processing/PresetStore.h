// Named presets of a filter's eleven parameters. Each preset is one INI file
// "<PresetPath>/<folder>/<name>.pst"; a filter reads and writes only its own
// section in it, under the key "Set" as "%d,%d,...,%d". A name the user's
// folder lacks is read from the presets shipped in the share folder
// ("<share>/Presets/<folder>"), which are never written or deleted.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

class CPresetCombo;

class CPresetStore {
public:
    static constexpr int kParamCount = 11;
    using Params = std::array<int, kParamCount>;

    // Longest preset name the name dialog accepts (characters).
    static constexpr size_t kMaxNameChars = 128;
    // ... and bytes: the file name (name, ".pst" and the atomic save's
    // temporary decoration) must stay within the 255 bytes Linux allows.
    static constexpr size_t kMaxNameBytes = 240;
    // Characters a preset name may not contain (they would leave the folder or break the file name).
    static constexpr std::string_view kForbiddenChars = "\\\"/:*";
    // Files whose names start with this are kept out of the list.
    static constexpr std::string_view kHiddenPrefix = "_@mf_";
    // The preset every dialog starts with; never deleted, overwritten without asking.
    static constexpr const char* kDefaultName = "Default";
    // The key that holds the parameters.
    static constexpr const char* kSetKey = "Set";

    // One preset of a list: its name, and whether only the shipped folder holds it.
    struct PresetEntry {
        std::string name;
        bool shipped = false;
        bool operator==(const PresetEntry&) const = default;
    };

    CPresetStore();
    virtual ~CPresetStore() = default;

    // Empties the combo and lists this filter's presets as ListPresets does. Does nothing while
    // the section name is empty.
    virtual void FillPresetList(CPresetCombo& combo);

    // "<PresetPath>/<folder name>": the user's presets, where presets are written.
    std::string PresetFolder() const;
    // "<share>/Presets/<folder name>": the presets shipped with the program.
    std::string ShippedPresetFolder() const;
    // "<PresetFolder>/<name>.pst": the file a preset is written to.
    std::string PresetFile(const std::string& name) const;
    // The file a preset is read from: the user's when it exists, else the shipped one.
    std::string ReadablePresetFile(const std::string& name) const;

    // The key's value in this filter's section of the preset's file; empty when absent.
    std::string ReadPresetValue(const std::string& name, const std::string& key) const;
    // Writes the key in this filter's section, keeping the rest of the file.
    // The file is created only when the folder exists; false when nothing was stored.
    bool WritePresetValue(const std::string& name, const std::string& key, const std::string& value) const;

    // Reads "Set" of the named preset into params: 0 on success (the current
    // preset name becomes name), 1 on failure (params untouched).
    int ReadPresetParams(const std::string& name, Params& params);
    // Writes params as "Set"; false when nothing was stored.
    bool WritePresetParams(const std::string& name, const Params& params) const;
    // Deletes the preset's file; false when it could not be removed, or when only the shipped
    // folder holds it.
    bool DeletePresetFile(const std::string& name) const;

    // Sets the section name and the folder name.
    void SetPresetSection(const std::string& name);
    // Sets the folder name only (a composite keeps its children's files in its own folder).
    void SetPresetFolder(const std::string& name);
    // Sets the folder name back to the section name.
    void ResetPresetFolder();

    const std::string& PresetSection() const { return m_section; }
    const std::string& PresetFolderName() const { return m_folder; }
    const std::string& CurrentPreset() const { return m_current; }
    void SetCurrentPreset(const std::string& name) { m_current = name; }

    // "%d,%d,...,%d" of the eleven values.
    static std::string FormatParams(const Params& params);
    // Parses a "Set" value: false when it is 10 characters or shorter or does
    // not hold eleven numbers (params untouched then).
    static bool ParseParams(std::string_view text, Params& params);
    // False for an empty name, a name longer than kMaxNameChars or one holding a forbidden character.
    static bool IsValidName(std::string_view name);
    static bool HasForbiddenChar(std::string_view name);
    // Characters of UTF-8 text (continuation bytes not counted).
    static size_t Utf8Length(std::string_view text);
    // The name as the name box's edit field keeps it: at most kMaxNameChars
    // characters and kMaxNameBytes bytes, never cut inside a character.
    static std::string TruncateName(std::string_view name);

    // The name box "Preset Name": asks for a name starting from initial, at
    // most kMaxNameChars characters; a name with a forbidden character is
    // refused with message 356 and asked for again. False on Cancel; the
    // name may be empty.
    static bool AskPresetName(const std::string& initial, std::string& name);

    // The names of the preset files in a folder, hidden ones skipped, in
    // byte order; empty when the folder is missing.
    static std::vector<std::string> ListPresetNames(const std::string& folder);
    // The presets of a preset folder name (a stage's internal name, e.g. "TaviClean"): the
    // user's first, then the shipped ones the user has none of by that name, each in byte order.
    static std::vector<PresetEntry> ListPresets(const std::string& folderName);
    // The same for this filter's folder.
    std::vector<PresetEntry> ListPresets() const { return ListPresets(m_folder); }

private:
    std::string m_section;
    std::string m_folder;
    std::string m_current;
};
