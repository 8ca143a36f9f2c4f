// The instruction set the pixel kernels use. The fastest one the processor supports is
// chosen on first use; every level gives the same bytes, and tests narrow the level to
// check each one.
#pragma once

enum class SimdLevel {
    kBaseline,  // x86-64 baseline
    kAvx2,      // AVX2 with FMA
    kAvx512,    // AVX-512 F, DQ, BW, VL, VBMI and VNNI, with BMI2
};

// The highest level this processor and operating system support.
SimdLevel SupportedSimdLevel();
// The level the kernels use now.
SimdLevel ActiveSimdLevel();
// Makes the kernels use `level`, or the supported level when that is lower. Returns the
// level now in use.
SimdLevel SetSimdLevel(SimdLevel level);

#if !defined(__x86_64__)
#error "the pixel kernels are written for x86-64"
#endif

// Mark functions compiled for the levels above baseline, which may run only at that
// level or higher.
#define QM_TARGET_AVX2 __attribute__((target("avx2,fma")))
#define QM_TARGET_AVX512 \
    __attribute__((target("avx2,bmi,bmi2,avx512f,avx512dq,avx512bw,avx512vl,avx512vbmi,avx512vnni")))

// The kernel set of the active level, from the getters of each level's set.
template <typename Kernels>
const Kernels& PickKernels(const Kernels& (*baseline)(), const Kernels& (*avx2)(), const Kernels& (*avx512)())
{
    switch (ActiveSimdLevel()) {
    case SimdLevel::kAvx512: return avx512();
    case SimdLevel::kAvx2: return avx2();
    case SimdLevel::kBaseline: break;
    }
    return baseline();
}
