#include "image/simd_level.h"

#include <atomic>

namespace {

SimdLevel Detect()
{
    // The compiler's check includes the operating system's support for the AVX state.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi") &&
        __builtin_cpu_supports("avx512vnni") && __builtin_cpu_supports("bmi2")) {
        return SimdLevel::kAvx512;
    }
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) {
        return SimdLevel::kAvx2;
    }
    return SimdLevel::kBaseline;
}

std::atomic<SimdLevel>& Active()
{
    static std::atomic<SimdLevel> active{SupportedSimdLevel()};
    return active;
}

}  // namespace

SimdLevel SupportedSimdLevel()
{
    static const SimdLevel supported = Detect();
    return supported;
}

SimdLevel ActiveSimdLevel()
{
    return Active().load(std::memory_order_relaxed);
}

SimdLevel SetSimdLevel(SimdLevel level)
{
    const SimdLevel used = level < SupportedSimdLevel() ? level : SupportedSimdLevel();
    Active().store(used, std::memory_order_relaxed);
    return used;
}
