#include "dsp/FilterDesign.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "dsp/LinearSolve.h"

namespace dsp {
namespace {

constexpr double kPi = std::numbers::pi;
// The filters' coefficient formulas were written with √2 to nine digits.
constexpr double kSqrt2Short = 1.41421356;

bool RateOk(double fs) {
    return std::isfinite(fs) && fs > 0.0;
}

// Keeps f strictly inside (0, fs/2) so tan() and sin() stay finite and non-zero.
double ClampFreq(double f, double fs) {
    const double lo = fs * 1e-9;
    const double hi = fs * (0.5 - 1e-9);
    if (!std::isfinite(f)) return hi;
    return std::clamp(f, lo, hi);
}

double Omega(double f, double fs) {
    return 2.0 * kPi * ClampFreq(f, fs) / fs;
}

BiquadCoeffs Normalise(double b0, double b1, double b2, double a0, double a1, double a2) {
    if (a0 == 0.0 || !std::isfinite(a0)) return {};
    return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

// z⁻¹ as a unit phasor at f.
std::complex<double> ZInv(double f, double fs) {
    const double w = RateOk(fs) ? 2.0 * kPi * f / fs : 0.0;
    return std::polar(1.0, -w);
}

// Bilinear constant c in s = c·(1−z⁻¹)/(1+z⁻¹).
double BilinearConstant(double fs, double prewarpHz) {
    if (prewarpHz > 0.0) {
        const double f = ClampFreq(prewarpHz, fs);
        return 2.0 * kPi * f / std::tan(kPi * f / fs);
    }
    return 2.0 * fs;
}

// Butterworth pole-pair Q values: 1/(2·sin θk), θk = π(2k+1)/(2n).
double PairQ(int order, int k) {
    return 1.0 / (2.0 * std::sin(kPi * (2.0 * k + 1.0) / (2.0 * order)));
}

bool DesignButterworth(int order, double fc, double fs, bool highpass, CBiquadCascade& out) {
    out.Clear();
    if (order < 1 || order > 2 * CBiquadCascade::kMaxSections || !RateOk(fs)) return false;
    const double k = PrewarpK(fc, fs);
    const double k2 = k * k;
    for (int i = 0; i < order / 2; ++i) {
        const double q = PairQ(order, i);
        const double d = k2 + k / q + 1.0;
        BiquadCoeffs c;
        if (highpass) {
            c.b0 = 1.0 / d;
            c.b1 = -2.0 / d;
            c.b2 = 1.0 / d;
        } else {
            c.b0 = k2 / d;
            c.b1 = 2.0 * k2 / d;
            c.b2 = k2 / d;
        }
        c.a1 = 2.0 * (k2 - 1.0) / d;
        c.a2 = (k2 - k / q + 1.0) / d;
        out.Add(c);
    }
    if (order % 2 == 1) {
        const FirstOrderCoeffs f = highpass ? DesignOnePoleHighpass(fc, fs) : DesignOnePoleLowpass(fc, fs);
        out.Add({f.b0, f.b1, 0.0, f.a1, 0.0});
    }
    return true;
}

// Shared part of the two shelves; sign = +1 for the low shelf, −1 for the high.
BiquadCoeffs Shelf(double fc, double gainDb, double fs, double slope, double sign) {
    if (!RateOk(fs)) return {};
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w = Omega(fc, fs);
    const double cw = std::cos(w);
    const double s = slope > 0.0 ? slope : 1.0;
    const double alpha = std::sin(w) / 2.0 * std::sqrt(std::max(0.0, (a + 1.0 / a) * (1.0 / s - 1.0) + 2.0));
    const double r = 2.0 * std::sqrt(a) * alpha;
    const double ap = a + 1.0, am = a - 1.0;
    return Normalise(a * (ap - sign * am * cw + r), sign * 2.0 * a * (am - sign * ap * cw),
                     a * (ap - sign * am * cw - r), ap + sign * am * cw + r, -sign * 2.0 * (am + sign * ap * cw),
                     ap + sign * am * cw - r);
}

FirstOrderCoeffs OnePoleLowpassOf(double k) {
    return {k / (1.0 + k), k / (1.0 + k), (k - 1.0) / (k + 1.0)};
}

// α for a bandwidth in octaves (digital band edges).
double AlphaFromOctaves(double w, double bwOctaves) {
    const double sw = std::sin(w);
    return sw * std::sinh(std::log(2.0) / 2.0 * bwOctaves * w / sw);
}

constexpr double kRiaaT1 = 3180e-6, kRiaaT2 = 318e-6, kRiaaT3 = 75e-6;
// From this rate on one section follows the curve within 0.1 dB up to 20 kHz.
constexpr double kRiaaOneSectionFrom = 64000.0;

// The analog RIAA playback response at f (not normalised).
std::complex<double> RiaaAnalog(double f) {
    const std::complex<double> s(0.0, 2.0 * kPi * f);
    return (1.0 + s * kRiaaT2) / ((1.0 + s * kRiaaT1) * (1.0 + s * kRiaaT3));
}

// Fallback: bilinear transform with every corner pre-warped into place. Its
// treble cut grows too steep towards Nyquist.
BiquadCoeffs RiaaBilinear(double fs) {
    auto warp = [fs](double tau) {
        const double f = ClampFreq(1.0 / (2.0 * kPi * tau), fs);
        return 1.0 / (2.0 * fs * std::tan(kPi * f / fs));
    };
    const double t1 = warp(kRiaaT1), t2 = warp(kRiaaT2), t3 = warp(kRiaaT3);
    AnalogBiquad an;
    an.b1 = t2;
    an.a1 = t1 + t3;
    an.a2 = t1 * t3;
    return Bilinear(an, fs);
}

// Poles matched to the two time constants (z = e^(−1/(fs·τ))), and the two
// zeros chosen so that the magnitude follows the analog curve: |B(e^jw)|² is
// c0 + 2c1·cos w + 2c2·cos 2w, linear in c, fitted by relative least squares
// from 10 Hz to 20 kHz (or 0.45·fs), then factored into its minimum-phase
// half. Within 0.02 dB of the curve at 88.2 kHz and above, 0.5 dB at 44.1 kHz.
BiquadCoeffs RiaaFitted(double fs) {
    const double p1 = std::exp(-1.0 / (fs * kRiaaT1)), p2 = std::exp(-1.0 / (fs * kRiaaT3));
    const double a1 = -(p1 + p2), a2 = p1 * p2;
    const double fmax = std::min(20000.0, 0.45 * fs);
    constexpr int kPoints = 400;
    double m[3][3] = {}, r[3] = {};
    for (int i = 0; i < kPoints; ++i) {
        const double f = 10.0 * std::pow(fmax / 10.0, i / (kPoints - 1.0));
        const double w = 2.0 * kPi * f / fs;
        const std::complex<double> z = std::polar(1.0, -w);
        const double target = std::norm(RiaaAnalog(f)) * std::norm(1.0 + z * (a1 + z * a2));
        const double phi[3] = {1.0 / target, 2.0 * std::cos(w) / target, 2.0 * std::cos(2.0 * w) / target};
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b) m[a][b] += phi[a] * phi[b];
            r[a] += phi[a];
        }
    }
    for (int col = 0; col < 3; ++col) {
        if (m[col][col] == 0.0) return {NAN, NAN, NAN, 0.0, 0.0};
        for (int row = col + 1; row < 3; ++row) {
            const double q = m[row][col] / m[col][col];
            for (int k = col; k < 3; ++k) m[row][k] -= q * m[col][k];
            r[row] -= q * r[col];
        }
    }
    double c[3];
    for (int i = 2; i >= 0; --i) {
        double sum = r[i];
        for (int k = i + 1; k < 3; ++k) sum -= m[i][k] * c[k];
        c[i] = sum / m[i][i];
    }
    if (c[2] == 0.0 || !std::isfinite(c[2])) return {NAN, NAN, NAN, 0.0, 0.0};
    // With u = z + 1/z the palindromic c2·z² + c1·z + c0 + c1/z + c2/z²
    // becomes c2·(u² − 2) + c1·u + c0: two values of u, one zero each.
    using Cx = std::complex<double>;
    const Cx disc = std::sqrt(Cx(c[1] * c[1] - 4.0 * c[2] * (c[0] - 2.0 * c[2])));
    auto inside = [](Cx u) {
        const Cx d = std::sqrt(u * u - 4.0);
        const Cx z1 = (u + d) / 2.0, z2 = (u - d) / 2.0;
        return std::abs(z1) <= std::abs(z2) ? z1 : z2;
    };
    const Cx r1 = inside((-c[1] + disc) / (2.0 * c[2]));
    const Cx r2 = inside((-c[1] - disc) / (2.0 * c[2]));
    return {1.0, -(r1 + r2).real(), (r1 * r2).real(), a1, a2};
}

// Roots of p[0] + p[1]·x + ... + p[n]·x^n (p[n] ≠ 0, n ≤ kMaxRoots) by the Aberth–Ehrlich
// iteration, which converges for every start on a circle that encloses the roots.
constexpr int kMaxRoots = 8;
bool PolynomialRoots(const double* p, int n, std::complex<double>* roots) {
    using Cx = std::complex<double>;
    if (n < 1 || n > kMaxRoots || p[n] == 0.0) return false;
    double bound = 0.0;  // Cauchy's bound on the roots' size
    for (int i = 0; i < n; ++i) bound = std::max(bound, std::fabs(p[i] / p[n]));
    for (int i = 0; i < n; ++i) roots[i] = std::polar(1.0 + bound, 2.0 * kPi * (i + 0.25) / n);
    for (int iter = 0; iter < 500; ++iter) {
        double moved = 0.0;
        for (int i = 0; i < n; ++i) {
            Cx v = p[n], d = 0.0;
            for (int k = n - 1; k >= 0; --k) {
                d = d * roots[i] + v;
                v = v * roots[i] + p[k];
            }
            if (v == 0.0) continue;
            const Cx ratio = v / d;
            Cx sum = 0.0;
            for (int j = 0; j < n; ++j)
                if (j != i) sum += 1.0 / (roots[i] - roots[j]);
            const Cx step = ratio / (1.0 - ratio * sum);
            roots[i] -= step;
            moved = std::max(moved, std::abs(step) / std::max(1.0, std::abs(roots[i])));
        }
        if (moved < 1e-15) break;
    }
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(roots[i].real()) || !std::isfinite(roots[i].imag())) return false;
    return true;
}

