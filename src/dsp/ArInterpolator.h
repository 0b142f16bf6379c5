// Least-squares autoregressive interpolation: the missing samples of a gap are
// the values that make the model's prediction errors smallest over the gap and
// the order samples on each side of it, so both sides shape every value at
// once. Memory is taken once in Reserve; Fill never allocates.
//
// Coefficients follow CBurg: x̂[n] = c[0]·x[n−1] + ... + c[p−1]·x[n−p].
#pragma once

#include <cstddef>
#include <vector>

class CArInterpolator {
public:
    // Workspace for gaps of up to maxGap samples and orders up to maxOrder. False when memory
    // runs out (every Fill then fails).
    bool Reserve(std::size_t maxGap, int maxOrder);

    // Replaces x[gap, gap + length) of x[0..n) by its interpolation under the model c[0..order).
    // The samples outside the gap are known; a side shorter than the order takes part with what
    // it has. False (x untouched) when the sizes exceed the workspace or the gap does not lie in x.
    // With weights, the gap's samples are noisy observations rather than missing: sample i is
    // held to its value with weight[i] (the model's error power over the noise power there; 0:
    // missing).
    bool Fill(double* x, std::size_t n, std::size_t gap, std::size_t length, const double* c, int order,
              const double* weights = nullptr);

private:
    std::size_t m_maxGap = 0;
    int m_maxOrder = 0;
    std::vector<double> m_band;  // the normal matrix's lower band, then its Cholesky factor
    std::vector<double> m_rhs;   // right-hand side, then the solution
    std::vector<double> m_a;     // error filter 1, −c[0], ..., −c[p−1]
};
