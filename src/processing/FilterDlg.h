// The controller behind every filter pane, without any window: it owns the
// filter the pane shows, keeps the preset combo's model and carries out the
// preset buttons, Bypass and closing. A Qt pane forwards its control events
// here and shows the model; subclasses move values between their controls
// and the filter in ApplyControls and LoadControls.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "processing/PresetCombo.h"

class CFilter;
class CFilterRunner;

class CFilterDlg {
public:
    // Control numbers of the preset controls and Bypass.
    static constexpr int kIdPresetCombo = 1254;
    static constexpr int kIdSave = 1941;
    static constexpr int kIdDelete = 1255;
    static constexpr int kIdBypass = 1231;
    // Settings value (in the section named after the filter) naming the preset to start with.
    static constexpr const char* kLastPresetKey = "LastPreset";

    // Makes the filter a pane shows; null when it cannot.
    using FilterMaker = std::function<std::unique_ptr<CFilter>()>;

    // make: the filter to create at initialisation (a subclass's own, or one its owner chose);
    // empty for none. runner: the program's runner, asked whether a run is in progress (may be null).
    explicit CFilterDlg(FilterMaker make = {}, CFilterRunner* runner = nullptr);
    virtual ~CFilterDlg();
    CFilterDlg(const CFilterDlg&) = delete;
    CFilterDlg& operator=(const CFilterDlg&) = delete;

    // Creates and binds the filter (when there is a maker), fills the preset
    // list and loads the last preset or "Default", then LoadControls. False
    // when the filter could not be created.
    bool OnInitDialog();

    // The user picked entry index in the combo: loads it, then LoadControls.
    void OnPresetSelChange(int index);
    // "&Save": validates, ApplyControls, then asks for a name and saves. 0 saved, 1 not.
    int OnSave();
    // "&Delete": deletes the preset named in the combo's edit text after
    // asking, then reloads the selection. 0 deleted, 1 not.
    int OnDelete();
    // "Bypass": toggles the filter's bypass flag; returns the new flag.
    int OnBypass();
    // The user closes the pane. While a run is in progress only the cancel
    // flag is set and the result is false (the pane stays). Otherwise the
    // parameters are saved as "Default" when AutoSaveDefaultPreset is on,
    // the filter is released and the result is true.
    bool OnClose();

    // The filter shown (owned by this controller), or null.
    CFilter* GetFilter() const { return m_filter; }
    // Called by CFilter::SetOwnerWindow: the filter this pane shows.
    void SetShownFilter(CFilter* filter) { m_filter = filter; }
    CPresetCombo& PresetCombo() { return m_combo; }
    const CPresetCombo& PresetCombo() const { return m_combo; }
    void SetRunner(CFilterRunner* runner) { m_runner = runner; }

protected:
    // The pane checks its controls' values; false stops Save.
    virtual bool ValidateControls() { return true; }
    // Controls -> filter parameters (SetParams).
    virtual void ApplyControls() {}
    // Filter parameters and bypass flag -> controls.
    virtual void LoadControls() {}

private:
    // Unbinds and destroys the owned filter.
    void ReleaseFilter();

    FilterMaker m_make;
    CFilterRunner* m_runner;
    std::unique_ptr<CFilter> m_owned;
    CFilter* m_filter = nullptr;
    CPresetCombo m_combo;
};