// Below about 64 kHz two zeros cannot follow the treble cut up to fs/2 (a digital response
// flattens towards the Nyquist frequency, the curve does not). Six zeros can: the poles of
// RiaaFitted stay, and |B(e^jw)|², a cosine polynomial of degree 6, is fitted to the curve
// from 20 Hz to 20 kHz (or fs/2) by Lawson's reweighted least squares, which tends to the
// smallest largest relative error; its minimum-phase half becomes three sections.
bool RiaaFittedCascade(double fs, CBiquadCascade& out) {
    using Cx = std::complex<double>;
    constexpr int kDegree = 6, kPoints = 600, kRounds = 100;
    const double p1 = std::exp(-1.0 / (fs * kRiaaT1)), p2 = std::exp(-1.0 / (fs * kRiaaT3));
    const double a1 = -(p1 + p2), a2 = p1 * p2;
    const double fmax = std::min(20000.0, 0.5 * fs);
    const double ref = std::norm(RiaaAnalog(1000.0));
    std::vector<std::array<double, kDegree + 1>> phi(kPoints);
    std::vector<double> weight(kPoints);
    for (int i = 0; i < kPoints; ++i) {
        const double f = 20.0 * std::pow(fmax / 20.0, i / (kPoints - 1.0));
        const double w = 2.0 * kPi * f / fs;
        const Cx z = std::polar(1.0, -w);
        const double target = std::norm(RiaaAnalog(f)) / ref * std::norm(1.0 + z * (a1 + z * a2));
        for (int k = 0; k <= kDegree; ++k) phi[i][k] = (k == 0 ? 1.0 : 2.0 * std::cos(k * w)) / target;
        weight[i] = 1.0 / kPoints;
    }
    double c[kMaxRoots + 1] = {};
    for (int round = 0; round < kRounds; ++round) {
        double m[kMaxRoots][kMaxRoots] = {}, r[kMaxRoots] = {};
        for (int i = 0; i < kPoints; ++i) {
            for (int a = 0; a <= kDegree; ++a) {
                for (int b = 0; b <= kDegree; ++b) m[a][b] += weight[i] * phi[i][a] * phi[i][b];
                r[a] += weight[i] * phi[i][a];
            }
        }
        if (!SolveLinear(m, r, kDegree + 1, c)) return false;
        double total = 0.0;
        for (int i = 0; i < kPoints; ++i) {
            double fit = 0.0;
            for (int k = 0; k <= kDegree; ++k) fit += phi[i][k] * c[k];
            weight[i] *= std::fabs(fit - 1.0);
            total += weight[i];
        }
        if (!(total > 0.0)) break;  // an exact fit
        for (double& v : weight) v /= total;
    }
    // With u = z + 1/z, z^k + z^-k = V_k(u) (V_0 = 2, V_1 = u, V_k+1 = u·V_k − V_k−1), so the
    // palindromic c0 + Σ c_k·(z^k + z^-k) is a polynomial in u of degree 6.
    double poly[kDegree + 1] = {}, vPrev[kDegree + 1] = {2.0}, v[kDegree + 1] = {0.0, 1.0};
    poly[0] = c[0];
    for (int k = 1; k <= kDegree; ++k) {
        for (int j = 0; j <= kDegree; ++j) poly[j] += c[k] * v[j];
        double next[kDegree + 1] = {};
        for (int j = 0; j <= kDegree; ++j) next[j] = (j > 0 ? v[j - 1] : 0.0) - vPrev[j];
        std::copy(v, v + kDegree + 1, vPrev);
        std::copy(next, next + kDegree + 1, v);
    }
    Cx u[kMaxRoots], zeros[kDegree];
    if (!PolynomialRoots(poly, kDegree, u)) return false;
    for (int i = 0; i < kDegree; ++i) {
        const Cx d = std::sqrt(u[i] * u[i] - 4.0);
        const Cx z1 = (u[i] + d) / 2.0, z2 = (u[i] - d) / 2.0;
        zeros[i] = std::abs(z1) <= std::abs(z2) ? z1 : z2;
    }
    // Each section takes a conjugate pair or two real zeros, so that its coefficients are real.
    Cx paired[kDegree];
    int count = 0, reals = 0;
    for (const Cx& z : zeros)
        if (std::fabs(z.imag()) <= 1e-9) paired[kDegree - 1 - reals++] = z.real();
    for (const Cx& z : zeros) {
        if (z.imag() > 1e-9) {
            paired[count++] = z;
            paired[count++] = std::conj(z);
        }
    }
    if (count + reals != kDegree) return false;  // conjugates that did not come in pairs
    out.Clear();
    for (int i = 0; i < kDegree; i += 2) {
        BiquadCoeffs s{1.0, -(paired[i] + paired[i + 1]).real(), (paired[i] * paired[i + 1]).real(), 0.0, 0.0};
        if (i == 0) {
            s.a1 = a1;
            s.a2 = a2;
        }
        out.Add(s);
    }
    const double gain = std::abs(Response(out, 1000.0, fs));
    if (!(gain > 0.0) || !std::isfinite(gain)) return false;
    BiquadCoeffs first = out.Coeffs(0);
    first.b0 /= gain;
    first.b1 /= gain;
    first.b2 /= gain;
    CBiquadCascade scaled;
    scaled.Add(first);
    for (int i = 1; i < out.Count(); ++i) scaled.Add(out.Coeffs(i));
    out = scaled;
    return true;
}
}  // namespace

