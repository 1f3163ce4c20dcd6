#include "ui/sorting/TFormOverWrite.h"

#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/common/UserPrompts.h"
#include "core/imaging/ImageLoader.h"
#include "platform/LocalUrl.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The folder part of `path` with its closing "/".
QLabel* BoldLabel(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

TFormOverWrite::TFormOverWrite(UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_prompts(prompts),
      m_opener([](const QString& path) { QDesktopServices::openUrl(LocalUrlFromPath(path)); }) {
    setWindowTitle(QStringLiteral("上書きの確認"));
    setModal(true);

    m_label1 = new QLabel(this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    // A folder name is never markup.
    m_label1->setTextFormat(Qt::PlainText);
    m_label2 = new QLabel(this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_same = BoldLabel(QStringLiteral("SameLabel"), this);
    m_same->setText(QStringLiteral("完全に同じファイルです"));

    m_target = MakeFileBox(QStringLiteral("Target"));
    m_source = MakeFileBox(QStringLiteral("Source"));
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(m_target.box);
    boxes->addWidget(m_source.box);

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("NameEdit"));
    // A line edit keeps every key release to itself; Esc must still reach the dialog.
    m_name->installEventFilter(this);
    m_rename = new QPushButton(QStringLiteral("名前を変更(&R)"), this);
    m_rename->setObjectName(QStringLiteral("RenameButton"));
    connect(m_rename, &QPushButton::clicked, this, &TFormOverWrite::RenameClick);
    auto* renameRow = new QHBoxLayout;
    renameRow->addWidget(m_name, 1);
    renameRow->addWidget(m_rename);

    auto* question = BoldLabel(QStringLiteral("QuestionLabel"), this);
    question->setText(QStringLiteral("上書きしますか？"));

    m_yes = MakeButton(QStringLiteral("YesButton"), QStringLiteral("はい(&Y)"), ConflictAnswer::Yes);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_yes);
    buttons->addWidget(
        MakeButton(QStringLiteral("NoButton"), QStringLiteral("いいえ(&N)"), ConflictAnswer::No));
    buttons->addWidget(MakeButton(QStringLiteral("YesToAllButton"), QStringLiteral("全て上書き(&A)"),
                                  ConflictAnswer::YesToAll));
    buttons->addWidget(
        MakeButton(QStringLiteral("NoToAllButton"), QStringLiteral("全て無視(&B)"), ConflictAnswer::NoToAll));
    buttons->addStretch(1);
    buttons->addWidget(
        MakeButton(QStringLiteral("StopButton"), QStringLiteral("中止(&S)"), ConflictAnswer::Stop));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label1);
    layout->addWidget(m_label2);
    layout->addWidget(m_same);
    layout->addLayout(boxes);
    layout->addLayout(renameRow);
    layout->addWidget(question);
    layout->addLayout(buttons);
    // The window keeps the size of its contents.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

TFormOverWrite::FileBox TFormOverWrite::MakeFileBox(const QString& prefix) {
    FileBox file;
    file.box = new QGroupBox(this);
    file.box->setObjectName(prefix + QStringLiteral("Box"));
    file.image = new QLabel(file.box);
    file.image->setObjectName(prefix + QStringLiteral("Image"));
    file.image->setFixedSize(kPreviewSize, kPreviewSize);
    file.image->setAlignment(Qt::AlignCenter);
    file.image->setCursor(Qt::PointingHandCursor);
    file.image->installEventFilter(this);
    file.info = new QLabel(file.box);
    file.info->setObjectName(prefix + QStringLiteral("Info"));
    file.time = new QLabel(file.box);
    file.time->setObjectName(prefix + QStringLiteral("Time"));
    auto* layout = new QVBoxLayout(file.box);
    layout->addWidget(file.image, 0, Qt::AlignHCenter);
    layout->addWidget(file.info);
    layout->addWidget(file.time);
    return file;
}

QPushButton* TFormOverWrite::MakeButton(const QString& name, const QString& text, ConflictAnswer answer) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(name);
    connect(button, &QPushButton::clicked, this, [this, answer] { Answer(answer); });
    return button;
}

ConflictReply TFormOverWrite::Execute(const ConflictQuestion& question) {
    m_question = question;
    m_reply = ConflictReply{};
    const QString& op = question.operationWord;
    m_label1->setText(op + QStringLiteral("先のフォルダ\"") +
                      MiniFileName(WithTrailingSlash(FolderOf(question.target)), QDir::homePath()) +
                      QStringLiteral("\"には、"));
    m_label2->setText(question.identical ? QStringLiteral("既に同じファイルが存在します。")
                                         : QStringLiteral("同名のファイルが存在します。"));
    m_same->setVisible(question.identical);
    m_target.box->setTitle(op + QStringLiteral("先の画像"));
    m_source.box->setTitle(op + QStringLiteral("元の画像"));
    ShowFile(m_target, question.target);
    ShowFile(m_source, question.source);
    m_name->setText(question.proposal);

    // Identical files are most likely overwritten, different ones most likely renamed.
    QPushButton* first = question.identical ? m_yes : m_rename;
    first->setDefault(true);
    first->setFocus();

    exec();

    m_target.image->clear();
    m_source.image->clear();
    return m_reply;
}

void TFormOverWrite::ShowFile(FileBox& box, const QString& path) {
    box.path = path;
    // The rows a cut file lacks look like the empty space around the preview.
    LoadOptions options;
    options.background = box.image->palette().color(QPalette::Window).rgb();
    options.plugIns = m_plugIns;
    const LoadedImage loaded = LoadImageFile(path, options);
    box.image->setPixmap(QPixmap::fromImage(
        loaded.image.scaled(kPreviewSize, kPreviewSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    // A missing or broken file shows its stock picture but has no size of its own.
    const QSize size = loaded.status == LoadStatus::Decoded ? loaded.image.size() : QSize(0, 0);
    const PathFacts facts = StatPath(path);
    box.info->setText(QString::number(size.width()) + QLatin1Char('x') + QString::number(size.height()) +
                      QStringLiteral(" ( ") + QString::number(facts.size) + QStringLiteral(" byte)"));
    box.time->setText(facts.exists
                          ? FormatDateTimePattern(QDateTime::fromSecsSinceEpoch(facts.modifiedSeconds),
                                                  m_question.timeFormat)
                          : QString());
}

void TFormOverWrite::Answer(ConflictAnswer answer) {
    m_reply.answer = answer;
    accept();
}

void TFormOverWrite::RenameClick() {
    const QString name = m_name->text();
    if (!IsPlainFileName(name)) {
        m_prompts.message(QStringLiteral("その名前は使えません\r\n\"") + name + QLatin1Char('"'),
                          MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    const QString renamed =
        WithTrailingSlash(FolderOf(m_question.target)) + name + SourceExtension(m_question.source);
    if (PathKind(renamed) != PathType::None) {
        m_prompts.message(QStringLiteral("既に同名のファイルが存在します\r\n\"") + renamed + QLatin1Char('"'),
                          MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    m_reply.renamedTarget = renamed;
    Answer(ConflictAnswer::Rename);
}

bool TFormOverWrite::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_name && event->type() == QEvent::KeyRelease &&
        EscapeReleased(static_cast<QKeyEvent*>(event))) {
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == m_target.image) {
            m_opener(m_target.path);
            return true;
        }
        if (watched == m_source.image) {
            m_opener(m_source.path);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// Esc stops the batch when the key comes up; the press alone must not close the dialog as
// QDialog would.
void TFormOverWrite::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormOverWrite::keyReleaseEvent(QKeyEvent* event) {
    if (!EscapeReleased(event)) {
        QDialog::keyReleaseEvent(event);
    }
}

bool TFormOverWrite::EscapeReleased(const QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape || event->isAutoRepeat()) {
        return false;
    }
    Answer(ConflictAnswer::Stop);
    return true;
}
