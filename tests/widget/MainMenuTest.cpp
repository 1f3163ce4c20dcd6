#include "ui/main/MainMenu.h"

#include "MainWindowFixture.h"
#include "app/commands/CommandRegistry.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <map>
#include <string>
#include <vector>

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// What a menu shows, in order: the object name of each visible item or submenu, "-" for a
// separator.
QStringList Shown(const QWidget* menu) {
    QStringList names;
    for (const QAction* action : menu->actions()) {
        if (!action->isVisible())
            continue;
        if (action->isSeparator())
            names.append(QStringLiteral("-"));
        else
            names.append(action->menu() ? action->menu()->objectName() : action->objectName());
    }
    return names;
}

// The object name a row gives its menu or item.
QString NameOf(const MenuRow& row) {
    return row.kind == MenuKind::Item ? QString::fromLatin1(RowOf(row.command).objectName) : Text(row.name);
}

// What the rows put into the menu named `parent` (empty: the menu bar), in the same form.
QStringList Expected(const QString& parent) {
    QStringList names;
    for (const MenuRow& row : MainMenuRows()) {
        if (Text(row.parent) != parent || row.kind == MenuKind::Popup || (row.flags & Hidden))
            continue;
        names.append(row.kind == MenuKind::Separator ? QStringLiteral("-") : NameOf(row));
    }
    return names;
}

// The menus built by MainMenu alone, on a bare window, over a registry in which every command but
// every seventh has a handler: each row becomes what it describes, a hidden row is in no menu,
// and a command without a handler stays disabled.
class MainMenuRowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const CommandRow& row : CommandTable()) {
            if (static_cast<int>(row.id) % 7 != 0)
                registry.Register(row.id, [] {});
        }
    }

    // Whether an item or a menu may be chosen, with or without a shown file.
    bool Expectation(const MenuRow& row, bool shown) const {
        if (row.kind == MenuKind::Menu)
            return (row.flags & MenuEnabled) && (shown || !(row.flags & MenuNeedsPicture));
        // An item hidden on the menu bar itself is invisible, and Qt keeps an invisible action
        // disabled.
        if ((row.flags & Hidden) && *row.parent == '\0')
            return false;
        return registry.Registered(row.command) && (shown || !(RowOf(row.command).flags & NeedsPicture));
    }

    QMainWindow window;
    CommandRegistry registry;
    MainMenu menu{window, registry};
};

TEST_F(MainMenuRowsTest, EachMenuShowsItsRowsInOrder) {
    EXPECT_EQ(Shown(window.menuBar()), Expected(QString()));
    for (const MenuRow& row : MainMenuRows()) {
        if (row.kind != MenuKind::Menu && row.kind != MenuKind::Popup)
            continue;
        const QString name = Text(row.name);
        const QMenu* built = menu.menu(name);
        ASSERT_NE(built, nullptr) << row.name;
        EXPECT_EQ(Shown(built), Expected(name)) << row.name;
    }
}

TEST_F(MainMenuRowsTest, ItemsAndMenusCarryTheirRowsCaptionKeysAndState) {
    for (const MenuRow& row : MainMenuRows()) {
        SCOPED_TRACE(NameOf(row).toStdString());
        const bool enabledAtStart = Expectation(row, false);
        if (row.kind == MenuKind::Menu) {
            const QMenu* built = menu.menu(Text(row.name));
            ASSERT_NE(built, nullptr);
            EXPECT_EQ(built->title(), Text(row.caption));
            EXPECT_EQ(built->menuAction()->isEnabled(), enabledAtStart);
        } else if (row.kind == MenuKind::Item) {
            const CommandRow& command = RowOf(row.command);
            const QAction* item = menu.action(NameOf(row));
            ASSERT_NE(item, nullptr);
            EXPECT_EQ(item, menu.action(row.command));
            EXPECT_EQ(item->text(), Text(command.caption));
            EXPECT_EQ(item->shortcut(), QKeySequence(QString::fromLatin1(command.shortcut)));
            EXPECT_EQ(item->isCheckable(), (row.flags & Checkable) != 0);
            EXPECT_EQ(item->isChecked(), (row.flags & Checked) != 0);
            // Commands that need a shown file start disabled: the window opens on an empty list.
            EXPECT_EQ(item->isEnabled(), enabledAtStart);
            if (row.flags & DefaultItem) {
                EXPECT_EQ(menu.menu(Text(row.parent))->defaultAction(), item);
            }
        }
    }
}

