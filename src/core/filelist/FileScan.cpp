#include "core/filelist/FileScan.h"

#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/common/SpreadOverCores.h"
#include "core/common/UniqueFd.h"
#include "core/filelist/HeaderProbe.h"
#include "core/filelist/ScanMask.h"
#include "core/filelist/SortOrder.h"
#include "core/settings/Options.h"

#include <algorithm>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// The packed DOS form of a modification time in local time, in 2-second steps. Times before
// 1980 cannot be packed and all get the smallest key.
std::int32_t PackedDosTime(time_t seconds) {
    struct tm local {};
    if (localtime_r(&seconds, &local) == nullptr) {
        return 0;
    }
    const int year = local.tm_year + 1900 - 1980;
    if (year < 0) {
        return 0;
    }
    const std::uint32_t packed = (static_cast<std::uint32_t>(std::min(year, 127)) << 25) |
                                 (static_cast<std::uint32_t>(local.tm_mon + 1) << 21) |
                                 (static_cast<std::uint32_t>(local.tm_mday) << 16) |
                                 (static_cast<std::uint32_t>(local.tm_hour) << 11) |
                                 (static_cast<std::uint32_t>(local.tm_min) << 5) |
                                 static_cast<std::uint32_t>(local.tm_sec / 2);
    return static_cast<std::int32_t>(packed);
}

// The sort key of one accepted file for the order `order`, from what stat(2) said of it and,
// for the picture-size orders, from its header, read through `openFile` (-1 when it could not
// be opened). Every order's key is made here, on the scanning threads.
std::int32_t SortKeyOf(SortOrder order, const struct stat& facts, int openFile, const char* name) {
    switch (SortKeySourceOf(order)) {
    case SortKeySource::Size:
        return static_cast<std::int32_t>(
            std::min<qint64>(facts.st_size, std::numeric_limits<std::int32_t>::max()));
    case SortKeySource::ModifiedTime:
        return PackedDosTime(facts.st_mtim.tv_sec);
    case SortKeySource::PictureSize:
        return PictureSortKey(order, ProbeOpenFile(openFile, name));
    case SortKeySource::None:
        break;
    }
    // The name orders compare the paths themselves.
    return 0;
}

QByteArray NativePrefixOf(const QByteArray& folder) {
    return folder.endsWith('/') ? folder : folder + '/';
}

// prefix + name with a single allocation for the common case of an ASCII name.
QString JoinPath(const QString& prefix, const char* name, std::size_t length) {
    const bool ascii =
        std::all_of(name, name + length, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) {
        return prefix + PathFromNative(name, length);
    }
    QString path(prefix.size() + static_cast<qsizetype>(length), Qt::Uninitialized);
    QChar* out = std::copy(prefix.cbegin(), prefix.cend(), path.begin());
    std::transform(name, name + length, out, [](char c) { return QChar(static_cast<char16_t>(c)); });
    return path;
}

// One entry kept from a folder listing. Names live one after the other in a single buffer,
// each ending with a zero byte, so the listing makes no allocation per entry.
struct Listed {
    std::uint32_t nameOffset = 0;
    std::uint32_t nameLength = 0;
    std::uint32_t seen = 0; // entries read up to and including this one
    unsigned char type = DT_UNKNOWN;
    bool extensionMatches = false;
};

// What became of one kept entry once it was looked up.
struct Outcome {
    enum class Kind : unsigned char { Skip, File, Folder };
    Kind kind = Kind::Skip;
    qint64 size = 0;
    std::int32_t key = 0;
    QString path;
};

// Reads one folder: keeps the entries a scan needs, in the order the file system gives them,
// then looks them up with fstatat on the folder's descriptor.
class FolderReader {
public:
    FolderReader() = default;
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;
    ~FolderReader() { Close(); }