double PrewarpK(double fc, double fs) {
    if (!RateOk(fs)) return 0.0;
    return std::tan(kPi * ClampFreq(fc, fs) / fs);
}

BiquadCoeffs Bilinear(const AnalogBiquad& an, double fs, double prewarpHz) {
    if (!RateOk(fs)) return {};
    const double c = BilinearConstant(fs, prewarpHz);
    const double c2 = c * c;
    return Normalise(an.b2 * c2 + an.b1 * c + an.b0, 2.0 * (an.b0 - an.b2 * c2), an.b2 * c2 - an.b1 * c + an.b0,
                     an.a2 * c2 + an.a1 * c + an.a0, 2.0 * (an.a0 - an.a2 * c2), an.a2 * c2 - an.a1 * c + an.a0);
}

FirstOrderCoeffs BilinearFirstOrder(const AnalogBiquad& an, double fs, double prewarpHz) {
    if (!RateOk(fs)) return {};
    const double c = BilinearConstant(fs, prewarpHz);
    const double a0 = an.a1 * c + an.a0;
    if (a0 == 0.0 || !std::isfinite(a0)) return {};
    return {(an.b1 * c + an.b0) / a0, (an.b0 - an.b1 * c) / a0, (an.a0 - an.a1 * c) / a0};
}

