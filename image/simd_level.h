// The instruction set the pixel kernels use. The fastest one the processor supports is
// chosen on first use; every level gives the same bytes, and tests narrow the level to
// check each one.
#pragma once

enum class SimdLevel {
    kBaseline,  // x86-64 baseline (or portable C++ on other processors)
    kAvx2,
};

// The highest level this processor and operating system support.
SimdLevel SupportedSimdLevel();
// The level the kernels use now.
SimdLevel ActiveSimdLevel();
// Makes the kernels use `level`, or the supported level when that is lower. Returns the
// level now in use.
SimdLevel SetSimdLevel(SimdLevel level);

// Marks a function compiled for AVX2, which may only run at level kAvx2.
#if defined(__x86_64__)
#define QM_HAVE_AVX2_KERNELS 1
#define QM_TARGET_AVX2 __attribute__((target("avx2")))
#else
#define QM_HAVE_AVX2_KERNELS 0
#endif