    bool Open(const QByteArray& nativeFolder) {
        const int fd = ::open(nativeFolder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        m_dir = ::fdopendir(fd);
        if (m_dir == nullptr) {
            ::close(fd);
            return false;
        }
        return true;
    }

    // (device, inode) of the open folder, to walk no folder twice.
    std::pair<dev_t, ino_t> Identity() const {
        struct stat facts {};
        if (::fstat(::dirfd(m_dir), &facts) != 0) {
            return {0, 0};
        }
        return {facts.st_dev, facts.st_ino};
    }

    // Keeps the files whose extension the mask takes and whatever may be a file; with
    // `withFolders` also every entry that is or may be a folder.
    void Read(const ScanMask& mask, bool withFolders) {
        std::uint32_t seen = 0;
        while (const dirent* entry = ::readdir(m_dir)) {
            ++seen;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
                continue;
            }
            const unsigned char type = entry->d_type;
            const bool mayBeFile = type == DT_REG || type == DT_LNK || type == DT_UNKNOWN;
            const bool mayBeFolder = type == DT_DIR || type == DT_LNK || type == DT_UNKNOWN;
            if (!mayBeFile && !(withFolders && mayBeFolder)) {
                continue;
            }
            const std::size_t length = std::char_traits<char>::length(name);
            const bool matches = mayBeFile && mask.Matches(name, length);
            if (!matches && !(withFolders && mayBeFolder)) {
                continue;
            }
            Listed listed;
            listed.nameOffset = static_cast<std::uint32_t>(m_names.size());
            listed.nameLength = static_cast<std::uint32_t>(length);
            listed.seen = seen;
            listed.type = type;
            listed.extensionMatches = matches;
            m_names.append(name, length + 1);
            m_entries.push_back(listed);
        }
        m_seen = seen;
    }

    // Looks every kept entry up, over several threads when there are many.
    std::vector<Outcome> Resolve(const ScanRule& rule, const QString& prefix) const {
        std::vector<Outcome> outcomes(m_entries.size());
        const int fd = ::dirfd(m_dir);
        SpreadOverCores(m_entries.size(), [&](std::size_t begin, std::size_t end) {
            for (std::size_t i = begin; i < end; ++i) {
                outcomes[i] = Look(fd, m_entries[i], rule, prefix);
            }
        });
        return outcomes;
    }

    void Close() {
        if (m_dir != nullptr) {
            ::closedir(m_dir);
            m_dir = nullptr;
        }
    }

    const std::vector<Listed>& entries() const { return m_entries; }
    const char* name(const Listed& listed) const { return m_names.data() + listed.nameOffset; }
    std::uint32_t seen() const { return m_seen; }

private:
    Outcome Look(int fd, const Listed& listed, const ScanRule& rule, const QString& prefix) const {
        Outcome outcome;
        if (listed.type == DT_DIR) {
            outcome.kind = Outcome::Kind::Folder;
            return outcome;
        }
        // The picture-size orders read the header of every accepted file: it is opened first and
        // the open file says what it is, one look-up of the name instead of two. Non-blocking,
        // so a pipe named like a picture does not hang the scan.
        int opened = -1;
        if (listed.extensionMatches && SortKeySourceOf(rule.sortMode) == SortKeySource::PictureSize) {
            opened = ::openat(fd, name(listed), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        }
        const UniqueFd file(opened);
        struct stat facts {};
        // Follows symbolic links: a link counts as what it points to; a dangling one fails.
        const bool looked =
            opened >= 0 ? ::fstat(opened, &facts) == 0 : ::fstatat(fd, name(listed), &facts, 0) == 0;
        if (!looked) {
            return outcome;
        }
        if (S_ISDIR(facts.st_mode)) {
            outcome.kind = Outcome::Kind::Folder;
            return outcome;
        }
        // Only regular files: a pipe or a device named like a picture would block or never end.
        if (!S_ISREG(facts.st_mode) || !listed.extensionMatches || facts.st_size < rule.minSize ||
            facts.st_size > rule.maxSize) {
            return outcome;
        }
        outcome.kind = Outcome::Kind::File;
        outcome.size = facts.st_size;
        outcome.key = SortKeyOf(rule.sortMode, facts, opened, name(listed));
        outcome.path = JoinPath(prefix, name(listed), listed.nameLength);
        return outcome;
    }

    DIR* m_dir = nullptr;
    std::string m_names;
    std::vector<Listed> m_entries;
    std::uint32_t m_seen = 0;
};

// The depth-first walk of FullSearch. Runs on the scanning thread; owns the set of folders
// already walked.
class TreeWalk {
public:
    TreeWalk(FileEntries& list, const ScanRule& rule, const ScanProgress& progress)
        : m_list(list), m_rule(rule), m_mask(rule.mask), m_progress(progress) {}

