#pragma once
// Fixed-width lanes in the compiler's vector extension (plain SSE on x86-64,
// NEON on ARM): four floats with their lane masks, and two doubles with
// theirs. Arithmetic is the operators; each lane rounds exactly as the plain
// code on one value does, so a lane loop and its scalar tail agree bit for bit.

#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lanes {

using F4 = float __attribute__((vector_size(16)));
using I4 = int32_t __attribute__((vector_size(16)));
using D2 = double __attribute__((vector_size(16)));
using L2 = int64_t __attribute__((vector_size(16)));

inline F4 Load4(const float* p)
{
    F4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline F4 Splat(float s)
{
    return F4{s, s, s, s};
}

inline D2 Splat(double s)
{
    return D2{s, s};
}

// Lanes of a where the mask is set, of b elsewhere.
inline F4 Select(I4 m, F4 a, F4 b)
{
    return reinterpret_cast<F4>((m & reinterpret_cast<I4>(a)) | (~m & reinterpret_cast<I4>(b)));
}

inline D2 Select(L2 m, D2 a, D2 b)
{
    return reinterpret_cast<D2>((m & reinterpret_cast<L2>(a)) | (~m & reinterpret_cast<L2>(b)));
}

#if defined(__SSE__)
inline F4 Min(F4 a, F4 b)
{
    return _mm_min_ps(a, b);
}
inline F4 Max(F4 a, F4 b)
{
    return _mm_max_ps(a, b);
}
#else
inline F4 Min(F4 a, F4 b)
{
    return Select(a < b, a, b);
}
inline F4 Max(F4 a, F4 b)
{
    return Select(a > b, a, b);
}
#endif

// Lane k's mask as bit k.
inline uint32_t Bits(I4 m)
{
#if defined(__SSE__)
    return static_cast<uint32_t>(_mm_movemask_ps(reinterpret_cast<__m128>(m)));
#else
    return static_cast<uint32_t>((m[0] & 1) | (m[1] & 2) | (m[2] & 4) | (m[3] & 8));
#endif
}

inline D2 Abs(D2 v)
{
    return reinterpret_cast<D2>(reinterpret_cast<L2>(v) & INT64_MAX);
}

inline D2 Sqrt(D2 v)
{
#if defined(__SSE2__)
    return _mm_sqrt_pd(v);
#else
    return D2{std::sqrt(v[0]), std::sqrt(v[1])};
#endif
}

} // namespace lanes
