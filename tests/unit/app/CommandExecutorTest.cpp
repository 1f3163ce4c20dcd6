#include "core/common/NativePath.h"
#include "unit/app/ControllerFixture.h"

#include <QSignalSpy>

namespace {

class CommandExecutorTest : public ControllerTest {
protected:
    // Pictures a.jpg and b.jpg in "from", shown from the first.
    QStringList Open() {
        const QStringList paths{pictures.write(QStringLiteral("from/a.jpg"), Jpeg(40, 30)),
                                pictures.write(QStringLiteral("from/b.jpg"), Jpeg(40, 30))};
        controller->ViewFolder(pictures.file(QStringLiteral("from")), true);
        return paths;
    }

    CommandExecutor& commands() { return controller->commands(); }

    // Each command of `objectNames` notes its name in `ran` when it runs, in place of what it
    // does.
    void Record(const QStringList& objectNames) {
        for (const QString& name : objectNames) {
            const std::optional<Command> id = CommandOfObject(name);
            ASSERT_TRUE(id) << name.toStdString();
            controller->registry().Register(*id, [this, name] { ran << name; });
        }
    }

    QStringList ran;
};

TEST_F(CommandExecutorTest, ACommandNameRunsItsCommand) {
    Open();
    Record({"mnuZoom", "actComma", "popCheckList10", "popExApp1", "popAppOpen", "mnuImgPop"});
    const struct {
        const char* text;
        const char* target; // empty: nothing runs
    } cases[] = {
        {"拡大", "mnuZoom"},
        {"連続ファイル移動", "actComma"},
        {"チェックJ", "popCheckList10"},
        {"外部アプリ01", "popExApp1"},
        {"関連付けで開く", "popAppOpen"},
        {"画像メニュー", "mnuImgPop"},
        {"無し", ""},
        {"----------------", ""},
        {"閲覧先に設定する", ""},
        {"現在の倍率にする", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ran.clear();
        commands().mgesExecute(QString::fromUtf8(c.text));
        if (*c.target) {
            EXPECT_EQ(ran, QStringList{QString::fromUtf8(c.target)});
        } else {
            EXPECT_TRUE(ran.isEmpty());
        }
    }
    EXPECT_TRUE(prompts.texts().isEmpty());
}

// The commands of the workflows run through the registry alone, as a menu, a key, a gesture or
// a sorting entry runs them: no window is needed.
TEST_F(CommandExecutorTest, TheWorkflowsCommandsRunWithoutAWindow) {
    const QStringList files = Open();
    CommandRegistry& registry = controller->registry();
    EXPECT_TRUE(registry.Run(Command::mnuImgNext));
    EXPECT_EQ(state().CurrentFile, files[1]);
    EXPECT_TRUE(registry.Run(Command::popCheckList2));
    EXPECT_TRUE(controller->checks().lists().contains(1, files[1]));
    EXPECT_TRUE(registry.Run(Command::mnuViewRateHold));
    EXPECT_EQ(controller->zoomMode(), ZoomMode::FixedRate);
    EXPECT_TRUE(registry.Run(Command::mnuZoom));
    EXPECT_GT(state().ZoomRate, 1.0);
    EXPECT_TRUE(registry.Run(Command::mnuJumpStart));
    EXPECT_EQ(state().CurrentFile, files[0]);
    // A command only a window carries out is not there without one.
    EXPECT_FALSE(registry.Run(Command::mnuFileOpen));
}

TEST_F(CommandExecutorTest, AnInputRunsWhatTheSettingsBindToItAtThatMoment) {
    Open();
    Record({"mnuFileOption", "mnuMoveRedo"});
    EXPECT_TRUE(commands().ExecuteInput(QStringLiteral("mGes8")));
    controller->options().mGes8 = QStringLiteral("リドゥ");
    EXPECT_TRUE(commands().ExecuteInput(QStringLiteral("mGes8")));
    // Nothing bound: the caller may do what the input does by itself.
    EXPECT_FALSE(commands().ExecuteInput(QStringLiteral("mGes7")));
    EXPECT_FALSE(commands().ExecuteInput(QStringLiteral("unknown")));
    EXPECT_EQ(ran, (QStringList{"mnuFileOption", "mnuMoveRedo"}));
}

TEST_F(CommandExecutorTest, ANumberShowsThePictureAtThatRate) {
    Open();
    const struct {
        const char* text;
        double rate; // the rate afterwards
    } cases[] = {
        {"1.5", 1.5},  {"abc", 1.5},  {"0.25", 0.25}, {"-2", 0.25},
        {"nan", 0.25}, {"inf", 0.25}, {"", 0.25},     {"100", 8.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        commands().mgesExecute(QString::fromUtf8(c.text));
        EXPECT_DOUBLE_EQ(state().ZoomRate, c.rate);
    }
    EXPECT_EQ(state().ViewBitmap.width(), 320);
    EXPECT_TRUE(prompts.texts().isEmpty());
}

TEST_F(CommandExecutorTest, FolderFormsOpenSendAndSetTheKeypadBase) {
    const QStringList files = Open();
    const QString elsewhere = pictures.folder(QStringLiteral("elsewhere"));
    pictures.write(QStringLiteral("elsewhere/z.jpg"), Jpeg(8, 8));
    const QString best = pictures.folder(QStringLiteral("best"));
    const QString missing = pictures.file(QStringLiteral("missing"));

    commands().mgesExecute(QStringLiteral("$OPEN=") + missing);
    EXPECT_EQ(state().CurrentFile, files[0]);
    EXPECT_TRUE(prompts.texts().isEmpty());

    const QString base = state().LowDirBase;
    commands().mgesExecute(QStringLiteral("$LowDir=") + missing);
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("下位フォルダ振り分け基点が見つかりません")});
    EXPECT_EQ(state().LowDirBase, base);
    commands().mgesExecute(QStringLiteral("$LowDir=") + elsewhere);
    EXPECT_EQ(state().LowDirBase, elsewhere);

    // The shown file goes into the folder and the next one is shown.
    commands().mgesExecute(QStringLiteral("$MOVE=") + best);
    EXPECT_EQ(PathKind(files[0]), PathType::None);
    EXPECT_EQ(PathKind(best + QStringLiteral("/a.jpg")), PathType::File);
    EXPECT_EQ(state().CurrentFile, files[1]);

    commands().mgesExecute(QStringLiteral("$OPEN=") + elsewhere);
    EXPECT_EQ(state().CurrentFolder, elsewhere);
}

} // namespace
