#include "winbase.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdlib>

int MulDiv(int nNumber, int nNumerator, int nDenominator)
{
    if (nDenominator == 0) return -1;
    const int64_t product = int64_t{nNumber} * nNumerator;
    const int64_t denominator = nDenominator;
    const int64_t magnitude = (std::abs(product) + std::abs(denominator) / 2) / std::abs(denominator);
    const int64_t result = (product < 0) != (denominator < 0) ? -magnitude : magnitude;
    return result > INT_MAX || result < INT_MIN ? -1 : static_cast<int>(result);
}

DWORD GetTickCount()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

DWORD GetCurrentThreadId()
{
    return static_cast<DWORD>(::syscall(SYS_gettid));
}

HMODULE GetModuleHandleA(LPCSTR lpModuleName)
{
    // The program's own image, at the address where such images have always loaded.
    return lpModuleName == nullptr ? reinterpret_cast<HMODULE>(0x400000) : nullptr;
}
