// CAutoHum: removes mains hum, a fundamental of 60 Hz or 50 Hz and its
// harmonics, and tells how much of the signal it took away (the Clean pane's
// hum display). Two methods: fixed notches at f0, 2·f0 and 3·f0 (0.07 and 0.05
// octaves wide, which take the music's own bass there as well), or an adaptive
// canceller that locks onto the mains and subtracts its first seven harmonics
// in bands a fraction of a hertz wide. The owner picks the method.
//
// Parameters: p0 mode (0 off, 2 = 50 Hz, any other value = 60 Hz); the rest
// have no effect on the sound. Presets store p1, p2, p0, p3 and seven zeros.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "dsp/FirstOrder.h"
#include "dsp/HumCanceller.h"
#include "dsp/NotchSection.h"
#include "processing/Filter.h"

class CAutoHum : public CFilter {
public:
    static constexpr int kHistory = 32;       // samples
    static constexpr int kMaxLevel = 990;     // the hum level's top
    static constexpr double kWidth1 = 0.07;   // octaves at f0
    static constexpr double kWidth23 = 0.05;  // octaves at 2·f0 and 3·f0

    enum class Method { kNotches, kAdaptive };

    CAutoHum();

    // The method for the next run (notches until told otherwise); takes effect at the next block.
    void SetMethod(Method method) {
        if (method != m_method) m_paramsChanged = 1;
        m_method = method;
    }
    Method GetMethod() const { return m_method; }

    int GetHistory() const override { return kHistory; }

    // Writes p1, p2, p0, p3 and seven zeros as "Set"; false for an empty name.
    bool SavePreset(const std::string& name) override;
    // Reads "Set" back in that order; 0 success, 1 failure (nothing changed).
    int LoadPreset(const std::string& name) override;

    // Forces a recompute at the first block; false for more than two channels.
    bool Prepare(CWaveFile& source, CWaveFile& output) override;
    // Notches the block sample by sample; the hum level is refreshed at its end.
    bool Process(CWaveFile& source, CWaveFile& output) override;
    // Nothing is held back; the hum level goes to 0.
    bool Finish(CWaveFile& source, CWaveFile& output) override;

    // 0..990: the share of the signal removed, refreshed once per block.
    int GetHumLevel() const { return m_level; }
    // The level of the last block before Finish cleared it.
    int LastBlockLevel() const { return m_lastLevel; }
    // The fundamental in force (Hz), 0 when off.
    double Fundamental() const { return m_params[0] == 0 ? 0.0 : (m_params[0] == 2 ? 50.0 : 60.0); }

private:
    void Recompute() override;

    int m_channels = 1;
    double m_rate = 44100.0;
    // The three notches of each channel, carried from block to block; cleared by a recompute.
    std::array<std::array<CNotchSection, 3>, 2> m_notches{};
    CHumCanceller m_canceller;  // both channels: they share one mains
    Method m_method = Method::kNotches;
    CFirstOrder m_removed;
    CFirstOrder m_whole;
    double m_ratio = 0.0;
    int m_level = 0;
    int m_lastLevel = 0;
};
