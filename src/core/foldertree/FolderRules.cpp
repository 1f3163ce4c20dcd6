#include "core/foldertree/FolderRules.h"

#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/filelist/FolderWalk.h"

QStringList SplitFolderNames(const QString& answer) {
    QStringList names;
    QString name;
    bool quoted = false;
    const auto finish = [&] {
        if (!name.isEmpty()) {
            names.append(name);
        }
        name.clear();
    };
    for (const QChar c : answer) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (c == QLatin1Char('/') || (c == QLatin1Char(' ') && !quoted)) {
            finish();
        } else {
            name.append(c);
        }
    }
    finish();
    return names;
}

bool IsSameOrInside(const QString& path, const QString& folder) {
    return WithTrailingSlash(path).startsWith(WithTrailingSlash(folder));
}

QString FolderMoveRefusal(const QString& source, const QString& target) {
    const QString from = WithoutTrailingSlash(source);
    const QString into = WithoutTrailingSlash(target);
    if (IsSameOrInside(into, from) || FolderOf(from) == into) {
        return QStringLiteral("同列の下位フォルダには移動できません");
    }
    if (PathKind(from) != PathType::Folder || PathKind(into) != PathType::Folder) {
        return QStringLiteral("フォルダが存在しません");
    }
    if (PathKind(ChildPath(into, FileNameOf(from))) != PathType::None) {
        return QStringLiteral("既に同名のフォルダが存在しています");
    }
    return {};
}

QString FolderAfterDeletion(const QString& deleted) {
    const QString folder = WithoutTrailingSlash(deleted);
    if (QString next = NextSiblingFolder(folder); !next.isEmpty()) {
        return next;
    }
    if (QString previous = PreviousSiblingFolder(folder); !previous.isEmpty()) {
        return previous;
    }
    return FolderOf(folder);
}
