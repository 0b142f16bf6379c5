#include "processing/AutoHum.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "audiofile/WaveFile.h"
#include "dsp/FilterDesign.h"

namespace {

constexpr double kSmootherHz = 0.5;

}  // namespace

CAutoHum::CAutoHum() {
    SetIdentity(kFilterAutoHum, "AutoHum", "AutoHum");
}

bool CAutoHum::SavePreset(const std::string& name) {
    if (name.empty()) return false;
    const Params& p = m_params;
    return WritePresetParams(name, {p[1], p[2], p[0], p[3], 0, 0, 0, 0, 0, 0, 0});
}

int CAutoHum::LoadPreset(const std::string& name) {
    Params v{};
    if (ReadPresetParams(name, v) != 0) return 1;
    m_params.fill(0);
    m_params[1] = v[0];
    m_params[2] = v[1];
    m_params[0] = v[2];
    m_params[3] = v[3];
    m_paramsChanged = 1;
    return 0;
}

bool CAutoHum::Prepare(CWaveFile& source, CWaveFile&) {
    const int channels = source.Format().nChannels;
    if (channels != 1 && channels != 2) return false;
    m_channels = channels;
    m_rate = std::max<double>(source.Format().nSamplesPerSec, 1.0);
    m_ratio = 0.0;
    m_level = 0;
    m_lastLevel = 0;
    m_paramsChanged = 1;
    return true;
}

void CAutoHum::Recompute() {
    const double fs = m_rate;
    const dsp::FirstOrderCoeffs smoother = dsp::DesignOnePoleLowpass(kSmootherHz, fs);
    m_removed.SetCoeffs(smoother);
    m_whole.SetCoeffs(smoother);
    m_removed.Reset();
    m_whole.Reset();
    const double f0 = m_params[0] == 2 ? 50.0 : 60.0;
    const std::array<dsp::NotchCoeffs, 3> notches = {dsp::DesignNotch(f0, kWidth1, fs),
                                                     dsp::DesignNotch(2.0 * f0, kWidth23, fs),
                                                     dsp::DesignNotch(3.0 * f0, kWidth23, fs)};
    for (auto& channel : m_notches) {
        for (size_t i = 0; i < notches.size(); ++i) {
            channel[i].SetCoeffs(notches[i]);
            channel[i].Reset();
        }
    }
    m_canceller.Prepare(f0, fs, m_channels);
    m_ratio = 0.0;
}

bool CAutoHum::Process(CWaveFile& source, CWaveFile& output) {
    RecomputeIfChanged();
    const int ch = m_channels;
    const int32_t* in = source.ReadCursor();
    const int32_t* end = source.EndCursor();
    const int64_t frames = end > in ? (end - in) / ch : 0;

    if (m_params[0] == 0) {
        m_ratio = 0.0;
        for (const int32_t* p = in; p < in + frames * ch; ++p) {
            if (!output.PutSample(*p)) return false;
        }
        m_level = 0;
        m_lastLevel = 0;
        return true;
    }

    const bool passL = m_bypass || (ch == 2 && m_leftUntouched);
    const bool passR = m_bypass || (ch == 2 && m_rightUntouched);
    const bool adaptive = m_method == Method::kAdaptive;
    for (int64_t f = 0; f < frames; ++f, in += ch) {
        double a[2] = {0.0, 0.0};
        double y1[2] = {0.0, 0.0};
        double out[2] = {0.0, 0.0};
        for (int c = 0; c < ch; ++c) a[c] = in[c] + 0.01;
        if (adaptive) {
            m_canceller.Process(a, y1);
            out[0] = y1[0];
            out[1] = y1[1];
        } else {
            for (int c = 0; c < ch; ++c) {
                auto& notch = m_notches[c];
                y1[c] = notch[0].Process(a[c] + 0.01);
                const double y2 = notch[1].Process(y1[c] + 0.01);
                out[c] = notch[2].Process(y2 + 0.01);
            }
        }
        double removed, whole;
        if (ch == 2) {
            removed = m_removed.Process(0.5 * (std::fabs(a[0] - y1[0]) + std::fabs(a[1] - y1[1])));
            whole = m_whole.Process(0.5 * std::fabs(a[0] + a[1]));
        } else {
            removed = m_removed.Process(std::fabs(a[0] - y1[0]));
            whole = m_whole.Process(std::fabs(a[0]));
        }
        // Silence (or a side cancelling the other) removes nothing worth reporting beyond full scale.
        m_ratio = whole > 0.0 ? removed / whole : (removed > 0.0 ? 1.0 : 0.0);

        if (!output.PutSample(passL ? in[0] : ToSample(out[0]))) return false;
        if (ch == 2 && !output.PutSample(passR ? in[1] : ToSample(out[1]))) return false;
    }
    const double level = std::clamp(m_ratio, 0.0, 1.0) * kMaxLevel;
    m_level = std::min(static_cast<int>(std::trunc(level)), kMaxLevel);
    m_lastLevel = m_level;
    return true;
}

bool CAutoHum::Finish(CWaveFile&, CWaveFile&) {
    m_level = 0;
    return true;
}
