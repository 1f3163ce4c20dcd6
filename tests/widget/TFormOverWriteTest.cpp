#include "ui/sorting/TFormOverWrite.h"

#include "core/common/NativePath.h"
#include "core/convert/ImageEncoders.h"
#include "support/ModalAnswer.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kTimeFormat = QStringLiteral("yyyy/mm/dd hh:nn:ss");

// Writes a JPEG of the given size with the given local modification time; returns its path
// and, in `size`, its length in bytes.
QString WritePicture(const TempFolder& folder, const QString& name, int width, int height,
                     const QDateTime& time, qint64* size) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(QColor(width * 3, height * 5, 90));
    const QByteArray bytes = EncodeJpeg(image, JpegEncodeOptions{});
    *size = bytes.size();
    const QString path = folder.write(name, bytes);
    const timespec times[2] = {{time.toSecsSinceEpoch(), 0}, {time.toSecsSinceEpoch(), 0}};
    EXPECT_EQ(::utimensat(AT_FDCWD, NativePath(path).constData(), times, 0), 0);
    return path;
}

// An existing 40×30 target in "~/to" and an incoming 30×60 source in "~/from", with the
// temporary folder as the home folder.
class TFormOverWriteTest : public ::testing::Test {
protected:
    TFormOverWriteTest() : m_home(qgetenv("HOME")) {
        qputenv("HOME", NativePath(folder.path()));
        target = WritePicture(folder, QStringLiteral("to/Pic.JPG"), 40, 30,
                              QDateTime(QDate(2023, 4, 5), QTime(6, 7, 8)), &targetSize);
        source = WritePicture(folder, QStringLiteral("from/Pic.JPG"), 30, 60,
                              QDateTime(QDate(2021, 11, 12), QTime(13, 14, 15)), &sourceSize);
        dialog.setFileOpener([this](const QString& path) { opened << path; });
    }
    ~TFormOverWriteTest() override { qputenv("HOME", m_home); }

    ConflictQuestion Question(const QString& op = QStringLiteral("移動"), bool identical = false) const {
        return ConflictQuestion{source, target, op, identical, QStringLiteral("Pic_Rename00"), kTimeFormat};
    }

    // Runs the modal dialog; `act` runs inside its loop and must end it. A dialog it leaves
    // open is cancelled, so a failing check in `act` never leaves the test waiting.
    ConflictReply Run(const ConflictQuestion& question, const std::function<void()>& act) {
        ModalAnswer answer([&](QWidget* modal) {
            EXPECT_EQ(modal, &dialog);
            act();
        });
        const ConflictReply reply = dialog.Execute(question);
        EXPECT_TRUE(answer.answered());
        EXPECT_FALSE(answer.leftOpen()) << "the dialog was left open";
        return reply;
    }

