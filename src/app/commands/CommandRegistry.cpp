#include "app/commands/CommandRegistry.h"

CommandRegistry::CommandRegistry(QObject* parent) : QObject(parent), m_entries(CommandTable().size()) {}

void CommandRegistry::Register(Command id, Handler handler, std::function<bool()> enabled) {
    m_entries[static_cast<std::size_t>(id)] = {std::move(handler), std::move(enabled)};
    emit enabledChanged();
}

bool CommandRegistry::Registered(Command id) const {
    return static_cast<bool>(m_entries[static_cast<std::size_t>(id)].handler);
}

bool CommandRegistry::Enabled(Command id) const {
    const Entry& entry = m_entries[static_cast<std::size_t>(id)];
    if (!entry.handler || ((RowOf(id).flags & NeedsPicture) && !m_pictureShown)) {
        return false;
    }
    return !entry.enabled || entry.enabled();
}

bool CommandRegistry::Run(Command id) {
    if (!Enabled(id)) {
        return false;
    }
    // A copy: the handler may register commands anew while it runs.
    const Handler handler = m_entries[static_cast<std::size_t>(id)].handler;
    handler();
    return true;
}

void CommandRegistry::SetPictureShown(bool shown) {
    if (shown != m_pictureShown) {
        m_pictureShown = shown;
        emit enabledChanged();
    }
}
