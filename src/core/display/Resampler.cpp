#include "core/display/Resampler.h"

#include <QRunnable>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace {

constexpr int kBytesPerPixel = 3;

// Fixed-point precision of the weights. Reduction weights add up to 1, so a sum stays below
// 255 * 2^18; interpolation weights lie between -1/16 and 1 and their magnitudes add up to at
// most 1.25, so a sum stays within +-1.25 * 255 * 2^20. Both fit 32 bits.
constexpr int kAreaShift = 18;
constexpr int kCubicShift = 20;

// The source samples one target sample is made of: `count` samples from `first`, their weights
// at `weightsAt` in the table.
struct Tap {
    int first = 0;
    int count = 0;
    int weightsAt = 0;
};

// The taps of every target index along one axis, made once before the pixel loops.
struct AxisTable {
    std::vector<Tap> taps;
    std::vector<std::int32_t> weights;
    int shift = 0;
};

// Target i covers source [i * S / D, (i + 1) * S / D). In units of 1/D of a source sample, that
// is [i * S, (i + 1) * S), and source k covers [k * D, (k + 1) * D), so the overlaps are whole.
AxisTable AreaTable(int sourceLength, int targetLength) {
    AxisTable table;
    table.shift = kAreaShift;
    table.taps.resize(static_cast<std::size_t>(targetLength));
    const std::int64_t s = sourceLength;
    const std::int64_t d = targetLength;
    for (std::int64_t i = 0; i < d; ++i) {
        const std::int64_t begin = i * s;
        const std::int64_t end = begin + s;
        const std::int64_t first = begin / d;
        const std::int64_t last = (end - 1) / d;
        Tap& tap = table.taps[static_cast<std::size_t>(i)];
        tap.first = static_cast<int>(first);
        tap.count = static_cast<int>(last - first + 1);
        tap.weightsAt = static_cast<int>(table.weights.size());
        // Each weight is the rounded share covered so far less the rounded share before it: the
        // weights add up to exactly one, so a flat area stays flat and the light is kept, and
        // no weight is off by more than one step even when thousands of samples meet.
        const auto share = [s](std::int64_t covered) {
            return ((covered << (kAreaShift + 1)) + s) / (2 * s);
        };
        std::int64_t covered = 0;
        for (std::int64_t k = first; k <= last; ++k) {
            const std::int64_t overlap = std::min((k + 1) * d, end) - std::max(k * d, begin);
            table.weights.push_back(static_cast<std::int32_t>(share(covered + overlap) - share(covered)));
            covered += overlap;
        }
    }
    return table;
}

// Target i samples the source at p = i * (S - 1) / (D - 1); with k the whole part of p and
// x = 1 + (p - k), the samples k - 1 ... k + 2 take the cubic Lagrange weights through the nodes
// 0 ... 3. Samples beyond an edge are the edge sample, so their weights join its weight.
AxisTable CubicTable(int sourceLength, int targetLength) {
    AxisTable table;
    table.shift = kCubicShift;
    table.taps.resize(static_cast<std::size_t>(targetLength));
    const std::int64_t span = sourceLength - 1;
    const std::int64_t steps = targetLength - 1;
    constexpr double kOne = 1 << kCubicShift;
    for (std::int64_t i = 0; i < targetLength; ++i) {
        const std::int64_t numerator = steps > 0 ? i * span : 0;
        const std::int64_t denominator = steps > 0 ? steps : 1;
        const auto k = static_cast<int>(numerator / denominator);
        const double x =
            1.0 + static_cast<double>(numerator % denominator) / static_cast<double>(denominator);
        const double exact[4] = {-(x - 1) * (x - 2) * (x - 3) / 6, x * (x - 2) * (x - 3) / 2,
                                 -x * (x - 1) * (x - 3) / 2, x * (x - 1) * (x - 2) / 6};
        const int first = std::max(k - 1, 0);
        const int last = std::min(k + 2, sourceLength - 1);
        Tap& tap = table.taps[static_cast<std::size_t>(i)];
        tap.first = first;
        tap.count = last - first + 1;
        tap.weightsAt = static_cast<int>(table.weights.size());
        table.weights.resize(table.weights.size() + static_cast<std::size_t>(tap.count), 0);
        for (int n = 0; n < 4; ++n) {
            const int at = std::clamp(k - 1 + n, first, last) - first;
            table.weights[static_cast<std::size_t>(tap.weightsAt + at)] +=
                static_cast<std::int32_t>(std::lround(exact[n] * kOne));
        }
    }
    return table;
}

