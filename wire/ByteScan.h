#pragma once
// The first of a few given bytes in a stretch of text, sixteen bytes at a
// time: names and tags are short, and a call to the C library per name costs
// more than the search itself.

#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace signseek::wire {

// The first byte in [p, end) that is one of `Bytes`, or `end`.
template <char... Bytes> inline const char* FindAny(const char* p, const char* end)
{
#if defined(__SSE2__)
    for (; end - p >= 16; p += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hits = (_mm_cmpeq_epi8(chunk, _mm_set1_epi8(Bytes)) | ...);
        if (const int mask = _mm_movemask_epi8(hits)) return p + __builtin_ctz(static_cast<unsigned>(mask));
    }
#endif
    for (; p < end; ++p)
        if (((*p == Bytes) || ...)) return p;
    return end;
}

template <char... Bytes> inline char* FindAny(char* p, char* end)
{
    return const_cast<char*>(FindAny<Bytes...>(static_cast<const char*>(p), static_cast<const char*>(end)));
}

}  // namespace signseek::wire
