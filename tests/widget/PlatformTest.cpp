#include "core/common/NativePath.h"
#include "platform/KeyStateTracker.h"
#include "platform/LocalUrl.h"
#include "platform/QtSoundPlayer.h"
#include "platform/QtUserPrompts.h"
#include "platform/UnixSignalWatcher.h"
#include "support/ModalAnswer.h"
#include "support/TempFolder.h"
#include "ui/common/StoredColor.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTest>
#include <QWidget>
#include <csignal>
#include <gtest/gtest.h>

namespace {

TEST(LocalUrl, AnyFileNameSurvivesTheTripThroughAUrl) {
    const QString names[] = {
        QStringLiteral("/tmp/写真/猫 1.jpg"),
        QStringLiteral("/tmp/100%#?.png"),
        PathFromNative(QByteArray("/tmp/caf\xe9/\xff\xfe.jpg")),
        QStringLiteral("/"),
    };
    for (const QString& path : names) {
        const QUrl url = LocalUrlFromPath(path);
        EXPECT_TRUE(url.isLocalFile()) << url.toString().toStdString();
        EXPECT_EQ(NativePath(PathFromLocalUrl(url)), NativePath(path)) << url.toString().toStdString();
    }
}

TEST(LocalUrl, ReadsTheBytesAFileManagerEncodes) {
    EXPECT_EQ(NativePath(PathFromLocalUrl(QUrl::fromEncoded("file:///tmp/caf%E9.jpg"))),
              QByteArray("/tmp/caf\xe9.jpg"));
    EXPECT_EQ(PathFromLocalUrl(QUrl::fromEncoded("file:///tmp/%E7%8C%AB.png")),
              QStringLiteral("/tmp/猫.png"));
    EXPECT_TRUE(PathFromLocalUrl(QUrl(QStringLiteral("https://example.org/a.jpg"))).isEmpty());
}

TEST(StoredColor, RedLivesInTheLowByte) {
    const QPalette palette;
    EXPECT_EQ(ColorFromStored(8421376, palette), QColor(0, 128, 128));
    EXPECT_EQ(ColorFromStored(12615680, palette), QColor(0, 128, 192));
    EXPECT_EQ(ColorFromStored(16777215, palette), QColor(255, 255, 255));
    EXPECT_EQ(ColorFromStored(0x0000FF, palette), QColor(255, 0, 0));
    for (const qint32 stored : {0, 255, 8421376, 12615680, 16777215, 0x123456}) {
        EXPECT_EQ(StoredFromColor(ColorFromStored(stored, palette)), stored);
    }
}

TEST(StoredColor, TheTopBitNamesASystemColour) {
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::Base, QColor(4, 5, 6));
    palette.setColor(QPalette::Window, QColor(7, 8, 9));
    EXPECT_EQ(ColorFromStored(static_cast<qint32>(0x8000000Fu), palette), QColor(1, 2, 3)); // button face
    EXPECT_EQ(ColorFromStored(static_cast<qint32>(0x80000005u), palette), QColor(4, 5, 6)); // window
    EXPECT_EQ(ColorFromStored(static_cast<qint32>(0x80000001u), palette), QColor(7, 8, 9)); // desktop
}

class KeyStateTrackerTest : public ::testing::Test {
protected:
    void SetUp() override { qApp->installEventFilter(&keys); }
    void TearDown() override { qApp->removeEventFilter(&keys); }

    void Send(QEvent::Type type, int key, bool autoRepeat = false) {
        QKeyEvent event(type, key, Qt::NoModifier, QString(), autoRepeat);
        QApplication::sendEvent(&target, &event);
    }

    KeyStateTracker keys;
    QWidget target;
};

