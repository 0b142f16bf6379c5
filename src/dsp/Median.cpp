#include "dsp/Median.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "dsp/Cpu.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Every place j of the new sorted copy r, from the old copy s: values on the far side of old
// stay; between old and x, each place takes its neighbour's value (the one towards old), and
// the place where that neighbour is no longer between takes x. Equal values are
// interchangeable, so a repeated old needs no care. The places past the window hold +inf
// before and after, and s[-1] is -inf.
template <typename Vec>
[[gnu::always_inline]] inline void Pass(const double* s, double* r, int window, double old, double x) {
    constexpr int kLanes = sizeof(Vec) / sizeof(double);
    Vec o, v;
    for (int i = 0; i < kLanes; ++i) {
        o[i] = old;
        v[i] = x;
    }
    if (x > old) {
        for (int j = 0; j < window; j += kLanes) {
            Vec here, next;
            std::memcpy(&here, s + j, sizeof here);
            std::memcpy(&next, s + j + 1, sizeof next);
            const Vec moved = next < v ? next : (here < v ? v : here);
            const Vec out = here < o ? here : moved;
            std::memcpy(r + j, &out, sizeof out);
        }
    } else {
        for (int j = 0; j < window; j += kLanes) {
            Vec here, prev;
            std::memcpy(&here, s + j, sizeof here);
            std::memcpy(&prev, s + j - 1, sizeof prev);
            const Vec moved = prev > v ? prev : (here > v ? v : here);
            const Vec out = here > o ? here : moved;
            std::memcpy(r + j, &out, sizeof out);
        }
    }
}

using Pair = double __attribute__((vector_size(16)));

#if RESTOVA_HAS_AVX2_COPY
using Quad = double __attribute__((vector_size(32)));

// Four lanes where the processor has them: a third faster on the noise floor's wide window.
RESTOVA_AVX2 void PassAvx2(const double* s, double* r, int window, double old, double x) {
    Pass<Quad>(s, r, window, old, x);
}
#endif

void PassAny(const double* s, double* r, int window, double old, double x) {
#if RESTOVA_HAS_AVX2_COPY
    if (dsp::HasAvx2()) return PassAvx2(s, r, window, old, x);
#endif
    Pass<Pair>(s, r, window, old, x);
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
    for (auto& copy : m_sorted) {
        copy.fill(kInf);
        copy[0] = -kInf;
        std::fill_n(copy.begin() + 1, m_window, value);
    }
    m_ring.fill(value);
    m_next = 0;
    m_current = 0;
}

void CRunningMedian::Push(double x) {
    if (std::isnan(x)) x = 0.0;
    const double old = m_ring[static_cast<std::size_t>(m_next)];
    m_ring[static_cast<std::size_t>(m_next)] = x;
    if (++m_next == m_window) m_next = 0;
    if (x == old) return;
    PassAny(m_sorted[m_current].data() + 1, m_sorted[m_current ^ 1].data() + 1, m_window, old, x);
    m_current ^= 1;
}

double CRunningMedian::Largest(int k) const {
    k = std::clamp(k, 0, m_window - 1);
    return Sorted()[m_window - 1 - k];
}

double CRunningMedian::Smallest(int k) const {
    k = std::clamp(k, 0, m_window - 1);
    return Sorted()[k];
}
