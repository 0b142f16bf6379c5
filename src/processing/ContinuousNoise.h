// CContinuousNoise: reduces steady background noise (hiss, surface noise) by
// short-time spectral attenuation. The audio is cut into overlapping windowed
// frames; every bin of a frame's spectrum is scaled by a gain between a floor
// and 1 that falls as the bin's power drops below a noise estimate; the frames
// are transformed back and overlap-added. The estimate is either learned from
// the audio (the floor each band's power keeps returning to over the last
// seconds, see CNoiseFloor) or a stored profile.
//
// Parameters: p0 gain smoothing time (ms), p1 hold release time (ms), p2
// strength 0..100 (floor 10^(-p2/20)), p3 frame size exponent (half frame
// M = 2^(p3+8), taken at Prepare), p4 hop in percent of the frame (10..50),
// p5 profile points, p6 estimate mode, p7 smooth gains across frequency,
// p8 freeze the learned estimate.
//
// Estimate modes:
//   0  the stored profile (p5 points, interpolated per bin);
//   1  the learned estimate of mode 2 with a Wiener-like gain P / (P + a·N),
//      a = p2 x 0.015: softer, never subtracts more than the bin holds;
//   2  learned, one estimate shared by both channels of a stereo source;
//   3  learned, each channel of a stereo source with its own estimate (for
//      recordings whose sides carry different noise); in mono as mode 2.
//
// Counts are samples per channel unless said otherwise; the output lags the
// input inside the filter but every input value is emitted once, in order.
#pragma once

#include <complex>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dsp/FirstOrder.h"
#include "dsp/NoiseFloor.h"
#include "processing/Filter.h"

class IRealFft;

class CContinuousNoise : public CFilter {
public:
    static constexpr int kMinPoints = 3;
    static constexpr int kMaxPoints = 256;
    static constexpr int kDefaultPoints = 11;
    // Estimate modes (p6).
    enum Mode : int { kModeProfile = 0, kModeWiener = 1, kModeAdaptive = 2, kModeAdaptivePerChannel = 3 };

    CContinuousNoise();
    ~CContinuousNoise() override;

    int GetHistory() const override { return 0; }

    // "Set" (p0..p9, 0) and the profile lists "Bin", "Amp", "Amp2" (amplitudes / 256). False for an empty name.
    bool SavePreset(const std::string& name) override;
    // "Set" with p4 clamped and p8 cleared, then the profile lists; message 305 and 1 when a list is
    // shorter than the point count (the "Set" values stay). 0 success.
    int LoadPreset(const std::string& name) override;

    // Sizes and clears everything for a new run; message 306 and false when the buffers cannot be had.
    bool Prepare(CWaveFile& source, CWaveFile& output) override;
    // Frames and filters the block; false as soon as the output refuses a value.
    bool Process(CWaveFile& source, CWaveFile& output) override;
    // Emits the input still held back (zero-padded frames), so that the output has the input's length.
    bool Finish(CWaveFile& source, CWaveFile& output) override;

    // The mean gain of the last frame x 1000, rounded toward zero (1000 before the first frame).
    int GetMeter() const;
    // The mean of all frames' mean gains since Prepare (1.0 before the first frame).
    double MeanGainOverRun() const;

    // Which FFT to use: our own (the "useOldFFT" setting) or the FFTW one. Takes effect at Prepare.
    void SetUseOwnFft(bool own) { m_useOwnFft = own; }
    bool UsesOwnFft() const { return m_useOwnFft; }

    // The noise profile: point count and each point's bin and left/right amplitudes (24-bit scale).
    void SetProfile(const std::vector<int>& bins, const std::vector<double>& left, const std::vector<double>& right);
    int ProfilePoints() const { return m_points; }
    int ProfileBin(int i) const { return m_bins[i]; }
    double ProfileAmp(int channel, int i) const { return channel == 0 ? m_ampL[i] : m_ampR[i]; }
    // A profile curve value (a power) for channel and bin, after Prepare; 0 out of range.
    double CurveAt(int channel, int bin) const;

    // Half frame M and hop H of the run being prepared (samples per channel).
    int HalfFrame() const { return m_m; }
    int Hop() const { return m_hop; }

private:
    void Recompute() override;
    void BuildCurves();
    bool Allocate(int channels, int m);
    bool InitEstimates();
    // Transforms the filled frame of every channel, updates the estimate and applies the gains.
    void FilterFrame(bool learn, bool lastFrame);
    // noise[k] x scale is the noise power of bin k.
    void ApplyGains(int c, const double* noise, double scale, bool lastFrame);
    // Emits positions [m_lead, count) of the frame (count <= hop), then moves the frame on by one hop.
    bool EmitAndAdvance(CWaveFile& output, int count);

    // Parameters and the coefficients derived from them.
    int m_points = kDefaultPoints;
    std::vector<int> m_bins;
    std::vector<double> m_ampL, m_ampR;
    bool m_useOwnFft = false;
    int m_mode = kModeAdaptive;
    double m_alpha = 0.0;
    double m_floor = 1.0;
    double m_rho = 0.0;
    dsp::FirstOrderCoeffs m_smoother;  // gain smoother across frames (b1 = b0)
    double m_noiseScale = 1.0;         // learned floor to the estimate the gains compare with
    bool m_freeze = false;
    bool m_smoothFreq = false;
    bool m_prepared = false;

    // Sizes of the run (from Prepare).
    int m_channels = 1;
    double m_rate = 44100.0;
    int m_m = 4096;  // M
    int m_n = 8192;  // N
    int m_hop = 4096;

    // Working buffers, sized in Prepare and only reused in Process.
    std::unique_ptr<IRealFft> m_fft;
    bool m_fftOwn = false;
    std::vector<double> m_window;  // N
    std::vector<double> m_norm;    // M
    std::vector<double> m_time;    // N, transform input and output
    std::vector<std::complex<double>> m_spectrum[2];
    std::vector<int32_t> m_raw[2];     // N: the frame's input values as they came
    std::vector<double> m_overlap[2];  // N
    std::vector<double> m_power[2];    // M
    std::vector<double> m_smooth[2];   // M: gain smoother state
    std::vector<double> m_hold[2];     // M
    std::vector<double> m_curve[2];    // M: profile powers
    std::vector<double> m_meanPower;   // M: both channels' mean, for a shared estimate
    CNoiseFloor m_est[2];              // learned: one shared, or one per channel
    int m_estHop = 0;                  // hop the estimates' rise was set for

    // Signal state (Prepare clears it).
    int m_fill = 0;  // next position in the frame
    int m_lead = 0;  // positions at the frame's start that hold no input (the silent half-frame)
    double m_gainSum = 0.0;
    int m_gainCount = 0;
    double m_lastMeanGain = 1.0;
    double m_runGainSum = 0.0;
    int64_t m_runFrames = 0;
};