AxisTable MakeTable(int sourceLength, int targetLength) {
    return targetLength > sourceLength ? CubicTable(sourceLength, targetLength)
                                       : AreaTable(sourceLength, targetLength);
}

inline uchar ToLevel(std::int32_t sum, int shift) {
    return static_cast<uchar>(std::clamp((sum + (std::int32_t{1} << (shift - 1))) >> shift, 0, 255));
}

// What the threads of one spreading share. Helpers that start after every part is taken find
// nothing to do; they hold this by a shared pointer, so a late one never touches a finished call.
struct SpreadState {
    std::function<void(int, int)> work;
    int count = 0;
    int parts = 0;
    std::atomic<int> next{0};
    std::mutex mutex;
    std::condition_variable allDone;
    int done = 0;

    // Takes parts until none is left; returns how many this thread did.
    int drain() {
        int finished = 0;
        for (int part = next.fetch_add(1); part < parts; part = next.fetch_add(1)) {
            const auto begin = static_cast<int>(static_cast<std::int64_t>(count) * part / parts);
            const auto end = static_cast<int>(static_cast<std::int64_t>(count) * (part + 1) / parts);
            work(begin, end);
            ++finished;
        }
        return finished;
    }

    void finish(int finished) {
        if (finished == 0) {
            return;
        }
        const std::lock_guard lock(mutex);
        done += finished;
        if (done == this->parts) {
            allDone.notify_all();
        }
    }
};

// Runs work(begin, end) over [0, count) in contiguous parts on this thread and on the global
// thread pool; `weight` is the multiply-adds one item costs. This thread takes parts too, so the
// call finishes even when every pool thread is busy. Each part writes only its own rows.
void Spread(int count, std::int64_t weight, ResampleThreads threads,
            const std::function<void(int, int)>& work) {
    // Below this many multiply-adds a part costs less than handing it to another thread.
    constexpr std::int64_t kLeastPerPart = 1 << 18;
    constexpr int kPartsPerThread = 4;
    QThreadPool* pool = QThreadPool::globalInstance();
    const int cores = threads == ResampleThreads::AllCores ? std::max(1, pool->maxThreadCount()) : 1;
    const std::int64_t byWork =
        std::max<std::int64_t>(1, static_cast<std::int64_t>(count) * weight / kLeastPerPart);
    const int parts = static_cast<int>(std::min<std::int64_t>({byWork, count, cores * kPartsPerThread}));
    if (cores == 1 || parts <= 1) {
        work(0, count);
        return;
    }
    auto state = std::make_shared<SpreadState>();
    state->work = work;
    state->count = count;
    state->parts = parts;
    const int helpers = std::min(cores, parts) - 1;
    for (int n = 0; n < helpers; ++n) {
        pool->start(QRunnable::create([state] { state->finish(state->drain()); }));
    }
    state->finish(state->drain());
    std::unique_lock lock(state->mutex);
    state->allDone.wait(lock, [&state] { return state->done == state->parts; });
}

// A null picture when the memory cannot be had.
QImage NewImage(int width, int height) {
    return QImage(width, height, QImage::Format_RGB888);
}

// Where the threads write the rows of a picture made for them. QImage::scanLine() counts a
// detach on every call, which is not safe from several threads, so the rows are found once here.
struct RowsToWrite {
    uchar* bits;
    qsizetype bytesPerLine;

    explicit RowsToWrite(QImage& image) : bits(image.bits()), bytesPerLine(image.bytesPerLine()) {}
    uchar* operator[](int y) const { return bits + y * bytesPerLine; }
};

