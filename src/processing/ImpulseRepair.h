// CImpulseRepair: the autoregressive repair of CImpulse. Given the samples of a
// detected event with the audio on both sides of it, it finds which samples
// the click really spoiled (a detector's event is only where to look) and
// rebuilds those from a model fitted to both sides. An event in which no sample
// stands out from the model is music the detector mistook, and stays as it is.
// Where a click's tail has faded to the level of the music's own
// unpredictability, the sample is kept in part rather than guessed anew.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dsp/ArInterpolator.h"
#include "dsp/Burg.h"

class CImpulseRepair {
public:
    // Where the repair fell inside the event; length 0 when nothing was changed.
    struct Gap {
        std::size_t first = 0;
        std::size_t length = 0;
    };

    // Workspace for contexts of up to maxContext samples a side and events of up to maxEvent.
    bool Reserve(std::size_t maxContext, std::size_t maxEvent);

    // x holds the context before (nb samples), the event (span) and the context after (na), as
    // one run of audio. The spoiled part of the event is overwritten with its reconstruction.
    // Returns that part, relative to the event's start. With too little context on both sides
    // the whole event is rebuilt from what there is. cutShort: the event was closed at its
    // length limit, so the audio after it may be damaged too.
    // at: the event's position in the stream, or kNoPosition. An event within kReuseSpan samples
    // after the one whose model was last fitted is judged by that model: in quiet passages a
    // sensitive detector reports events back to back, nearly all of them music, and fitting each
    // anew cost more than the rest of the cleaning together.
    static constexpr int64_t kNoPosition = INT64_MIN;
    static constexpr int64_t kReuseSpan = 256;
    Gap Fix(double* x, std::size_t nb, std::size_t span, std::size_t na, bool cutShort, int64_t at = kNoPosition);
    // Forgets the kept model (a new run, or a jump in the stream).
    void Forget() { m_keptAt = kNoPosition; }

private:
    // Judges the event by the model in m_coeffs: false when nothing in it stands out as a click,
    // else the spoiled part, the model's error spread and whether the audio after it is damaged too.
    bool Locate(const double* x, std::size_t nb, std::size_t span, std::size_t na, bool cutShort, Gap& gap,
                double& noise, bool& spoiled);
    // Robust spread of a model's prediction error over x[from, to): from the median magnitude,
    // so the clicks in a context do not inflate it. forward: predicted from the past, else from
    // the future.
    double Spread(const double* x, std::size_t from, std::size_t to, bool forward);
    double Error(const double* x, std::size_t t, bool forward) const;
    // Fills m_weights for x[from, from + length): how far each damaged sample may still be
    // trusted, against the model's error spread noise. Damage that has faded to the music's own
    // unpredictability keeps most of the sample; a loud click keeps nothing.
    void Weigh(const double* x, std::size_t from, std::size_t length, double noise);

    CBurg m_burg;
    CArInterpolator m_fill;
    std::vector<double> m_coeffs;
    std::vector<double> m_kept;  // the model that finds a click, fitted for the event at m_keptAt
    int m_keptOrder = 0;
    int64_t m_keptAt = kNoPosition;
    std::vector<double> m_scratch;  // magnitudes for the median
    std::vector<double> m_weights;  // how far each sample of a gap is still to be trusted
    int m_order = 0;
    std::size_t m_maxContext = 0, m_maxEvent = 0;
};
