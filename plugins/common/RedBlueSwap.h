// Red and blue of 3-byte pixels changing places in memory (RGB to BGR and back), for the
// plug-ins and for the host that takes their rows. Header only; no state beyond the processor's
// features, read once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define RUVELA_SWAP_SSSE3 1
#endif

namespace ruvela_pixels {

inline void SwapRedBlue3Plain(std::uint8_t* pixels, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        std::swap(pixels[i * 3], pixels[i * 3 + 2]);
    }
}

#ifdef RUVELA_SWAP_SSSE3
// Five pixels at a time, read and written as 16 bytes whose last byte stays as it was; the
// next step starts on that byte.
__attribute__((target("ssse3"))) inline void SwapRedBlue3Ssse3(std::uint8_t* pixels, std::size_t count) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    std::size_t i = 0;
    for (; i + 6 <= count; i += 5) {
        auto* at = reinterpret_cast<__m128i*>(pixels + i * 3);
        _mm_storeu_si128(at, _mm_shuffle_epi8(_mm_loadu_si128(at), order));
    }
    SwapRedBlue3Plain(pixels + i * 3, count - i);
}
#endif

// Swaps the first and third byte of each of `count` tightly packed 3-byte pixels.
inline void SwapRedBlue3(std::uint8_t* pixels, std::size_t count) {
#ifdef RUVELA_SWAP_SSSE3
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3) {
        SwapRedBlue3Ssse3(pixels, count);
        return;
    }
#endif
    SwapRedBlue3Plain(pixels, count);
}

} // namespace ruvela_pixels
