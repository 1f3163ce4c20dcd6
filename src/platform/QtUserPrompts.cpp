#include "platform/QtUserPrompts.h"

#include "platform/LocalUrl.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons BoxButtons(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok:
        return QMessageBox::Ok;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// The filters written the way the program keeps them ("名前 (*.a;*.b)") in the form Qt's file
// dialogs read: Qt splits the patterns at spaces only, and the filters at ";;".
QString QtNameFilters(const QStringList& filters) {
    QStringList written;
    for (QString filter : filters) {
        const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
        for (qsizetype i = open + 1; open >= 0 && i < filter.size(); ++i) {
            if (filter[i] == QLatin1Char(';'))
                filter[i] = QLatin1Char(' ');
        }
        written << filter;
    }
    return written.join(QStringLiteral(";;"));
}

std::optional<QString> ChosenPath(const QUrl& url) {
    const QString path = PathFromLocalUrl(url);
    return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
}

MessageResult Pressed(int button) {
    switch (button) {
    case QMessageBox::Ok:
        return MessageResult::Ok;
    case QMessageBox::Yes:
        return MessageResult::Yes;
    case QMessageBox::No:
        return MessageResult::No;
    case QMessageBox::Cancel:
        return MessageResult::Cancel;
    default:
        return MessageResult::None;
    }
}

} // namespace

// A box asked by a dialog stays over that dialog, even while the main window is minimised.
QWidget* QtUserPrompts::Owner() const {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return m_owner.data();
}

MessageResult QtUserPrompts::message(const QString& text, MessageIcon icon, MessageButtons buttons) {
    QMessageBox box(BoxIcon(icon), QStringLiteral("Ruvela"), text, BoxButtons(buttons), Owner());
    return Pressed(box.exec());
}

std::optional<QString> QtUserPrompts::input(const QString& caption, const QString& prompt,
                                            const QString& initial) {
    QString shown = prompt;
    bool ok = false;
    const QString answer =
        QInputDialog::getText(Owner(), caption, shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                              QLineEdit::Normal, initial, &ok);
    return ok ? std::optional<QString>(answer) : std::nullopt;
}

std::optional<QString> QtUserPrompts::folder(const QString& caption, const QString& start) {
    // A window title is one line: the lines of the caption follow one another.
    QString title = caption;
    title.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    const QString chosen =
        PathFromLocalUrl(QFileDialog::getExistingDirectoryUrl(Owner(), title, LocalUrlFromPath(start)));
    return chosen.isEmpty() ? std::nullopt : std::optional<QString>(chosen);
}

std::optional<QString> QtUserPrompts::openFile(const QString& caption, const QString& start,
                                               const QStringList& filters) {
    return ChosenPath(
        QFileDialog::getOpenFileUrl(Owner(), caption, LocalUrlFromPath(start), QtNameFilters(filters)));
}

std::optional<QString> QtUserPrompts::saveFile(const QString& caption, const QString& start,
                                               const QStringList& filters) {
    return ChosenPath(
        QFileDialog::getSaveFileUrl(Owner(), caption, LocalUrlFromPath(start), QtNameFilters(filters)));
}

void QtUserPrompts::about(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, Owner());
    box.exec();
}