bool DesignButterworthLowpass(int order, double fc, double fs, CBiquadCascade& out) {
    return DesignButterworth(order, fc, fs, false, out);
}

bool DesignButterworthHighpass(int order, double fc, double fs, CBiquadCascade& out) {
    return DesignButterworth(order, fc, fs, true, out);
}

ThirdOrderCoeffs DesignButterworthHighpass3(double fc, double fs) {
    if (!RateOk(fs)) return {};
    const double k = PrewarpK(fc, fs);
    const double k2 = k * k, k3 = k2 * k;
    const double d = 1.0 + 2.0 * k + 2.0 * k2 + k3;
    ThirdOrderCoeffs c;
    c.b0 = 1.0 / d;
    c.b1 = -3.0 / d;
    c.b2 = 3.0 / d;
    c.b3 = -1.0 / d;
    c.a1 = -(3.0 + 2.0 * k - 2.0 * k2 - 3.0 * k3) / d;
    c.a2 = (3.0 - 2.0 * k - 2.0 * k2 + 3.0 * k3) / d;
    c.a3 = -(1.0 - 2.0 * k + 2.0 * k2 - k3) / d;
    return c;
}

BiquadCoeffs DesignButterworthLowpass2(double fc, double fs) {
    if (!RateOk(fs)) return {};
    const double r = 1.0 / PrewarpK(fc, fs);
    const double dn = 1.0 / (r * r + kSqrt2Short * r + 1.0);
    return {dn, 2.0 * dn, dn, (2.0 - 2.0 * r * r) * dn, (1.0 - kSqrt2Short * r + r * r) * dn};
}

