// CImpulse: removes clicks, pops, scratches and crackle. Each channel runs a
// detector whose output is compared with a threshold that follows the music's
// loudness; the samples of an event found that way are replaced by a
// reconstruction from the audio around it (CImpulseRepair: the spoiled samples
// located inside the event and filled by least-squares autoregressive
// interpolation; or a cubic curve).
// The output is the input delayed by D + 3 samples per channel, with the
// events replaced; every input value is emitted exactly once, in order.
//
// Parameters: p0 base threshold / 256 (/ 64 for the predictor), p1 width w (samples), p2 detector
// mode (0 median, 1 high-pass, 2 narrowed high-pass, 3 adaptive predictor),
// p4 sensitivity (0 = no loudness-relative threshold), p5 long repair
// (0 cubic curve, else autoregressive). Built only inside the Clean composite.
//
// The adaptive predictor (mode 3) judges the sample w back from the newest
// from the samples on both sides of it, never from itself; it learns only from
// samples it judged clean, and a sample counts as a click when its error also
// stands well above the recent error level (music is not equally predictable
// throughout), with a lower bar while an event lasts so that a scratch's
// ringing goes with it. That relative bar is what keeps music out, so its
// fixed threshold is only a floor, a quarter of the other detectors'.
//
// Given a spare thread, a stereo run offers its right channel to it, stretch by
// stretch, while it runs the left one itself: the channels share nothing until
// they are handed on together, so the output is the same.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "dsp/Biquad.h"
#include "dsp/Median.h"
#include "dsp/ThirdOrderSection.h"
#include "processing/Filter.h"
#include "processing/ImpulseRepair.h"
#include "processing/SideJob.h"

class CSpareThread;

class CImpulse : public CFilter {
public:
    static constexpr int kHistory = 1024;           // samples
    static constexpr int kLookahead = 1024;         // samples
    static constexpr int kMaxEvent = 512;           // samples per channel
    static constexpr int kTaps = 32;                // adaptive predictor order
    static constexpr int kDefaultTrackFreq = 7000;  // Hz, setting "TrackFreq" of section "Impulse"

    CImpulse();
    ~CImpulse() override;

    int GetLookahead() const override { return kLookahead; }
    int GetHistory() const override { return kHistory; }

    // Writes p0, p1, p4, p2, p5, p6 and five zeros as the preset's "Set".
    bool SavePreset(const std::string& name) override;
    // Reads "Set" back in the order SavePreset writes it; p3 becomes 0. Leaves the
    // parameters-changed flag alone (the composite applies the values itself). 0 or 1.
    int LoadPreset(const std::string& name) override;

    // Clears all signal state and sizes the buffers; false for more than two channels or no memory.
    bool Prepare(CWaveFile& source, CWaveFile& output) override;
    // Detects and repairs over the source's block; false as soon as the output refuses a value.
    bool Process(CWaveFile& source, CWaveFile& output) override;
    // Emits everything still held back (an unfinished event unrepaired); false when the output refuses.
    bool Finish(CWaveFile& source, CWaveFile& output) override;

    // Events ended since the last reset (the Clean dialog's meter reads and resets it).
    int64_t EventCount() const { return m_eventCount; }
    void ResetEventCount() { m_eventCount = 0; }
    // Events left unrepaired on an untouched channel, over the run.
    int64_t RejectedCount() const { return m_rejected; }
    // Stereo threshold offset O on the 24-bit scale (1.0 after Prepare).
    double ThresholdOffset() const { return m_state.offset; }
    // Detection delay D of the parameters in force (samples); the output lags by D + 3.
    int DetectionDelay() const { return m_delay; }
    // Samples repaired over the run, all channels together.
    int64_t RepairedSamples() const { return m_repairedTotal; }
    // Where a stereo run may offer its right channel's share (not owned; null: none).
    void SetSpareThread(CSpareThread* spare) { m_spare = spare; }

private:
    static constexpr int kRingFrames = 8192;  // per channel: contexts, pending samples and the stereo lag
    static constexpr int kRingMask = kRingFrames - 1;
    static constexpr int kRepairContext = 2048;  // samples a side handed to a repair, at most
    static constexpr double kRepairMax = 8388352.0;
    static constexpr double kRepairMin = -8388353.0;
    static constexpr int kWorkLength = 2 * kRepairContext + kMaxEvent + kTaps;  // per channel
    // Frames run before the output is handed on: the ring must still hold them, with an event
    // and the delay before them, and the context a repair reads.
    static constexpr int64_t kStretchFrames = 4096;

