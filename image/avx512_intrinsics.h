// The intrinsics header for the AVX-512 kernels. GCC 12 takes the deliberately
// undefined vectors inside the masked intrinsics for uninitialised variables, so those
// warnings are off in the files that include this one.
#pragma once

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
#include <immintrin.h>