TEST_F(KeyStateTrackerTest, AKeyIsHeldFromItsPressToItsRelease) {
    EXPECT_FALSE(keys.keyHeld(Qt::Key_A));
    Send(QEvent::KeyPress, Qt::Key_A);
    Send(QEvent::KeyPress, Qt::Key_Space);
    EXPECT_TRUE(keys.keyHeld(Qt::Key_A));
    EXPECT_TRUE(keys.keyHeld(Qt::Key_Space));
    EXPECT_FALSE(keys.keyHeld(Qt::Key_B));
    // Auto-repeat sends releases while the key is still down.
    Send(QEvent::KeyRelease, Qt::Key_A, true);
    EXPECT_TRUE(keys.keyHeld(Qt::Key_A));
    Send(QEvent::KeyRelease, Qt::Key_A);
    EXPECT_FALSE(keys.keyHeld(Qt::Key_A));
    EXPECT_TRUE(keys.keyHeld(Qt::Key_Space));
}

TEST_F(KeyStateTrackerTest, AShortcutKeyCountsAsHeld) {
    Send(QEvent::ShortcutOverride, Qt::Key_Z);
    EXPECT_TRUE(keys.keyHeld(Qt::Key_Z));
    Send(QEvent::KeyRelease, Qt::Key_Z);
    EXPECT_FALSE(keys.keyHeld(Qt::Key_Z));
}

// A quick Shift+key can be released at the window system before its press is handled: the
// press still says Shift was down, until its release. Shifted top-row digits count as digits.
TEST_F(KeyStateTrackerTest, TheModifiersOfThePressBeingHandledCount) {
    ASSERT_FALSE(keys.shiftHeld());
    QKeyEvent press(QEvent::ShortcutOverride, Qt::Key_Colon, Qt::ShiftModifier | Qt::ControlModifier);
    QApplication::sendEvent(&target, &press);
    EXPECT_TRUE(keys.shiftHeld());
    EXPECT_TRUE(keys.ctrlHeld());
    EXPECT_FALSE(keys.altHeld());
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Colon, Qt::ShiftModifier);
    QApplication::sendEvent(&target, &release);
    EXPECT_FALSE(keys.shiftHeld());
    EXPECT_FALSE(keys.ctrlHeld());

    // X11 key code 10 is the top-row 1, whatever Shift made of it.
    QKeyEvent exclam(QEvent::KeyPress, Qt::Key_Exclam, Qt::ShiftModifier, 10, 0, 0);
    QApplication::sendEvent(&target, &exclam);
    EXPECT_TRUE(keys.keyHeld(Qt::Key_1));
}

TEST_F(KeyStateTrackerTest, APopUpComingOrGoingForgetsEveryKey) {
    Send(QEvent::KeyPress, Qt::Key_E);
    QWidget popup(nullptr, Qt::Popup);
    QEvent show(QEvent::Show);
    QApplication::sendEvent(&popup, &show);
    EXPECT_FALSE(keys.keyHeld(Qt::Key_E));
    Send(QEvent::KeyPress, Qt::Key_O);
    QEvent hide(QEvent::Hide);
    QApplication::sendEvent(&popup, &hide);
    EXPECT_FALSE(keys.keyHeld(Qt::Key_O));
    // An ordinary window showing leaves the keys alone.
    Send(QEvent::KeyPress, Qt::Key_B);
    QWidget window;
    QApplication::sendEvent(&window, &show);
    EXPECT_TRUE(keys.keyHeld(Qt::Key_B));
}

TEST_F(KeyStateTrackerTest, LosingTheFocusForgetsEveryKey) {
    Send(QEvent::KeyPress, Qt::Key_X);
    QApplicationStateChangeEvent inactive(Qt::ApplicationInactive);
    QApplication::sendEvent(qApp, &inactive);
    EXPECT_FALSE(keys.keyHeld(Qt::Key_X));

    Send(QEvent::KeyPress, Qt::Key_X);
    QApplicationStateChangeEvent active(Qt::ApplicationActive);
    QApplication::sendEvent(qApp, &active);
    EXPECT_TRUE(keys.keyHeld(Qt::Key_X));
}

// How a message box looked when it was answered.
struct BoxSeen {
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    const QWidget* owner = nullptr;
};

// Notes how the message box looks into `seen` and presses its `button`. Anything else is left
// for ModalAnswer to close; the checks on `seen` then fail.
std::function<void(QWidget*)> Press(QMessageBox::StandardButton button, BoxSeen& seen) {
    return [button, &seen](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box)
            return;
        seen = {box->windowTitle(), box->icon(), box->standardButtons(), box->parentWidget()};
        if (QAbstractButton* pressed = box->button(button))
            pressed->click();
    };
}

