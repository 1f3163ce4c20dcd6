#include "core/filelist/SortOrder.h"

#include "core/common/PathText.h"
#include "core/common/SpreadOverCores.h"
#include "core/filelist/FileScan.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>
#include <random>
#include <utility>
#include <vector>

namespace {

// Case-insensitive comparison in the user's locale, through sort keys made once per text, so
// that no comparison calls the collator.
class PathCollation {
public:
    PathCollation() {
        m_collator.setCaseSensitivity(Qt::CaseInsensitive);
        m_collator.setNumericMode(false);
        // The C locale's keys are the bytes of the text whatever the case setting says, so the
        // case is folded before the key is made there.
        m_foldCase = m_collator.locale().language() == QLocale::C;
    }

    QCollatorSortKey Key(const QString& text) const {
        return m_collator.sortKey(m_foldCase ? text.toCaseFolded() : text);
    }

private:
    QCollator m_collator;
    bool m_foldCase = false;
};

enum class Direction { Ascending, Descending };

// Puts the entries in the order of `order`, a permutation of their indices.
void Reorder(FileEntries& list, const std::vector<std::uint32_t>& order) {
    FileEntries sorted;
    sorted.reserve(list.size());
    for (const std::uint32_t index : order) {
        sorted.push_back(std::move(list[index]));
    }
    list = std::move(sorted);
}

// The collation keys of textOf(0) … textOf(count - 1), made over the cores when there are
// many. Each part has its own collator.
template <typename TextOf>
std::vector<std::optional<QCollatorSortKey>> CollationKeys(std::size_t count, const TextOf& textOf) {
    std::vector<std::optional<QCollatorSortKey>> keys(count);
    SpreadOverCores(count, [&](std::size_t begin, std::size_t end) {
        const PathCollation collation;
        for (std::size_t i = begin; i < end; ++i) {
            keys[i].emplace(collation.Key(textOf(i)));
        }
    });
    return keys;
}

// Sorts `indices` by the keys they stand for.
void SortByKeys(std::vector<std::uint32_t>::iterator first, std::vector<std::uint32_t>::iterator last,
                const std::vector<std::optional<QCollatorSortKey>>& keys, Direction direction) {
    std::sort(first, last, [&keys, direction](std::uint32_t a, std::uint32_t b) {
        const int compared = keys[a]->compare(*keys[b]);
        return direction == Direction::Ascending ? compared < 0 : compared > 0;
    });
}

// The name orders: the full path, or the extension followed by the full path.
// How many leading characters every path of `list` shares, cut back to the last "/" among them
// and leaving that "/" out. Behind an equal start the comparison only ever looks at what
// follows, so keys made of the rest (with the "/" that comes next) order the paths as keys of
// the whole paths do, and they take far less time to make.
qsizetype SharedFolderLength(const FileEntries& list) {
    if (list.empty()) {
        return 0;
    }
    const QString& first = list.front().path;
    qsizetype shared = first.size();
    for (const FileEntry& entry : list) {
        const qsizetype most = std::min(shared, entry.path.size());
        qsizetype same = 0;
        while (same < most && entry.path[same] == first[same]) {
            ++same;
        }
        shared = same;
    }
    const qsizetype slash = shared > 0 ? first.lastIndexOf(QLatin1Char('/'), shared - 1) : -1;
    return std::max<qsizetype>(slash, 0);
}

void SortByName(FileEntries& list, Direction direction, bool extensionFirst) {
    const qsizetype shared = SharedFolderLength(list);
    const auto keys = CollationKeys(list.size(), [&](std::size_t index) {
        const QString& path = list[index].path;
        const QString rest = shared > 0 ? path.sliced(shared) : path;
        return extensionFirst ? UpperExtension(path) + rest : rest;
    });
    std::vector<std::uint32_t> order(list.size());
    std::iota(order.begin(), order.end(), 0u);
    SortByKeys(order.begin(), order.end(), keys, direction);
    Reorder(list, order);
}

// Orders that sort by the key: `rankOf(key)` places each file, and files of equal rank (which
// the ranks below give only to equal keys) follow their paths in `ties` direction. Collation keys
// are made for the files in runs of equal rank only.
template <typename RankOf> void SortByKey(FileEntries& list, const RankOf& rankOf, Direction ties) {
    struct Ranked {
        std::uint64_t rank;
        std::uint32_t index;
    };
    std::vector<Ranked> ranked(list.size());
    for (std::uint32_t i = 0; i < ranked.size(); ++i) {
        ranked[i] = {rankOf(list[i].key), i};
    }
    std::sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) { return a.rank < b.rank; });
    // Runs of equal rank as [begin, end) of `ranked`, and the files in them.
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    std::vector<std::uint32_t> tied;
    for (std::size_t begin = 0; begin < ranked.size();) {
        std::size_t end = begin + 1;
        while (end < ranked.size() && ranked[end].rank == ranked[begin].rank) {
            ++end;
        }
        if (end - begin > 1) {
            runs.emplace_back(begin, end);
            for (std::size_t i = begin; i < end; ++i) {
                tied.push_back(ranked[i].index);
            }
        }
        begin = end;
    }
    std::vector<std::uint32_t> order(ranked.size());
    std::transform(ranked.cbegin(), ranked.cend(), order.begin(), [](const Ranked& r) { return r.index; });
    const qsizetype shared = SharedFolderLength(list);
    const auto keys = CollationKeys(tied.size(), [&](std::size_t i) {
        const QString& path = list[tied[i]].path;
        return shared > 0 ? path.sliced(shared) : path;
    });
    // Each run sorts the places of its files in `tied`, then takes the files in that order.
    std::vector<std::uint32_t> places;
    std::size_t firstTied = 0;
    for (const auto& [begin, end] : runs) {
        places.resize(end - begin);
        std::iota(places.begin(), places.end(), static_cast<std::uint32_t>(firstTied));
        SortByKeys(places.begin(), places.end(), keys, ties);
        std::transform(places.cbegin(), places.cend(), order.begin() + static_cast<std::ptrdiff_t>(begin),
                       [&tied](std::uint32_t place) { return tied[place]; });
        firstTied += end - begin;
    }
    Reorder(list, order);
}

