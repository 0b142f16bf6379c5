// Analysis and synthesis windows, written into a caller's table of n values.
// Symmetric windows run over n − 1 intervals (w[0] = w[n−1]); periodic ones
// over n, the form that overlap-adds to a constant.
#pragma once

#include <cstddef>

namespace dsp {

enum class WindowKind { Hann, SqrtHann, Hamming };

// Fills out[0..n) with the window.
void FillWindow(WindowKind kind, double* out, std::size_t n, bool periodic);

// Fills out[0..n) with a − b·cos(2πi/D), D = n − 1 (symmetric) or n (periodic);
// Hann is (0.5, 0.5), Hamming (0.54, 0.46). n = 1 gives a − b.
void FillRaisedCosine(double a, double b, double* out, std::size_t n, bool periodic);

}  // namespace dsp
