// Autoregressive modelling by Burg's maximum-entropy method, and the linear
// prediction that fills a gap in a signal from both of its sides. Memory is
// taken once in Reserve; Estimate and InterpolateGap never allocate.
//
// Prediction coefficients c[0..p) predict a sample from the p before it:
// x̂[n] = c[0]·x[n−1] + c[1]·x[n−2] + ... + c[p−1]·x[n−p].
#pragma once

#include <cstddef>
#include <vector>

class CBurg {
public:
    CBurg() = default;

    // Workspace for spans of up to maxLength samples, orders up to maxOrder and
    // gaps up to maxGap samples. False when memory runs out (the object then
    // holds no workspace and every call fails).
    bool Reserve(std::size_t maxLength, int maxOrder, std::size_t maxGap);

    // Estimates up to order coefficients from n samples into coeffs[0..order).
    // Returns the order reached: lower than asked when the span is too short
    // (at most n − 1), when the prediction error vanishes (a constant or a
    // pure sine is modelled exactly early) or when the input is silent or not
    // finite (0). Coefficients past the reached order are 0. −1 when n or
    // order exceeds the reserved sizes, or a pointer is null.
    int Estimate(const double* x, std::size_t n, int order, double* coeffs);
    // The same over two separate spans modelled as one process (the audio on both sides of a
    // gap); n1 + n2 must fit the reserved length. A span may be empty.
    int Estimate(const double* x1, std::size_t n1, const double* x2, std::size_t n2, int order, double* coeffs);

    // Continues ctx[0..n) forward by count samples into out: out[0] follows
    // ctx[n−1]. Missing history before ctx[0] counts as 0.
    static void ExtrapolateForward(const double* ctx, std::size_t n, const double* coeffs, int order, double* out,
                                   std::size_t count);
    // Continues ctx[0..n) backward by count samples into out: out[0] is the
    // sample before ctx[0], out[1] the one before that. Burg's estimate is the
    // same for a span and its reverse, so the coefficients come from ctx as is.
    static void ExtrapolateBackward(const double* ctx, std::size_t n, const double* coeffs, int order, double* out,
                                    std::size_t count);

    // Fills a gap of gap samples between before[0..nb) and after[0..na): a
    // model of the given order is estimated on each side, each side predicts
    // across the gap, and the two are cross-faded linearly, sample i weighting
    // the forward guess by 1 − i/gap and the backward one by i/gap. A side of
    // fewer than 5 samples predicts zeros. False (out untouched) when a size
    // exceeds the reserved workspace.
    bool InterpolateGap(const double* before, std::size_t nb, const double* after, std::size_t na, int order,
                        double* out, std::size_t gap);

private:
    std::size_t m_maxLength = 0;
    int m_maxOrder = 0;
    std::size_t m_maxGap = 0;
    std::vector<double> m_f, m_b;    // forward and backward errors
    std::vector<double> m_a, m_tmp;  // polynomial 1 + a1·z⁻¹ + ...
    std::vector<double> m_cf, m_cb;  // coefficients of the two sides
    std::vector<double> m_back;      // backward prediction of a gap
};
