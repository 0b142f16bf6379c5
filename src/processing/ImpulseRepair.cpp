#include "processing/ImpulseRepair.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "dsp/Dot.h"

namespace {

// The model that finds a click: long enough to carry a chord's partials, short enough to be fitted
// on a few hundred samples of context. Filling takes at least kFillOrder, more for long gaps.
constexpr int kOrder = 32;
constexpr int kFillOrder = 32;
constexpr std::size_t kGapPerOrder = 5;
constexpr int kMaxFillOrder = 200;
// Context that feeds the model and the error spread, a side (samples).
constexpr std::size_t kModelSpan = 1024;
constexpr std::size_t kSpreadSpan = 512;
// In error spreads: a click's onset stands out by kOnset, its ringing tail by kTail, and its
// worst sample by kPeak; a context after the event kLouderAfter times the one before is louder music.
// So is one only kSomewhatLouder times it, unless the event's worst sample stands kClearPeak out:
// a drum or a plucked note on a busy track passes the peak bar, but it is rarely dwarfed by it.
constexpr double kOnset = 5.0;
constexpr double kTail = 3.0;
constexpr double kPeak = 8.0;
constexpr double kLouderAfter = 4.0;
constexpr double kSomewhatLouder = 1.15;
constexpr double kClearPeak = 32.0;
// Samples kept spoiled beside the first and last that stand out.
constexpr std::size_t kMarginBefore = 1;
constexpr std::size_t kMarginAfter = 2;
// A sample whose damage is at the model's error level is held to its value with weight kTrust;
// the damage estimate is smoothed over 2 kSmoothing + 1 samples and never taken below
// kLeastDamage of that level.
constexpr double kTrust = 10.0;
constexpr std::size_t kSmoothing = 2;
constexpr double kLeastDamage = 0.01;
constexpr double kLeastWeight = 0.001;
constexpr double kMadToSigma = 1.4826;

}  // namespace

