#include "common/RedBlueSwap.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

// The fast swap against the plain one, for every count around its steps of five pixels, with
// guard bytes after the pixels that must stay as they are.
TEST(RedBlueSwap, MatchesThePlainSwapAndWritesNothingPastThePixels) {
    std::mt19937 random(5);
    for (std::size_t count = 0; count <= 40; ++count) {
        std::vector<std::uint8_t> pixels(count * 3 + 16);
        for (std::uint8_t& byte : pixels) {
            byte = std::uint8_t(random());
        }
        std::vector<std::uint8_t> expected = pixels;
        ruvela_pixels::SwapRedBlue3Plain(expected.data(), count);
        ruvela_pixels::SwapRedBlue3(pixels.data(), count);
        EXPECT_EQ(pixels, expected) << count << " pixels";
    }
}

// Exactly sized: the last pixel ends the block, so a read or write past it would show under
// AddressSanitizer.
TEST(RedBlueSwap, StaysInsideAnExactBlock) {
    for (std::size_t count : {1u, 5u, 6u, 7u, 11u, 1000u}) {
        std::vector<std::uint8_t> pixels(count * 3);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = std::uint8_t(i);
        }
        ruvela_pixels::SwapRedBlue3(pixels.data(), count);
        EXPECT_EQ(pixels[0], 2);
        EXPECT_EQ(pixels[2], 0);
        EXPECT_EQ(pixels[count * 3 - 1], std::uint8_t(count * 3 - 3)) << count;
    }
}

} // namespace
