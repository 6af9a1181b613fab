// The perturbation loops built for AVX2, four doubles a vector; only called when the processor has AVX2.
#include <cmath>

#include "core/engine/deep_kernels.h"

#define TINDRAL_SIMD_ARCH xsimd::avx2
#define TINDRAL_DEEP_GROUPS 2
#define TINDRAL_KERNEL PerturbAvx2
#include "core/engine/deep_simd.inl"