    template <typename T> T* Find(const char* name) const {
        T* widget = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    void Click(const char* button) const {
        if (QPushButton* found = Find<QPushButton>(button))
            found->click();
    }

    TempFolder folder;
    QString target;
    QString source;
    qint64 targetSize = 0;
    qint64 sourceSize = 0;
    ScriptedPrompts prompts;
    TFormOverWrite dialog{prompts};
    QStringList opened;

private:
    QByteArray m_home;
};

TEST_F(TFormOverWriteTest, ShowsBothFilesWithTheOperationWord) {
    for (const QString& op : {QStringLiteral("移動"), QStringLiteral("コピー")}) {
        SCOPED_TRACE(op.toStdString());
        Run(Question(op), [&] {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("上書きの確認"));
            EXPECT_TRUE(dialog.isModal());
            EXPECT_EQ(Find<QLabel>("Label1")->text(), op + QStringLiteral("先のフォルダ\"~/to/\"には、"));
            EXPECT_EQ(Find<QGroupBox>("TargetBox")->title(), op + QStringLiteral("先の画像"));
            EXPECT_EQ(Find<QGroupBox>("SourceBox")->title(), op + QStringLiteral("元の画像"));
            EXPECT_EQ(Find<QLabel>("TargetInfo")->text(), QStringLiteral("40x30 ( %1 byte)").arg(targetSize));
            EXPECT_EQ(Find<QLabel>("SourceInfo")->text(), QStringLiteral("30x60 ( %1 byte)").arg(sourceSize));
            EXPECT_EQ(Find<QLabel>("TargetTime")->text(), QStringLiteral("2023/04/05 06:07:08"));
            EXPECT_EQ(Find<QLabel>("SourceTime")->text(), QStringLiteral("2021/11/12 13:14:15"));
            // Proportional fit into the 160×160 preview.
            EXPECT_EQ(Find<QLabel>("TargetImage")->pixmap().size(), QSize(160, 120));
            EXPECT_EQ(Find<QLabel>("SourceImage")->pixmap().size(), QSize(80, 160));
            EXPECT_EQ(Find<QLabel>("QuestionLabel")->text(), QStringLiteral("上書きしますか？"));
            EXPECT_EQ(Find<QLineEdit>("NameEdit")->text(), QStringLiteral("Pic_Rename00"));
            Click("StopButton");
        });
        // The pictures are not held between conflicts.
        EXPECT_TRUE(Find<QLabel>("TargetImage")->pixmap().isNull());
        EXPECT_TRUE(Find<QLabel>("SourceImage")->pixmap().isNull());
    }
}

TEST_F(TFormOverWriteTest, AFileGoneMeanwhileShowsTheStockPictureAndNoFacts) {
    ASSERT_EQ(::unlink(NativePath(source).constData()), 0);
    Run(Question(), [&] {
        EXPECT_FALSE(Find<QLabel>("SourceImage")->pixmap().isNull());
        EXPECT_EQ(Find<QLabel>("SourceInfo")->text(), QStringLiteral("0x0 ( 0 byte)"));
        EXPECT_EQ(Find<QLabel>("SourceTime")->text(), QString());
        EXPECT_EQ(Find<QLabel>("TargetInfo")->text(), QStringLiteral("40x30 ( %1 byte)").arg(targetSize));
        Click("StopButton");
    });
}

TEST_F(TFormOverWriteTest, ANewTimeFormatShowsOnTheNextConflict) {
    // The batch hands over the format the settings hold at each conflict.
    ConflictQuestion question = Question();
    question.timeFormat = QStringLiteral("yy-m-d");
    Run(question, [&] {
        EXPECT_EQ(Find<QLabel>("TargetTime")->text(), QStringLiteral("23-4-5"));
        Click("StopButton");
    });
    question.timeFormat = QStringLiteral("yyyy");
    Run(question, [&] {
        EXPECT_EQ(Find<QLabel>("TargetTime")->text(), QStringLiteral("2023"));
        Click("StopButton");
    });
}

TEST_F(TFormOverWriteTest, IdenticalFilesOfferOverwritingDifferentOnesRenaming) {
    struct Case {
        bool identical;
        QString line2;
        const char* focus;
    };
    for (const Case& c : {Case{true, QStringLiteral("既に同じファイルが存在します。"), "YesButton"},
                          Case{false, QStringLiteral("同名のファイルが存在します。"), "RenameButton"}}) {
        SCOPED_TRACE(c.focus);
        Run(Question(QStringLiteral("コピー"), c.identical), [&] {
            EXPECT_EQ(Find<QLabel>("Label2")->text(), c.line2);
            auto* same = Find<QLabel>("SameLabel");
            EXPECT_EQ(same->isVisible(), c.identical);
            EXPECT_EQ(same->text(), QStringLiteral("完全に同じファイルです"));
            EXPECT_TRUE(same->font().bold());
            EXPECT_EQ(dialog.focusWidget(), Find<QPushButton>(c.focus));
            Click("StopButton");
        });
    }
}