TEST_F(MainMenuRowsTest, AShownFileEnablesTheBuiltImageCommandsOnly) {
    const auto enabled = [this](const MenuRow& row) {
        return row.kind == MenuKind::Menu ? menu.menu(Text(row.name))->menuAction()->isEnabled()
                                          : menu.action(row.command)->isEnabled();
    };
    for (const bool shown : {true, false}) {
        registry.SetPictureShown(shown);
        menu.setImageCommandsEnabled(shown);
        for (const MenuRow& row : MainMenuRows()) {
            if (row.kind != MenuKind::Menu && row.kind != MenuKind::Item)
                continue;
            EXPECT_EQ(enabled(row), Expectation(row, shown))
                << NameOf(row).toStdString() << (shown ? " with a file" : " without a file");
        }
    }
}

// The ten check lists' menus offer the same commands in the same order, opening in bold.
TEST_F(MainMenuRowsTest, TheTenListMenusAreAlike) {
    const auto captions = [](const QMenu* list) {
        QStringList shown;
        for (const QAction* action : list->actions())
            shown.append(action->isSeparator() ? QStringLiteral("-") : action->text());
        return shown;
    };
    const QMenu* first = menu.menu(QStringLiteral("mnuListA"));
    ASSERT_NE(first, nullptr);
    for (int i = 0; i < 10; ++i) {
        const QString name = QStringLiteral("mnuList") + QChar(u'A' + i);
        const QMenu* list = menu.menu(name);
        ASSERT_NE(list, nullptr) << name.toStdString();
        EXPECT_EQ(captions(list), captions(first)) << name.toStdString();
        EXPECT_EQ(list->defaultAction(), menu.action(name + QStringLiteral("_Open"))) << name.toStdString();
    }
}

// The menus of the main window, with everything the window adds to the rows.
class MainMenuTest : public MainWindowFixture {
protected:
    // Every key sequence of every action of the window, with the actions that claim it.
    std::map<QKeySequence, QList<QAction*>> Claims() const {
        std::map<QKeySequence, QList<QAction*>> claims;
        for (QAction* action : form->findChildren<QAction*>()) {
            for (const QKeySequence& keys : action->shortcuts())
                claims[keys].append(action);
        }
        return claims;
    }
};

TEST_F(MainMenuTest, NoTwoActionsClaimOneKey) {
    const auto claims = Claims();
    ASSERT_FALSE(claims.empty());
    for (const auto& [keys, actions] : claims) {
        QStringList names;
        for (const QAction* action : actions)
            names.append(action->objectName());
        EXPECT_EQ(actions.size(), 1) << keys.toString().toStdString() << " is claimed by "
                                     << names.join(QStringLiteral(", ")).toStdString();
    }
}

// Each key reaches its own action while the hand is on the picture, wherever the action sits:
// in a menu of the menu bar, in a pop-up menu that is closed, hidden on the window, or on the
// picture's side.
TEST_F(MainMenuTest, EveryShortcutReachesItsAction) {
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    controller->state().Paused = false;
    QWidget* picture = form->findChild<QWidget*>(QStringLiteral("Panel1"));
    ASSERT_NE(picture, nullptr);
    picture->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([picture] { return picture->hasFocus(); }, 2000));

    // Only the keys are under test: what the actions do is cut off, so that none opens a
    // dialog or closes the window.
    std::vector<std::string> triggered;
    const auto claims = Claims();
    for (const auto& [keys, actions] : claims) {
        for (QAction* action : actions) {
            action->setEnabled(true);
            QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
            QObject::connect(action, &QAction::triggered, form.get(), [&triggered, action] {
                triggered.push_back(action->objectName().toStdString());
            });
        }
    }
    for (const auto& [keys, actions] : claims) {
        triggered.clear();
        QTest::keyClick(picture, keys[0].key(), keys[0].keyboardModifiers());
        std::vector<std::string> expected;
        for (const QAction* action : actions)
            expected.push_back(action->objectName().toStdString());
        EXPECT_EQ(triggered, expected) << keys.toString().toStdString();
    }
}

