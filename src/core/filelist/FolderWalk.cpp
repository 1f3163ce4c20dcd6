#include "core/filelist/FolderWalk.h"

#include "core/common/NativePath.h"
#include "core/common/PathText.h"

#include <QLocale>
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using FolderIdentity = std::pair<dev_t, ino_t>;

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

QString NameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// The subfolders of one folder in case-insensitive name order, with the folder's own
// (device, inode). Names that compare equal without case are ordered by their exact text, so
// every name has one place.
class SortedSubfolders {
public:
    explicit SortedSubfolders(const QString& folder) {
        const int fd = ::open(NativePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return;
        }
        const std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
        if (!dir) {
            ::close(fd);
            return;
        }
        struct stat facts {};
        if (::fstat(fd, &facts) == 0) {
            m_identity = {facts.st_dev, facts.st_ino};
            m_opened = true;
        }
        while (const dirent* entry = ::readdir(dir.get())) {
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
                continue;
            }
            if (!IsFolder(fd, *entry)) {
                continue;
            }
            QString text = PathFromNative(name, std::strlen(name));
            QCollatorSortKey key = KeyOf(text);
            m_entries.push_back({std::move(text), std::move(key)});
        }
        std::sort(m_entries.begin(), m_entries.end(),
                  [](const Entry& a, const Entry& b) { return Before(a, b.key, b.name); });
    }

    bool opened() const { return m_opened; }
    FolderIdentity identity() const { return m_identity; }
    bool empty() const { return m_entries.empty(); }
    const QString& first() const { return m_entries.front().name; }
    const QString& last() const { return m_entries.back().name; }
    QStringList names() const {
        QStringList all;
        all.reserve(static_cast<qsizetype>(m_entries.size()));
        for (const Entry& entry : m_entries) {
            all << entry.name;
        }
        return all;
    }

    // The name after (or before) `name`, where `name` stands or would stand; empty at the ends.
    QString After(const QString& name) const {
        const auto [place, found] = Locate(name);
        const std::size_t next = found ? place + 1 : place;
        return next < m_entries.size() ? m_entries[next].name : QString();
    }
    QString Before(const QString& name) const {
        const std::size_t place = Locate(name).first;
        return place > 0 ? m_entries[place - 1].name : QString();
    }

private:
    struct Entry {
        QString name;
        QCollatorSortKey key;
    };

    static bool IsFolder(int fd, const dirent& entry) {
        if (entry.d_type == DT_DIR) {
            return true;
        }
        if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
            return false;
        }
        // Follows symbolic links: a link to a folder is a folder; a dangling one is nothing.
        struct stat facts {};
        return ::fstatat(fd, entry.d_name, &facts, 0) == 0 && S_ISDIR(facts.st_mode);
    }

    static bool Before(const Entry& entry, const QCollatorSortKey& key, const QString& name) {
        return FolderNameOrder::Before(entry.key, entry.name, key, name);
    }

    QCollatorSortKey KeyOf(const QString& name) const { return m_order.KeyOf(name); }

    // The place of `name` in the order (its insertion point when absent) and whether it is there.
    std::pair<std::size_t, bool> Locate(const QString& name) const {
        const QCollatorSortKey key = KeyOf(name);
        const auto it = std::lower_bound(
            m_entries.begin(), m_entries.end(), name,
            [&key](const Entry& entry, const QString& wanted) { return Before(entry, key, wanted); });
        const bool found = it != m_entries.end() && it->name == name;
        return {static_cast<std::size_t>(it - m_entries.begin()), found};
    }

    FolderNameOrder m_order;
    bool m_opened = false;
    FolderIdentity m_identity{0, 0};
    std::vector<Entry> m_entries;
};

} // namespace

FolderNameOrder::FolderNameOrder() {
    // The C locale's keys are the bytes of the text whatever the case setting says, so the case
    // is folded before the key is made there.
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setNumericMode(false);
    m_foldCase = m_collator.locale().language() == QLocale::C;
}

QCollatorSortKey FolderNameOrder::KeyOf(const QString& name) const {
    return m_collator.sortKey(m_foldCase ? name.toCaseFolded() : name);
}

QStringList SubfolderNames(const QString& folder) {
    return SortedSubfolders(folder).names();
}

QString ParentFolder(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || path == QLatin1String("/")) {
        return QString();
    }
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString NextSiblingFolder(const QString& path) {
    const QString parent = ParentFolder(path);
    if (parent.isEmpty()) {
        return QString();
    }
    const QString name = SortedSubfolders(parent).After(NameOf(path));
    return name.isEmpty() ? QString() : ChildPath(parent, name);
}

QString PreviousSiblingFolder(const QString& path) {
    const QString parent = ParentFolder(path);
    if (parent.isEmpty()) {
        return QString();
    }
    const QString name = SortedSubfolders(parent).Before(NameOf(path));
    return name.isEmpty() ? QString() : ChildPath(parent, name);
}

QString FirstChildFolder(const QString& path) {
    const SortedSubfolders children(path);
    return children.empty() ? QString() : ChildPath(path, children.first());
}

QString LastChildFolder(const QString& path) {
    const SortedSubfolders children(path);
    return children.empty() ? QString() : ChildPath(path, children.last());
}

QString DepthFirstNextFolder(const QString& path) {
    const QString child = FirstChildFolder(path);
    if (!child.isEmpty()) {
        return child;
    }
    for (QString folder = path; !folder.isEmpty(); folder = ParentFolder(folder)) {
        const QString sibling = NextSiblingFolder(folder);
        if (!sibling.isEmpty()) {
            return sibling;
        }
    }
    return QString();
}

QString DepthFirstPreviousFolder(const QString& path) {
    const QString sibling = PreviousSiblingFolder(path);
    if (sibling.isEmpty()) {
        return ParentFolder(path);
    }
    // A link back up the tree would make the descent endless; each folder is entered once.
    std::set<FolderIdentity> passed;
    QString folder = sibling;
    SortedSubfolders children(folder);
    passed.insert(children.identity());
    while (!children.empty()) {
        const QString child = ChildPath(folder, children.last());
        SortedSubfolders grandchildren(child);
        if (!grandchildren.opened()) {
            return child;
        }
        if (!passed.insert(grandchildren.identity()).second) {
            break;
        }
        folder = child;
        children = std::move(grandchildren);
    }
    return folder;
}
