#pragma once

#include <algorithm>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

// Runs work(begin, end) over [0, count), split into contiguous parts over the cores when the
// count is large, for work of about a microsecond per item (a file looked up, a collation key
// made). Each part writes only its own slots, so the order of the slots is kept. Returns when
// every part is done.
template <typename Work> void SpreadOverCores(std::size_t count, const Work& work) {
    // Below this many items, starting threads costs more than it saves.
    constexpr std::size_t kSpreadFrom = 2000;
    constexpr std::size_t kLeastPerThread = 1000;
    constexpr unsigned kMostThreads = 8;
    const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, kMostThreads);
    const std::size_t parts =
        count > kSpreadFrom ? std::clamp<std::size_t>(count / kLeastPerThread, 1, cores) : 1;
    std::vector<std::thread> helpers;
    helpers.reserve(parts - 1);
    for (std::size_t part = 1; part < parts; ++part) {
        const std::size_t begin = count * part / parts;
        const std::size_t end = count * (part + 1) / parts;
        try {
            helpers.emplace_back([&work, begin, end] { work(begin, end); });
        } catch (const std::system_error&) {
            // No thread to be had: this part runs here.
            work(begin, end);
        }
    }
    work(0, count / parts);
    for (std::thread& helper : helpers) {
        helper.join();
    }
}
