#pragma once

#include "core/common/UserPrompts.h"

#include <QPointer>
#include <QWidget>

// The program's message boxes: a QMessageBox titled "Ruvela" with the asked icon and buttons;
// its input boxes (QInputDialog), folder and file pickers (QFileDialog) and the information box
// with a caption of its own. Each belongs to the dialog
// open at that moment, else to the main window. Lives on the GUI thread for the whole run.
class QtUserPrompts : public UserPrompts {
public:
    // The window that owns the boxes; set once the main window exists.
    void setOwner(QWidget* owner) { m_owner = owner; }

    MessageResult message(const QString& text, MessageIcon icon, MessageButtons buttons) override;
    std::optional<QString> input(const QString& caption, const QString& prompt,
                                 const QString& initial) override;
    std::optional<QString> folder(const QString& caption, const QString& start) override;
    std::optional<QString> openFile(const QString& caption, const QString& start,
                                    const QStringList& filters) override;
    std::optional<QString> saveFile(const QString& caption, const QString& start,
                                    const QStringList& filters) override;
    void about(const QString& caption, const QString& text) override;

private:
    QWidget* Owner() const;

    QPointer<QWidget> m_owner;
};
