#include "dsp/FilterDesign.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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

// α for a bandwidth in octaves (digital band edges).
double AlphaFromOctaves(double w, double bwOctaves) {
    const double sw = std::sin(w);
    return sw * std::sinh(std::log(2.0) / 2.0 * bwOctaves * w / sw);
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
    const double k = PrewarpK(fc, fs);
    return {k / (1.0 + k), k / (1.0 + k), (k - 1.0) / (k + 1.0)};
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

BiquadCoeffs DesignNotch(double fc, double bwOctaves, double fs) {
    if (!RateOk(fs)) return {};
    const double w = Omega(fc, fs);
    const double alpha = AlphaFromOctaves(w, bwOctaves);
    const double cw = std::cos(w);
    return Normalise(1.0, -2.0 * cw, 1.0, 1.0 + alpha, -2.0 * cw, 1.0 - alpha);
}

BiquadCoeffs DesignBandPass(double fc, double bwOctaves, double fs) {
    if (!RateOk(fs)) return {};
    const double w = Omega(fc, fs);
    const double alpha = AlphaFromOctaves(w, bwOctaves);
    const double cw = std::cos(w);
    return Normalise(alpha, 0.0, -alpha, 1.0 + alpha, -2.0 * cw, 1.0 - alpha);
}

BiquadCoeffs DesignAllPass(double fc, double q, double fs) {
    if (!RateOk(fs) || !(q > 0.0)) return {};
    const double w = Omega(fc, fs);
    const double alpha = std::sin(w) / (2.0 * q);
    const double cw = std::cos(w);
    return Normalise(1.0 - alpha, -2.0 * cw, 1.0 + alpha, 1.0 + alpha, -2.0 * cw, 1.0 - alpha);
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
    // A time constant τ is a corner at 1/(2πτ) Hz; warp it so that after the
    // transform with c = 2·fs the corner is where the analog curve has it.
    auto warp = [fs](double tau) {
        const double f = ClampFreq(1.0 / (2.0 * kPi * tau), fs);
        return 1.0 / (2.0 * fs * std::tan(kPi * f / fs));
    };
    const double t1 = warp(3180e-6), t2 = warp(318e-6), t3 = warp(75e-6);
    AnalogBiquad an;
    an.b0 = 1.0;
    an.b1 = t2;
    an.a0 = 1.0;
    an.a1 = t1 + t3;
    an.a2 = t1 * t3;
    BiquadCoeffs c = Bilinear(an, fs);
    NormaliseGainAt(c, 1000.0, fs);
    return c;
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