    // False when the progress asked to stop.
    bool Walk(const QString& folder, const QByteArray& nativeFolder) {
        FolderReader reader;
        if (!reader.Open(nativeFolder) || !m_visited.insert(reader.Identity()).second) {
            return true;
        }
        if (m_progress && !m_progress(folder, static_cast<int>(m_list.size()), m_lookedAt)) {
            return false;
        }
        reader.Read(m_mask, true);
        const QString prefix = WithTrailingSlash(folder);
        std::vector<Outcome> outcomes = reader.Resolve(m_rule, prefix);
        // Only one folder is open at a time, however deep the walk goes.
        reader.Close();
        const QByteArray nativePrefix = NativePrefixOf(nativeFolder);
        std::uint32_t counted = 0;
        for (std::size_t i = 0; i < outcomes.size(); ++i) {
            const Listed& listed = reader.entries()[i];
            m_lookedAt += static_cast<int>(listed.seen - counted);
            counted = listed.seen;
            Outcome& outcome = outcomes[i];
            if (outcome.kind == Outcome::Kind::File) {
                m_total += outcome.size;
                m_list.push_back({std::move(outcome.path), outcome.key});
            } else if (outcome.kind == Outcome::Kind::Folder) {
                const char* name = reader.name(listed);
                if (!Walk(prefix + PathFromNative(name, listed.nameLength),
                          nativePrefix + QByteArray(name, listed.nameLength))) {
                    return false;
                }
            }
        }
        m_lookedAt += static_cast<int>(reader.seen() - counted);
        return true;
    }

    qint64 total() const { return m_total; }

private:
    FileEntries& m_list;
    const ScanRule& m_rule;
    const ScanMask m_mask;
    const ScanProgress& m_progress;
    std::set<std::pair<dev_t, ino_t>> m_visited;
    qint64 m_total = 0;
    int m_lookedAt = 0;
};

} // namespace

QString BuildScanMask(const QString& pluginPatterns, const Options& options) {
    QString mask = pluginPatterns.toUpper();
    if (options.Bmp) {
        mask += QStringLiteral("*.BMP;");
    }
    if (options.Jpeg) {
        mask += QStringLiteral("*.JPG;*.JPE;*.JPEG;");
    }
    if (options.Png) {
        mask += QStringLiteral("*.PNG;");
    }
    if (options.IeGif || options.Gif) {
        mask += QStringLiteral("*.GIF;");
    }
    if (options.Html) {
        mask += QStringLiteral("*.HTM;*.MHT;*.HTML;");
    }
    if (options.Txt) {
        mask += QStringLiteral("*.TXT;");
    }
    if (options.Swf) {
        mask += QStringLiteral("*.SWF;");
    }
    if (options.Mp3) {
        mask += QStringLiteral("*.WMA;*.MP3;*.MID;*.WAV;");
    }
    if (options.Avi) {
        mask += QStringLiteral("*.AVI;*.WMV;*.MPG;*.ASF;*.MPEG;*.MP4;");
    }
    return mask;
}

bool ExtensionInMask(const QString& fileName, const QString& mask) {
    // A name ending in "." has no extension either.
    const QString extension = UpperExtension(fileName);
    return extension.size() > 1 && mask.contains(extension + QLatin1Char(';'));
}

qint64 FileSearch(FileEntries& list, const QString& folder, const ScanRule& rule) {
    list.clear();
    FolderReader reader;
    if (!reader.Open(NativePath(folder))) {
        return 0;
    }
    reader.Read(ScanMask(rule.mask), false);
    std::vector<Outcome> outcomes = reader.Resolve(rule, WithTrailingSlash(folder));
    qint64 total = 0;
    list.reserve(outcomes.size());
    for (Outcome& outcome : outcomes) {
        if (outcome.kind == Outcome::Kind::File) {
            total += outcome.size;
            list.push_back({std::move(outcome.path), outcome.key});
        }
    }
    SortFileList(list, rule.sortMode);
    return total;
}

qint64 FullSearch(FileEntries& list, const QString& folder, const ScanRule& rule,
                  const ScanProgress& progress, bool* stopped, const std::function<void()>& beforeSort) {
    list.clear();
    TreeWalk walk(list, rule, progress);
    const bool finished = walk.Walk(folder, NativePath(folder));
    if (stopped != nullptr) {
        *stopped = !finished;
    }
    if (finished) {
        if (beforeSort) {
            beforeSort();
        }
        SortFileList(list, rule.sortMode);
    }
    return walk.total();
}
