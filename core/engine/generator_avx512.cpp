// The vector loops built for AVX-512F, eight doubles a vector; only
// called when the processor has it. Compiled with -mavx512f (core/engine/simd.cmake).
#include "core/engine/simd_prelude.h"

#define TINDRAL_SIMD_ARCH xsimd::avx512f
#define TINDRAL_SIMD_AVX512 1
#define TINDRAL_QUADRATIC_GROUPS 5
#define TINDRAL_QUADRATIC_CHUNK 16
// Twice the others' chunk: with twice their lanes a step, the looks between
// chunks cost twice as much of the time, and a longer chunk wastes only the
// steps an escaped lane takes to its end.
#define TINDRAL_QUADRATIC_LANE_CHUNK 64
#define TINDRAL_BLIND_BELOW 52
#define TINDRAL_KERNEL GenerateAvx512
#include "core/engine/generator_simd.inl"
