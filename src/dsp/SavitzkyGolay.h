// Savitzky–Golay tables: the weights that, applied to a window of 2m+1
// samples, give the value (or a derivative) at one point of the polynomial of
// degree d fitted to the window by least squares.
#pragma once

namespace dsp {

inline constexpr int kMaxSgHalfWidth = 512;
inline constexpr int kMaxSgDegree = 10;

// Writes 2·halfWidth + 1 weights to out; out[j + halfWidth] multiplies the
// sample at offset j (−halfWidth..halfWidth) from the window's centre. The
// result is the derivative of the given order (0 = the smoothed value) at
// offset position, per sample to that power. Degree 0..min(2·halfWidth, 10);
// false, out untouched, for arguments outside the limits.
bool DesignSavitzkyGolay(int halfWidth, int degree, int derivative, double* out, int position = 0);

}  // namespace dsp
