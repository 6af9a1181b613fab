// The vector loops built for SSE2, two doubles a vector: the baseline
// of every build, x86-64 and i686 alike.
#include "core/engine/simd_prelude.h"

#define TINDRAL_SIMD_ARCH xsimd::sse2
// i686 has 8 vector registers, not 16: more groups would only spill.
#if defined(__i386__)
#define TINDRAL_QUADRATIC_GROUPS 2
#else
#define TINDRAL_QUADRATIC_GROUPS 4
#endif
#define TINDRAL_QUADRATIC_CHUNK 16
#define TINDRAL_QUADRATIC_LANE_CHUNK 32
#define TINDRAL_QUADRATIC_MARK_STEPS 8
#define TINDRAL_BLIND_BELOW 18
#define TINDRAL_KERNEL GenerateSse2
#include "core/engine/generator_simd.inl"
