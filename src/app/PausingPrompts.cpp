#include "app/PausingPrompts.h"

#include "app/FlagScope.h"

MessageResult PausingPrompts::message(const QString& text, MessageIcon icon, MessageButtons buttons) {
    FlagScope paused(m_paused);
    return m_inner.message(text, icon, buttons);
}

std::optional<QString> PausingPrompts::input(const QString& caption, const QString& prompt,
                                             const QString& initial) {
    FlagScope paused(m_paused);
    return m_inner.input(caption, prompt, initial);
}

std::optional<QString> PausingPrompts::folder(const QString& caption, const QString& start) {
    FlagScope paused(m_paused);
    return m_inner.folder(caption, start);
}

std::optional<QString> PausingPrompts::openFile(const QString& caption, const QString& start,
                                                const QStringList& filters) {
    FlagScope paused(m_paused);
    return m_inner.openFile(caption, start, filters);
}

std::optional<QString> PausingPrompts::saveFile(const QString& caption, const QString& start,
                                                const QStringList& filters) {
    FlagScope paused(m_paused);
    return m_inner.saveFile(caption, start, filters);
}

void PausingPrompts::about(const QString& caption, const QString& text) {
    FlagScope paused(m_paused);
    m_inner.about(caption, text);
}
