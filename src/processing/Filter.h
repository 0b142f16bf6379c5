// CFilter: the base of every audio processing step. A filter never touches
// files: the runner hands it a source wave whose sample block holds the
// current block (with history in front and lookahead behind) and an output
// wave that takes every output sample through PutSample. It carries eleven
// integer parameters, which are what its presets store.
//
// Sample counts are interleaved values (frames x channels); positions are
// bytes of audio data.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "processing/PresetStore.h"

class CFilterDlg;
class CPresetCombo;
class CWaveFile;

// Filter type numbers: what the factory builds from, and how a pane tells the kind it shows.
enum FilterType : int {
    kFilterContinuousNoise = 8,
    kFilterImpulse = 15,
    kFilterPitch = 21,
    kFilterVirtualValve = 24,
    kFilterMarkSilence = 27,
    kFilterPunchAndCrunch = 33,
    kFilterTaviClean = 49,
    kFilterAutoHum = 50,
    kFilterTaviEnhance = 55,
    kFilterGainChange = 56,
    kFilterRiaa = 57,
};

// What a filter is, as far as the runner must know it: each filter's
// constructor declares its own, so the runner never asks for a type number.
enum FilterTrait : unsigned {
    kTraitChangesLength = 1u << 0,  // emits a different number of values than it consumes
    kTraitNoOutput = 1u << 1,       // emits nothing: a run opens no output file and plays nothing
    kTraitNoStep = 1u << 2,         // a run records no session step and reads the source as it is open
};

class CFilter : public CPresetStore {
public:
    CFilter();
    ~CFilter() override;
    CFilter(const CFilter&) = delete;
    CFilter& operator=(const CFilter&) = delete;

    // --- presets (bodies with the preset store) ----------------------------
    // Fills the combo with the names of this filter's preset files.
    void FillPresetList(CPresetCombo& combo) override;
    // Deletes the named preset's file; false for an empty name.
    virtual bool DeletePreset(const std::string& name);
    // Asks for a name and saves under it; 0 when saved, 1 otherwise.
    virtual int SavePresetAs(CPresetCombo& combo);
    // Writes p0..p10 into the named preset; false for an empty name or when nothing was stored.
    virtual bool SavePreset(const std::string& name);
    // Loads the combo's selected preset; 1 when nothing is selected.
    virtual int OnPresetSelected(CPresetCombo& combo);
    // Reads p0..p10 from the named preset and raises the parameters-changed flag; 0 success, 1 failure.
    virtual int LoadPreset(const std::string& name);
    // Selects "Default" in the combo (adding it when missing), then loads it as OnPresetSelected.
    virtual int LoadDefaultPreset(CPresetCombo& combo);
    // Selects "Default" in the combo (adding it when missing), then saves it as SavePreset.
    virtual bool SaveDefaultPreset(CPresetCombo& combo);

    // --- signal --------------------------------------------------------------
    // A result computed in double precision as an output sample: truncated toward zero into the int32
    // range (the output clamps to full scale); not a number gives 0.
    static int32_t ToSample(double value) {
        if (!(value == value)) return 0;
        return static_cast<int32_t>(std::clamp(value, -2147483648.0, 2147483647.0));
    }
    // Samples the filter needs behind the end of the current block.
    virtual int GetLookahead() const { return 0; }
    // Samples the filter needs in front of the current block.
    virtual int GetHistory() const { return 0; }
    // Hands every input value through unchanged while set; returns the flag.
    virtual int SetBypass(int on);
    // For a stereo source, the channel whose flag is set is handed through unchanged.
    virtual void SetChannelPass(uint8_t rightUntouched, uint8_t leftUntouched);
    // Outputs what a noise filter removed instead of the cleaned signal; returns the flag.
    virtual int SetKeepResidue(int on);
    // Resets the signal state for a new run.
    virtual bool Prepare(CWaveFile& source, CWaveFile& output) = 0;
    // Drains what the filter still holds into the output.
    virtual bool Finish(CWaveFile& source, CWaveFile& output) = 0;
    // Consumes the source's current block and emits its output with PutSample; false stops the run.
    virtual bool Process(CWaveFile& source, CWaveFile& output) = 0;
    // Stores all eleven parameters and raises the parameters-changed flag; 0.
    virtual int SetParams(const Params& params);
    // True when the first block's history must be silence rather than the audio before the range.
    virtual bool WantsSilentHistory() const { return false; }

    // --- accessors -------------------------------------------------------------
    int GetType() const { return m_type; }
    void GetParams(Params& params) const { params = m_params; }
    const Params& GetParams() const { return m_params; }
    const std::string& GetInternalName() const { return m_internalName; }
    const std::string& GetDisplayName() const { return m_displayName; }
    // The dialog that shows this filter (not owned), or null; the dialog binds itself.
    void SetOwnerWindow(CFilterDlg* owner) { m_owner = owner; }
    CFilterDlg* GetOwnerWindow() const { return m_owner; }
    void SetRunning(int on) { m_running = on; }
    int IsRunning() const { return m_running; }
    int GetBypass() const { return m_bypass; }
    int GetKeepResidue() const { return m_keepResidue; }
    bool ParamsChanged() const { return m_paramsChanged != 0; }
    // The FilterTrait bits this filter declared.
    unsigned Traits() const { return m_traits; }
    bool HasTrait(FilterTrait trait) const { return (m_traits & trait) != 0; }
    uint8_t RightUntouched() const { return m_rightUntouched; }
    uint8_t LeftUntouched() const { return m_leftUntouched; }

    // Threads a composite may spread one run over (1: the caller's only). A composite given more
    // writes its output from a second thread until Finish or a failed Process returns.
    void SetWorkerThreads(int threads) { m_workerThreads = std::max(threads, 1); }
    int WorkerThreads() const { return m_workerThreads; }

    // The byte range of the source the current run covers, set by the runner
    // before Prepare (a looping preview replays it); composites pass it on.
    virtual void SetRunRange(uint32_t startBytes, uint32_t endBytes);
    uint32_t RunRangeStart() const { return m_runStart; }
    uint32_t RunRangeEnd() const { return m_runEnd; }

protected:
    // Type, names, traits and the preset section and folder (the internal name), as each filter's
    // constructor sets them.
    void SetIdentity(int type, const std::string& internalName, const std::string& displayName, unsigned traits = 0);
    // Derives the filter's coefficients from its parameters (and the rate it was prepared for).
    virtual void Recompute() {}
    // Recomputes once when the parameters changed since the last time; each filter calls it at
    // the start of Process, so a running preview follows the controls from its next block on.
    void RecomputeIfChanged() {
        if (m_paramsChanged) {
            Recompute();
            m_paramsChanged = 0;
        }
    }

    CFilterDlg* m_owner = nullptr;
    int m_type = 0;
    Params m_params{};
    int m_paramsChanged = 0;
    int m_bypass = 0;
    int m_keepResidue = 0;
    std::string m_internalName = "None";
    std::string m_displayName = "None";
    int m_running = 0;
    uint8_t m_rightUntouched = 0;
    uint8_t m_leftUntouched = 0;
    uint32_t m_runStart = 0;
    uint32_t m_runEnd = 0;
    unsigned m_traits = 0;
    int m_workerThreads = 1;
};
