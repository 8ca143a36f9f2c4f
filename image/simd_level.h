// The instruction set the pixel kernels use. The fastest one the processor supports is
// chosen on first use; every level gives the same bytes, and tests narrow the level to
// check each one.
#pragma once

enum class SimdLevel {
    kBaseline,  // x86-64 baseline (or portable C++ on other processors)
    kAvx2,
    kAvx512,  // AVX-512 F, BW, VL, VBMI and VNNI, with BMI2
};

// The highest level this processor and operating system support.
SimdLevel SupportedSimdLevel();
// The level the kernels use now.
SimdLevel ActiveSimdLevel();
// Makes the kernels use `level`, or the supported level when that is lower. Returns the
// level now in use.
SimdLevel SetSimdLevel(SimdLevel level);

// Mark functions compiled for the levels above baseline, which may run only at that
// level or higher.
#if defined(__x86_64__)
#define QM_HAVE_AVX2_KERNELS 1
#define QM_TARGET_AVX2 __attribute__((target("avx2")))
#define QM_TARGET_AVX512 __attribute__((target("avx2,bmi,bmi2,avx512f,avx512bw,avx512vl,avx512vbmi,avx512vnni")))
#else
#define QM_HAVE_AVX2_KERNELS 0
#endif