TEST(QtUserPrompts, ShowsARuvelaBoxAndReturnsThePressedButton) {
    struct Case {
        MessageIcon icon;
        MessageButtons buttons;
        QMessageBox::StandardButton press;
        QMessageBox::Icon expectedIcon;
        QMessageBox::StandardButtons expectedButtons;
        MessageResult expected;
    };
    const Case cases[] = {
        {MessageIcon::Exclamation, MessageButtons::Ok, QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok,
         MessageResult::Ok},
        {MessageIcon::Question, MessageButtons::YesNo, QMessageBox::No, QMessageBox::Question,
         QMessageBox::Yes | QMessageBox::No, MessageResult::No},
        {MessageIcon::Question, MessageButtons::YesNoCancel, QMessageBox::Cancel, QMessageBox::Question,
         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, MessageResult::Cancel},
        {MessageIcon::Information, MessageButtons::OkCancel, QMessageBox::Ok, QMessageBox::Information,
         QMessageBox::Ok | QMessageBox::Cancel, MessageResult::Ok},
        {MessageIcon::Question, MessageButtons::YesNo, QMessageBox::Yes, QMessageBox::Question,
         QMessageBox::Yes | QMessageBox::No, MessageResult::Yes},
    };
    QtUserPrompts prompts;
    for (const Case& c : cases) {
        BoxSeen seen;
        ModalAnswer answer(Press(c.press, seen));
        EXPECT_EQ(prompts.message(QStringLiteral("よろしいですか？"), c.icon, c.buttons), c.expected);
        EXPECT_TRUE(answer.answered());
        EXPECT_FALSE(answer.leftOpen());
        EXPECT_EQ(seen.title, QStringLiteral("Ruvela"));
        EXPECT_EQ(seen.icon, c.expectedIcon);
        EXPECT_EQ(seen.buttons, c.expectedButtons);
    }
}

// A box asked while a dialog is open belongs to that dialog (the main window may be minimised
// meanwhile); a folder picker's title is the caption's lines on one line.
TEST(QtUserPrompts, BoxesBelongToTheOpenDialogAndPickerTitlesAreOneLine) {
    QWidget main;
    QtUserPrompts prompts;
    prompts.setOwner(&main);
    QDialog dialog(&main);
    dialog.setModal(true);
    dialog.show();
    BoxSeen seen;
    {
        ModalAnswer answer(Press(QMessageBox::Ok, seen), &dialog);
        prompts.message(QStringLiteral("リストのファイルが見つかりません"), MessageIcon::Information,
                        MessageButtons::Ok);
        EXPECT_TRUE(answer.answered());
        EXPECT_FALSE(answer.leftOpen());
    }
    EXPECT_EQ(seen.owner, &dialog);
    dialog.hide();

    QString title;
    ModalAnswer answer([&title](QWidget* picker) {
        title = picker->windowTitle();
        picker->close();
    });
    EXPECT_EQ(prompts.folder(QStringLiteral("ファイル数 : 3\r\n移動先のフォルダを選択して下さい"),
                             QDir::tempPath()),
              std::nullopt);
    EXPECT_TRUE(answer.answered());
    EXPECT_EQ(title, QStringLiteral("ファイル数 : 3 移動先のフォルダを選択して下さい"));
}

