#include "dsp/Median.h"

#include <algorithm>
#include <cmath>

bool CRunningMedian::Init(int window) {
    if (window < 1 || window > kMaxWindow) return false;
    m_window = window;
    Reset(0.0);
    return true;
}

void CRunningMedian::Reset(double value) {
    if (std::isnan(value)) value = 0.0;
    m_sorted.fill(value);
    m_ring.fill(value);
    m_next = 0;
}

void CRunningMedian::Push(double x) {
    if (std::isnan(x)) x = 0.0;
    double* const begin = m_sorted.data();
    double* const end = begin + m_window;
    const double old = m_ring[static_cast<std::size_t>(m_next)];
    m_ring[static_cast<std::size_t>(m_next)] = x;
    if (++m_next == m_window) m_next = 0;

    // The old value is in the sorted copy (no NaN ever enters); slide the
    // values between its place and the new value's place by one.
    double* pos = std::lower_bound(begin, end, old);
    if (x > old) {
        double* ins = std::lower_bound(pos + 1, end, x);  // first value >= x after pos
        std::move(pos + 1, ins, pos);
        *(ins - 1) = x;
    } else if (x < old) {
        double* ins = std::upper_bound(begin, pos, x);  // first value > x before pos
        std::move_backward(ins, pos, pos + 1);
        *ins = x;
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
