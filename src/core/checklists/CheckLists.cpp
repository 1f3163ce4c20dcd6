#include "core/checklists/CheckLists.h"

#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/common/TextEncoding.h"
#include "core/sorting/SortingTable.h"

#include <cerrno>
#include <unistd.h>

const QStringList& CheckLists::list(int n) const {
    return m_lists.at(n).paths;
}

bool CheckLists::contains(int n, const QString& path) const {
    return m_lists.at(n).members.contains(path);
}

bool CheckLists::changed(int n) const {
    return m_lists.at(n).changed;
}

bool CheckLists::Toggle(int n, const QString& path) {
    List& list = m_lists.at(n);
    list.changed = true;
    if (list.members.contains(path)) {
        Remove(list, path);
        return false;
    }
    Append(list, path);
    return true;
}

void CheckLists::Invert(int n, const QStringList& paths) {
    for (const QString& path : paths) {
        Toggle(n, path);
    }
}

void CheckLists::Clear(int n) {
    List& list = m_lists.at(n);
    if (!list.paths.isEmpty()) {
        list.paths.clear();
        list.members.clear();
        list.changed = true;
    }
}

void CheckLists::CheckListRefresh(const QString& oldPath, const QString& newPath) {
    if (oldPath == newPath) {
        return;
    }
    for (List& list : m_lists) {
        if (!list.members.contains(oldPath)) {
            continue;
        }
        list.changed = true;
        // A path already marked keeps its own place rather than appear twice.
        if (newPath.isEmpty() || list.members.contains(newPath)) {
            Remove(list, oldPath);
            continue;
        }
        list.paths[list.paths.indexOf(oldPath)] = newPath;
        list.members.remove(oldPath);
        list.members.insert(newPath);
    }
}

void CheckLists::CheckListRefreshFolder(const QString& oldFolder, const QString& newFolder) {
    const QString from = WithTrailingSlash(oldFolder);
    const QString to = newFolder.isEmpty() ? QString() : WithTrailingSlash(newFolder);
    if (from == QStringLiteral("/")) {
        return; // no folder given; the root itself is never renamed
    }
    for (List& list : m_lists) {
        QStringList kept;
        bool touched = false;
        for (const QString& path : std::as_const(list.paths)) {
            if (!path.startsWith(from)) {
                kept.append(path);
                continue;
            }
            touched = true;
            if (!to.isEmpty()) {
                kept.append(to + path.mid(from.size()));
            }
        }
        if (touched) {
            list.paths = kept;
            list.changed = true;
            Reindex(list);
        }
    }
}

QString CheckLists::Marks(const QString& path, const QStringList& names) const {
    QString marks;
    for (int n = 0; n < kCount; ++n) {
        if (contains(n, path)) {
            marks += QStringLiteral("  :  ") + names.value(n) + QLatin1Char('[') +
                     QString::number(m_lists.at(n).paths.size()) + QLatin1Char(']');
        }
    }
    return marks;
}

QStringList CheckLists::Load(const QString& folder) {
    const QString base = WithTrailingSlash(folder);
    QStringList problems;
    for (int n = 0; n < kCount; ++n) {
        List& list = m_lists.at(n);
        const QString path = base + CheckListFileName(n);
        TextFileState state = TextFileState::Read;
        list.paths = ReadTextLines(path, {}, &state).value_or(QStringList());
        list.paths.removeAll(QString());
        list.changed = false;
        list.held = false;
        if (state == TextFileState::Unreadable || state == TextFileState::TooLarge) {
            bool setAside = false;
            problems << SetAsideUnreadable(path, state, QStringLiteral("チェックリスト"), &setAside);
            list.held = !setAside;
        }
        Reindex(list);
    }
    return problems;
}

bool CheckLists::Save(const QString& folder, QString* failedPath) {
    const QString base = WithTrailingSlash(folder);
    for (int n = 0; n < kCount; ++n) {
        List& list = m_lists.at(n);
        if (!list.changed || list.held) {
            continue;
        }
        if (!WriteCheckListFile(folder, n, list.paths)) {
            if (failedPath != nullptr) {
                *failedPath = base + CheckListFileName(n);
            }
            return false;
        }
        list.changed = false;
    }
    return true;
}

std::vector<std::pair<int, QStringList>> CheckLists::TakeChanged() {
    std::vector<std::pair<int, QStringList>> changed;
    for (int n = 0; n < kCount; ++n) {
        List& list = m_lists.at(n);
        if (list.changed && !list.held) {
            changed.emplace_back(n, list.paths);
            list.changed = false;
        }
    }
    return changed;
}

void CheckLists::MarkChanged(int n) {
    m_lists.at(n).changed = true;
}

bool WriteCheckListFile(const QString& folder, int n, const QStringList& paths) {
    const QString path = WithTrailingSlash(folder) + CheckListFileName(n);
    // The list file is the program's own, never a picture, so it may be unlinked.
    return paths.isEmpty() ? ::unlink(NativePath(path).constData()) == 0 || errno == ENOENT
                           : WriteUtf8Lines(path, paths);
}

void CheckLists::Append(List& list, const QString& path) {
    list.paths.append(path);
    list.members.insert(path);
}

void CheckLists::Remove(List& list, const QString& path) {
    list.paths.removeOne(path);
    list.members.remove(path);
}

void CheckLists::Reindex(List& list) {
    list.members.clear();
    QStringList unique;
    unique.reserve(list.paths.size());
    for (const QString& path : std::as_const(list.paths)) {
        if (!list.members.contains(path)) {
            list.members.insert(path);
            unique.append(path);
        }
    }
    list.paths = unique;
}

bool RewriteTableFolder(QStringList& table, const QString& oldFolder, const QString& newFolder,
                        const QString& home) {
    const QString from = WithTrailingSlash(WithoutTrailingSlash(oldFolder));
    const QString to = newFolder.isEmpty() ? QString() : WithTrailingSlash(WithoutTrailingSlash(newFolder));
    if (from == QStringLiteral("/")) {
        return false; // no folder given; the root itself is never renamed
    }
    const QString homePrefix = home.isEmpty() ? QString() : WithTrailingSlash(WithoutTrailingSlash(home));
    const QString tilde = QStringLiteral("~/");
    bool changed = false;
    for (QString& entry : table) {
        const qsizetype headLength = EntryHeadOf(entry).length;
        QString folder = entry.mid(headLength);
        const bool underHome = !homePrefix.isEmpty() && folder.startsWith(tilde);
        if (underHome) {
            folder.replace(0, tilde.size(), homePrefix);
        }
        // The "/" put after the folder makes "/p/a" match itself but never "/p/ab"; only a
        // folder at the start is this folder ("/x/p/a" is another one).
        folder += QLatin1Char('/');
        if (!folder.startsWith(from)) {
            continue;
        }
        changed = true;
        if (to.isEmpty()) {
            entry.clear();
            continue;
        }
        folder.replace(0, from.size(), to);
        if (underHome && folder.startsWith(homePrefix)) {
            folder.replace(0, homePrefix.size(), tilde);
        }
        folder.chop(1);
        entry = entry.left(headLength) + folder;
    }
    return changed;
}

QString DefaultListName(int n) {
    constexpr std::array<const char*, CheckLists::kCount> kNames{
        "汎用", "猫", "SNS", "削除候補", "保留", "お気に入り", "要レタッチ", "USBメモリ", "壁紙", "プリント"};
    return QString::fromUtf8(kNames.at(n));
}

QString CheckListFileName(int n) {
    return QStringLiteral("List_") + QLatin1Char(static_cast<char>('A' + n)) + QStringLiteral(".lst");
}
