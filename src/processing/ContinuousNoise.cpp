#include "processing/ContinuousNoise.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <numbers>
#include <numeric>

#include "audiofile/WaveFile.h"
#include "base/AppSettings.h"
#include "base/SettingsStore.h"
#include "base/StringTable.h"
#include "dsp/FilterDesign.h"
#include "dsp/RealFft.h"

namespace {

constexpr const char* kUseOldFftKey = "useOldFFT";
// The learned estimate sits this far above the noise's mean power, so that most noise bins lie
// below it and are attenuated while music above it passes untouched.
constexpr double kEstimateHeadroom = 3.0;
// How fast the learned floor may rise (dB per second): slow enough that music seldom lifts it,
// fast enough to follow a louder side or reel within a minute.
constexpr double kFloorRiseDbPerSecond = 1.0;
constexpr double kFrameOffset = 0.001;  // keeps the transform away from exact zeros
constexpr int kMinExponent = 0;         // M = 256
constexpr int kMaxExponent = 7;         // M = 32768

// Comma-terminated list of numbers; stops at the first value that is not a finite number.
std::vector<double> ParseList(const std::string& text) {
    std::vector<double> values;
    const char* p = text.c_str();
    while (*p) {
        char* end = nullptr;
        const double v = std::strtod(p, &end);
        if (end == p || !std::isfinite(v)) break;
        values.push_back(v);
        p = end;
        while (*p == ' ') ++p;
        if (*p != ',') break;
        ++p;
    }
    return values;
}

}  // namespace

CContinuousNoise::CContinuousNoise() : m_bins(kMaxPoints, 1), m_ampL(kMaxPoints, 1.0), m_ampR(kMaxPoints, 1.0) {
    SetIdentity(kFilterContinuousNoise, "ContinuousNoise", "Continuous Noise");
    m_params[0] = 20;
    m_params[1] = 100;
    m_params[2] = 100;
    m_useOwnFft = Profile().GetProfileInt(kSectionRestova, kUseOldFftKey, 0) != 0;
}

CContinuousNoise::~CContinuousNoise() = default;

// --- presets -------------------------------------------------------------------

bool CContinuousNoise::SavePreset(const std::string& name) {
    if (name.empty()) return false;
    Params stored = m_params;
    stored[10] = 0;
    if (!WritePresetParams(name, stored)) return false;
    std::string bins, left, right;
    char buf[64];
    for (int i = 0; i < m_points; ++i) {
        std::snprintf(buf, sizeof buf, "%d,", m_bins[i]);
        bins += buf;
        std::snprintf(buf, sizeof buf, "%g,", m_ampL[i] / 256.0);
        left += buf;
        std::snprintf(buf, sizeof buf, "%g,", m_ampR[i] / 256.0);
        right += buf;
    }
    return WritePresetValue(name, "Bin", bins) && WritePresetValue(name, "Amp", left) &&
           WritePresetValue(name, "Amp2", right);
}

int CContinuousNoise::LoadPreset(const std::string& name) {
    Params v{};
    if (ReadPresetParams(name, v) != 0) return 1;
    v[4] = std::clamp(v[4], 10, 50);
    if (v[5] < kMinPoints || v[5] > kMaxPoints) v[5] = kDefaultPoints;
    v[8] = 0;
    m_params = v;
    m_paramsChanged = 1;
    const int k = v[5];

    const std::vector<double> bins = ParseList(ReadPresetValue(name, "Bin"));
    const std::vector<double> left = ParseList(ReadPresetValue(name, "Amp"));
    const std::vector<double> right = ParseList(ReadPresetValue(name, "Amp2"));
    if (static_cast<int>(bins.size()) < k || static_cast<int>(left.size()) < k || static_cast<int>(right.size()) < k) {
        ShowMessage(kMsgBadPreset, MsgIcon::Stop);
        return 1;
    }
    m_points = k;
    for (int i = 0; i < k; ++i) {
        m_bins[i] = static_cast<int>(std::clamp(bins[i], -1e9, 1e9));
        m_ampL[i] = left[i] * 256.0;
        m_ampR[i] = right[i] * 256.0;
    }
    if (m_prepared) BuildCurves();
    return 0;
}

void CContinuousNoise::SetProfile(const std::vector<int>& bins, const std::vector<double>& left,
                                  const std::vector<double>& right) {
    const size_t k = std::min({bins.size(), left.size(), right.size()});
    if (k < static_cast<size_t>(kMinPoints) || k > static_cast<size_t>(kMaxPoints)) return;
    m_points = static_cast<int>(k);
    m_params[5] = m_points;
    for (size_t i = 0; i < k; ++i) {
        m_bins[i] = bins[i];
        m_ampL[i] = std::isfinite(left[i]) ? left[i] : 0.0;
        m_ampR[i] = std::isfinite(right[i]) ? right[i] : 0.0;
    }
    if (m_prepared) BuildCurves();
}