// Gives every tap the same count, the largest, so the loop across a row has a fixed length:
// shorter taps get zero weights and start earlier where they would run past the last sample.
// Every count is at most `sourceLength`, so the taps stay inside the source.
AxisTable WithEqualCounts(const AxisTable& table, int sourceLength) {
    int count = 0;
    for (const Tap& tap : table.taps) {
        count = std::max(count, tap.count);
    }
    AxisTable equal;
    equal.shift = table.shift;
    equal.taps.reserve(table.taps.size());
    equal.weights.assign(table.taps.size() * static_cast<std::size_t>(count), 0);
    for (const Tap& tap : table.taps) {
        const int first = std::min(tap.first, sourceLength - count);
        const int weightsAt = static_cast<int>(equal.taps.size()) * count;
        std::copy_n(table.weights.begin() + tap.weightsAt, tap.count,
                    equal.weights.begin() + weightsAt + (tap.first - first));
        equal.taps.push_back({first, count, weightsAt});
    }
    return equal;
}

// On x86-64 the row loops are built twice, plain and for AVX2, and the loader picks the one the
// processor runs: the plain build has no 32-bit vector multiply and is about twice as slow.
// Clang (the fuzz build) cannot clone function templates, so it builds them plain.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define RUVELA_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define RUVELA_VECTOR_CLONES
#endif

// One row across, with taps of `Count` samples each (0: the count of the taps, known only now).
template <int Count>
RUVELA_VECTOR_CLONES void RowAcross(const uchar* in, uchar* out, const AxisTable& table) {
    const std::int32_t* weights = table.weights.data();
    const int shift = table.shift;
    for (const Tap& tap : table.taps) {
        const uchar* px = in + static_cast<std::ptrdiff_t>(tap.first) * kBytesPerPixel;
        const std::int32_t* w = weights + tap.weightsAt;
        const int count = Count > 0 ? Count : tap.count;
        std::int32_t r = 0;
        std::int32_t g = 0;
        std::int32_t b = 0;
        for (int n = 0; n < count; ++n, px += kBytesPerPixel) {
            r += w[n] * px[0];
            g += w[n] * px[1];
            b += w[n] * px[2];
        }
        out[0] = ToLevel(r, shift);
        out[1] = ToLevel(g, shift);
        out[2] = ToLevel(b, shift);
        out += kBytesPerPixel;
    }
}

using RowFunction = void (*)(const uchar*, uchar*, const AxisTable&);

// The fixed-length loop for the usual counts: 4 when enlarging, about 2 + S / D when reducing.
RowFunction RowAcrossFor(int count) {
    switch (count) {
    case 1:
        return RowAcross<1>;
    case 2:
        return RowAcross<2>;
    case 3:
        return RowAcross<3>;
    case 4:
        return RowAcross<4>;
    case 5:
        return RowAcross<5>;
    case 6:
        return RowAcross<6>;
    case 7:
        return RowAcross<7>;
    case 8:
        return RowAcross<8>;
    default:
        return RowAcross<0>;
    }
}

// Across: every row of `source` to `width` pixels. The picture is made before the table, so a
// size that cannot be had fails before any work.
QImage ResampleRows(const QImage& source, int width, ResampleThreads threads) {
    QImage target = NewImage(width, source.height());
    if (target.isNull()) {
        return target;
    }
    const AxisTable table = WithEqualCounts(MakeTable(source.width(), width), source.width());
    const RowFunction row = RowAcrossFor(table.taps.front().count);
    const std::int64_t perRow = static_cast<std::int64_t>(table.weights.size()) * kBytesPerPixel;
    const RowsToWrite out(target);
    Spread(source.height(), perRow, threads, [&source, out, &table, row](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            row(source.constScanLine(y), out[y], table);
        }
    });
    return target;
}

