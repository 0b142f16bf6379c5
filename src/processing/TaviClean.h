// CTaviClean: the Clean stage's composite filter. Four filters run in a chain
// over the song: a scratch remover and a crackle remover (two impulse
// filters), a hum remover and a hiss reducer. Between them the samples travel
// through three pipe waves, unclamped. Given a second worker thread, the
// chain runs its two halves at once, with the same output. The composite's own parameters are the
// pane's controls; each child gets its eleven values from them.
//
// Parameters: p0 Scratch 0..1000, p1 Crackle 0..1000, p2 Hiss 0..100, p3 Hum
// (0 off, 1 60 Hz, 2 50 Hz); p4..p10 play no part.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "processing/Filter.h"

class CAutoHum;
class CContinuousNoise;
class CFilterChain;
class CImpulse;
class CWaveFile;

class CTaviClean : public CFilter {
public:
    static constexpr int kHistory = 1024;    // samples
    static constexpr int kLookahead = 1024;  // samples
    // Pipe sizes (samples): the first two pipes' blocks have room for a source block plus what the
    // two impulse stages may hand on late; the third holds the hiss stage's input with its history.
    static constexpr uint32_t kPipeBlock = 4096;
    static constexpr uint32_t kPipeHistory = 4096;
    static constexpr uint32_t kPipeSlack = 4096;
    static constexpr uint32_t kLastPipeBlock = 20480;
    static constexpr uint32_t kLastPipeHistory = 16384;
    // The event counters restart at most this often while a pane shows them (ms).
    static constexpr int64_t kMeterResetMs = 101;

    // The four readings of the pane's activity display.
    struct Meters {
        int64_t scratch = 0;  // events of the scratch stage since the last reading
        int64_t crackle = 0;  // events of the crackle stage since the last reading
        int hiss = 1000;      // mean gain of the hiss stage's last frame x 1000
        int hum = 0;          // hum level 0..990
    };
    // What a whole run did.
    struct Totals {
        int64_t scratch = 0;
        int64_t crackle = 0;
        double hissGain = 1.0;  // mean gain of the hiss stage over the run
        int hum = 0;            // hum level of the last block
    };

    CTaviClean();
    ~CTaviClean() override;

    int GetHistory() const override { return kHistory; }
    int GetLookahead() const override { return kLookahead; }

    // Stores the parameters and hands each child its mapped values; 0.
    int SetParams(const Params& params) override;
    // Reads "Set" and applies its first four values as SetParams does; 1 with nothing changed on failure.
    int LoadPreset(const std::string& name) override;
    // Forwarded to all four stages.
    int SetBypass(int on) override;
    // Forwarded to the two impulse stages.
    void SetChannelPass(uint8_t rightUntouched, uint8_t leftUntouched) override;
    // Forwarded to the hiss stage only.
    int SetKeepResidue(int on) override;

    // Sets up the pipes and prepares the four stages; the hiss stage's answer.
    bool Prepare(CWaveFile& source, CWaveFile& output) override;
    // Runs the block through the chain; false as soon as a stage fails.
    bool Process(CWaveFile& source, CWaveFile& output) override;
    // Drains the chain stage by stage; false when a stage fails.
    bool Finish(CWaveFile& source, CWaveFile& output) override;

    // The pane's readings; the two event counters restart with the read.
    Meters GetMeters();
    // The totals of the run so far (events counted whether or not a pane read them).
    Totals GetTotals() const;

    // The mapped parameters of each stage, for the given composite parameters.
    static Params ScratchParams(const Params& p);
    static Params CrackleParams(const Params& p);
    static Params HumParams(const Params& p);
    static Params HissParams(const Params& p);

    CImpulse& ScratchStage() { return *m_scratch; }
    CImpulse& CrackleStage() { return *m_crackle; }
    CAutoHum& HumStage() { return *m_hum; }
    CContinuousNoise& HissStage() { return *m_hiss; }

private:
    void ApplyMapping();
    // Restarts both event counters, keeping their counts in the run's totals.
    void TakeEvents(int64_t& scratch, int64_t& crackle);
    static int64_t NowMs();

    std::unique_ptr<CImpulse> m_scratch;
    std::unique_ptr<CImpulse> m_crackle;
    std::unique_ptr<CAutoHum> m_hum;
    std::unique_ptr<CContinuousNoise> m_hiss;
    std::unique_ptr<CFilterChain> m_chain;
    // Readings published by the stages' threads.
    std::atomic<int64_t> m_scratchNew{0};
    std::atomic<int64_t> m_crackleNew{0};
    std::atomic<int> m_humLevel{0};
    std::atomic<int> m_humLast{0};
    std::atomic<int> m_hissMeter{1000};
    std::atomic<double> m_hissGain{1.0};
    int64_t m_lastReset = 0;
    int64_t m_scratchTotal = 0;
    int64_t m_crackleTotal = 0;
};
