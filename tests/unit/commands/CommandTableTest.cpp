#include "app/commands/CommandTable.h"

#include "app/commands/CommandRegistry.h"

#include <QKeySequence>
#include <QSet>
#include <QString>
#include <gtest/gtest.h>

namespace {

// Names, stored names and keys each belong to one command: a clash would make a binding, a
// lookup or a key run the wrong one.
TEST(CommandTable, NamesAndKeysBelongToOneCommandEach) {
    QSet<QString> objectNames;
    QSet<QString> storedNames;
    QSet<QKeySequence> keys;
    for (const CommandRow& row : CommandTable()) {
        SCOPED_TRACE(row.objectName);
        EXPECT_EQ(&RowOf(row.id), &row);
        const QString object = QString::fromLatin1(row.objectName);
        EXPECT_FALSE(objectNames.contains(object));
        objectNames.insert(object);
        EXPECT_EQ(CommandOfObject(object), row.id);
        const QString stored = QString::fromUtf8(row.name);
        if (!stored.isEmpty()) {
            EXPECT_FALSE(storedNames.contains(stored));
            storedNames.insert(stored);
            EXPECT_EQ(CommandNamed(stored), row.id);
        }
        if (*row.shortcut) {
            const QKeySequence key(QString::fromLatin1(row.shortcut));
            EXPECT_FALSE(key.isEmpty());
            EXPECT_FALSE(keys.contains(key)) << row.shortcut;
            keys.insert(key);
        }
        EXPECT_FALSE(QString::fromUtf8(row.caption).isEmpty());
    }
    EXPECT_EQ(CommandNamed(QStringLiteral("拡大する")), std::nullopt);
}

// A command runs only with a handler, with what it needs there, and while its own condition
// holds; running it needs no window.
TEST(CommandRegistry, RunsARegisteredCommandWhenWhatItNeedsIsThere) {
    CommandRegistry registry;
    int zoomed = 0;
    int opened = 0;
    EXPECT_FALSE(registry.Enabled(Command::mnuZoom));
    EXPECT_FALSE(registry.Run(Command::mnuZoom));

    registry.Register(Command::mnuZoom, [&zoomed] { ++zoomed; });
    // "拡大" needs a shown picture.
    EXPECT_FALSE(registry.Run(Command::mnuZoom));
    registry.SetPictureShown(true);
    EXPECT_TRUE(registry.Run(Command::mnuZoom));
    EXPECT_EQ(zoomed, 1);

    bool allowed = false;
    registry.Register(
        Command::mnuFileOpen, [&opened] { ++opened; }, [&allowed] { return allowed; });
    EXPECT_FALSE(registry.Run(Command::mnuFileOpen));
    allowed = true;
    EXPECT_TRUE(registry.Run(Command::mnuFileOpen));
    EXPECT_EQ(opened, 1);
    registry.SetPictureShown(false);
    // "ファイルを開く" needs no picture.
    EXPECT_TRUE(registry.Enabled(Command::mnuFileOpen));
    EXPECT_FALSE(registry.Enabled(Command::mnuZoom));
}

} // namespace
