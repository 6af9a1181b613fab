// The vector loops built for AVX-512F, eight doubles a vector; only
// called when the processor has it. Compiled with -mavx512f (core/engine/simd.cmake).
#include "core/engine/simd_prelude.h"

#define TINDRAL_SIMD_ARCH xsimd::avx512f
#define TINDRAL_SIMD_AVX512 1
#define TINDRAL_QUADRATIC_GROUPS 5
#define TINDRAL_QUADRATIC_CHUNK 16
// Three times the others' chunk: with twice their lanes a step, the looks
// between chunks cost twice as much of the time, and a longer chunk wastes
// only the steps an escaped lane takes to its end. Marks twice as far apart
// as theirs, six a chunk: the lanes found out are set back with a vector
// select for each mark.
#define TINDRAL_QUADRATIC_LANE_CHUNK 96
#define TINDRAL_QUADRATIC_MARK_STEPS 16
#define TINDRAL_BLIND_BELOW 78
#define TINDRAL_KERNEL GenerateAvx512
#include "core/engine/generator_simd.inl"
