#include "soak/SoakLedger.h"

#include "core/checklists/CheckLists.h"

#include <algorithm>

void SoakLedger::addFile(const QString& name, const QString& folder, QSize size) {
    m_files.insert(name, File{folder, size});
}

void SoakLedger::show(const QString& folder, const QString& name) {
    m_shownFolder = folder;
    m_shownName = name;
}

int SoakLedger::shownPosition() const {
    return static_cast<int>(namesIn(m_shownFolder).indexOf(m_shownName)) + 1;
}

int SoakLedger::shownCount() const {
    return static_cast<int>(namesIn(m_shownFolder).size());
}

void SoakLedger::step(int direction) {
    const QStringList names = namesIn(m_shownFolder);
    m_shownName = names.at(names.indexOf(m_shownName) + direction);
}

void SoakLedger::moveShown(const QString& folder) {
    const QStringList before = namesIn(m_shownFolder);
    const qsizetype place = before.indexOf(m_shownName);
    m_journal.resize(m_position);
    m_journal.push_back({m_shownName, m_shownFolder, folder});
    ++m_position;
    m_files[m_shownName].folder = folder;
    const QStringList after = namesIn(m_shownFolder);
    m_shownName = after.at(std::min(place, after.size() - 1));
}

bool SoakLedger::undo() {
    const Move* record = nextUndo();
    if (record == nullptr) {
        return false;
    }
    --m_position;
    m_files[record->name].folder = record->from;
    show(record->from, record->name);
    return true;
}

bool SoakLedger::redo() {
    const Move* record = nextRedo();
    if (record == nullptr) {
        return false;
    }
    ++m_position;
    m_files[record->name].folder = record->to;
    show(record->to, record->name);
    return true;
}

void SoakLedger::mark(int list) {
    m_lists.at(static_cast<std::size_t>(list)).append(m_shownName);
}

bool SoakLedger::marked(int list, const QString& name) const {
    return m_lists.at(static_cast<std::size_t>(list)).contains(name);
}

QStringList SoakLedger::namesIn(const QString& folder) const {
    QStringList names;
    for (auto file = m_files.cbegin(); file != m_files.cend(); ++file) {
        if (file->folder == folder) {
            names.append(file.key());
        }
    }
    // The names are lower-case ASCII and differ before any punctuation, so every collation
    // orders them as this does.
    names.sort();
    return names;
}

QString SoakLedger::pathOf(const QString& name) const {
    return m_files.value(name).folder + QLatin1Char('/') + name;
}

QStringList SoakLedger::listPaths(int list) const {
    QStringList paths;
    for (const QString& name : m_lists.at(static_cast<std::size_t>(list))) {
        paths.append(pathOf(name));
    }
    return paths;
}

QStringList SoakLedger::allPaths() const {
    QStringList paths;
    for (auto file = m_files.cbegin(); file != m_files.cend(); ++file) {
        paths.append(pathOf(file.key()));
    }
    paths.sort();
    return paths;
}

const SoakLedger::Move* SoakLedger::nextUndo() const {
    return m_position == 0 ? nullptr : &m_journal[m_position - 1];
}

const SoakLedger::Move* SoakLedger::nextRedo() const {
    return m_position < m_journal.size() ? &m_journal[m_position] : nullptr;
}

QRegularExpression SoakLedger::title(const QString& caption) const {
    QString marks;
    for (int list = 0; list < kLists; ++list) {
        const QStringList& names = m_lists.at(static_cast<std::size_t>(list));
        if (names.contains(m_shownName)) {
            marks += QStringLiteral("  :  %1[%2]").arg(DefaultListName(list)).arg(names.size());
        }
    }
    const QSize size = m_files.value(m_shownName).size;
    return QRegularExpression(QStringLiteral("^Ruvela - %1/%2 \\[%3\\]  \\(%4x%5\\) \\* [0-9.]+")
                                  .arg(shownPosition())
                                  .arg(shownCount())
                                  .arg(QRegularExpression::escape(m_shownName))
                                  .arg(size.width())
                                  .arg(size.height()) +
                              QRegularExpression::escape(marks + caption) + QLatin1Char('$'));
}
