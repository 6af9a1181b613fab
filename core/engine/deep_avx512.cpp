// The perturbation loops built for AVX-512F, eight doubles a vector; only called when the processor has it.
#include <cmath>

#include "core/engine/deep_kernels.h"

#define TINDRAL_SIMD_ARCH xsimd::avx512f
#define TINDRAL_DEEP_GROUPS 2
#define TINDRAL_KERNEL PerturbAvx512
#include "core/engine/deep_simd.inl"
