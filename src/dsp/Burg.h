// Autoregressive modelling by Burg's maximum-entropy method. Memory is taken
// once in Reserve; Estimate never allocates.
//
// Prediction coefficients c[0..p) predict a sample from the p before it:
// x̂[n] = c[0]·x[n−1] + c[1]·x[n−2] + ... + c[p−1]·x[n−p].
#pragma once

#include <cstddef>
#include <vector>

class CBurg {
public:
    CBurg() = default;

    // Workspace for spans of up to maxLength samples and orders up to maxOrder.
    // False when memory runs out (the object then holds no workspace and every
    // call fails).
    bool Reserve(std::size_t maxLength, int maxOrder);

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

private:
    std::size_t m_maxLength = 0;
    int m_maxOrder = 0;
    std::vector<double> m_f, m_b;          // forward and backward errors
    std::vector<double> m_nextF, m_nextB;  // the next stage's, swapped in after each
    std::vector<double> m_a, m_tmp;        // polynomial 1 + a1·z⁻¹ + ...
};
