#include "app/TransferBatch.h"

#include "core/common/NativePath.h"
#include "core/common/PathText.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <memory>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Two names of one file (the same path, or a link or another mount of it): a clash with
// itself, which must neither ask nor send the file to the trash.
bool SameFile(const QString& a, const QString& b) {
    if (a == b) {
        return true;
    }
    const PathFacts factsA = StatPath(a);
    const PathFacts factsB = StatPath(b);
    return factsA.exists && factsB.exists && factsA.inode == factsB.inode && factsA.device == factsB.device;
}

} // namespace

TransferBatch::TransferBatch(UserPrompts& prompts, const Options& options, UndoJournal& journal,
                             const FileOperations& files, QObject* parent)
    : QObject(parent), m_prompts(prompts), m_options(options), m_journal(journal), m_files(files) {}

void TransferBatch::Lock(bool on) {
    m_lockDepth += on ? 1 : -1;
    if (on ? m_lockDepth == 1 : m_lockDepth == 0) {
        emit interfaceLocked(on);
    }
}

int TransferBatch::ListOperation2(const QStringList& files, const QString& destination, const QString& label,
                                  TransferOp op, Feedback feedback) {
    const bool shown = feedback == Feedback::Shown;
    const QString word = OperationWord(op);
    if (op != TransferOp::Delete && PathKind(destination) != PathType::Folder) {
        m_prompts.message(word + QStringLiteral("先のフォルダが見つかりません") + kCrLf + destination +
                              kCrLf + word + QStringLiteral("処理を中止します"),
                          MessageIcon::Information, MessageButtons::Ok);
        return 0;
    }

    Lock(true);
    if (!label.isEmpty()) {
        m_journal.undoWrite2(RecordKind::Label, label, QString());
    }
    m_toAll.reset();
    int count = 0;
    Step step = Step::Next;
    for (int i = 0; i < files.size() && step == Step::Next; ++i) {
        if (shown) {
            emit progressTitle(word + QStringLiteral("中 %1/%2 : ").arg(i + 1).arg(files.size()));
            QCoreApplication::processEvents();
        }
        const QString& path = files[i];
        const bool lastFile = i + 1 == files.size();
        if (PathKind(path) == PathType::None) {
            const MessageResult answer =
                m_prompts.message(word + QStringLiteral("するファイルが見つかりません") + kCrLf + path +
                                      kCrLf + kCrLf + QStringLiteral("無視して処理を継続しますか？"),
                                  MessageIcon::Exclamation, MessageButtons::YesNo);
            step = answer == MessageResult::Yes ? Step::Next : Step::Stop;
            continue;
        }
        step = op == TransferOp::Delete ? DeleteOne(path, lastFile, count)
                                        : TransferOne(path, destination, op, lastFile, count);
    }
    if (step != Step::Stop && shown) {
        m_prompts.message(QStringLiteral("%1個のファイルを").arg(count) + word + QStringLiteral("しました"),
                          MessageIcon::Information, MessageButtons::Ok);
    }

    if (!label.isEmpty()) {
        m_journal.undoWrite2(RecordKind::Label, label, QString());
    }
    m_toAll.reset();
    if (shown) {
        emit progressTitle(QString());
    }
    Lock(false);
    return count;
}

TransferBatch::Step TransferBatch::TransferOne(const QString& source, const QString& destination,
                                               TransferOp op, bool lastFile, int& count) {
    QString target = WithoutTrailingSlash(destination) + QLatin1Char('/') + FileNameOf(source);
    ExistingTarget existing = ExistingTarget::Refuse;
    if (const PathType kind = PathKind(target); kind != PathType::None) {
        if (SameFile(source, target)) {
            return Step::Next;
        }
        // Files replace files only: a folder of the name is no clash the user could answer.
        if (kind == PathType::Folder) {
            return Refused(OperationWord(op) + QStringLiteral("先に同じ名前のフォルダがあるため、") +
                               OperationWord(op) + QStringLiteral("できません") + kCrLf + target,
                           lastFile);
        }
        const ConflictAnswer answer = m_toAll ? *m_toAll : AskConflict(source, target, op);
        switch (answer) {
        case ConflictAnswer::YesToAll:
        case ConflictAnswer::NoToAll:
            m_toAll = answer;
            break;
        case ConflictAnswer::Stop:
        case ConflictAnswer::Cancel:
            return Step::Stop;
        default:
            break;
        }
        if (answer == ConflictAnswer::No || answer == ConflictAnswer::NoToAll) {
            return Step::Next;
        }
        if (answer == ConflictAnswer::Rename) {
            target = m_renamedTarget;
        } else {
            // The file it replaces goes to the trash only when the new one is ready to take its
            // name; when anything fails it stays where it was.
            existing = ExistingTarget::ToTrash;
        }
    }

    const FileOpResult done = op == TransferOp::Move ? m_files.Move(source, target, existing)
                                                     : m_files.Copy(source, target, existing);
    // Replaced, or (when the transfer failed at its very end) left in the trash.
    const bool targetTrashed =
        existing == ExistingTarget::ToTrash && (done || PathKind(target) == PathType::None);
    if (targetTrashed) {
        emit fileDeleted(target);
    }
    if (!done) {
        return Failed(op, source, done, lastFile);
    }
    if (op == TransferOp::Move) {
        m_journal.undoWrite2(RecordKind::Moved, source, target);
        emit fileMoved(source, target);
    } else {
        m_journal.undoWrite2(RecordKind::Copied, source, target);
    }
    emit fileSorted();
    ++count;
    return Step::Next;
}

