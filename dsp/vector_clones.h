// Functions marked VECTOR_CLONES are compiled twice, for AVX2 and for plain
// x86-64 (SSE2), and the loader picks the one the processor can run. Both
// run the same operations in the same order, so they give the same bits;
// builds with QUAXEL2_BASELINE_ONLY (the sanitized ones among them) keep
// only the plain one, which lets the tests check that path too on a machine
// that has AVX2.
#pragma once

#ifdef QUAXEL2_BASELINE_ONLY
#define VECTOR_CLONES
#else
#define VECTOR_CLONES [[gnu::target_clones("avx2", "default")]]
#endif
