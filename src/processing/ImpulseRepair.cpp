#include "processing/ImpulseRepair.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

// The model: long enough to carry a chord's partials across a gap, short enough to be fitted on a
// few hundred samples of context.
constexpr int kOrder = 32;
constexpr std::size_t kGapPerOrder = 5;
constexpr int kMaxFillOrder = 200;
// Context that feeds the model and the error spread, a side (samples).
constexpr std::size_t kModelSpan = 1024;
constexpr std::size_t kSpreadSpan = 512;
// A click's onset stands this far above the error spread, its ringing tail at least the lower.
constexpr double kOnset = 5.0;
constexpr double kTail = 3.0;
constexpr double kSpoiled = 4.0;
// Samples kept spoiled beside the first and last that stand out.
constexpr std::size_t kMarginBefore = 1;
constexpr std::size_t kMarginAfter = 2;
constexpr double kMadToSigma = 1.4826;

}  // namespace

bool CImpulseRepair::Reserve(std::size_t maxContext, std::size_t maxEvent) {
    try {
        m_coeffs.assign(kMaxFillOrder, 0.0);
        m_scratch.assign(maxContext + maxEvent, 0.0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!m_burg.Reserve(2 * maxContext, kMaxFillOrder, maxEvent) || !m_fill.Reserve(maxEvent, kMaxFillOrder))
        return false;
    m_maxContext = maxContext;
    m_maxEvent = maxEvent;
    return true;
}

double CImpulseRepair::Error(const double* x, std::size_t t, bool forward) const {
    double e = x[t];
    if (forward) {
        for (int k = 1; k <= m_order; ++k) e -= m_coeffs[k - 1] * x[t - k];
    } else {
        for (int k = 1; k <= m_order; ++k) e -= m_coeffs[k - 1] * x[t + k];
    }
    return e;
}

double CImpulseRepair::Spread(const double* x, std::size_t from, std::size_t to, bool forward) {
    std::size_t count = 0;
    for (std::size_t t = from; t < to; ++t) m_scratch[count++] = std::fabs(Error(x, t, forward));
    if (count == 0) return 0.0;
    auto mid = m_scratch.begin() + static_cast<std::ptrdiff_t>(count / 2);
    std::nth_element(m_scratch.begin(), mid, m_scratch.begin() + static_cast<std::ptrdiff_t>(count));
    return *mid * kMadToSigma;
}

CImpulseRepair::Gap CImpulseRepair::Fix(double* x, std::size_t nb, std::size_t span, std::size_t na) {
    if (span == 0 || span > m_maxEvent || nb > m_maxContext || na > m_maxContext) return {};
    const std::size_t mb = std::min(nb, kModelSpan), ma = std::min(na, kModelSpan);
    const double* after = x + nb + span;
    m_order = m_burg.Estimate(x + nb - mb, mb, after, ma, kOrder, m_coeffs.data());
    if (m_order < 0) return {};
    const std::size_t p = static_cast<std::size_t>(m_order);

    // The error spread on each side, each side predicted away from the event.
    Gap gap{0, span};
    const bool seeBefore = nb >= p + 16, seeAfter = na >= p + 16;
    if (p > 0 && (seeBefore || seeAfter)) {
        const std::size_t sb = std::min(nb - p, kSpreadSpan), sa = std::min(na - p, kSpreadSpan);
        double before = seeBefore ? Spread(x, nb - sb, nb, true) : 0.0;
        double afterSpread = seeAfter ? Spread(x, nb + span, nb + span + sa, false) : 0.0;
        if (!seeBefore) before = afterSpread;
        if (!seeAfter) afterSpread = before;
        // A context after the event far noisier than the one before it is spoiled itself (the
        // event was cut short inside a long burst): the damage runs to the event's end.
        const bool spoiledAfter = seeAfter && seeBefore && afterSpread > kSpoiled * before;
        // The onset is where the error from the past first stands out; the end where the error
        // from the future last does (a tail that still rings stands out from the future).
        std::size_t first = 0, last = span - 1;
        if (seeBefore) {
            first = span;
            for (std::size_t i = 0; i < span && first == span; ++i)
                if (std::fabs(Error(x, nb + i, true)) > kOnset * before) first = i;
            if (first == span) return {};
        }
        if (seeAfter && !spoiledAfter) {
            bool found = false;
            for (std::size_t i = span; i-- > 0 && !found;) {
                if (std::fabs(Error(x, nb + i, false)) > kTail * afterSpread) {
                    last = i;
                    found = true;
                }
            }
            if (!found) return {};
        }
        if (last < first) std::swap(first, last);
        first = first > kMarginBefore ? first - kMarginBefore : 0;
        last = std::min(last + kMarginAfter, span - 1);
        gap = {first, last - first + 1};
    }
    // A long gap needs a model that carries more partials across it than finding it did.
    const int fillOrder = std::clamp(static_cast<int>(gap.length / kGapPerOrder), kOrder, kMaxFillOrder);
    if (fillOrder > m_order) {
        m_order = m_burg.Estimate(x + nb - mb, mb, after, ma, fillOrder, m_coeffs.data());
        if (m_order < 0) return {};
    }
    if (!m_fill.Fill(x, nb + span + na, nb + gap.first, gap.length, m_coeffs.data(), m_order)) return {};
    return gap;
}