TransferBatch::Step TransferBatch::DeleteOne(const QString& path, bool lastFile, int& count) {
    const FileOpResult done = m_files.Delete(path);
    if (!done) {
        return Failed(TransferOp::Delete, path, done, lastFile);
    }
    emit fileDeleted(path);
    ++count;
    return Step::Next;
}

ConflictAnswer TransferBatch::AskConflict(const QString& source, const QString& target, TransferOp op) {
    const bool identical = SameFileContents(source, target);
    if (identical && m_options.SwDeleteDialog) {
        return ConflictAnswer::Yes;
    }
    if (!m_dialog) {
        return ConflictAnswer::Cancel;
    }
    ConflictQuestion question;
    question.source = source;
    question.target = target;
    question.operationWord = OperationWord(op);
    question.identical = identical;
    question.proposal = RenameProposal(source, FolderOf(target));
    question.timeFormat = m_options.TimeFormat;
    const ConflictReply reply = m_dialog->Execute(question);
    m_renamedTarget = reply.renamedTarget;
    return reply.answer;
}

TransferBatch::Step TransferBatch::Failed(TransferOp op, const QString& path, const FileOpResult& result,
                                          bool lastFile) {
    return Refused(OperationWord(op) + QStringLiteral("できませんでした") + kCrLf + path + kCrLf +
                       result.reason,
                   lastFile);
}

TransferBatch::Step TransferBatch::Refused(const QString& text, bool lastFile) {
    // A file that could not be handled stays where it was; the user learns why, and in a batch
    // decides whether the rest goes on.
    if (lastFile) {
        m_prompts.message(text, MessageIcon::Exclamation, MessageButtons::Ok);
        return Step::Next;
    }
    const MessageResult answer =
        m_prompts.message(text + kCrLf + kCrLf + QStringLiteral("無視して処理を継続しますか？"),
                          MessageIcon::Exclamation, MessageButtons::YesNo);
    return answer == MessageResult::Yes ? Step::Next : Step::Stop;
}

FileOpResult TransferBatch::taFileOperation(const QString& from, const QString& to, TransferOp op) const {
    switch (op) {
    case TransferOp::Move:
        return m_files.Move(from, to);
    case TransferOp::Copy:
        return m_files.Copy(from, to);
    case TransferOp::Delete:
        return m_files.Delete(from);
    case TransferOp::Rename:
        // A rename keeps the folder: only the name part of `to` may differ.
        if (FolderOf(to) != FolderOf(from)) {
            return FileOpResult::Failure(0, QStringLiteral("名前の変更では別のフォルダへ移せません"));
        }
        return m_files.Rename(from, FileNameOf(to));
    }
    return FileOpResult::Failure(0, QString());
}

FileOpResult TransferBatch::MoveFolder(const QString& from, const QString& to) {
    FileOpResult result = FileOpResult::Failure(0, QString());
    const FileOperations& files = m_files;
    const std::unique_ptr<QThread> worker(QThread::create([&] { result = files.Move(from, to); }));
    QEventLoop loop;
    connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    Lock(true);
    emit progressTitle(QStringLiteral("フォルダを移動中 : "));
    worker->start();
    loop.exec();
    worker->wait();
    emit progressTitle(QString());
    Lock(false);
    return result;
}
