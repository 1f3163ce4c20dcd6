#pragma once

#include "core/sorting/ConflictFacts.h"

#include <QDialog>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TSpiLib32;
class UserPrompts;

// The same-name conflict dialog "上書きの確認": shows the existing target and the incoming
// source side by side (preview, size, time) and asks whether to overwrite, skip, rename or
// stop. The caller has already compared the files and made the rename proposal; the dialog
// only shows the question and checks a typed new name. It owns its widgets, lives on the GUI
// thread and is shown modally once per conflict through Execute().
class TFormOverWrite : public QDialog, public ConflictDialog {
    Q_OBJECT

public:
    // Opens a file with the desktop's default program.
    using FileOpener = std::function<void(const QString& path)>;

    static constexpr int kPreviewSize = 160;

    explicit TFormOverWrite(UserPrompts& prompts, QWidget* parent = nullptr);

    // Replaces the default program launcher that a click on a preview calls.
    void setFileOpener(FileOpener opener) { m_opener = std::move(opener); }
    // The picture plug-ins that decode the previews of formats without a built-in decoder.
    void setPlugIns(const TSpiLib32* plugIns) { m_plugIns = plugIns; }

    ConflictReply Execute(const ConflictQuestion& question) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    struct FileBox {
        QGroupBox* box;
        QLabel* image;
        QLabel* info;
        QLabel* time;
        QString path;
    };

    FileBox MakeFileBox(const QString& prefix);
    QPushButton* MakeButton(const QString& name, const QString& text, ConflictAnswer answer);
    void ShowFile(FileBox& box, const QString& path);
    void Answer(ConflictAnswer answer);
    void RenameClick();
    bool EscapeReleased(const QKeyEvent* event);

    UserPrompts& m_prompts;
    FileOpener m_opener;
    const TSpiLib32* m_plugIns = nullptr;
    ConflictQuestion m_question;
    ConflictReply m_reply;

    QLabel* m_label1;
    QLabel* m_label2;
    QLabel* m_same;
    FileBox m_target;
    FileBox m_source;
    QLineEdit* m_name;
    QPushButton* m_yes;
    QPushButton* m_rename;
};