    // Per-channel signal state; everything here is cleared by Prepare.
    struct ChannelState {
        CThirdOrderSection detector;                                   // envelope high-pass
        CThirdOrderSection second;                                     // detection high-pass of modes 1 and 2
        CBiquad band{dsp::BiquadCoeffs{}, dsp::BiquadForm::DirectII};  // 3 kHz low-pass (stereo)
        CRunningMedian median;
        double envelope = 0.0;    // E
        double bandEnv = 0.0;     // B
        double bandFactor = 1.0;  // what B makes of E for the threshold (stereo)
        std::array<float, kTaps> coeffs{};
        std::array<float, 2 * kTaps> recent{};  // scaled inputs, written twice so a window is contiguous
        int recentPos = 0;
        float error = 0.0f;       // the predictor's last error, scaled by 2^-23
        double errorPower = 0.0;  // mean square error over the samples judged clean (24-bit scale)
        bool inEvent = false;
        int64_t eventStart = 0;  // position of the event's first sample
        int quiet = 0;           // samples since the last detection inside an event
        int64_t emitPos = 0;     // next position to emit
    };
    // What a channel's events came to over a stretch, added to the totals after it.
    struct ChannelCounts {
        int64_t events = 0;
        int64_t rejected = 0;
        int64_t repaired = 0;  // samples
    };
    struct SignalState {
        std::array<ChannelState, 2> ch;
        std::array<ChannelCounts, 2> counts;
        double offset = 1.0;   // O
        int64_t repaired = 0;  // samples repaired in the current block
        int64_t pos = 0;       // position of the next input frame (0 = range start)
        int64_t handed = 0;    // frames handed to the output (stereo interleaving)
    };

    // Where the input of the block being processed lies.
    struct BlockView {
        const int32_t* data = nullptr;  // the block's first value
        int64_t first = 0;              // position of its first frame
        int64_t lastValid = -1;         // last position with valid input (block plus lookahead)
    };

    // The frames of the current block a stretch covers, relative to its start.
    struct Stretch {
        int64_t from = 0;
        int64_t to = 0;
    };

    void Recompute() override;
    // Detects and repairs channel c over the current stretch; touches only that channel's state.
    void RunChannel(int c);
    // One input value of channel c at pos (0..view.lastValid, and within the ring behind the
    // block): the ring before the block, the source's block and lookahead from its start on.
    int32_t InputAt(int c, int64_t pos, const BlockView& view) const;
    double Detect(ChannelState& s, int c, double x, int64_t n);
    // Trains the predictor on its last error and follows the error level, unless it was a click.
    void Adapt(ChannelState& s, bool click);
    // Ends the event of channel c at the current sample n and repairs it; atLimit: the event
    // was closed at the length limit rather than by its hold-off.
    void EndEvent(int c, int64_t n, bool atLimit, const BlockView& view);
    // Repairs what is spoiled from a up to n in channel c; the number of samples changed.
    int64_t RepairAutoregressive(int c, int64_t a, int64_t n, bool cutShort, const BlockView& view);
    void RepairCubic(int c, int64_t a, int64_t b, int64_t n, const BlockView& view);
    bool Hand(CWaveFile& output, int64_t& handedValues);

    // Parameters and derived coefficients (Recompute).
    int m_channels = 1;
    double m_rate = 44100.0;
    int m_mode = 1;
    int m_window = 2;   // w' (2..30)
    int m_half = 1;     // h
    int m_width = 0;    // w, bounded
    int m_holdOff = 0;  // H
    int m_delay = 1;    // D
    double m_t0 = 0.0;
    double m_sensitivity = 0.0;  // s x 0.005
    double m_decay = 0.0;
    double m_bandDecay = 0.0;
    double m_gain2 = 1.0;  // G2
    float m_mu = 0.0f;
    double m_errorSmoothing = 0.0;  // per sample, of the predictor's error level
    bool m_autoregressive = true;
    bool m_useEnvelope = true;  // the detector high-pass and envelope run (a threshold or mode 1 needs them)
    int m_context = 4096;       // Q, frames
    int64_t m_quietUntil = 0;   // no event starts before this position

    // Signal state and buffers (sized in Prepare).
    SignalState m_state;
    std::vector<int32_t> m_in;               // input ring, kRingFrames per channel
    std::vector<int32_t> m_out;              // output ring, same layout: input with the repairs written in
    std::vector<double> m_work;              // a repair's context, event and context, kWorkLength a channel
    std::array<CImpulseRepair, 2> m_repair;  // one a channel: each keeps its channel's last model
    bool m_reserved = false;

    // The block being processed, its stretch and its fixed threshold, for both channels' runs.
    BlockView m_view;
    Stretch m_stretch;
    double m_base = 0.0;
    CSideJob m_right{[this] { RunChannel(1); }};
    CSpareThread* m_spare = nullptr;

    int64_t m_eventCount = 0;
    int64_t m_rejected = 0;
    int64_t m_repairedTotal = 0;
};
