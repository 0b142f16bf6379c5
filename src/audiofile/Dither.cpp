#include "audiofile/Dither.h"

#include <algorithm>
#include <chrono>
#include <cmath>

void CDither::SetType(uint32_t type, const WAVEFORMATEX& fmt) {
    m_type = type <= 3 ? type : 0;
    m_rand = static_cast<uint32_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    m_prevR = 0;
    m_shaper.Reset();
    // Second-order high-pass that pushes the dither's energy above the band the ear cares most about.
    const double fs = static_cast<double>(fmt.nChannels) * fmt.nSamplesPerSec;
    if (fs <= 0) {
        m_shaper.SetCoeffs(dsp::BiquadCoeffs{0, 0, 0, 0, 0});
        return;
    }
    const double fc = std::min(12000.0, 0.4 * fs);
    const double A = 0.7079478, B = 0.6448996;
    const double K = std::tan(M_PI * fc / fs);
    const double D = 1.0 / (K * K + B * K + A);
    m_shaper.SetCoeffs(dsp::BiquadCoeffs{A * D, -2 * A * D, A * D, (2 * K * K - 2 * A) * D, (K * K - B * K + A) * D});
}

int32_t CDither::Next(int bits) {
    const int shift = std::clamp(25 - bits, 0, 24);
    switch (m_type) {
        case 1:
            return static_cast<int32_t>((int64_t{Rand()} << shift) / 32767);
        case 2: {
            const int64_t r = (int64_t{Rand()} << shift) / 32767;
            const int64_t d = r - m_prevR;
            m_prevR = r;
            return static_cast<int32_t>(d);
        }
        case 3: {
            const double r = static_cast<double>((int64_t{Rand()} << (shift + 1)) / 32767);
            return static_cast<int32_t>(std::trunc(m_shaper.Process(r)));
        }
        default:
            return 0;
    }
}
