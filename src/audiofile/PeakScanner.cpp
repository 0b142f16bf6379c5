#include "audiofile/PeakScanner.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cmath>

namespace {

// Largest absolute internal sample; anything beyond the 24-bit scale counts as full scale.
constexpr uint32_t kFullScale = 8388608;

inline uint32_t AbsSample(int32_t x) {
    // Two's-complement magnitude without the overflow of std::abs(INT32_MIN).
    uint32_t u = static_cast<uint32_t>(x);
    return x < 0 ? 0u - u : u;
}

inline uint16_t PeakValue(uint32_t maxAbs) {
    return static_cast<uint16_t>(std::min(maxAbs, kFullScale) >> 8);
}

}  // namespace

CPeakScanner::CPeakScanner(int channels, uint32_t samplesPerPeak, bool withRms)
    : m_channels(channels == 2 ? 2 : 1),
      m_groupSize(samplesPerPeak ? samplesPerPeak : kSamplesPerPeak),
      m_withRms(withRms) {}

namespace {

// Largest magnitude per channel and sum of squares over a run of frames, in
// the units of the samples given.
struct RunStats {
    uint32_t maxLeft;
    uint32_t maxRight;
    uint64_t squares;
};

RunStats ScanRun(const int32_t* s, size_t frames, int channels, RunStats r, bool) {
    uint32_t maxL = r.maxLeft, maxR = r.maxRight;
    uint64_t squares = 0;
    if (channels == 1) {
        for (size_t k = 0; k < frames; ++k) {
            uint32_t a = AbsSample(s[k]);
            maxL = std::max(maxL, a);
            squares += static_cast<uint64_t>(a) * a;
        }
    } else {
        for (size_t k = 0; k < frames; ++k) {
            uint32_t l = AbsSample(s[2 * k]), rr = AbsSample(s[2 * k + 1]);
            maxL = std::max(maxL, l);
            maxR = std::max(maxR, rr);
            squares += static_cast<uint64_t>(l) * l + static_cast<uint64_t>(rr) * rr;
        }
    }
    if (std::max(maxL, maxR) > kFullScale) {
        // Out-of-scale samples (float beyond 1.0): clamp them so the sum cannot overflow.
        squares = 0;
        for (size_t k = 0; k < frames * channels; ++k) {
            uint64_t a = std::min(AbsSample(s[k]), kFullScale);
            squares += a * a;
        }
        maxL = std::min(maxL, kFullScale);
        maxR = std::min(maxR, kFullScale);
    }
    return {maxL, maxR, r.squares + squares};
}

#if defined(__SSE2__)
// One step of the 16-bit scan over eight samples in v: lane maxima and minima,
// and (with squares) the pairwise sums of squares, at most 2^31 each and so
// taken as unsigned, split into their 32-bit halves and added as 64-bit values.
template <bool kSquares>
inline void Scan8(__m128i v, __m128i& hi, __m128i& lo, __m128i& acc) {
    hi = _mm_max_epi16(hi, v);
    lo = _mm_min_epi16(lo, v);
    if constexpr (kSquares) {
        const __m128i sq = _mm_madd_epi16(v, v);
        acc = _mm_add_epi64(acc, _mm_add_epi64(_mm_and_si128(sq, _mm_set_epi32(0, -1, 0, -1)), _mm_srli_epi64(sq, 32)));
    }
}
#endif

template <bool kSquares>
RunStats ScanRun16(const int16_t* s, size_t frames, int channels, RunStats r) {
    const size_t count = frames * channels;
    size_t k = 0;
    int32_t hiL = 0, loL = 0, hiR = 0, loR = 0;
    uint64_t squares = 0;
#if defined(__SSE2__)
    if (count >= 8) {
        // Two independent chains over sixteen samples, then eight more when they fit.
        const __m128i zero = _mm_setzero_si128();
        __m128i hi0 = zero, lo0 = zero, hi1 = zero, lo1 = zero, acc0 = zero, acc1 = zero;
        for (; k + 16 <= count; k += 16) {
            Scan8<kSquares>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k)), hi0, lo0, acc0);
            Scan8<kSquares>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k + 8)), hi1, lo1, acc1);
        }
        if (k + 8 <= count) {
            Scan8<kSquares>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k)), hi0, lo0, acc0);
            k += 8;
        }
        // Lanes alternate left and right for stereo (k stays even): fold the halves
        // down to lanes 0 (left) and 1 (right), or to lane 0 for mono.
        __m128i hi = _mm_max_epi16(hi0, hi1), lo = _mm_min_epi16(lo0, lo1);
        hi = _mm_max_epi16(hi, _mm_shuffle_epi32(hi, _MM_SHUFFLE(1, 0, 3, 2)));
        lo = _mm_min_epi16(lo, _mm_shuffle_epi32(lo, _MM_SHUFFLE(1, 0, 3, 2)));
        hi = _mm_max_epi16(hi, _mm_shuffle_epi32(hi, _MM_SHUFFLE(2, 3, 0, 1)));
        lo = _mm_min_epi16(lo, _mm_shuffle_epi32(lo, _MM_SHUFFLE(2, 3, 0, 1)));
        if (channels != 2) {
            // Zeros shifted in change neither a maximum (at least 0) nor a minimum (at most 0).
            hi = _mm_max_epi16(hi, _mm_srli_epi32(hi, 16));
            lo = _mm_min_epi16(lo, _mm_srli_epi32(lo, 16));
        }
        hiL = static_cast<int16_t>(_mm_extract_epi16(hi, 0));
        loL = static_cast<int16_t>(_mm_extract_epi16(lo, 0));
        hiR = channels == 2 ? static_cast<int16_t>(_mm_extract_epi16(hi, 1)) : 0;
        loR = channels == 2 ? static_cast<int16_t>(_mm_extract_epi16(lo, 1)) : 0;
        if constexpr (kSquares) {
            alignas(16) uint64_t sums[2];
            _mm_store_si128(reinterpret_cast<__m128i*>(sums), _mm_add_epi64(acc0, acc1));
            squares = sums[0] + sums[1];
        }
    }
