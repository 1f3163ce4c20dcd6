#include "ui/settings/TFormOption.h"

#include "app/CommandNames.h"
#include "core/common/SoundPlayer.h"
#include "support/ModalAnswer.h"
#include "ui/common/StoredColor.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Audio cannot be heard on a test machine: this player only records what it was asked to play.
class RecordingSoundPlayer : public SoundPlayer {
public:
    void play(const QString& file) override { played.append(file); }
    QStringList played;
};

class TFormOptionTest : public ::testing::Test {
protected:
    template <typename T> T* control(const char* name) {
        T* found = dialog.findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // What a control shows, as text, whatever its kind.
    QString shown(const char* name) {
        QWidget* widget = control<QWidget>(name);
        if (auto* box = qobject_cast<QCheckBox*>(widget))
            return box->isChecked() ? QStringLiteral("on") : QStringLiteral("off");
        if (auto* edit = qobject_cast<QLineEdit*>(widget))
            return edit->text();
        if (auto* spin = qobject_cast<QSpinBox*>(widget))
            return QString::number(spin->value());
        if (auto* slider = qobject_cast<QSlider*>(widget))
            return QString::number(slider->value());
        if (auto* button = qobject_cast<QPushButton*>(widget))
            return button->text();
        return QStringLiteral("?");
    }

    // The colour of the swatch a colour button shows.
    QColor swatch(const char* name) {
        return control<QPushButton>(name)->icon().pixmap(QSize(24, 16)).toImage().pixelColor(12, 8);
    }

    // Drops `text` on the field as a drag from the command list would; true when accepted.
    bool drop(const char* field, const QString& text) {
        QMimeData data;
        data.setText(text);
        return dropData(field, data);
    }

    bool dropData(const char* field, const QMimeData& data) {
        QLineEdit* target = control<QLineEdit>(field);
        QDragEnterEvent enter(QPoint(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent dropped(QPointF(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        EXPECT_EQ(enter.isAccepted(), dropped.isAccepted());
        return dropped.isAccepted();
    }

    // Runs `answer` on the modal dialog that clicking `button` opens; `answer` must end it.
    void answerModal(const char* button, std::function<void(QWidget*)> answer) {
        ModalAnswer modal(std::move(answer), &dialog);
        control<QPushButton>(button)->click();
        EXPECT_TRUE(modal.answered());
        EXPECT_FALSE(modal.leftOpen());
    }

    RecordingSoundPlayer sounds;
    TFormOption dialog{sounds};
};

TEST_F(TFormOptionTest, OpensAsTheModalSettingsDialogWithTheCommandList) {
    dialog.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("環境設定"));
    EXPECT_TRUE(dialog.isModal());

    auto* list = control<QListWidget>("mgesList");
    ASSERT_NE(list, nullptr);
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows << list->item(i)->text();
    EXPECT_EQ(rows, CommandNames());

    // The defaults of a first start are in the controls before any settings arrive.
    EXPECT_EQ(shown("mgesDU"), QStringLiteral("設定"));
    EXPECT_EQ(shown("ListEdit1"), QStringLiteral("汎用"));
    EXPECT_EQ(shown("UpDown1"), QStringLiteral("5000"));
}

TEST_F(TFormOptionTest, SaveAcceptsAndCancelDoesNot) {
    dialog.show();
    control<QPushButton>("btnSave")->click();
    EXPECT_TRUE(dialog.saved());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    dialog.show();
    control<QPushButton>("btnCancel")->click();
    EXPECT_FALSE(dialog.saved());
}

TEST_F(TFormOptionTest, ShowsTheLoadedValuesInTheControls) {
    Options loaded;
    loaded.SwImgOpen = true;
    loaded.SwListLoop = true;
    loaded.SwWheelNext = true;
    loaded.Bmp = false;
    loaded.Avi = true;
    loaded.sndPlay = true;
    loaded.SlideShowReverse = true;
    loaded.ScroolSpeed = 4;
    loaded.UndoSize = 1000;
    loaded.SlideShowTime = 12000;
    loaded.MaxSize = 5000000000;
    loaded.MinSize = 0;
    loaded.TimeFormat = QStringLiteral("yyyy-mm-dd hh:nn");
    loaded.ListName[2] = QStringLiteral("旅行");
    loaded.ExStr[1] = QStringLiteral("GIMPで開く(&G)");
    loaded.ExApp[1] = QStringLiteral("/usr/bin/gimp");
    loaded.sndMove = QStringLiteral("/snd/移動.wav");
    loaded.YahooMes = QStringLiteral("出品中");
    loaded.mGes8 = QStringLiteral("終了");
    loaded.kGesRight = QStringLiteral("$OPEN=/pics");
    loaded.CommentFont = QStringLiteral("IPAPMincho");
    loaded.CommentFontSize = 14;
    loaded.CommentFontStyle = 1 | 4;
    loaded.ImgBackColor = 0x0000FF;     // red
    loaded.CommentBackColor = 0x00FF00; // green
    dialog.setOptions(loaded);

    const struct {
        const char* control;
        QString shows;
    } cases[] = {
        {"stdFileOpen", "on"},
        {"stdListLoop", "on"},
        {"stdWheelNext", "on"},
        {"stdTextFileOpen", "off"},
        {"BmpSwitch", "off"},
        {"JpegSwitch", "on"},
        {"AviSwitch", "on"},
        {"sndPlay", "on"},
        {"SlideShowReverse", "on"},
        {"DragSpeed", "4"},
        {"UpDown2", "1000"},
        {"UpDown1", "12000"},
        {"MaxSize", "5000000000"},
        {"MinSize", "0"},
        {"TimeFormat", "yyyy-mm-dd hh:nn"},
        {"ListEdit3", "旅行"},
        {"appName2", "GIMPで開く(&G)"},
        {"appConsole2", "/usr/bin/gimp"},
        {"sndMove", "/snd/移動.wav"},
        {"editYahooMes", "出品中"},
        {"mgesDU", "終了"},
        {"mgesKeyRight", "$OPEN=/pics"},
        {"CommentFont", "IPAPMincho, 14pt, 太字, 下線"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control);
        EXPECT_EQ(shown(c.control), c.shows);
    }
    EXPECT_EQ(swatch("ImgBackColor"), QColor(255, 0, 0));
    EXPECT_EQ(swatch("CommentBackColor"), QColor(0, 255, 0));
}

TEST_F(TFormOptionTest, ReturnsEditedValuesAndPassesTheRestThrough) {
    Options loaded;
    loaded.X = 120;
    loaded.Width = 1024;
    loaded.ZoomNo = 1.5;
    loaded.ImgFile = QStringLiteral("/pics/a.jpg");
    loaded.ListFolder[2] = QStringLiteral("/pics/list");
    loaded.SavePath = QStringLiteral("/out");
    loaded.FormExif.Visible = true;
    loaded.TreeFont = QStringLiteral("IPAPGothic");
    loaded.TreeFontSize = 13;
    loaded.TreeFontStyle = 2 | 8;
    loaded.YahooMesFontColor = -2147483640; // a system colour keeps its stored form
    dialog.setOptions(loaded);

    control<QCheckBox>("stdDialogOff")->setChecked(true);
    control<QCheckBox>("GifSwitch")->setChecked(false);
    control<QCheckBox>("IeGifSwitch")->setChecked(true);
    control<QSlider>("DragSpeed")->setValue(0);
    control<QSpinBox>("UpDown2")->setValue(42);
    control<QSpinBox>("UpDown1")->setValue(800);
    control<QLineEdit>("MaxSize")->setText(QStringLiteral("3000000"));
    control<QLineEdit>("MinSize")->setText(QStringLiteral(" 1024 "));
    control<QLineEdit>("TimeFormat")->setText(QStringLiteral("hh:nn"));
    control<QLineEdit>("ListEdit10")->setText(QStringLiteral("印刷"));
    control<QLineEdit>("appName10")->setText(QStringLiteral("-"));
    control<QLineEdit>("appConsole9")->setText(QStringLiteral("/usr/bin/eog"));
    control<QLineEdit>("sndLoop")->setText(QStringLiteral("/snd/end.wav"));
    control<QLineEdit>("editYahooMes")->setText(QStringLiteral("SOLD"));

    const Options edited = dialog.options();
    EXPECT_TRUE(edited.SwDeleteDialog);
    EXPECT_FALSE(edited.Gif);
    EXPECT_TRUE(edited.IeGif);
    EXPECT_EQ(edited.ScroolSpeed, 0);
    EXPECT_EQ(edited.UndoSize, 42);
    EXPECT_EQ(edited.SlideShowTime, 800);
    EXPECT_EQ(edited.MaxSize, 3000000);
    EXPECT_EQ(edited.MinSize, 1024);
    EXPECT_EQ(edited.TimeFormat, QStringLiteral("hh:nn"));
    EXPECT_EQ(edited.ListName[9], QStringLiteral("印刷"));
    EXPECT_EQ(edited.ExStr[9], QStringLiteral("-"));
    EXPECT_EQ(edited.ExApp[8], QStringLiteral("/usr/bin/eog"));
    EXPECT_EQ(edited.sndLoop, QStringLiteral("/snd/end.wav"));
    EXPECT_EQ(edited.YahooMes, QStringLiteral("SOLD"));

    EXPECT_EQ(edited.X, 120);
    EXPECT_EQ(edited.Width, 1024);
    EXPECT_EQ(edited.ZoomNo, 1.5);
    EXPECT_EQ(edited.ImgFile, QStringLiteral("/pics/a.jpg"));
    EXPECT_EQ(edited.ListFolder[2], QStringLiteral("/pics/list"));
    EXPECT_EQ(edited.SavePath, QStringLiteral("/out"));
    EXPECT_TRUE(edited.FormExif.Visible);
    EXPECT_EQ(edited.TreeFont, QStringLiteral("IPAPGothic"));
    EXPECT_EQ(edited.TreeFontSize, 13);
    EXPECT_EQ(edited.TreeFontStyle, 2 | 8);
    EXPECT_EQ(edited.YahooMesFontColor, -2147483640);
    EXPECT_EQ(edited.CommentBackColor, Options{}.CommentBackColor);
}

TEST_F(TFormOptionTest, OutOfRangeAndUnreadableNumbersFallBack) {
    Options loaded;
    loaded.SlideShowTime = 100;
    loaded.UndoSize = 9000;
    dialog.setOptions(loaded);
    EXPECT_EQ(shown("UpDown1"), QStringLiteral("500"));
    EXPECT_EQ(shown("UpDown2"), QStringLiteral("4096"));

    control<QLineEdit>("MaxSize")->setText(QStringLiteral("大きい"));
    control<QLineEdit>("MinSize")->setText(QString());
    const Options edited = dialog.options();
    EXPECT_EQ(edited.SlideShowTime, 500);
    EXPECT_EQ(edited.UndoSize, 4096);
    EXPECT_EQ(edited.MaxSize, 100000000);
    EXPECT_EQ(edited.MinSize, 128);
}

TEST_F(TFormOptionTest, DroppingACommandNameBindsIt) {
    dialog.setCurrentPlace(QStringLiteral("/home/u/写真"), 1.5);
    const struct {
        const char* field;
        QString dropped;
        QString stored;
        QString Options::*key;
    } cases[] = {
        {"mgesDU", "終了", "終了", &Options::mGes8},
        {"mgesDLD", "チェックC", "チェックC", &Options::mGes1},
        {"mgesTreeMc", "外部アプリ07", "外部アプリ07", &Options::mGesTVMC},
        {"mgesKeyEnter", "----------------", "無し", &Options::kGesEnter},
        {"mgesRWU", "閲覧先に設定する", "$OPEN=/home/u/写真", &Options::mGesRWU},
        {"mgesCommentDbc", "転送先に設定する", "$MOVE=/home/u/写真", &Options::mGesCDBC},
        {"mgesKeySpace", "現在の倍率にする", "1.50", &Options::kGesSpace},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_TRUE(drop(c.field, c.dropped));
        EXPECT_EQ(shown(c.field), c.stored);
        EXPECT_EQ(dialog.options().*c.key, c.stored);
    }
}

TEST_F(TFormOptionTest, TextThatIsNoCommandIsRefused) {
    EXPECT_FALSE(drop("mgesDD", QStringLiteral("rm -rf /")));
    EXPECT_EQ(dialog.options().mGes2, QStringLiteral("ヘルプを開く"));
    EXPECT_TRUE(control<QLineEdit>("mgesDD")->isReadOnly());
}

TEST_F(TFormOptionTest, ADragFromTheCommandListCarriesTheRowsName) {
    auto* list = control<QListWidget>("mgesList");
    ASSERT_NE(list, nullptr);
    const int row = static_cast<int>(CommandNames().indexOf(QStringLiteral("スライド・ショー")));
    const std::unique_ptr<QMimeData> data(list->model()->mimeData({list->model()->index(row, 0)}));
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(dropData("mgesTitleDbc", *data));
    EXPECT_EQ(dialog.options().mGesTDBC, QStringLiteral("スライド・ショー"));
    EXPECT_EQ(list->count(), CommandNames().size());
}

TEST_F(TFormOptionTest, TheTestButtonPlaysTheChosenSound) {
    control<QLineEdit>("sndCheckOn")->setText(QStringLiteral("/snd/チェック.wav"));
    control<QPushButton>("sndCheckOnTest")->click();
    control<QPushButton>("sndUndoTest")->click();
    EXPECT_EQ(sounds.played, QStringList({QStringLiteral("/snd/チェック.wav"), QString()}));
}

TEST_F(TFormOptionTest, ChosenColourAndFontAreStored) {
    dialog.show();
    answerModal("ImgBackColor", [](QWidget* modal) {
        auto* picker = qobject_cast<QColorDialog*>(modal);
        ASSERT_NE(picker, nullptr);
        picker->setCurrentColor(QColor(10, 20, 30));
        picker->accept();
    });
    EXPECT_EQ(dialog.options().ImgBackColor, 10 | (20 << 8) | (30 << 16));
    EXPECT_EQ(swatch("ImgBackColor"), QColor(10, 20, 30));

    answerModal("CommentFont", [](QWidget* modal) {
        auto* picker = qobject_cast<QFontDialog*>(modal);
        ASSERT_NE(picker, nullptr);
        QFont font = picker->currentFont();
        font.setPointSize(17);
        // Underline and strike-out are effects of any family; bold and italic depend on the
        // styles the installed fonts offer.
        font.setUnderline(true);
        font.setStrikeOut(true);
        picker->setCurrentFont(font);
        picker->accept();
    });
    const Options chosen = dialog.options();
    EXPECT_EQ(chosen.CommentFontSize, 17);
    EXPECT_EQ(chosen.CommentFontStyle & (4 | 8), 4 | 8);
    EXPECT_FALSE(chosen.CommentFont.isEmpty());

    answerModal("TreeFont", [](QWidget* modal) {
        auto* picker = qobject_cast<QFontDialog*>(modal);
        ASSERT_NE(picker, nullptr);
        picker->reject();
    });
    EXPECT_EQ(dialog.options().TreeFontSize, Options{}.TreeFontSize);
}

TEST_F(TFormOptionTest, ShowsThePlugInFolderAndList) {
    dialog.setPlugIns(QStringLiteral("/opt/ruvela/PlugIn"),
                      {QStringLiteral("TIFF plug-in"), QStringLiteral("PCX")});
    EXPECT_EQ(shown("PlugInSearchPath"), QStringLiteral("/opt/ruvela/PlugIn"));
    EXPECT_TRUE(control<QLineEdit>("PlugInSearchPath")->isReadOnly());
    auto* list = control<QListWidget>("PlugInList");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("PCX"));
}

} // namespace