BiquadCoeffs DesignButterworthHighpass2(double fc, double fs) {
    if (!RateOk(fs)) return {};
    const double k = PrewarpK(fc, fs);
    const double d = k * k + kSqrt2Short * k + 1.0;
    return {1.0 / d, -2.0 / d, 1.0 / d, (2.0 * k * k - 2.0) / d, (k * k - kSqrt2Short * k + 1.0) / d};
}

FirstOrderCoeffs DesignOnePoleLowpass(double fc, double fs) {
    if (!RateOk(fs)) return {};
    return OnePoleLowpassOf(PrewarpK(fc, fs));
}

FirstOrderCoeffs DesignOnePoleLowpassRelative(double fcOverRate) {
    return OnePoleLowpassOf(std::tan(kPi * fcOverRate));
}

FirstOrderCoeffs DesignOnePoleHighpass(double fc, double fs) {
    if (!RateOk(fs)) return {};
    const double k = PrewarpK(fc, fs);
    return {1.0 / (1.0 + k), -1.0 / (1.0 + k), (k - 1.0) / (k + 1.0)};
}

BiquadCoeffs DesignLowShelf(double fc, double gainDb, double fs, double slope) {
    return Shelf(fc, gainDb, fs, slope, 1.0);
}

BiquadCoeffs DesignHighShelf(double fc, double gainDb, double fs, double slope) {
    return Shelf(fc, gainDb, fs, slope, -1.0);
}

BiquadCoeffs DesignPeaking(double fc, double gainDb, double bwOctaves, double fs) {
    if (!RateOk(fs)) return {};
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w = Omega(fc, fs);
    const double alpha = AlphaFromOctaves(w, bwOctaves);
    const double cw = std::cos(w);
    return Normalise(1.0 + alpha * a, -2.0 * cw, 1.0 - alpha * a, 1.0 + alpha / a, -2.0 * cw, 1.0 - alpha / a);
}

