// The vector loops built for AVX2, four doubles a vector; only called
// when the processor has AVX2. Compiled with -mavx2 (core/engine/simd.cmake).
#include "core/engine/simd_prelude.h"

#define TINDRAL_SIMD_ARCH xsimd::avx2
#define TINDRAL_SIMD_AVX2 1
#define TINDRAL_QUADRATIC_GROUPS 4
#define TINDRAL_QUADRATIC_CHUNK 16
#define TINDRAL_QUADRATIC_LANE_CHUNK 32
#define TINDRAL_QUADRATIC_MARK_STEPS 8
#define TINDRAL_BLIND_BELOW 18
#define TINDRAL_KERNEL GenerateAvx2
#include "core/engine/generator_simd.inl"