// One target row in the pass down: the weighted source rows summed in `sums`, then rounded into
// `out`. Plain loops along memory, which the compiler turns into vector code.
RUVELA_VECTOR_CLONES void RowDown(const uchar* const* rows, const std::int32_t* weights, int count,
                                  std::int32_t* sums, uchar* out, int rowBytes, int shift) {
    for (int x = 0; x < rowBytes; ++x) {
        sums[x] = weights[0] * rows[0][x];
    }
    for (int n = 1; n < count; ++n) {
        const uchar* in = rows[n];
        const std::int32_t weight = weights[n];
        for (int x = 0; x < rowBytes; ++x) {
            sums[x] += weight * in[x];
        }
    }
    for (int x = 0; x < rowBytes; ++x) {
        out[x] = ToLevel(sums[x], shift);
    }
}

// Down: every column of `source` to `height` pixels, a whole target row at a time so the inner
// loops run along memory.
QImage ResampleColumns(const QImage& source, int height, ResampleThreads threads) {
    QImage target = NewImage(source.width(), height);
    if (target.isNull()) {
        return target;
    }
    const AxisTable table = MakeTable(source.height(), height);
    const int rowBytes = source.width() * kBytesPerPixel;
    const std::int64_t perRow = static_cast<std::int64_t>(table.weights.size()) * rowBytes / height;
    const RowsToWrite out(target);
    Spread(height, std::max<std::int64_t>(perRow, rowBytes), threads,
           [&source, out, &table, rowBytes](int begin, int end) {
               std::vector<std::int32_t> sums(static_cast<std::size_t>(rowBytes));
               std::vector<const uchar*> rows;
               for (int y = begin; y < end; ++y) {
                   const Tap& tap = table.taps[static_cast<std::size_t>(y)];
                   rows.clear();
                   for (int n = 0; n < tap.count; ++n) {
                       rows.push_back(source.constScanLine(tap.first + n));
                   }
                   RowDown(rows.data(), table.weights.data() + tap.weightsAt, tap.count, sums.data(), out[y],
                           rowBytes, table.shift);
               }
           });
    return target;
}

// round(i * sourceLength / targetLength), halves to even, kept inside the source.
int NearestIndex(std::int64_t i, std::int64_t sourceLength, std::int64_t targetLength) {
    const std::int64_t product = i * sourceLength;
    std::int64_t index = product / targetLength;
    const std::int64_t twiceRest = 2 * (product % targetLength);
    if (twiceRest > targetLength || (twiceRest == targetLength && (index & 1) != 0)) {
        ++index;
    }
    return static_cast<int>(std::min(index, sourceLength - 1));
}

QImage AsRgb888(const QImage& source) {
    return source.format() == QImage::Format_RGB888 ? source : source.convertToFormat(QImage::Format_RGB888);
}

} // namespace

QImage ScaleNearest(const QImage& source, QSize target, ResampleThreads threads) {
    if (source.isNull() || target.isEmpty()) {
        return {};
    }
    const QImage input = AsRgb888(source);
    QImage output = input.isNull() ? QImage() : NewImage(target.width(), target.height());
    if (output.isNull()) {
        return {};
    }
    std::vector<int> columnBytes(static_cast<std::size_t>(target.width()));
    for (int i = 0; i < target.width(); ++i) {
        columnBytes[static_cast<std::size_t>(i)] =
            NearestIndex(i, input.width(), target.width()) * kBytesPerPixel;
    }
    const RowsToWrite rows(output);
    Spread(target.height(), target.width(), threads,
           [&input, rows, &columnBytes, target](int begin, int end) {
               for (int y = begin; y < end; ++y) {
                   const uchar* in = input.constScanLine(NearestIndex(y, input.height(), target.height()));
                   uchar* out = rows[y];
                   for (const int at : columnBytes) {
                       out[0] = in[at];
                       out[1] = in[at + 1];
                       out[2] = in[at + 2];
                       out += kBytesPerPixel;
                   }
               }
           });
    return output;
}

QImage Resample(const QImage& source, QSize target, ResampleThreads threads) {
    if (source.isNull() || target.isEmpty()) {
        return {};
    }
    QImage image = AsRgb888(source);
    if (!image.isNull() && target.width() != image.width()) {
        image = ResampleRows(image, target.width(), threads);
    }
    if (!image.isNull() && target.height() != image.height()) {
        image = ResampleColumns(image, target.height(), threads);
    }
    return image;
}