TEST_F(MainMenuTest, ChoiceGroupsCheckOneItemAtATime) {
    const QList<QActionGroup*> groups = form->findChildren<QActionGroup*>();
    ASSERT_FALSE(groups.empty());
    const auto checkedOf = [](const QActionGroup* group) {
        QStringList checked;
        for (const QAction* action : group->actions()) {
            if (action->isChecked())
                checked.append(action->objectName());
        }
        return checked;
    };
    for (const QActionGroup* group : groups) {
        ASSERT_FALSE(group->actions().empty());
        const std::string name = group->actions().front()->objectName().toStdString();
        SCOPED_TRACE(name);
        EXPECT_TRUE(group->isExclusive());
        EXPECT_EQ(checkedOf(group).size(), 1);
        for (QAction* action : group->actions()) {
            EXPECT_TRUE(action->isCheckable()) << action->objectName().toStdString();
            // A menu that offers a choice offers only that one: no check mark beside it escapes
            // the group.
            for (const QObject* holder : action->associatedObjects()) {
                if (const auto* menu = qobject_cast<const QMenu*>(holder)) {
                    for (const QAction* other : menu->actions()) {
                        EXPECT_TRUE(!other->isCheckable() || other->actionGroup() == group)
                            << other->objectName().toStdString() << " in "
                            << menu->objectName().toStdString();
                    }
                }
            }
            action->trigger();
            EXPECT_EQ(checkedOf(group), QStringList(action->objectName()));
        }
    }
}

TEST_F(MainMenuTest, EachCheckListToggleAnswersToItsFunctionKeyAloneAndWithShift) {
    for (int i = 1; i <= 10; ++i) {
        const QAction* toggle = form->mainMenu().action(QStringLiteral("popCheckList%1").arg(i));
        ASSERT_NE(toggle, nullptr) << i;
        EXPECT_TRUE(toggle->isCheckable()) << i;
        EXPECT_EQ(toggle->shortcuts(),
                  QList<QKeySequence>({QKeySequence(QStringLiteral("F%1").arg(i)),
                                       QKeySequence(QStringLiteral("Shift+F%1").arg(i))}))
            << i;
    }
}

// The external programs of the picture's menu stay out of it until the settings name them.
TEST_F(MainMenuTest, UnnamedExternalProgramsAreNotShown) {
    const QMenu* programs = form->mainMenu().menu(QStringLiteral("popApp"));
    ASSERT_NE(programs, nullptr);
    for (int i = 1; i <= 10; ++i) {
        const QAction* entry = form->mainMenu().action(QStringLiteral("popExApp%1").arg(i));
        ASSERT_NE(entry, nullptr) << i;
        EXPECT_TRUE(programs->actions().contains(entry)) << i;
        EXPECT_FALSE(entry->isVisible()) << i;
    }
}

// Each command of the table is one action of the window, under the name its row gives.
TEST_F(MainMenuTest, EveryCommandOfTheTableIsOneActionOfTheWindow) {
    for (const CommandRow& row : CommandTable()) {
        const QList<QAction*> actions = form->findChildren<QAction*>(QString::fromLatin1(row.objectName));
        ASSERT_EQ(actions.size(), 1) << row.objectName;
        EXPECT_EQ(actions[0], form->mainMenu().action(row.id)) << row.objectName;
    }
}

} // namespace