NotchCoeffs DesignNotch(double fc, double bwOctaves, double fs) {
    NotchCoeffs c;
    if (!RateOk(fs) || !(fc > 0.0)) return c;
    const double r = std::exp(0.346575 * bwOctaves);  // 2^(bw/2)
    double fu = fc * r;
    double fl = fc / r;
    if (fl < 0.01) {
        fl = 0.01;
    } else if (fu > fs / 2.0) {
        fl -= fu - fs / 2.0;
        fu = fs / 2.0;
    }
    // A centre below the lowest edge would give a negative band and an unstable section.
    const double theta = kPi * std::max(fu - fl, 1e-6) / fs;
    const double t = std::tan(std::min(theta, 0.49 * kPi));
    c.beta = 0.5 * (1.0 - t) / (1.0 + t);
    c.gamma = (0.5 + c.beta) * std::cos(2.0 * kPi * fc / fs);
    c.alpha = (0.5 - c.beta) / 2.0;
    return c;
}

BiquadCoeffs DesignLowpass(double fc, double q, double fs) {
    if (!RateOk(fs) || !(q > 0.0)) return {};
    const double w = Omega(fc, fs);
    const double alpha = std::sin(w) / (2.0 * q);
    const double cw = std::cos(w);
    return Normalise((1.0 - cw) / 2.0, 1.0 - cw, (1.0 - cw) / 2.0, 1.0 + alpha, -2.0 * cw, 1.0 - alpha);
}

BiquadCoeffs DesignHighpass(double fc, double q, double fs) {
    if (!RateOk(fs) || !(q > 0.0)) return {};
    const double w = Omega(fc, fs);
    const double alpha = std::sin(w) / (2.0 * q);
    const double cw = std::cos(w);
    return Normalise((1.0 + cw) / 2.0, -(1.0 + cw), (1.0 + cw) / 2.0, 1.0 + alpha, -2.0 * cw, 1.0 - alpha);
}

BiquadCoeffs DesignRiaaPlayback(double fs) {
    if (!RateOk(fs)) return {};
    BiquadCoeffs c = RiaaFitted(fs);
    if (!(std::isfinite(c.b0) && std::isfinite(c.b1) && std::isfinite(c.b2))) c = RiaaBilinear(fs);
    NormaliseGainAt(c, 1000.0, fs);
    return c;
}

bool DesignRiaaPlayback(double fs, CBiquadCascade& out) {
    out.Clear();
    if (!RateOk(fs)) return false;
    if (fs < kRiaaOneSectionFrom && RiaaFittedCascade(fs, out)) return true;
    out.Clear();
    return out.Add(DesignRiaaPlayback(fs));
}

std::complex<double> Response(const BiquadCoeffs& c, double f, double fs) {
    const std::complex<double> z = ZInv(f, fs);
    return (c.b0 + z * (c.b1 + z * c.b2)) / (1.0 + z * (c.a1 + z * c.a2));
}

std::complex<double> Response(const FirstOrderCoeffs& c, double f, double fs) {
    const std::complex<double> z = ZInv(f, fs);
    return (c.b0 + z * c.b1) / (1.0 + z * c.a1);
}

std::complex<double> Response(const ThirdOrderCoeffs& c, double f, double fs) {
    const std::complex<double> z = ZInv(f, fs);
    return (c.b0 + z * (c.b1 + z * (c.b2 + z * c.b3))) / (1.0 + z * (c.a1 + z * (c.a2 + z * c.a3)));
}

std::complex<double> Response(const NotchCoeffs& c, double f, double fs) {
    const std::complex<double> z = ZInv(f, fs);
    const std::complex<double> band = 2.0 * c.alpha * (1.0 - z * z) / (1.0 - 2.0 * c.gamma * z + 2.0 * c.beta * z * z);
    return 1.0 - band;
}

std::complex<double> Response(const CBiquadCascade& c, double f, double fs) {
    std::complex<double> h = 1.0;
    for (int i = 0; i < c.Count(); ++i) h *= Response(c.Coeffs(i), f, fs);
    return h;
}

double MagnitudeDb(std::complex<double> h) {
    const double m = std::abs(h);
    return m > 0.0 ? 20.0 * std::log10(m) : -400.0;
}

void NormaliseGainAt(BiquadCoeffs& c, double f, double fs) {
    const double m = std::abs(Response(c, f, fs));
    if (!(m > 0.0) || !std::isfinite(m)) return;
    c.b0 /= m;
    c.b1 /= m;
    c.b2 /= m;
}

}  // namespace dsp
