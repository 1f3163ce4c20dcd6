#pragma once

#include <algorithm>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

// Runs work(begin, end) over [0, count) in `parts` contiguous parts, held to one per core and
// one per item; every part but the first runs on a thread of its own. Each part writes only its
// own slots, so the result is the same whatever the number of parts. Returns when every part is
// done.
template <typename Work> void SplitOverCores(std::size_t count, std::size_t parts, const Work& work) {
    constexpr unsigned kMostThreads = 8;
    const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, kMostThreads);
    parts = std::clamp<std::size_t>(parts, 1, std::max<std::size_t>(1, std::min<std::size_t>(cores, count)));
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

// The same for work of about a microsecond per item (a file looked up, a collation key made):
// below a few thousand items, starting threads costs more than it saves.
template <typename Work> void SpreadOverCores(std::size_t count, const Work& work) {
    constexpr std::size_t kSpreadFrom = 2000;
    constexpr std::size_t kLeastPerThread = 1000;
    SplitOverCores(count, count > kSpreadFrom ? count / kLeastPerThread : 1, work);
}
