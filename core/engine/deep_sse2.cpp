// The perturbation loops built for SSE2, two doubles a vector: the baseline of every build.
#include <cmath>

#include "core/engine/deep_kernels.h"

#define TINDRAL_SIMD_ARCH xsimd::sse2
#if defined(__i386__)
#define TINDRAL_DEEP_GROUPS 1
#else
#define TINDRAL_DEEP_GROUPS 2
#endif
#define TINDRAL_KERNEL PerturbSse2
#include "core/engine/deep_simd.inl"
