// The vector loops built for SSE2, two doubles a lane group: the baseline
// of every build, x86-64 and i686 alike.
#include "engine/simd_prelude.h"

#define TINDRAL_SIMD_ARCH xsimd::sse2
#define TINDRAL_QUADRATIC_GROUPS 2
#define TINDRAL_BAND_FUNCTION GenerateBandSse2
#include "engine/generator_simd.inl"