bool CImpulseRepair::Reserve(std::size_t maxContext, std::size_t maxEvent) {
    try {
        m_coeffs.assign(kMaxFillOrder, 0.0);
        m_kept.assign(kOrder, 0.0);
        m_scratch.assign(maxContext + maxEvent, 0.0);
        m_weights.assign(maxEvent, 0.0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!m_burg.Reserve(2 * maxContext, kMaxFillOrder) || !m_fill.Reserve(maxEvent, kMaxFillOrder)) return false;
    m_maxContext = maxContext;
    m_maxEvent = maxEvent;
    return true;
}

double CImpulseRepair::Error(const double* x, std::size_t t, bool forward) const {
    // In lanes: this runs over a thousand samples of context for every event the detectors report.
    const double p = forward ? dsp::Dot<4, -1>(m_coeffs.data(), x + t - 1, m_order)
                             : dsp::Dot<4>(m_coeffs.data(), x + t + 1, m_order);
    return x[t] - p;
}

double CImpulseRepair::Spread(const double* x, std::size_t from, std::size_t to, bool forward) {
    std::size_t count = 0;
    for (std::size_t t = from; t < to; ++t) m_scratch[count++] = std::fabs(Error(x, t, forward));
    if (count == 0) return 0.0;
    auto mid = m_scratch.begin() + static_cast<std::ptrdiff_t>(count / 2);
    std::nth_element(m_scratch.begin(), mid, m_scratch.begin() + static_cast<std::ptrdiff_t>(count));
    return *mid * kMadToSigma;
}

bool CImpulseRepair::Locate(const double* x, std::size_t nb, std::size_t span, std::size_t na, bool cutShort, Gap& gap,
                            double& noise, bool& spoiled) {
    const std::size_t p = static_cast<std::size_t>(m_order);

    gap = {0, span};
    noise = 0.0;
    spoiled = false;
    const bool seeBefore = nb >= p + 16, seeAfter = na >= p + 16;
    if (p > 0 && (seeBefore || seeAfter)) {
        // The error spread on each side, each side predicted away from the event.
        const std::size_t sb = std::min(nb - p, kSpreadSpan), sa = std::min(na - p, kSpreadSpan);
        double before = seeBefore ? Spread(x, nb - sb, nb, true) : 0.0;
        double afterSpread = seeAfter ? Spread(x, nb + span, nb + span + sa, false) : 0.0;
        if (!seeBefore) before = afterSpread;
        if (!seeAfter) afterSpread = before;
        noise = std::min(before, afterSpread);
        const bool louderAfter = seeAfter && seeBefore && afterSpread > kLouderAfter * before;
        // Music that grows louder (a drum, a note after a rest) is no click. An event cut short at
        // the length limit lies inside a long burst: the damage runs to its end and beyond.
        if (louderAfter && !cutShort) return false;
        spoiled = cutShort;
        // The onset is where the error from the past first stands out; the end where the error
        // from the future last does (a tail that still rings stands out from the future).
        std::size_t first = 0, last = span - 1;
        if (seeBefore) {
            first = span;
            for (std::size_t i = 0; i < span && first == span; ++i)
                if (std::fabs(Error(x, nb + i, true)) > kOnset * before) first = i;
            if (first == span) return false;
        }
        if (seeAfter && !spoiled) {
            bool found = false;
            for (std::size_t i = span; i-- > 0 && !found;) {
                if (std::fabs(Error(x, nb + i, false)) > kTail * afterSpread) {
                    last = i;
                    found = true;
                }
            }
            if (!found) return false;
        }
        if (last < first) std::swap(first, last);
        // A click stands far out somewhere; music the detector mistook only just passes the onset bar.
        // Without context before the event there is no error from the past to judge it by.
        if (seeBefore) {
            double peak = 0.0;
            for (std::size_t i = first; i <= last; ++i) peak = std::max(peak, std::fabs(Error(x, nb + i, true)));
            if (peak < kPeak * before) return false;
            if (seeAfter && !cutShort && afterSpread > kSomewhatLouder * before && peak < kClearPeak * before)
                return false;
        }
        first = first > kMarginBefore ? first - kMarginBefore : 0;
        last = std::min(last + kMarginAfter, span - 1);
        gap = {first, last - first + 1};
    }
    return true;
}

CImpulseRepair::Gap CImpulseRepair::Fix(double* x, std::size_t nb, std::size_t span, std::size_t na, bool cutShort,
                                        int64_t at) {
    if (span == 0 || span > m_maxEvent || nb > m_maxContext || na > m_maxContext) return {};
    const std::size_t mb = std::min(nb, kModelSpan), ma = std::min(na, kModelSpan);
    const double* after = x + nb + span;
    Gap gap;
    double noise = 0.0;    // the model's error spread: what no repair can beat
    bool spoiled = false;  // the context after the event is damaged too
    // What the nearby model passes as music is music; what it finds is judged again by a model of
    // the event's own context, which alone may shape the repair.
    const bool reuse = at != kNoPosition && m_keptAt != kNoPosition && at >= m_keptAt && at - m_keptAt <= kReuseSpan;
    if (reuse) {
        m_order = m_keptOrder;
        std::copy(m_kept.begin(), m_kept.end(), m_coeffs.begin());
        if (!Locate(x, nb, span, na, cutShort, gap, noise, spoiled)) return {};
    }
    m_order = m_burg.Estimate(x + nb - mb, mb, after, ma, kOrder, m_coeffs.data());
    if (m_order < 0) return {};
    m_keptOrder = m_order;
    std::copy(m_coeffs.begin(), m_coeffs.begin() + kOrder, m_kept.begin());
    m_keptAt = at;
    if (!Locate(x, nb, span, na, cutShort, gap, noise, spoiled)) return {};
    // A long gap needs a model that carries more partials across it than finding it did. Damage
    // after the event must neither shape the model nor be trusted in part.
    const int fillOrder = std::clamp(static_cast<int>(gap.length / kGapPerOrder), kFillOrder, kMaxFillOrder);
    if (fillOrder > m_order || spoiled) {
        m_order = m_burg.Estimate(x + nb - mb, mb, after, spoiled ? 0 : ma, fillOrder, m_coeffs.data());
        if (m_order < 0) return {};
    }
    const bool weighed = noise > 0.0 && !spoiled && nb + gap.first >= static_cast<std::size_t>(m_order) &&
                         na >= static_cast<std::size_t>(m_order);
    if (weighed) Weigh(x, nb + gap.first, gap.length, noise);
    if (!m_fill.Fill(x, nb + span + na, nb + gap.first, gap.length, m_coeffs.data(), m_order,
                     weighed ? m_weights.data() : nullptr)) {
        return {};
    }
    return gap;
}

void CImpulseRepair::Weigh(const double* x, std::size_t from, std::size_t length, double noise) {
    // The damage's power at each sample: the smaller of the errors from the past and from the
    // future (each also carries the damage of its neighbours), smoothed, less the model's own.
    const double n2 = noise * noise;
    for (std::size_t i = 0; i < length; ++i) {
        const double ef = Error(x, from + i, true), eb = Error(x, from + i, false);
        m_scratch[i] = std::min(ef * ef, eb * eb);
    }
    for (std::size_t i = 0; i < length; ++i) {
        const std::size_t lo = i > kSmoothing ? i - kSmoothing : 0, hi = std::min(i + kSmoothing, length - 1);
        double sum = 0.0;
        for (std::size_t j = lo; j <= hi; ++j) sum += m_scratch[j];
        const double damage = std::max(sum / static_cast<double>(hi - lo + 1) - n2, n2 * kLeastDamage);
        // Faint trust in a loud sample would still pull the fill toward it wherever the model
        // leaves the gap loose; such a sample counts as missing.
        const double w = kTrust * n2 / damage;
        m_weights[i] = w >= kLeastWeight ? w : 0.0;
    }
}
