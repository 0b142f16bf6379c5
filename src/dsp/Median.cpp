#include "dsp/Median.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Two values at a time; the compiler maps this onto vector registers where it can.
using Pair = double __attribute__((vector_size(16)));
using PairMask = decltype(Pair{} < Pair{});  // a true lane is all ones, i.e. -1

struct Places {
    int belowOld = 0;  // values below old
    int belowX = 0;    // values below x
    int atMostX = 0;   // values not above x
};

// Counts the places of old and x among the first count values (count even) in one pass.
// Counting instead of a binary search: on real data a search's branches are a coin toss,
// and a mispredicted branch costs more than comparing the whole small window.
Places Count(const double* values, int count, double old, double x) {
    const Pair o = {old, old}, v = {x, x};
    PairMask belowOld{}, belowX{}, atMostX{};
    for (int i = 0; i < count; i += 2) {
        Pair p;
        std::memcpy(&p, values + i, sizeof p);
        belowOld -= p < o;
        belowX -= p < v;
        atMostX -= p <= v;
    }
    return {static_cast<int>(belowOld[0] + belowOld[1]), static_cast<int>(belowX[0] + belowX[1]),
            static_cast<int>(atMostX[0] + atMostX[1])};
}

}  // namespace

bool CRunningMedian::Init(int window) {
    if (window < 1 || window > kMaxWindow) return false;
    m_window = window;
    Reset(0.0);
    return true;
}

void CRunningMedian::Reset(double value) {
    if (std::isnan(value)) value = 0.0;
    m_sorted.fill(kInf);
    std::fill_n(m_sorted.begin(), m_window, value);
    m_ring.fill(value);
    m_next = 0;
}

void CRunningMedian::Push(double x) {
    if (std::isnan(x)) x = 0.0;
    const double old = m_ring[static_cast<std::size_t>(m_next)];
    m_ring[static_cast<std::size_t>(m_next)] = x;
    if (++m_next == m_window) m_next = 0;

    // The old value is in the sorted copy (no NaN ever enters) at the first place not below
    // it; slide the values between that place and the new value's by one. An odd window is
    // counted with the slot past its end, whose +inf is never below old or x, nor at most an
    // x that is below old.
    double* const sorted = m_sorted.data();
    const Places at = Count(sorted, (m_window + 1) & ~1, old, x);
    const int from = at.belowOld;
    if (x > old) {
        const int to = at.belowX - 1;  // last value below x
        std::move(sorted + from + 1, sorted + to + 1, sorted + from);
        sorted[to] = x;
    } else if (x < old) {
        const int to = at.atMostX;  // first value above x
        std::move_backward(sorted + to, sorted + from, sorted + from + 1);
        sorted[to] = x;
    }
}

double CRunningMedian::Largest(int k) const {
    k = std::clamp(k, 0, m_window - 1);
    return m_sorted[static_cast<std::size_t>(m_window - 1 - k)];
}

double CRunningMedian::Smallest(int k) const {
    k = std::clamp(k, 0, m_window - 1);
    return m_sorted[static_cast<std::size_t>(k)];
}
