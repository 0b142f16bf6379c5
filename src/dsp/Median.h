// Running order statistics over the last W values (W up to 63): the median,
// or the k-th largest or smallest. A sorted copy of the window is kept and
// rebuilt on every value by one pass of vector selects that drops the oldest
// value and slides the new one in: for the small windows of the click
// detectors and the noise floor this beats any heap or tree, and it has no
// branch on the data to mispredict.
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
    double Median() const { return Sorted()[m_window / 2]; }
    // k-th largest, k = 0 the maximum; k is clamped into the window.
    double Largest(int k) const;
    // k-th smallest, k = 0 the minimum; k is clamped into the window.
    double Smallest(int k) const;

private:
    // Each sorted copy: -inf, the window ascending, +inf up to the end; the pass reads one
    // copy's neighbours of every place and writes the other copy.
    static constexpr int kSlots = kMaxWindow + 9;
    const double* Sorted() const { return m_sorted[m_current].data() + 1; }

    std::array<std::array<double, kSlots>, 2> m_sorted{};
    std::array<double, kMaxWindow> m_ring{};  // in arrival order
    int m_window = 1;
    int m_next = 0;     // ring slot of the oldest value
    int m_current = 0;  // which sorted copy holds the window
};
