// The base preset operations of CFilter: the preset store's files seen
// through the dialog's combo.
#include <cstdio>

#include "base/StringTable.h"
#include "processing/Filter.h"
#include "processing/PresetCombo.h"

namespace {

// Selects "Default" in the combo, adding it when missing.
void SelectDefault(CPresetCombo& combo) {
    int index = combo.FindStringExact(CPresetStore::kDefaultName);
    if (index < 0) index = combo.AddString(CPresetStore::kDefaultName);
    combo.SetCurSel(index);
}

}  // namespace

void CFilter::FillPresetList(CPresetCombo& combo) {
    CPresetStore::FillPresetList(combo);
}

bool CFilter::DeletePreset(const std::string& name) {
    if (name.empty()) return false;
    return DeletePresetFile(name);
}

int CFilter::SavePresetAs(CPresetCombo& combo) {
    combo.SetEditText(CurrentPreset());
    std::string name;
    if (!AskPresetName(CurrentPreset(), name)) return 1;
    if (name.empty()) {
        ShowMessage(kMsgEnterPresetName, MsgIcon::Exclamation);
        combo.SetFocus();
        return 1;
    }

    const std::string previous = combo.GetSelectedText();
    int index = combo.FindStringExact(name);
    const bool added = index < 0;
    // The old file is set aside rather than deleted, so that a failed save
    // does not lose the preset it was meant to replace.
    std::string setAside;
    if (added) {
        index = combo.AddString(name);
    } else if (name != kDefaultName) {
        if (Services().MessageBox(FormatString(kMsgPresetExists, name), LoadString(kMsgSettingExistsCaption),
                                  MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes) {
            return 1;
        }
        // Overwriting starts a fresh file: whatever else the old one held goes.
        const std::string file = PresetFile(name);
        setAside = file + ".old";
        if (std::rename(file.c_str(), setAside.c_str()) != 0) {
            setAside.clear();
            DeletePresetFile(name);
        }
    }

    combo.SetCurSel(index);
    if (SavePreset(name)) {
        if (!setAside.empty()) std::remove(setAside.c_str());
        SetCurrentPreset(name);
        return 0;
    }

    if (!setAside.empty()) {
        std::remove(PresetFile(name).c_str());  // a partial write must not shadow the old file
        std::rename(setAside.c_str(), PresetFile(name).c_str());
    }
    // Nothing was stored: the list must not show a preset that does not exist.
    if (added) {
        combo.DeleteString(combo.FindStringExact(name));
        combo.SetCurSel(combo.FindStringExact(previous));
    }
    return 1;
}

bool CFilter::SavePreset(const std::string& name) {
    if (name.empty()) return false;
    return WritePresetParams(name, m_params);
}

int CFilter::OnPresetSelected(CPresetCombo& combo) {
    if (combo.GetCurSel() < 0) return 1;
    return LoadPreset(combo.GetSelectedText());
}

int CFilter::LoadPreset(const std::string& name) {
    Params params = m_params;
    if (ReadPresetParams(name, params) != 0) return 1;
    m_params = params;
    m_paramsChanged = 1;
    return 0;
}

int CFilter::LoadDefaultPreset(CPresetCombo& combo) {
    SelectDefault(combo);
    return OnPresetSelected(combo);
}

bool CFilter::SaveDefaultPreset(CPresetCombo& combo) {
    SelectDefault(combo);
    return SavePreset(kDefaultName);
}
