// Running order statistics over the last W values (W up to 63): the median,
// or the k-th largest or smallest. A sorted copy of the window is kept and
// updated by one removal and one insertion per value, which for the small
// windows of the click detectors beats any heap or tree.
#pragma once

#include <array>
#include <cstddef>

class CRunningMedian {
public:
    static constexpr int kMaxWindow = 63;

    CRunningMedian() { Init(1); }

    // Window length in values (1..kMaxWindow); false, nothing changed, outside.
    // Clears the window to zeros.
    bool Init(int window);
    int Window() const { return m_window; }

    // Fills the whole window with value (the history before the first Push).
    void Reset(double value = 0.0);

    // Adds one value, dropping the oldest. A NaN enters as 0.
    void Push(double x);

    // Middle value (for an even window, the upper of the two middle ones).
    double Median() const { return m_sorted[static_cast<std::size_t>(m_window / 2)]; }
    // k-th largest, k = 0 the maximum; k is clamped into the window.
    double Largest(int k) const;
    // k-th smallest, k = 0 the minimum; k is clamped into the window.
    double Smallest(int k) const;

private:
    std::array<double, kMaxWindow + 1> m_sorted{};  // ascending; +inf past the window
    std::array<double, kMaxWindow> m_ring{};        // in arrival order
    int m_window = 1;
    int m_next = 0;  // ring slot of the oldest value
};
