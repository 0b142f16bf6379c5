// Filter designs shared by the filters: bilinear transforms, Butterworth
// sections, the audio-EQ cookbook sections, RIAA playback, and the evaluation
// of a design's response at one frequency. Frequencies are in Hz, gains in dB.
// A frequency outside (0, fs/2) is pulled just inside so that no design
// returns infinities; a non-positive sample rate gives a pass-through section.
#pragma once

#include <complex>

#include "dsp/Biquad.h"
#include "dsp/BiquadCascade.h"
#include "dsp/FirstOrder.h"
#include "dsp/NotchSection.h"
#include "dsp/ThirdOrderSection.h"

namespace dsp {

// An analog second-order section (B2·s² + B1·s + B0) / (A2·s² + A1·s + A0),
// s in rad/s. First-order sections leave B2 and A2 at 0.
struct AnalogBiquad {
    double b0 = 1.0, b1 = 0.0, b2 = 0.0;
    double a0 = 1.0, a1 = 0.0, a2 = 0.0;
};

// tan(π·fc/fs), the pre-warped corner every bilinear design here starts from.
double PrewarpK(double fc, double fs);

// Bilinear transform at rate fs. With prewarpHz > 0 the analog and digital
// responses agree exactly at that frequency; otherwise s = 2·fs·(1−z⁻¹)/(1+z⁻¹).
BiquadCoeffs Bilinear(const AnalogBiquad& analog, double fs, double prewarpHz = 0.0);
// The same for a first-order analog section (b2 and a2 must be 0; they are ignored).
FirstOrderCoeffs BilinearFirstOrder(const AnalogBiquad& analog, double fs, double prewarpHz = 0.0);

// Butterworth low-/high-pass of order 1..32 at corner fc as a cascade of
// second-order sections (odd orders end with a first-order one, stored with
// b2 = a2 = 0). The cascade is cleared first; false on a bad order or rate.
bool DesignButterworthLowpass(int order, double fc, double fs, CBiquadCascade& out);
bool DesignButterworthHighpass(int order, double fc, double fs, CBiquadCascade& out);

// Exact helpers for the fixed-order Butterworth designs several filters share
// (K = tan(π·fc/fs); √2 written as 1.41421356 as in the filters' own tables).
ThirdOrderCoeffs DesignButterworthHighpass3(double fc, double fs);
BiquadCoeffs DesignButterworthLowpass2(double fc, double fs);
BiquadCoeffs DesignButterworthHighpass2(double fc, double fs);

// One-pole sections: low-pass b0 = b1 = K/(1+K), high-pass b0 = −b1 = 1/(1+K),
// both with a1 = (K−1)/(K+1).
FirstOrderCoeffs DesignOnePoleLowpass(double fc, double fs);
FirstOrderCoeffs DesignOnePoleHighpass(double fc, double fs);
// The low-pass for a corner given as a fraction of the rate (0..0.5), taken as it is.
FirstOrderCoeffs DesignOnePoleLowpassRelative(double fcOverRate);

// The notch section at fc with a bandwidth in octaves: band edges fc·2^(±bw/2), the lower kept
// at 0.01 Hz or more, the band moved down to end at fs/2 when it would pass it.
NotchCoeffs DesignNotch(double fc, double bwOctaves, double fs);

// Audio-EQ cookbook sections, normalised by a0. Shelves take a slope (1 = the
// steepest without overshoot); peaking takes a bandwidth in octaves; low/high-pass take Q.
BiquadCoeffs DesignLowShelf(double fc, double gainDb, double fs, double slope = 1.0);
BiquadCoeffs DesignHighShelf(double fc, double gainDb, double fs, double slope = 1.0);
BiquadCoeffs DesignPeaking(double fc, double gainDb, double bwOctaves, double fs);
BiquadCoeffs DesignLowpass(double fc, double q, double fs);
BiquadCoeffs DesignHighpass(double fc, double q, double fs);

// RIAA playback equalisation (time constants 3180, 318 and 75 µs) for rate fs,
// 0 dB at 1 kHz: poles matched to the time constants, zeros fitted to the
// curve's magnitude. Within 0.02 dB from 10 Hz to 20 kHz at 88.2 kHz and
// above; at 44.1 and 48 kHz within 0.5 dB (a two-pole section can do no better).
BiquadCoeffs DesignRiaaPlayback(double fs);
// The same curve for any rate as a cascade, within 0.3 dB from 20 Hz to 20 kHz or fs/2: the
// one section above from 64 kHz on, below that three sections (two poles, six zeros). False
// (and an empty cascade) for a rate that is not positive.
bool DesignRiaaPlayback(double fs, CBiquadCascade& out);

// Complex response at frequency f (Hz) for rate fs.
std::complex<double> Response(const BiquadCoeffs& c, double f, double fs);
std::complex<double> Response(const FirstOrderCoeffs& c, double f, double fs);
std::complex<double> Response(const ThirdOrderCoeffs& c, double f, double fs);
std::complex<double> Response(const NotchCoeffs& c, double f, double fs);
std::complex<double> Response(const CBiquadCascade& c, double f, double fs);
// 20·log10|H| (−400 dB for an exact zero).
double MagnitudeDb(std::complex<double> h);

// Scales b0..b2 so that |H(f)| = 1; a section with |H(f)| = 0 is left alone.
void NormaliseGainAt(BiquadCoeffs& c, double f, double fs);

}  // namespace dsp