#endif
    for (; k < count; ++k) {
        const int32_t v = s[k];
        const bool right = channels == 2 && (k & 1);
        (right ? hiR : hiL) = std::max(right ? hiR : hiL, v);
        (right ? loR : loL) = std::min(right ? loR : loL, v);
        if constexpr (kSquares) squares += static_cast<uint64_t>(v * v);
    }
    return {std::max<uint32_t>(r.maxLeft, static_cast<uint32_t>(std::max(hiL, -loL))),
            std::max<uint32_t>(r.maxRight, static_cast<uint32_t>(std::max(hiR, -loR))), r.squares + squares};
}

RunStats ScanRun(const int16_t* s, size_t frames, int channels, RunStats r, bool squares) {
    return squares ? ScanRun16<true>(s, frames, channels, r) : ScanRun16<false>(s, frames, channels, r);
}

// The internal scale of a sample type: 16-bit samples are shifted left by 8.
constexpr int ShiftOf(const int32_t*) {
    return 0;
}
constexpr int ShiftOf(const int16_t*) {
    return 8;
}

}  // namespace

template <typename Sample>
void CPeakScanner::AddFrames(const Sample* samples, size_t count, std::vector<uint16_t>& out) {
    constexpr int shift = ShiftOf(static_cast<const Sample*>(nullptr));
    constexpr double squareScale = static_cast<double>(1u << (2 * shift));
    const size_t frames = count / static_cast<size_t>(m_channels);
    size_t i = 0;
    while (i < frames) {
        // Scan up to the end of the current group in one tight loop.
        const size_t run = std::min<size_t>(frames - i, m_groupSize - m_counter);
        const Sample* s = samples + i * m_channels;
        RunStats r = ScanRun(s, run, m_channels, {m_maxLeft >> shift, m_maxRight >> shift, 0}, m_withRms);
        m_sumSquares += static_cast<double>(r.squares) * squareScale;
        uint32_t maxL = r.maxLeft << shift, maxR = r.maxRight << shift;
        m_frames += run;
        m_counter += static_cast<uint32_t>(run);
        i += run;
        if (m_counter == m_groupSize) {
            Emit(maxL, maxR, out);
            // The sample that ends a group also starts the next one.
            const Sample* last = samples + (i - 1) * m_channels;
            maxL = std::min(AbsSample(static_cast<int32_t>(last[0]) * (1 << shift)), kFullScale);
            maxR = m_channels == 2 ? std::min(AbsSample(static_cast<int32_t>(last[1]) * (1 << shift)), kFullScale) : 0;
            m_counter = 0;
        }
        m_maxLeft = maxL;
        m_maxRight = maxR;
    }
}

void CPeakScanner::Add(const int32_t* samples, size_t count, std::vector<uint16_t>& out) {
    AddFrames(samples, count, out);
}

void CPeakScanner::Add16(const int16_t* samples, size_t count, std::vector<uint16_t>& out) {
    AddFrames(samples, count, out);
}

void CPeakScanner::Finish(std::vector<uint16_t>& out) {
    if (m_counter >= m_groupSize / 2 && m_counter > 0) Emit(m_maxLeft, m_maxRight, out);
    m_counter = 0;
}

void CPeakScanner::Emit(uint32_t left, uint32_t right, std::vector<uint16_t>& out) {
    out.push_back(PeakValue(left));
    m_results.maxPeak = std::max(m_results.maxPeak, left);
    m_results.minPeak = std::min(m_results.minPeak, left);
    if (m_channels == 2) {
        out.push_back(PeakValue(right));
        m_results.maxPeak = std::max(m_results.maxPeak, right);
        m_results.minPeak = std::min(m_results.minPeak, right);
    }
}

PeakResults CPeakScanner::Results() const {
    PeakResults r = m_results;
    double sum = m_channels == 2 ? m_sumSquares / 2.0 : m_sumSquares;
    r.rms = m_withRms && m_frames ? std::sqrt(sum / static_cast<double>(m_frames)) : 0.0;
    return r;
}
