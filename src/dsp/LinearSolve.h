#pragma once
// Small dense linear systems for filter designs.
#include <cmath>
#include <utility>

namespace dsp {

// Solves the n×n system m·x = r by Gaussian elimination with partial pivoting. m and r are
// overwritten; x may be r itself. False when the matrix is singular.
template <typename Matrix, typename Rhs, typename Out>
bool SolveLinear(Matrix& m, Rhs& r, int n, Out& x) {
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int row = col + 1; row < n; ++row)
            if (std::fabs(m[row][col]) > std::fabs(m[pivot][col])) pivot = row;
        if (!(std::fabs(m[pivot][col]) > 1e-300)) return false;
        std::swap(m[pivot], m[col]);
        std::swap(r[pivot], r[col]);
        for (int row = col + 1; row < n; ++row) {
            const double q = m[row][col] / m[col][col];
            for (int k = col; k < n; ++k) m[row][k] -= q * m[col][k];
            r[row] -= q * r[col];
        }
    }
    for (int i = n - 1; i >= 0; --i) {
        double sum = r[i];
        for (int k = i + 1; k < n; ++k) sum -= m[i][k] * x[k];
        x[i] = sum / m[i][i];
    }
    return true;
}

}  // namespace dsp