double CContinuousNoise::CurveAt(int channel, int bin) const {
    if (channel < 0 || channel > 1 || bin < 0 || bin >= static_cast<int>(m_curve[channel].size())) return 0.0;
    return m_curve[channel][bin];
}

void CContinuousNoise::BuildCurves() {
    const int k = m_points;
    // Points in bin order; equal bins take the later point's amplitude.
    int order[kMaxPoints];
    std::iota(order, order + k, 0);
    std::stable_sort(order, order + k, [this](int a, int b) { return m_bins[a] < m_bins[b]; });
    for (int c = 0; c < 2; ++c) {
        std::vector<double>& curve = m_curve[c];
        const std::vector<double>& amp = c == 0 ? m_ampL : m_ampR;
        int seg = 0;
        for (int b = 0; b < static_cast<int>(curve.size()); ++b) {
            // The pair of points around b (the first or last pair outside them).
            while (seg < k - 2 && m_bins[order[seg + 1]] <= b) ++seg;
            const int i0 = order[seg], i1 = order[seg + 1];
            const double x0 = m_bins[i0], x1 = m_bins[i1];
            double value = x1 != x0 ? amp[i0] + (amp[i1] - amp[i0]) * (b - x0) / (x1 - x0) : amp[i1];
            if (!(value > 0.0)) value = 0.01;
            curve[b] = value * value;
        }
    }
}

// --- run -------------------------------------------------------------------------

