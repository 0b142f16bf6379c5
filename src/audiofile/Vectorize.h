// Marks the per-buffer conversion loops worth vectorising: GCC does not at -O2,
// and a second copy for AVX2 machines is chosen at load time.
#pragma once

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define RESTOVA_VECTORIZE \
    __attribute__((optimize("tree-loop-vectorize", "vect-cost-model=dynamic"), target_clones("avx2", "default")))
#elif defined(__GNUC__) && !defined(__clang__)
#define RESTOVA_VECTORIZE __attribute__((optimize("tree-loop-vectorize", "vect-cost-model=dynamic")))
#else
#define RESTOVA_VECTORIZE
#endif