// Smaller keys first, as signed numbers.
std::uint64_t AscendingRank(std::int32_t key) {
    return static_cast<std::uint32_t>(key) ^ 0x80000000u;
}

// Larger keys first, as signed numbers.
std::uint64_t DescendingRank(std::int32_t key) {
    return ~static_cast<std::uint32_t>(AscendingRank(key));
}

// How close a picture's shape comes to `target` (height / width of a landscape picture), as a
// rank: landscape pictures by their distance from the target, then portrait and square ones by
// height / width, squarer first, then pictures whose width is unknown. The distance of a
// landscape picture is below 1 and the ratio of the others at least 1, so one number orders
// both groups. Equal values go larger key first. The pairwise rule this stands for calls two
// landscape shapes equally far on either side of the target "before" each other; the rank
// settles those by the key instead, and agrees with the rule everywhere else.
std::uint64_t ShapeRank(std::int32_t key, float target) {
    const std::uint32_t width = static_cast<std::uint32_t>(key) >> 16;
    const std::uint32_t height = static_cast<std::uint32_t>(key) & 0xFFFFu;
    float value = std::numeric_limits<float>::infinity();
    if (width != 0) {
        const float ratio = static_cast<float>(height) / static_cast<float>(width);
        value = ratio < 1.0f ? std::fabs(ratio - target) : ratio;
    }
    // The bits of a float that is not negative order like its value.
    return (static_cast<std::uint64_t>(std::bit_cast<std::uint32_t>(value)) << 32) | DescendingRank(key);
}

// A fresh order on every call.
void Shuffle(FileEntries& list) {
    std::random_device device;
    const auto ticks =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::seed_seq seeds{device(), device(), static_cast<std::uint32_t>(ticks),
                        static_cast<std::uint32_t>(ticks >> 32)};
    std::mt19937_64 generator(seeds);
    std::shuffle(list.begin(), list.end(), generator);
}

} // namespace

SortKeySource SortKeySourceOf(SortOrder order) {
    switch (order) {
    case SortOrder::Size:
    case SortOrder::SizeDescending:
        return SortKeySource::Size;
    case SortOrder::Modified:
    case SortOrder::ModifiedDescending:
        return SortKeySource::ModifiedTime;
    case SortOrder::Width:
    case SortOrder::Height:
    case SortOrder::Pixels:
    case SortOrder::Shape4To3:
    case SortOrder::Shape16To9:
        return SortKeySource::PictureSize;
    default:
        return SortKeySource::None;
    }
}

std::int32_t PictureSortKey(SortOrder order, std::uint32_t probed) {
    const std::uint32_t width = probed >> 16;
    const std::uint32_t height = probed & 0xFFFFu;
    switch (order) {
    case SortOrder::Height:
        return static_cast<std::int32_t>((height << 16) | width);
    case SortOrder::Pixels:
        return static_cast<std::int32_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(width) * height,
                                                                 std::numeric_limits<std::int32_t>::max()));
    default:
        return static_cast<std::int32_t>(probed);
    }
}

void SortFileList(FileEntries& list, SortOrder order) {
    switch (order) {
    case SortOrder::Name:
        SortByName(list, Direction::Ascending, false);
        break;
    case SortOrder::NameDescending:
        SortByName(list, Direction::Descending, false);
        break;
    case SortOrder::Extension:
        SortByName(list, Direction::Ascending, true);
        break;
    case SortOrder::Shuffle:
        Shuffle(list);
        break;
    case SortOrder::Size:
    case SortOrder::Modified:
        SortByKey(list, AscendingRank, Direction::Ascending);
        break;
    case SortOrder::SizeDescending:
    case SortOrder::ModifiedDescending:
        SortByKey(list, DescendingRank, Direction::Descending);
        break;
    case SortOrder::Width:
    case SortOrder::Height:
    case SortOrder::Pixels:
        SortByKey(list, DescendingRank, Direction::Ascending);
        break;
    case SortOrder::Shape4To3:
        SortByKey(
            list, [](std::int32_t key) { return ShapeRank(key, 0.75f); }, Direction::Ascending);
        break;
    case SortOrder::Shape16To9:
        SortByKey(
            list, [](std::int32_t key) { return ShapeRank(key, 0.5625f); }, Direction::Ascending);
        break;
    default:
        // File-system order, and codes no order has.
        break;
    }
}