// The file pickers show the caption, open in the start folder and offer the filters in the
// form Qt reads (patterns apart by spaces); the chosen file comes back as a path. The
// information box carries its own caption.
TEST(QtUserPrompts, FilePickersAndTheInformationBoxShowWhatTheyAreGiven) {
    TempFolder temp;
    const QString picture = temp.write(QStringLiteral("絵.jpg"), QByteArray("x"));
    QtUserPrompts prompts;
    const QStringList filters{QStringLiteral("画像ファイル (*.bmp;*.jpg)"),
                              QStringLiteral("GIFファイル (*.gif)")};
    struct Seen {
        QString title;
        QStringList filters;
        QString folder;
        QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    };
    const auto pick = [&picture](Seen& seen, bool choose) {
        QTimer::singleShot(0, [&seen, &picture, choose] {
            auto* picker = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(picker, nullptr);
            seen = {picker->windowTitle(), picker->nameFilters(), picker->directory().absolutePath(),
                    picker->acceptMode()};
            if (choose) {
                picker->selectFile(picture);
                static_cast<QDialog*>(picker)->accept(); // public in the base class
            } else {
                picker->reject();
            }
        });
    };
    const QStringList qtFilters{QStringLiteral("画像ファイル (*.bmp *.jpg)"),
                                QStringLiteral("GIFファイル (*.gif)")};

    Seen open;
    pick(open, true);
    EXPECT_EQ(prompts.openFile(QStringLiteral("画像ファイルを開く"), temp.path(), filters), picture);
    EXPECT_EQ(open.title, QStringLiteral("画像ファイルを開く"));
    EXPECT_EQ(open.filters, qtFilters);
    EXPECT_EQ(open.folder, temp.path());
    EXPECT_EQ(open.mode, QFileDialog::AcceptOpen);

    Seen save;
    pick(save, false);
    EXPECT_EQ(prompts.saveFile(QStringLiteral("振り分けテーブルの保存"), temp.path(), filters), std::nullopt);
    EXPECT_EQ(save.title, QStringLiteral("振り分けテーブルの保存"));
    EXPECT_EQ(save.filters, qtFilters);
    EXPECT_EQ(save.mode, QFileDialog::AcceptSave);

    BoxSeen seen;
    ModalAnswer answer(Press(QMessageBox::Ok, seen));
    prompts.about(QStringLiteral("Ruvela - バージョン情報（3）"), QStringLiteral("Tips : なし"));
    EXPECT_TRUE(answer.answered());
    EXPECT_EQ(seen.title, QStringLiteral("Ruvela - バージョン情報（3）"));
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

// A signal asking the program to end arrives as a Qt signal in the event loop, where the
// program can close its window with every save; the process is not ended by it.
TEST(UnixSignalWatcher, TurnsEndRequestsIntoQtSignals) {
    UnixSignalWatcher watcher{SIGTERM, SIGHUP};
    QList<int> received;
    QObject::connect(&watcher, &UnixSignalWatcher::received, [&received](int number) { received << number; });
    ASSERT_EQ(::raise(SIGHUP), 0);
    ASSERT_EQ(::raise(SIGTERM), 0);
    EXPECT_TRUE(QTest::qWaitFor([&received] { return received.size() == 2; }, 2000));
    EXPECT_EQ(received, (QList<int>{SIGHUP, SIGTERM}));
}

// A WAVE file of a few milliseconds of silence.
QByteArray SilentWave() {
    const quint32 samples = 441;
    QByteArray data(static_cast<qsizetype>(samples * 2), '\0');
    QByteArray wave;
    const auto u32 = [&wave](quint32 v) {
        for (int i = 0; i < 4; ++i)
            wave.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    const auto u16 = [&wave](quint16 v) {
        wave.append(static_cast<char>(v & 0xFF));
        wave.append(static_cast<char>(v >> 8));
    };
    wave.append("RIFF");
    u32(36 + static_cast<quint32>(data.size()));
    wave.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(44100);
    u32(88200);
    u16(2);
    u16(16);
    wave.append("data");
    u32(static_cast<quint32>(data.size()));
    return wave + data;
}

TEST(QtSoundPlayer, StartsTheAudioOnlyForAFileThatExists) {
    TempFolder folder;
    {
        QtSoundPlayer player;
        player.play(QString());
        player.play(folder.file(QStringLiteral("missing.wav")));
        player.play(folder.path());
        EXPECT_FALSE(player.started());

        // Without an audio device this stays silent; it must not fail either way.
        player.play(folder.write(QStringLiteral("copy.wav"), SilentWave()));
        EXPECT_TRUE(player.started());
        player.play(folder.write(QStringLiteral("move.wav"), SilentWave()));
    }
    // The sounds load on a thread of their own and are released through the event loop: let
    // that end before the test does. Neither the player nor Qt Multimedia tells when it has, so
    // this is a pause, not a wait for a state the test could poll.
    QTest::qWait(500);
}

} // namespace
