#include "core/sorting/FileOpResult.h"

#include <cerrno>
#include <cstring>

QString ReasonForError(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("ディスクの空き容量が足りません");
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("書き込みが許可されていません");
    case EFBIG:
        return QStringLiteral("ファイルが大きすぎて書き込めません");
    case ENAMETOOLONG:
        return QStringLiteral("名前が長すぎます");
    case ENOENT:
        return QStringLiteral("ファイルまたはフォルダが見つかりません");
    case EXDEV:
        return QStringLiteral("ボリュームをまたいで移動できません");
    case EEXIST:
        return QStringLiteral("同名のファイルが既に存在します");
    case EISDIR:
        return QStringLiteral("フォルダにはこの操作を行えません");
    case ENOTDIR:
        return QStringLiteral("パスの途中にフォルダではないものがあります");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

FileOpResult FileOpResult::FromErrno(int error) {
    return Failure(error, ReasonForError(error));
}