bool CContinuousNoise::Allocate(int channels, int m) {
    const size_t n = size_t{2} * m;
    try {
        m_window.assign(n, 0.0);
        m_norm.assign(m, 0.0);
        m_time.assign(n, 0.0);
        for (int c = 0; c < 2; ++c) {
            const bool used = c < channels;
            m_spectrum[c].assign(used ? m + 1 : 0, {});
            m_raw[c].assign(used ? n : 0, 0);
            m_overlap[c].assign(used ? n : 0, 0.0);
            m_power[c].assign(used ? m : 0, 0.0);
            m_smooth[c].assign(used ? m : 0, 0.0);
            m_hold[c].assign(used ? m : 0, 0.0);
            m_curve[c].assign(m, 0.0);
        }
        m_meanPower.assign(channels == 2 ? m : 0, 0.0);
        if (!m_fft || m_fft->Size() != n || m_fftOwn != m_useOwnFft) {
            m_fft = dsp::CreateRealFft(n, m_useOwnFft);
            m_fftOwn = m_useOwnFft;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return m_fft != nullptr;
}

bool CContinuousNoise::InitEstimates() {
    const int hop = std::max(1, m_n * std::clamp(m_params[4], 10, 50) / 100);
    const double rise = std::pow(10.0, kFloorRiseDbPerSecond / 10.0 * hop / m_rate);
    for (CNoiseFloor& est : m_est) {
        if (!est.Init(m_m, rise)) return false;
    }
    m_estHop = hop;
    return true;
}

bool CContinuousNoise::Prepare(CWaveFile& source, CWaveFile&) {
    const WAVEFORMATEX& f = source.Format();
    const int channels = f.nChannels;
    m_prepared = false;
    if (channels != 1 && channels != 2) {
        ShowMessage(kMsgNoBuffers, MsgIcon::Stop);
        return false;
    }
    m_rate = std::max<double>(f.nSamplesPerSec, 1.0);
    const int exponent = std::clamp(m_params[3], kMinExponent, kMaxExponent);
    const int m = 1 << (exponent + 8);
    const bool sizeChanged = m != m_m || channels != m_channels;
    m_channels = channels;
    m_m = m;
    m_n = 2 * m;
    if (!Allocate(channels, m)) {
        ShowMessage(kMsgNoBuffers, MsgIcon::Stop);
        return false;
    }
    for (int i = 0; i < m_n; ++i) {
        m_window[i] = 0.543478261 - 0.46 * std::cos(2.0 * std::numbers::pi * i / (m_n - 1));
    }
    m_prepared = true;
    BuildCurves();

    // A frozen estimate survives only a run of the same shape.
    const bool frozen = m_params[8] != 0;
    const int hop = std::max(1, m_n * std::clamp(m_params[4], 10, 50) / 100);
    if (!frozen || sizeChanged || hop != m_estHop || m_est[0].Bins() != m) {
        if (!InitEstimates()) {
            m_prepared = false;
            ShowMessage(kMsgNoBuffers, MsgIcon::Stop);
            return false;
        }
    }

    m_fill = m_m;  // the first frame starts with M silent values
    m_lead = m_m;
    m_lastMeanGain = 1.0;
    m_runGainSum = 0.0;
    m_runFrames = 0;
    m_paramsChanged = 1;
    return true;
}

void CContinuousNoise::Recompute() {
    const double fs = m_rate;
    const int n = m_n;
    const int m = m_m;
    m_hop = std::max(1, n * std::clamp(m_params[4], 10, 50) / 100);

    // Normalisation: the squared windows of every frame that covers a position add up to this.
    for (int i = 0; i < m; ++i) {
        double sum = 0.0;
        for (int j = i; j < n; j += m_hop) sum += m_window[j] * m_window[j];
        m_norm[i] = sum > 0.0 ? (1.0 / n) / sum : 0.0;
    }

    const double frameRate = fs / m_hop;
    const double tau0 = std::max(std::max(m_params[0], 0) / 1000.0, m / (fs * std::numbers::pi));
    const double fc = 1.0 / (2.0 * std::numbers::pi * tau0);
    m_smoother = dsp::DesignOnePoleLowpassRelative(std::min(fc / frameRate, 0.4999));

    const double tau1 = std::max(m_params[1], 1) / 1000.0;
    m_rho = std::pow(0.38, m_hop / (fs * tau1));

    const int strength = std::clamp(m_params[2], 0, 100);
    m_floor = std::pow(10.0, -strength / 20.0);
    m_freeze = m_params[8] != 0;
    m_smoothFreq = m_params[7] != 0;
    // The gains act on bins below the estimate; a stronger setting lifts it over more of the noise.
    m_noiseScale = kEstimateHeadroom * (strength * 0.01 + 0.4) / 0.6;
    m_mode = std::clamp(m_params[6], 0, 3);
    switch (m_mode) {
        case kModeWiener:
            m_alpha = strength * 0.015;
            break;
        case kModeAdaptive:
        case kModeAdaptivePerChannel:
            m_alpha = 0.8 + strength * 0.06 / 11.0;
            break;
        default:
            m_alpha = 0.8 + strength * 0.006;
            break;
    }
}

void CContinuousNoise::ApplyGains(int c, const double* noise, double scale, bool lastFrame) {
    const int m = m_m;
    const double* p = m_power[c].data();
    double* z = m_smooth[c].data();
    double* hold = m_hold[c].data();
    std::complex<double>* spectrum = m_spectrum[c].data();
    const bool mono = m_channels == 1;
    double recent[5] = {1.0, 1.0, 1.0, 1.0, 1.0};
    int recentPos = 0;
    double sum = 0.0;
    double gain = 1.0;
    for (int k = 0; k < m; ++k) {
        const double nk = noise[k] * scale;
        const double d = nk > p[k] ? nk - p[k] : 0.0;
        double g;
        if (m_mode == kModeWiener) {
            const double denom = p[k] + m_alpha * nk;
            g = denom > 0.0 ? p[k] / denom : 1.0;
        } else if (d <= 0.0) {
            g = 1.0;  // also where the estimate is 0: nothing to take away
        } else {
            g = 1.0 - m_alpha * d / (lastFrame ? nk : nk + 0.1);
        }
        // First-order low-pass across frames (b1 = b0), direct form II.
        const double w = g - m_smoother.a1 * z[k];
        const double smoothed = m_smoother.b0 * (w + z[k]);
        z[k] = w;
        hold[k] = std::max(smoothed, m_rho * hold[k]);
        // Never below the floor, and never above 1: the smoother may ring past it, and an attenuator must not amplify.
        gain = std::clamp(mono ? hold[k] : smoothed, m_floor, 1.0);
        if (m_smoothFreq && k >= 5) {
            const double mean = (gain + recent[0] + recent[1] + recent[2] + recent[3] + recent[4]) / 6.0;
            gain = mean;
            recent[recentPos] = gain;
            if (++recentPos == 5) recentPos = 0;
        }
        spectrum[k] *= gain;
        sum += gain;
    }
    spectrum[m] *= gain;  // Nyquist goes with the bin below it
    m_gainSum += sum;
    m_gainCount += m;
}

void CContinuousNoise::FilterFrame(bool learn, bool lastFrame) {
    const int n = m_n;
    const int m = m_m;
    const double scale = 1.0 / (static_cast<double>(n) * n);
    for (int c = 0; c < m_channels; ++c) {
        const int32_t* raw = m_raw[c].data();
        for (int i = 0; i < n; ++i) m_time[i] = raw[i] * m_window[i] + kFrameOffset;
        m_fft->Forward(m_time.data(), m_spectrum[c].data());
        dsp::PowerSpectrum(m_spectrum[c].data(), static_cast<size_t>(m), scale, m_power[c].data());
    }

    const bool perChannel = m_mode == kModeAdaptivePerChannel && m_channels == 2;
    if (m_mode != kModeProfile && learn && !m_freeze) {
        if (perChannel) {
            m_est[0].Update(m_power[0].data());
            m_est[1].Update(m_power[1].data());
        } else if (m_channels == 2) {
            for (int k = 0; k < m; ++k) m_meanPower[k] = 0.5 * (m_power[0][k] + m_power[1][k]);
            m_est[0].Update(m_meanPower.data());
        } else {
            m_est[0].Update(m_power[0].data());
        }
    }

    m_gainSum = 0.0;
    m_gainCount = 0;
    for (int c = 0; c < m_channels; ++c) {
        if (m_mode == kModeProfile) {
            ApplyGains(c, m_curve[c].data(), 1.0, lastFrame);
        } else {
            ApplyGains(c, m_est[perChannel ? c : 0].Floor(), m_noiseScale, lastFrame);
        }
        m_fft->Inverse(m_spectrum[c].data(), m_time.data());
        double* ov = m_overlap[c].data();
        // Output of this frame: y·w, added onto what earlier frames left (shifted when emitted).
        for (int i = 0; i < n; ++i) ov[i] += m_time[i] * m_window[i];
    }
    m_lastMeanGain = m_gainCount > 0 ? m_gainSum / m_gainCount : 1.0;
    m_runGainSum += m_lastMeanGain;
    ++m_runFrames;
}

bool CContinuousNoise::EmitAndAdvance(CWaveFile& output, int count) {
    const int n = m_n;
    const int hop = m_hop;
    const int ch = m_channels;
    const bool passL = m_bypass || (ch == 2 && m_leftUntouched);
    const bool passR = m_bypass || (ch == 2 && m_rightUntouched);
    // A floor of 1 holds every gain at 1: the input goes out as it came, not as the transforms'
    // rounding of it.
    const bool transparent = m_floor >= 1.0;
    for (int i = m_lead; i < count; ++i) {
        for (int c = 0; c < ch; ++c) {
            const int32_t x = m_raw[c][i];
            const int32_t clean = transparent ? x : ToSample(m_overlap[c][i] * m_norm[i]);
            int32_t v;
            if (c == 0 ? passL : passR) {
                v = x;
            } else if (m_keepResidue) {
                v = ToSample(static_cast<double>(x) - clean);
            } else {
                v = clean;
            }
            if (!output.PutSample(v)) return false;
        }
    }
    for (int c = 0; c < ch; ++c) {
        std::copy(m_raw[c].begin() + hop, m_raw[c].end(), m_raw[c].begin());
        std::copy(m_overlap[c].begin() + hop, m_overlap[c].end(), m_overlap[c].begin());
        std::fill(m_overlap[c].begin() + (n - hop), m_overlap[c].end(), 0.0);
    }
    m_lead = std::max(0, m_lead - hop);
    return true;
}

bool CContinuousNoise::Process(CWaveFile& source, CWaveFile& output) {
    if (!m_prepared) return false;
    RecomputeIfChanged();
    const int ch = m_channels;
    const int32_t* in = source.ReadCursor();
    const int32_t* end = source.EndCursor();
    const int64_t frames = end > in ? (end - in) / ch : 0;
    for (int64_t f = 0; f < frames; ++f, in += ch) {
        m_raw[0][m_fill] = in[0];
        if (ch == 2) m_raw[1][m_fill] = in[1];
        if (++m_fill < m_n) continue;
        FilterFrame(m_lead == 0, false);  // the first frame's silent half would teach a floor too low
        if (!EmitAndAdvance(output, m_hop)) return false;
        m_fill = m_n - m_hop;
    }
    return true;
}

bool CContinuousNoise::Finish(CWaveFile&, CWaveFile& output) {
    if (!m_prepared || CancelFlag().load()) return true;
    RecomputeIfChanged();
    // The input still held back goes out through zero-padded frames; they teach the estimate nothing.
    int real = m_fill;
    while (real > m_lead) {
        for (int c = 0; c < m_channels; ++c) std::fill(m_raw[c].begin() + real, m_raw[c].end(), 0);
        FilterFrame(false, true);
        if (!EmitAndAdvance(output, std::min(real, m_hop))) return false;
        real = std::max(0, real - m_hop);
    }
    m_fill = m_n - m_hop;
    m_lead = m_fill;
    return true;
}

int CContinuousNoise::GetMeter() const {
    return static_cast<int>(std::trunc(m_lastMeanGain * 1000.0));
}

double CContinuousNoise::MeanGainOverRun() const {
    return m_runFrames > 0 ? m_runGainSum / static_cast<double>(m_runFrames) : 1.0;
}
