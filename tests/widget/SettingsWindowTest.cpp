#include "MainWindowFixture.h"
#include "app/ViewerController.h"
#include "core/common/NativePath.h"
#include "core/imaging/TSpiLib32.h"
#include "support/ModalAnswer.h"
#include "ui/settings/TFormOption.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

// The main window started over a data folder that may hold a settings file.
class SettingsWindowTest : public MainWindowFixture {
protected:
    QString IniPath() const { return data.file(QStringLiteral("Ruvela.ini")); }
    QString Ini() const { return QString::fromUtf8(ReadFileHead(IniPath(), 1 << 20)); }

    void Start() {
        form->SetOptionDialog(&dialog);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->FormFirstShow({data.path()});
    }

    // Runs the options dialog; `act` gets the open dialog and ends it. Whatever else opens, or
    // a dialog `act` leaves open, is closed, so a failing check never leaves the test waiting.
    void RunOptions(const std::function<void(TFormOption&)>& act) {
        const QWidget* opened = nullptr;
        ModalAnswer answer([&](QWidget* modal) {
            opened = modal;
            if (modal == &dialog)
                act(dialog);
        });
        form->mainMenu().action(QStringLiteral("mnuFileOption"))->trigger();
        EXPECT_EQ(opened, &dialog);
        EXPECT_FALSE(answer.leftOpen());
    }

    TFormOption dialog{sound};
};

} // namespace

TEST_F(SettingsWindowTest, StoredValuesArePlacedAndTheFileIsWrittenAtExit) {
    data.write(QStringLiteral("Ruvela.ini"), "[FormMain]\r\nExecution=7\r\nMovement=41\r\nX=10\r\nY=20\r\n"
                                             "Width=700\r\nHeight=500\r\nCommentBackColor=255\r\n"
                                             "[Mine]\r\nKeep=me\r\n[FormOption]\r\nListName2=ねこ\r\n");
    Start();
    EXPECT_EQ(form->normalGeometry().size(), QSize(700, 500));
    EXPECT_EQ(form->mainMenu().menu(QStringLiteral("mnuListB"))->title(), QStringLiteral("[0000] ねこ(&B)"));
    auto* comment = form->findChild<QPlainTextEdit*>(QStringLiteral("Comment"));
    EXPECT_EQ(comment->palette().color(QPalette::Base), QColor(255, 0, 0));
    EXPECT_EQ(controller->state().ExecutionCount, 7);
    EXPECT_EQ(controller->state().PreviousSortCount, 41);

    form->close();
    const QString ini = Ini();
    EXPECT_TRUE(ini.contains(QStringLiteral("Execution=8\r\n")));
    EXPECT_TRUE(ini.contains(QStringLiteral("Movement=41\r\n")));
    EXPECT_TRUE(ini.contains(QStringLiteral("Width=700\r\n")));
    EXPECT_TRUE(ini.contains(QStringLiteral("Height=500\r\n")));
    EXPECT_TRUE(ini.contains(QStringLiteral("ListName2=ねこ\r\n")));
    EXPECT_TRUE(ini.contains(QStringLiteral("[Mine]\r\nKeep=me\r\n")));
    EXPECT_TRUE(ini.contains(QStringLiteral("ImgFile=") + data.path() + QStringLiteral("\r\n")));
}

TEST_F(SettingsWindowTest, SavingTheDialogStoresItsValuesAndCancelResetsThemFromTheFile) {
    Start();
    RunOptions([](TFormOption& open) {
        open.findChild<QLineEdit*>(QStringLiteral("ListEdit1"))->setText(QStringLiteral("旅行"));
        open.reject();
    });
    EXPECT_EQ(controller->options().ListName[0], QStringLiteral("汎用"));
    EXPECT_TRUE(Ini().contains(QStringLiteral("ListName1=汎用\r\n")));
    EXPECT_FALSE(controller->state().Paused);

    RunOptions([](TFormOption& open) {
        // The control shows the file's value again, not the cancelled edit.
        EXPECT_EQ(open.findChild<QLineEdit*>(QStringLiteral("ListEdit1"))->text(), QStringLiteral("汎用"));
        open.findChild<QLineEdit*>(QStringLiteral("ListEdit1"))->setText(QStringLiteral("旅行"));
        open.accept();
    });
    EXPECT_EQ(controller->options().ListName[0], QStringLiteral("旅行"));
    EXPECT_TRUE(Ini().contains(QStringLiteral("ListName1=旅行\r\n")));
    EXPECT_EQ(form->mainMenu().menu(QStringLiteral("mnuListA"))->title(), QStringLiteral("[0000] 旅行(&A)"));
}

TEST_F(SettingsWindowTest, TheSoundSwitchOfTheDialogWaitsForTheNextStart) {
    Start();
    ASSERT_FALSE(controller->soundOn());
    RunOptions([](TFormOption& open) {
        Options changed = open.options();
        changed.sndPlay = true;
        open.setOptions(changed);
        open.accept();
    });
    EXPECT_TRUE(Ini().contains(QStringLiteral("sndPlay=1\r\n")));
    EXPECT_FALSE(controller->soundOn());
    EXPECT_FALSE(form->mainMenu().action(QStringLiteral("mnuSoundPlay"))->isChecked());
}

// The options dialog pauses the viewer while it is open and leaves a pause it found in place.
TEST_F(SettingsWindowTest, TheOptionsDialogGivesBackThePauseItFound) {
    Start();
    for (const bool outer : {false, true}) {
        controller->state().Paused = outer;
        bool pausedMeanwhile = false;
        RunOptions([&](TFormOption& open) {
            pausedMeanwhile = controller->state().Paused;
            open.reject();
        });
        EXPECT_TRUE(pausedMeanwhile) << outer;
        EXPECT_EQ(controller->state().Paused, outer);
    }
}

TEST_F(SettingsWindowTest, TheStoredSortOrderIsChecked) {
    data.write(QStringLiteral("Ruvela.ini"), "[FormMain]\r\nSortNo=17\r\n");
    Start();
    EXPECT_TRUE(form->mainMenu().action(QStringLiteral("mnuSortFileName321"))->isChecked());
    EXPECT_EQ(controller->state().SortMode, SortOrder::NameDescending);
}

TEST_F(SettingsWindowTest, AnUnknownSortOrderChecksTheNameOrder) {
    data.write(QStringLiteral("Ruvela.ini"), "[FormMain]\r\nSortNo=99\r\n");
    form->mainMenu().action(QStringLiteral("mnuSortFileName321"))->setChecked(true);
    Start();
    EXPECT_TRUE(form->mainMenu().action(QStringLiteral("mnuSortFileName123"))->isChecked());
}

// The plug-ins found at start are listed in the dialog beside the folder they came from.
TEST_F(SettingsWindowTest, TheDialogListsTheLoadedPlugInsAndTheirFolder) {
    const QString folder = data.folder(QStringLiteral("PlugIn"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(RUVELA_TEST_PLUGIN_DIR "/echo.spi"),
                            folder + QStringLiteral("/echo.spi")));
    controller->plugIns().LoadPlugIns(folder);
    Start();
    RunOptions([&folder](TFormOption& open) {
        EXPECT_EQ(open.findChild<QLineEdit*>(QStringLiteral("PlugInSearchPath"))->text(), folder);
        auto* list = open.findChild<QListWidget*>(QStringLiteral("PlugInList"));
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->count(), 1);
        EXPECT_EQ(list->item(0)->text(), QStringLiteral("Echo test plug-in"));
        EXPECT_EQ(list->toolTip(), QStringLiteral("Ruvelaで認識されたプラグイン"));
        open.reject();
    });
}
