#include "shell/Preferences.h"

#include "base/AppSettings.h"

CPreferences::CPreferences(const AppSettings& settings)
    : m_paths{settings.Bin1Path, settings.Bin2Path,   settings.Bin3Path,
              settings.TempPath, settings.PresetPath, settings.Zarvo6Path},
      m_items{{kItemAutoCddb, kMsgPrefAutoCddb, settings.AutoCDDB != 0},
              {kItemUseWdm, kMsgPrefUseWdm, settings.UseWDM != 0},
              {kItemReInitOnPlay, kMsgPrefReInitOnPlay, settings.ReInitOnPlay != 0},
              {kItemLoopPreviews, kMsgPrefLoopPreviews, settings.LoopPreview != 0},
              {kItemHiRes, kMsgPrefHiRes, settings.HiResRecording != 0},
              {kItemHighVox, kMsgPrefHighVox, settings.VOXLevel > kHighVoxThreshold},
              {kItemChime, kMsgPrefChime, settings.UseSounds != 0},
              {kItemAdaptiveHum, kMsgPrefAdaptiveHum, settings.AdaptiveHum != 0}},
      m_font(settings.BtnFont),
      m_fontSize(settings.BtnFontSize),
      m_fontColor(settings.BtnFontColor) {}

CPreferences::FolderBrowser CPreferences::BrowserFor(Field field) const {
    static constexpr MsgId kTitles[kFieldCount] = {kMsgSelectDirBin1,   kMsgSelectDirectory, kMsgSelectDirBin3,
                                                   kMsgSelectDirectory, kMsgSelectDirectory, kMsgSelectEditor};
    static constexpr MsgId kPrompts[kFieldCount] = {kMsgChooseBin1Folder, kMsgChooseBin2Folder,   kMsgChooseBin3Folder,
                                                    kMsgChooseTempFolder, kMsgChoosePresetFolder, kMsgSelectEditor};
    const size_t i = static_cast<size_t>(field);
    return {kTitles[i], kPrompts[i], m_paths[i]};
}

bool CPreferences::SetChecked(int number, bool checked) {
    for (Item& item : m_items) {
        if (item.number != number) continue;
        item.checked = checked;
        return true;
    }
    return false;
}

void CPreferences::SetFont(const std::string& face, int tenthsOfPoint) {
    m_font = face;
    m_fontSize = tenthsOfPoint;
}

void CPreferences::Apply(AppSettings& settings) const {
    settings.Bin1Path = m_paths[kBin1];
    settings.Bin2Path = m_paths[kBin2];
    settings.Bin3Path = m_paths[kBin3];
    settings.TempPath = m_paths[kTemp];
    settings.PresetPath = m_paths[kPresets];
    settings.Zarvo6Path = m_paths[kEditor];
    for (const Item& item : m_items) {
        const int on = item.checked ? 1 : 0;
        switch (item.number) {
            case kItemAutoCddb:
                settings.AutoCDDB = on;
                break;
            case kItemUseWdm:
                settings.UseWDM = on;
                break;
            case kItemJitter:
                settings.CDRipJitter = on;
                break;
            case kItemLoopPreviews:
                settings.LoopPreview = on;
                break;
            case kItemHiRes:
                settings.HiResRecording = on;
                break;
            case kItemMono:
                settings.MonoRecording = on;
                break;
            case kItemVox:
                settings.UseVOX = on;
                break;
            case kItemHighVox:
                settings.VOXLevel = item.checked ? kHighVoxLevel : kLowVoxLevel;
                break;
            case kItemWmaProfile:
                settings.ShowWMAProfile = on;
                break;
            case kItemChime:
                settings.UseSounds = on;
                break;
            case kItemReInitOnPlay:
                settings.ReInitOnPlay = on;
                break;
            case kItemAdaptiveHum:
                settings.AdaptiveHum = on;
                break;
            default:
                break;
        }
    }
    settings.BtnFont = m_font;
    settings.BtnFontSize = m_fontSize;
    settings.BtnFontColor = m_fontColor;
}
