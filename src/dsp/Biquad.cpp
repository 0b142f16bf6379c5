#include "dsp/Biquad.h"

void CBiquad::ProcessBlock(double* data, std::size_t count, unsigned stride) {
    if (!data || stride == 0) return;
    for (std::size_t i = 0; i < count; ++i) {
        double& v = data[i * stride];
        v = Process(v);
    }
}