TEST_F(TFormOverWriteTest, EachButtonGivesItsAnswer) {
    struct Case {
        const char* button;
        QString text;
        ConflictAnswer answer;
    };
    for (const Case& c : {Case{"YesButton", QStringLiteral("はい(&Y)"), ConflictAnswer::Yes},
                          Case{"NoButton", QStringLiteral("いいえ(&N)"), ConflictAnswer::No},
                          Case{"YesToAllButton", QStringLiteral("全て上書き(&A)"), ConflictAnswer::YesToAll},
                          Case{"NoToAllButton", QStringLiteral("全て無視(&B)"), ConflictAnswer::NoToAll},
                          Case{"StopButton", QStringLiteral("中止(&S)"), ConflictAnswer::Stop}}) {
        SCOPED_TRACE(c.button);
        const ConflictReply reply = Run(Question(), [&] {
            EXPECT_EQ(Find<QPushButton>(c.button)->text(), c.text);
            Click(c.button);
        });
        EXPECT_EQ(reply.answer, c.answer);
        EXPECT_TRUE(reply.renamedTarget.isEmpty());
    }
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(TFormOverWriteTest, EscapeStopsWhenReleasedAndClosingCancels) {
    // The key may come while the name field or a button has the focus.
    for (const char* focus : {"NameEdit", "RenameButton"}) {
        SCOPED_TRACE(focus);
        const ConflictReply reply = Run(Question(), [&] {
            QWidget* widget = Find<QWidget>(focus);
            QTest::keyPress(widget, Qt::Key_Escape);
            EXPECT_TRUE(dialog.isVisible());
            QTest::keyRelease(widget, Qt::Key_Escape);
        });
        EXPECT_EQ(reply.answer, ConflictAnswer::Stop);
    }
    EXPECT_EQ(Run(Question(), [&] { dialog.close(); }).answer, ConflictAnswer::Cancel);
}

TEST_F(TFormOverWriteTest, RenamingChecksTheTypedName) {
    folder.write(QStringLiteral("to/Taken.JPG"), "x");
    const QString to = folder.file(QStringLiteral("to/"));
    struct Case {
        QString typed;
        QString message; // empty: the name is free
    };
    const Case cases[] = {
        {QStringLiteral("Pic_Rename00"), {}},
        {QStringLiteral("新しい 名前"), {}},
        {QStringLiteral("Taken"),
         QStringLiteral("既に同名のファイルが存在します\r\n\"") + to + QStringLiteral("Taken.JPG\"")},
        {QStringLiteral("a/b"), QStringLiteral("その名前は使えません\r\n\"a/b\"")},
        {QStringLiteral(".."), QStringLiteral("その名前は使えません\r\n\"..\"")},
        {QString(), QStringLiteral("その名前は使えません\r\n\"\"")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        prompts.asked.clear();
        const ConflictReply reply = Run(Question(), [&] {
            Find<QLineEdit>("NameEdit")->setText(c.typed);
            Click("RenameButton");
            if (dialog.isVisible()) {
                Click("StopButton");
            }
        });
        if (c.message.isEmpty()) {
            EXPECT_EQ(reply.answer, ConflictAnswer::Rename);
            EXPECT_EQ(reply.renamedTarget, to + c.typed + QStringLiteral(".JPG"));
            EXPECT_TRUE(prompts.asked.empty());
        } else {
            // The dialog stayed for another choice.
            EXPECT_EQ(reply.answer, ConflictAnswer::Stop);
            EXPECT_TRUE(reply.renamedTarget.isEmpty());
            ASSERT_EQ(prompts.asked.size(), 1u);
            EXPECT_EQ(prompts.asked[0].text, c.message);
            EXPECT_EQ(prompts.asked[0].icon, MessageIcon::Information);
            EXPECT_EQ(prompts.asked[0].buttons, MessageButtons::Ok);
        }
    }
}

TEST_F(TFormOverWriteTest, ClickingAPreviewOpensThatFile) {
    Run(Question(), [&] {
        QTest::mouseClick(Find<QLabel>("TargetImage"), Qt::LeftButton);
        QTest::mouseClick(Find<QLabel>("SourceImage"), Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible());
        Click("StopButton");
    });
    EXPECT_EQ(opened, QStringList({target, source}));
}

} // namespace
