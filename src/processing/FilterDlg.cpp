#include "processing/FilterDlg.h"

#include "base/AppSettings.h"
#include "base/SettingsStore.h"
#include "base/StringTable.h"
#include "processing/Filter.h"
#include "processing/FilterRunner.h"

CFilterDlg::CFilterDlg(FilterMaker make, CFilterRunner* runner) : m_make(std::move(make)), m_runner(runner) {}

CFilterDlg::~CFilterDlg() {
    ReleaseFilter();
}

bool CFilterDlg::OnInitDialog() {
    if (m_make && !m_owned) {
        m_owned = m_make();
        if (!m_owned) return false;
        m_owned->SetOwnerWindow(this);
        SetShownFilter(m_owned.get());
    }
    if (!m_filter) return true;  // a pane without a filter has no presets to show

    m_filter->FillPresetList(m_combo);
    const std::string last =
        Profile().GetProfileString(m_filter->GetInternalName(), kLastPresetKey, CPresetStore::kDefaultName);
    const int index = m_combo.FindStringExact(last);
    if (index >= 0) {
        m_combo.SetCurSel(index);
        m_filter->LoadPreset(last);
    } else {
        m_filter->LoadDefaultPreset(m_combo);
    }
    LoadControls();
    return true;
}

void CFilterDlg::OnPresetSelChange(int index) {
    if (!m_filter) return;
    m_combo.SetCurSel(index);
    m_filter->OnPresetSelected(m_combo);
    LoadControls();
}

int CFilterDlg::OnSave() {
    if (!m_filter || !ValidateControls()) return 1;
    ApplyControls();
    return m_filter->SavePresetAs(m_combo);
}

int CFilterDlg::OnDelete() {
    if (!m_filter) return 1;
    const std::string name = m_combo.GetEditText();
    if (name == CPresetStore::kDefaultName) {
        ShowMessage(kMsgDefaultNotDeleted, MsgIcon::Exclamation);
        return 1;
    }
    const int index = m_combo.FindStringExact(name);
    if (index < 0) {
        Services().MessageBox(FormatString(kMsgPresetNotFound, name), LoadString(kMsgDeleteSettingCaption),
                              MsgIcon::Exclamation, MsgButtons::Ok);
        return 1;
    }
    if (Services().MessageBox(FormatString(kMsgConfirmDeletePreset, name), LoadString(kMsgDeletePresetCaption),
                              MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes) {
        return 1;
    }
    // A file that could not be removed stays listed: it would be back at the next start anyway.
    if (!m_filter->DeletePreset(name)) return 1;
    m_combo.DeleteString(index);
    m_combo.SetCurSel(0);
    m_filter->SetCurrentPreset(m_combo.GetSelectedText());
    m_filter->OnPresetSelected(m_combo);
    LoadControls();
    return 0;
}

int CFilterDlg::OnBypass() {
    if (!m_filter) return 0;
    const int on = m_filter->SetBypass(m_filter->GetBypass() ? 0 : 1);
    LoadControls();
    return on;
}

bool CFilterDlg::OnClose() {
    // The run is using this filter: closing now would pull it from under the
    // runner, so the run is cancelled and the pane stays until it has ended.
    if (m_runner && m_runner->IsBusy()) {
        CancelFlag() = true;
        return false;
    }
    if (m_filter && Settings().AutoSaveDefaultPreset) m_filter->SaveDefaultPreset(m_combo);
    ReleaseFilter();
    return true;
}

void CFilterDlg::ReleaseFilter() {
    if (m_owned) m_owned->SetOwnerWindow(nullptr);
    if (m_filter == m_owned.get()) m_filter = nullptr;
    m_owned.reset();
}
