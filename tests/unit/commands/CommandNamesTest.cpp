#include "app/CommandNames.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

TEST(CommandNames, EveryInputDefaultsToAKnownCommandAndMatchesTheOptionsDefault) {
    const Options defaults;
    const QStringList& names = CommandNames();
    QSet<QString> keys;
    QSet<QString> edits;
    for (const BindableInput& input : BindableInputs()) {
        SCOPED_TRACE(input.key);
        const QString command = QString::fromUtf8(input.defaultCommand);
        EXPECT_TRUE(names.contains(command));
        EXPECT_NE(command, CommandSeparator());
        EXPECT_EQ(defaults.*input.field, command);
        keys.insert(QString::fromUtf8(input.key));
        edits.insert(QString::fromUtf8(input.editName));
    }
    EXPECT_EQ(BindableInputs().size(), 27u);
    EXPECT_EQ(keys.size(), 27);
    EXPECT_EQ(edits.size(), 27);
}

TEST(CommandNames, SeparatorsCloseEachGroupAndNamesAreUnique) {
    const QStringList& names = CommandNames();
    const QStringList groupEnds{
        "無し",         "進む",           "右にスクロール", "上のフォルダへ",  "移動のアンドゥ",
        "情報を更新",   "拡張子順ソート", "Exif情報を表示", "ヘルプを開く",    "チェックを解除",
        "外部アプリ10", "等倍で表示",     "バーメニュー",   "現在の倍率にする"};
    ASSERT_EQ(names.count(CommandSeparator()), groupEnds.size());
    for (const QString& end : groupEnds) {
        SCOPED_TRACE(end.toStdString());
        const qsizetype at = names.indexOf(end);
        ASSERT_GE(at, 0);
        ASSERT_LT(at + 1, names.size());
        EXPECT_EQ(names.at(at + 1), CommandSeparator());
    }

    QStringList commands = names;
    commands.removeAll(CommandSeparator());
    EXPECT_EQ(commands.size(), 92);
    EXPECT_EQ(QSet<QString>(commands.begin(), commands.end()).size(), commands.size());
    EXPECT_EQ(names.first(), NoCommand());
    EXPECT_EQ(names.last(), QStringLiteral("ウィンドウ初期化"));
}

TEST(CommandNames, NumberedCommandsFollowInOrder) {
    const QStringList& names = CommandNames();
    const qsizetype checkA = names.indexOf(QStringLiteral("チェックA"));
    const qsizetype app01 = names.indexOf(QStringLiteral("外部アプリ01"));
    ASSERT_GE(checkA, 0);
    ASSERT_GE(app01, 0);
    const QString letters = QStringLiteral("ABCDEFGHIJ");
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(names.value(checkA + i), QStringLiteral("チェック") + letters.at(i));
        EXPECT_EQ(names.value(app01 + i), QStringLiteral("外部アプリ%1").arg(i + 1, 2, 10, QLatin1Char('0')));
    }
}

TEST(CommandNames, AssigningACommandStoresItsText) {
    const struct {
        const char* name;
        double rate;
        const char* stored;
    } cases[] = {
        {"----------------", 1.0, "無し"},
        {"拡大", 1.0, "拡大"},
        {"閲覧先に設定する", 1.0, "$OPEN=/home/u/写真"},
        {"転送先に設定する", 1.0, "$MOVE=/home/u/写真"},
        {"現在の倍率にする", 1.5, "1.50"},
        {"現在の倍率にする", 2.0, "2.00"},
        {"現在の倍率にする", 10.0, "10.00"},
        {"現在の倍率にする", 0.125, "0.125"},
        {"現在の倍率にする", 3.14159, "3.1416"},
        {"現在の倍率にする", 0.33333, "0.3333"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.rate));
        EXPECT_EQ(AssignedCommand(QString::fromUtf8(c.name), QStringLiteral("/home/u/写真"), c.rate),
                  QString::fromUtf8(c.stored));
    }
}

TEST(CommandNames, AnInputIsBoundToTheCommandItsSettingHolds) {
    Options options;
    options.mGes8 = QStringLiteral("進む");
    EXPECT_EQ(BoundCommand(options, QStringLiteral("mGes8")), QStringLiteral("進む"));
    EXPECT_EQ(BoundCommand(options, QStringLiteral("kGesRight")), QStringLiteral("進む"));
    EXPECT_EQ(BoundCommand(options, QStringLiteral("mGes5")), QStringLiteral("画像メニュー"));
    EXPECT_TRUE(BoundCommand(options, QStringLiteral("nothing")).isEmpty());
}

TEST(CommandNames, EveryEntryKnowsWhatItRuns) {
    int commands = 0;
    for (const CommandEntry& entry : CommandEntries()) {
        SCOPED_TRACE(entry.Name().toStdString());
        EXPECT_EQ(FindCommand(entry.Name()),
                  entry.kind == CommandKind::Separator ? FindCommand(CommandSeparator()) : &entry);
        // A command's name is the one its row of the command table gives it.
        if (entry.kind == CommandKind::Command) {
            EXPECT_EQ(CommandNamed(entry.Name()), entry.command);
            ++commands;
        }
    }
    EXPECT_EQ(commands, 88);
    EXPECT_EQ(FindCommand(QStringLiteral("移動のアンドゥ"))->command, Command::mnuMoveUndo);
    EXPECT_EQ(FindCommand(QStringLiteral("無し"))->kind, CommandKind::Nothing);
    EXPECT_EQ(FindCommand(QStringLiteral("転送先に設定する"))->kind, CommandKind::MoveTemplate);
    EXPECT_EQ(FindCommand(QStringLiteral("拡大する")), nullptr);
}

// Every command the table names for an input stands in the list, once.
TEST(CommandNames, EveryNamedCommandIsListedOnce) {
    for (const CommandRow& row : CommandTable()) {
        if (*row.name == '\0') {
            continue;
        }
        SCOPED_TRACE(row.objectName);
        EXPECT_EQ(CommandNames().count(QString::fromUtf8(row.name)), 1);
    }
}

} // namespace
