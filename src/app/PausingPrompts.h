#pragma once

#include "core/common/UserPrompts.h"

// Puts every question of the program to `inner` with the viewer paused (`ViewerState::Paused`),
// and gives the pause back as it found it when the answer comes, so a question asked while
// another holds the window leaves it held. Owned by the controller; GUI thread.
class PausingPrompts : public UserPrompts {
public:
    PausingPrompts(UserPrompts& inner, bool& paused) : m_inner(inner), m_paused(paused) {}

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
    UserPrompts& m_inner;
    bool& m_paused;
};
