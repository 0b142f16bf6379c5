// CTaviEnhance: the Enhance stage's filter. It chains the four-band dynamics
// (stage 1) and the valve with its tone stack (stage 2) through an in-memory
// block, and maps the stage's five controls onto them.
//
// Its own parameters: p0 Exciter (valve mix), p1 Level (dynamics input
// level), p2 Bass, p3 Mids, p4 Treble (valve tone); p5..p10 play no part.
// The children's other settings come only from presets, which hold one
// section per child ("PunchAndCrunch_1", "VirtualValve_2") and the stage's own.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "enhance/PunchAndCrunch.h"
#include "enhance/VirtualValve.h"
#include "processing/Filter.h"

class CFilterChain;
class CWaveFile;

class CTaviEnhance : public CFilter {
public:
    // Samples of the block between the two stages.
    static constexpr uint32_t kBlockSamples = 4096;

    CTaviEnhance();
    ~CTaviEnhance() override;

    int GetLookahead() const override { return 1024; }
    int GetHistory() const override { return 1024; }

    // Forwarded to both stages; the result is the flag stored.
    int SetBypass(int on) override;
    void SetChannelPass(uint8_t rightUntouched, uint8_t leftUntouched) override;
    int SetKeepResidue(int on) override;

    // Readies the block between the stages for the source's format and prepares both stages.
    bool Prepare(CWaveFile& source, CWaveFile& output) override;
    // Dynamics into the block, valve from the block into the output; a stage's failure is passed on.
    bool Process(CWaveFile& source, CWaveFile& output) override;
    // Finishes both stages in order.
    bool Finish(CWaveFile& source, CWaveFile& output) override;

    // Exciter, Level, Bass, Mids and Treble into the stages' parameters, keeping their other settings; 0.
    int SetParams(const Params& params) override;
    // Reads both stages' sections of the named preset; 0, or 1 (nothing changed) when either is missing.
    int LoadPreset(const std::string& name) override;
    // Writes both stages' sections, then the stage's own; false when any could not be stored.
    bool SavePreset(const std::string& name) override;

    // Whether any value was clamped since the last call, between the stages or
    // at the output; clears the report.
    bool TakeClipping();

    CPunchAndCrunch& Punch() { return m_punch; }
    CVirtualValve& Valve() { return m_valve; }

private:
    // The stage's own parameters as the stages hold them.
    void SyncOwnParams();

    CPunchAndCrunch m_punch;
    CVirtualValve m_valve;
    std::unique_ptr<CFilterChain> m_chain;
    std::atomic<uint8_t> m_blockClipped{0};
};
