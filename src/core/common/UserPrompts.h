#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// What a message box looks like: its icon and its buttons.
enum class MessageIcon { Exclamation, Information, Question };
enum class MessageButtons { Ok, YesNo, YesNoCancel, OkCancel };

// The button the user pressed; None when no box could be shown.
enum class MessageResult { None, Ok, Yes, No, Cancel };

// The one way logic below the windows asks the user something. The program passes an
// implementation that shows real dialogs; tests pass a scripted one. Called on the GUI thread.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    virtual MessageResult message(const QString& text, MessageIcon icon, MessageButtons buttons) = 0;
    // A one-line input box with `caption`, `prompt` and the field holding `initial`; nothing
    // when it is cancelled or cannot be shown.
    virtual std::optional<QString> input(const QString& caption, const QString& prompt,
                                         const QString& initial) = 0;
    // A folder picker titled `caption`, opened at `start`; nothing when it is cancelled.
    virtual std::optional<QString> folder(const QString& caption, const QString& start) = 0;
    // A picker of one existing file titled `caption`, opened in the folder `start`, offering
    // `filters` in order, each written as "名前 (*.a;*.b)"; nothing when it is cancelled.
    virtual std::optional<QString> openFile(const QString& caption, const QString& start,
                                            const QStringList& filters) = 0;
    // The same for the name of a file to write, which need not exist yet.
    virtual std::optional<QString> saveFile(const QString& caption, const QString& start,
                                            const QStringList& filters) = 0;
    // An information box with its own `caption` and an OK button.
    virtual void about(const QString& caption, const QString& text) = 0;
};
