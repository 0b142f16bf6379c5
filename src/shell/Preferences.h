// CPreferences: the Preferences dialog without its window. It is filled from
// the settings when it opens, holds the six paths, the check boxes of its
// tree and the button font while the user edits them, and writes them into
// the settings on OK. Nothing is checked or created; a changed sound engine
// or device takes effect at the next start.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/StringTable.h"

class AppSettings;

class CPreferences {
public:
    static constexpr int kDialogId = 153;

    // The edit fields, in the dialog's order.
    enum Field : int { kBin1 = 0, kBin2, kBin3, kTemp, kPresets, kEditor, kFieldCount };
    // The tree's item numbers; 2, 5, 6 and 8 are known but not shown.
    enum ItemNumber : int {
        kItemAutoCddb = 0,
        kItemUseWdm = 1,
        kItemJitter = 2,
        kItemLoopPreviews = 3,
        kItemHiRes = 4,
        kItemMono = 5,
        kItemVox = 6,
        kItemHighVox = 7,
        kItemWmaProfile = 8,
        kItemChime = 9,
        kItemReInitOnPlay = 10,
        kItemAdaptiveHum = 11,
    };
    struct Item {
        int number;
        MsgId text;
        bool checked;
    };
    // What a folder button's browser shows: its title, its prompt and where it starts.
    struct FolderBrowser {
        MsgId title;
        MsgId prompt;
        std::string start;
    };

    // Above this the "high" auto-detect level is ticked; OK stores one of the two levels.
    static constexpr int kHighVoxThreshold = -50;
    static constexpr int kHighVoxLevel = -45;
    static constexpr int kLowVoxLevel = -55;

    // The dialog opens: fields, tree and font from settings.
    explicit CPreferences(const AppSettings& settings);

    const std::string& Path(Field field) const { return m_paths[static_cast<size_t>(field)]; }
    void SetPath(Field field, const std::string& path) { m_paths[static_cast<size_t>(field)] = path; }
    // The browser a folder field's "..." button opens (not for kEditor, which takes a program).
    FolderBrowser BrowserFor(Field field) const;

    // The tree's items in their order.
    const std::vector<Item>& Items() const { return m_items; }
    // Ticks or clears item number; false for a number the tree does not show.
    bool SetChecked(int number, bool checked);

    // "Button Font" and "Font Color" results: kept, though the buttons draw with their own font.
    void SetFont(const std::string& face, int tenthsOfPoint);
    void SetFontColor(uint32_t colorRef) { m_fontColor = colorRef; }

    // OK: the paths and every item into settings.
    void Apply(AppSettings& settings) const;

private:
    std::array<std::string, kFieldCount> m_paths;
    std::vector<Item> m_items;
    std::string m_font;
    int m_fontSize = 0;
    uint32_t m_fontColor = 0;
};
