#include "MainWindowFixture.h"
#include "app/foldertree/FolderTreeModel.h"
#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/convert/ImageEncoders.h"
#include "demo/DemoPictures.h"
#include "support/ModalAnswer.h"
#include "ui/foldertree/FolderTreePane.h"
#include "ui/main/ImgBar.h"
#include "ui/main/ImgView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>
#include <map>
#include <unistd.h>

namespace {

QByteArray Jpeg(int width, int height, int seed, const QByteArray& comment = {}) {
    JpegEncodeOptions options;
    options.comment = comment;
    return EncodeJpeg(DemoPicture(width, height, QStringLiteral("J"), seed), options);
}

QByteArray Png(int width, int height, int seed) {
    return EncodePng(DemoPicture(width, height, QStringLiteral("P"), seed), PngEncodeOptions{});
}

class MainWindowTest : public MainWindowFixture {
protected:
    void Start(const QString& target) {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->FormFirstShow({target});
    }

    QString Panel(int i) const {
        return form->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i))->text();
    }
    ImgBar* Bar() const { return form->findChild<ImgBar*>(QStringLiteral("ImgBar")); }
    QScrollArea* ScrBox() const { return form->findChild<QScrollArea*>(QStringLiteral("ScrBox")); }
    ImgView* View() const { return form->findChild<ImgView*>(QStringLiteral("ImgView")); }
    FolderTreePane* Tree() const { return form->findChild<FolderTreePane*>(QStringLiteral("TreeView")); }
    QAction* Item(const char* name) const { return form->mainMenu().action(QString::fromLatin1(name)); }

    // The caption of a shown picture, as the title line writes it at rate 1.
    static QString Caption(int index, int count, const QString& name, QSize size) {
        return QStringLiteral("Ruvela - %1/%2 [%3]  (%4x%5) * 1.00")
            .arg(index)
            .arg(count)
            .arg(name)
            .arg(size.width())
            .arg(size.height());
    }

    void Drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &drop);
    }

    TempFolder pictures;
};

TEST_F(MainWindowTest, TheWindowIsLaidOutAsTheViewerExpects) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Ruvela"));
    EXPECT_EQ(form->size(), QSize(640, 480));
    EXPECT_EQ(form->font().family(), QStringLiteral("IPAPGothic"));
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));

    EXPECT_EQ(Tree()->width(), 240);
    EXPECT_EQ(Bar()->height(), 32);
    auto* comment = form->findChild<QPlainTextEdit*>(QStringLiteral("Comment"));
    EXPECT_EQ(comment->height(), 32);
    EXPECT_TRUE(comment->isReadOnly());
    EXPECT_EQ(comment->font().family(), QStringLiteral("IPAGothic"));
    EXPECT_EQ(comment->palette().color(QPalette::Base), QColor(0, 128, 192));
    EXPECT_EQ(comment->palette().color(QPalette::Text), QColor(255, 255, 255));
    EXPECT_EQ(ScrBox()->viewport()->palette().color(QPalette::Window), QColor(0, 128, 128));
    const int widths[] = {192, 44, 164, 44};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i))->width(), widths[i]) << i;
    EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("StatusPanel2"))->alignment(), Qt::AlignCenter);

    // Nothing is shown yet: the commands that need a picture wait.
    EXPECT_FALSE(ScrBox()->isVisible());
    EXPECT_FALSE(Bar()->isEnabled());
    EXPECT_FALSE(form->statusBar()->isEnabled());
}

TEST_F(MainWindowTest, OpeningAFolderWithAJpegShowsItInEveryPane) {
    const QByteArray bytes = Jpeg(40, 30, 1);
    const QString photo = pictures.write(QStringLiteral("photo.jpg"), bytes);
    Start(pictures.path());

    EXPECT_EQ(form->windowTitle(), Caption(1, 1, QStringLiteral("photo.jpg"), QSize(40, 30)));
    EXPECT_EQ(form->windowIconText(), QStringLiteral("Ruvela - [") + pictures.path() + QStringLiteral("]"));
    const QString size = FormatThousands(bytes.size());
    EXPECT_EQ(Panel(0), QStringLiteral(" ") + size + QStringLiteral(" / ") + size + QStringLiteral(" byte"));
    EXPECT_EQ(Panel(1), QStringLiteral("24 bit"));
    EXPECT_FALSE(Panel(2).isEmpty());
    EXPECT_EQ(Panel(4), QStringLiteral(" ") + photo);
    EXPECT_EQ(form->statusBar()->toolTip(), photo);

    const TrackBar& bar = Bar()->trackBar();
    EXPECT_EQ(bar.minimum, 1);
    EXPECT_EQ(bar.maximum, 1);
    EXPECT_EQ(bar.position, 1);
    EXPECT_TRUE(bar.sliderVisible);
    EXPECT_TRUE(Bar()->isEnabled());

    EXPECT_TRUE(ScrBox()->isVisible());
    EXPECT_EQ(View()->image().size(), QSize(40, 30));
    EXPECT_TRUE(Item("mnuClipBoardOpen")->isEnabled());
    EXPECT_TRUE(Item("mnuImgNext")->isEnabled());
    EXPECT_TRUE(Item("mnuZoom")->isEnabled());
    // Commands not built yet stay disabled with a picture shown.
    EXPECT_FALSE(Item("SlideShow")->isEnabled());

    // The tree follows as the folders on the way are listed.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Tree()->TreeFolder() == pictures.path(); }, 5000))
        << Tree()->TreeFolder().toStdString();
}

TEST_F(MainWindowTest, TheTrackBarStepsThroughTheList) {
    const std::map<QString, QSize> sizes = {{QStringLiteral("a.png"), QSize(40, 30)},
                                            {QStringLiteral("b.jpg"), QSize(50, 20)},
                                            {QStringLiteral("c.png"), QSize(30, 60)}};
    pictures.write(QStringLiteral("a.png"), Png(40, 30, 2));
    pictures.write(QStringLiteral("b.jpg"), Jpeg(50, 20, 3));
    pictures.write(QStringLiteral("c.png"), Png(30, 60, 4));
    Start(pictures.path());

    const TrackBar& bar = Bar()->trackBar();
    EXPECT_EQ(bar.minimum, 1);
    EXPECT_EQ(bar.maximum, 3);
    EXPECT_TRUE(bar.ticks);
    EXPECT_TRUE(bar.sliderVisible);

    const ViewerState& state = controller->state();
    for (const int key : {Qt::Key_End, Qt::Key_Home, Qt::Key_Right}) {
        QTest::keyClick(Bar(), static_cast<Qt::Key>(key));
        const QString name = FileNameOf(state.CurrentFile);
        ASSERT_EQ(sizes.count(name), 1u) << state.CurrentFile.toStdString();
        EXPECT_EQ(form->windowTitle(), Caption(state.CurrentIndex, 3, name, sizes.at(name)));
        EXPECT_EQ(Bar()->trackBar().position, state.CurrentIndex);
        EXPECT_EQ(View()->image().size(), sizes.at(name));
    }
    EXPECT_EQ(state.CurrentIndex, 2);
}

TEST_F(MainWindowTest, AnEmptyFolderSaysSoAndDisablesThePictureCommands) {
    Start(pictures.path());

    EXPECT_EQ(form->windowTitle(), QStringLiteral("Ruvela - 画像ファイルが見つかりません"));
    EXPECT_EQ(Item("mnuMes")->text(), QStringLiteral("Ruvela - 画像ファイルが見つかりません"));
    EXPECT_TRUE(Panel(0).isEmpty());
    EXPECT_TRUE(Panel(4).startsWith(QStringLiteral("Tips : "))) << Panel(4).toStdString();
    EXPECT_FALSE(Bar()->trackBar().sliderVisible);
    EXPECT_FALSE(Bar()->isEnabled());
    EXPECT_FALSE(ScrBox()->isVisible());
    EXPECT_FALSE(Item("mnuClipBoardOpen")->isEnabled());
    EXPECT_FALSE(form->statusBar()->isEnabled());
}

TEST_F(MainWindowTest, ChoosingAFolderInTheTreeOpensIt) {
    const QString empty = pictures.folder(QStringLiteral("empty"));
    const QString full = pictures.folder(QStringLiteral("full"));
    pictures.write(QStringLiteral("full/cat.jpg"), Jpeg(64, 48, 5));
    Start(empty);
    ASSERT_EQ(form->windowTitle(), QStringLiteral("Ruvela - 画像ファイルが見つかりません"));

    ASSERT_TRUE(QTest::qWaitFor([&] { return Tree()->TreeFolder() == empty; }, 5000));
    FolderTreeModel& model = Tree()->treeModel();
    const QModelIndex parent = model.parent(Tree()->currentIndex());
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.FindChild(parent, full).isValid(); }, 5000));
    Tree()->setCurrentIndex(model.FindChild(parent, full));
    EXPECT_EQ(form->windowTitle(), Caption(1, 1, QStringLiteral("cat.jpg"), QSize(64, 48)));
    EXPECT_EQ(controller->state().CurrentFolder, full);
    EXPECT_TRUE(ScrBox()->isVisible());
}

TEST_F(MainWindowTest, ADropOpensTheFirstPathEvenWhenItsNameIsNotUtf8) {
    const QString odd = PathFromNative(NativePath(pictures.path()) + QByteArray("/caf\xe9.jpg"));
    pictures.write(FileNameOf(odd), Jpeg(32, 24, 6));
    pictures.write(QStringLiteral("other.jpg"), Jpeg(20, 10, 7));
    Start(pictures.path() + QStringLiteral("/other.jpg"));
    ASSERT_EQ(controller->state().CurrentFile, pictures.path() + QStringLiteral("/other.jpg"));

    // A file manager percent-encodes the name's bytes.
    const QUrl oddUrl = QUrl::fromEncoded(QByteArray("file://") + NativePath(odd).toPercentEncoding("/"));
    Drop({oddUrl, QUrl::fromLocalFile(pictures.path() + QStringLiteral("/other.jpg"))});

    EXPECT_EQ(NativePath(controller->state().CurrentFile), NativePath(odd));
    EXPECT_TRUE(form->windowTitle().endsWith(QStringLiteral("]  (32x24) * 1.00")))
        << form->windowTitle().toStdString();

    // The temporary folder cannot remove a name Qt cannot spell.
    EXPECT_EQ(::unlink(NativePath(odd).constData()), 0);
}

TEST_F(MainWindowTest, TheCommentPaneShowsTheTextWithoutCarriageReturns) {
    pictures.write(QStringLiteral("note.jpg"), Jpeg(40, 30, 8, QByteArray("first line\r\nsecond line")));
    Start(pictures.path());
    auto* comment = form->findChild<QPlainTextEdit*>(QStringLiteral("Comment"));
    EXPECT_EQ(comment->toPlainText(), QStringLiteral("first line\nsecond line"));
}

TEST_F(MainWindowTest, TheCommentMenuOpensOnARightClickAndCopiesTheText) {
    pictures.write(QStringLiteral("note.jpg"), Jpeg(40, 30, 8, QByteArray("first line\r\nsecond line")));
    Start(pictures.path());
    auto* comment = form->findChild<QPlainTextEdit*>(QStringLiteral("Comment"));
    auto* menu = form->findChild<QMenu*>(QStringLiteral("PopupText"));
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                            comment->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(comment->viewport(), &click);
    EXPECT_TRUE(menu->isVisible());
    menu->close();

    QApplication::clipboard()->clear();
    Item("Copy1")->trigger(); // nothing selected: nothing copied
    EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
    Item("A1")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("first line\nsecond line"));
}

TEST_F(MainWindowTest, APictureLargerThanTheViewIsFittedAgainAsTheWindowGrows) {
    pictures.write(QStringLiteral("big.jpg"), Jpeg(1000, 800, 9));
    Start(pictures.path());
    const QSize small = ScrBox()->viewport()->size();
    EXPECT_LT(controller->state().ZoomRate, 1.0);
    EXPECT_LE(View()->image().width(), small.width());
    EXPECT_LE(View()->image().height(), small.height());

    form->resize(1400, 1100);
    EXPECT_TRUE(QTest::qWaitFor([&] { return controller->state().ZoomRate == 1.0; }));
    EXPECT_EQ(View()->image().size(), QSize(1000, 800));
    EXPECT_TRUE(form->windowTitle().endsWith(QStringLiteral("(1000x800) * 1.00")));
}

TEST_F(MainWindowTest, ASubfolderScanDisablesTheWindowMeanwhile) {
    pictures.write(QStringLiteral("top.jpg"), Jpeg(40, 30, 14));
    pictures.write(QStringLiteral("deeper/down/low.jpg"), Jpeg(30, 40, 15));
    Start(pictures.path());
    ASSERT_EQ(Bar()->trackBar().maximum, 1);

    bool enabledMeanwhile = true;
    bool inputHeldMeanwhile = false; // what the mouse hook and the wheel look at
    QObject::connect(controller.get(), &ViewerController::scanRunning, form.get(), [&](bool running) {
        if (running) {
            enabledMeanwhile = form->isEnabled();
            inputHeldMeanwhile = controller->InputHeld();
        }
    });
    // Ctrl held while a folder opens takes its subfolders in.
    keys.ctrl = true;
    Drop({QUrl::fromLocalFile(pictures.path())});
    EXPECT_FALSE(enabledMeanwhile);
    EXPECT_TRUE(inputHeldMeanwhile);
    EXPECT_FALSE(controller->InputHeld());
    EXPECT_TRUE(form->isEnabled());
    EXPECT_EQ(Bar()->trackBar().maximum, 2);
    // A scan this short never shows its progress window: it stays hidden well past the delay
    // after which a longer scan shows it. Waiting out that time is the point of the check.
    EXPECT_FALSE(QTest::qWaitFor([this] { return search.isVisible(); }, TFormSearch::kShowDelayMs + 100));
}

TEST_F(MainWindowTest, TheVersionBoxNamesTheRunAndPausesTheViewer) {
    Start(pictures.path());
    bool pausedMeanwhile = false;
    prompts.onAsk = [&] { pausedMeanwhile = controller->state().Paused; };
    Item("mnuVersion")->trigger();
    ASSERT_EQ(prompts.aboutBoxes.size(), 1u);
    const QString title = prompts.aboutBoxes[0].caption;
    const QString text = prompts.aboutBoxes[0].text;
    EXPECT_EQ(title, QStringLiteral("Ruvela - バージョン情報（1）"));
    EXPECT_TRUE(text.contains(QStringLiteral("Furiwake : 0 / 0\r\nDisplay1 : "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Tips : ")));
    EXPECT_TRUE(pausedMeanwhile);
    EXPECT_FALSE(controller->state().Paused);
}

// The window's pickers ask through the prompts with their captions, start folders and filters;
// each one pauses the viewer while it is open and gives back the pause it found.
TEST_F(MainWindowTest, ThePickersAskThroughThePromptsAndGiveThePauseBack) {
    pictures.write(QStringLiteral("a.jpg"), Jpeg(40, 30, 1));
    const QString other = pictures.write(QStringLiteral("b.jpg"), Jpeg(50, 30, 2));
    Start(pictures.path());
    ASSERT_FALSE(controller->state().Paused);
    bool pausedMeanwhile = false;
    prompts.onAsk = [&] { pausedMeanwhile = controller->state().Paused; };

    prompts.chosenFiles = {other};
    Item("mnuFileOpen")->trigger();
    ASSERT_EQ(prompts.filePickers.size(), 1u);
    EXPECT_FALSE(prompts.filePickers[0].save);
    EXPECT_EQ(prompts.filePickers[0].caption, QStringLiteral("画像ファイルを開く"));
    EXPECT_EQ(prompts.filePickers[0].start, controller->state().CurrentFolder);
    EXPECT_EQ(prompts.filePickers[0].filters,
              QStringList({QStringLiteral("画像ファイル (*.bmp;*.jpg;*.jpe;*.jpeg;*.png;*.gif)"),
                           QStringLiteral("BMPファイル (*.bmp)"),
                           QStringLiteral("JPEGファイル (*.jpg;*.jpe;*.jpeg)"),
                           QStringLiteral("PNGファイル (*.png)"), QStringLiteral("GIFファイル (*.gif)")}));
    EXPECT_TRUE(pausedMeanwhile);
    EXPECT_FALSE(controller->state().Paused);
    EXPECT_EQ(controller->state().CurrentFile, other);

    // A pause held from outside is still held after the question.
    controller->state().Paused = true;
    Item("mnuFileOpen")->trigger();
    EXPECT_TRUE(controller->state().Paused);
    controller->state().Paused = false;

    const QStringList table{QStringLiteral("振り分けテーブル (*.ktb)")};
    for (const bool save : {false, true}) {
        pausedMeanwhile = false;
        Item(save ? "mnuKeyTableSave" : "mnuKeyTableLoad")->trigger();
        const ScriptedPrompts::FilePicker& picker = prompts.filePickers.back();
        EXPECT_EQ(picker.save, save);
        EXPECT_EQ(picker.caption,
                  save ? QStringLiteral("振り分けテーブルの保存") : QStringLiteral("振り分けテーブルの読込"));
        EXPECT_EQ(picker.start, controller->state().SaveDataFolder);
        EXPECT_EQ(picker.filters, table);
        EXPECT_TRUE(pausedMeanwhile) << save;
        EXPECT_FALSE(controller->state().Paused) << save;
    }

    pausedMeanwhile = false;
    Item("mnuFoldetOpen")->trigger();
    EXPECT_EQ(prompts.folderCaptions.last(),
              QStringLiteral("閲覧するフォルダを選択して下さい|") + controller->state().CurrentFolder);
    EXPECT_TRUE(pausedMeanwhile);
    EXPECT_FALSE(controller->state().Paused);
}

TEST_F(MainWindowTest, TheJpegScaleAndSoundItemsReachTheController) {
    pictures.write(QStringLiteral("wide.jpg"), Jpeg(80, 64, 10));
    Start(pictures.path());
    Item("mnuJPEGSize4")->trigger();
    EXPECT_EQ(controller->state().JpegScale, 2);
    EXPECT_TRUE(form->windowTitle().endsWith(QStringLiteral("(20x16) * 1.00")))
        << form->windowTitle().toStdString();
    EXPECT_FALSE(Item("mnuJPEGSize1")->isChecked());
    Item("mnuJPEGSize1")->trigger();
    EXPECT_EQ(controller->state().JpegScale, 0);
    EXPECT_TRUE(form->windowTitle().endsWith(QStringLiteral("(80x64) * 1.00")));

    EXPECT_FALSE(controller->soundOn());
    Item("mnuSoundPlay")->trigger();
    EXPECT_TRUE(controller->soundOn());
}

TEST_F(MainWindowTest, RefreshKeepsTheShownFileAndClosingShutsTheControllerDown) {
    pictures.write(QStringLiteral("a.jpg"), Jpeg(40, 30, 11));
    pictures.write(QStringLiteral("b.jpg"), Jpeg(30, 40, 12));
    Start(pictures.path() + QStringLiteral("/b.jpg"));
    const QString shown = controller->state().CurrentFile;
    pictures.write(QStringLiteral("c.jpg"), Jpeg(20, 20, 13));

    Item("Refresh1")->trigger();
    EXPECT_EQ(controller->state().CurrentFile, shown);
    EXPECT_EQ(Bar()->trackBar().maximum, 3);

    const int runs = controller->state().ExecutionCount;
    form->close();
    EXPECT_EQ(controller->state().ExecutionCount, runs + 1);
}

} // namespace

// Closing writes the changed check lists even when start-up never finished; the settings are
// written only after a start that read them.
TEST_F(MainWindowTest, ClosingWritesTheListsEvenBeforeStartUpFinished) {
    pictures.write(QStringLiteral("a.jpg"), Jpeg(40, 30, 11));
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    controller->PrepareScanMask();
    controller->ViewFolder(pictures.path(), true);
    ASSERT_FALSE(controller->state().FormReady);
    controller->checks().Toggle(0);
    ASSERT_EQ(controller->checks().lists().list(0).size(), 1);
    form->close();
    EXPECT_TRUE(QFile::exists(data.file(QStringLiteral("List_A.lst"))));
    EXPECT_FALSE(QFile::exists(data.file(QStringLiteral("Ruvela.ini"))));
}

TEST_F(MainWindowTest, TheTrackBarMenuSetsTheSelection) {
    for (const char* name : {"a.png", "b.png", "c.png", "d.png"})
        pictures.write(QString::fromLatin1(name), Png(20, 20, name[0]));
    Start(pictures.path());
    emit Bar()->customContextMenuRequested(QPoint(5, 5));
    auto* menu = form->findChild<QMenu*>(QStringLiteral("PopupBar"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    QStringList captions;
    for (const QAction* item : menu->actions())
        captions << item->text();
    EXPECT_EQ(captions,
              QStringList({QStringLiteral("開始点に設定する(&X)"), QStringLiteral("終了点に設定する(&Y)"),
                           QStringLiteral("全て選択する(&A)")}));
    menu->hide();

    const auto choose = [this](const char* name) {
        form->findChild<QAction*>(QString::fromLatin1(name))->trigger();
    };
    Item("mnuImgNext")->trigger();
    choose("N57");
    Item("mnuJumpEnd")->trigger();
    Item("mnuImgBack")->trigger();
    choose("N58");
    EXPECT_EQ(Bar()->trackBar().selStart, 2);
    EXPECT_EQ(Bar()->trackBar().selEnd, 3);
    choose("N59");
    EXPECT_EQ(Bar()->trackBar().selStart, 1);
    EXPECT_EQ(Bar()->trackBar().selEnd, 4);
}

TEST_F(MainWindowTest, ASortItemReordersTheListAndKeepsTheShownFile) {
    pictures.write(QStringLiteral("a.jpg"), Jpeg(8, 8, 1));
    pictures.write(QStringLiteral("b.jpg"), Jpeg(300, 200, 2));
    pictures.write(QStringLiteral("c.jpg"), Jpeg(60, 40, 3));
    Start(pictures.file(QStringLiteral("c.jpg")));
    EXPECT_EQ(form->windowTitle(), Caption(3, 3, QStringLiteral("c.jpg"), QSize(60, 40)));
    Item("mnuSortImageWidth")->trigger();
    EXPECT_TRUE(Item("mnuSortImageWidth")->isChecked());
    EXPECT_EQ(controller->state().SortMode, SortOrder::Width);
    EXPECT_EQ(form->windowTitle(), Caption(2, 3, QStringLiteral("c.jpg"), QSize(60, 40)));
    // An order the menu has no item for checks the name order.
    controller->SortExecute(SortOrderOfCode(5));
    EXPECT_TRUE(Item("mnuSortFileName123")->isChecked());
}

TEST_F(MainWindowTest, DraggingThePictureScrollsItByTheScrollSpeed) {
    pictures.write(QStringLiteral("big.png"), Png(2000, 1500, 5));
    Start(pictures.path());
    Item("mnuViewRateNormal")->trigger(); // 1:1, larger than the view
    EXPECT_EQ(View()->image().size(), QSize(2000, 1500));
    controller->options().ScroolSpeed = 3;
    QScrollBar* across = ScrBox()->horizontalScrollBar();
    QScrollBar* down = ScrBox()->verticalScrollBar();
    across->setValue(100);
    down->setValue(100);

    QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
    const QPoint to(290, 195);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(View()->mapToGlobal(to)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(View(), &move);
    // 10 and 5 pixels, eight times over.
    EXPECT_EQ(across->value(), 180);
    EXPECT_EQ(down->value(), 140);
    QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, to);

    // Ctrl and an arrow scroll a quarter of the view's smaller side.
    const int step = std::min(ScrBox()->width(), ScrBox()->height()) / 4;
    QTest::keyClick(form.get(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(across->value(), 180 + step);
}

TEST_F(MainWindowTest, SortingKeysMoveTheFileAndLeaveTheFocusWhereItWas) {
    pictures.write(QStringLiteral("from/a.png"), Png(20, 10, 1));
    pictures.write(QStringLiteral("from/b.png"), Png(20, 10, 2));
    pictures.write(QStringLiteral("from/c.png"), Png(20, 10, 3));
    const QString letter = pictures.folder(QStringLiteral("letter"));
    const QString keypad = pictures.folder(QStringLiteral("keypad"));
    const QString topRow = pictures.folder(QStringLiteral("toprow"));
    Start(pictures.file(QStringLiteral("from")));
    controller->state().SortingTable[0] = letter;
    controller->state().SortingTable[126] = keypad;
    controller->state().SortingTable[106] = topRow;
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    ASSERT_FALSE(Tree()->hasFocus());

    keys.keys = {Qt::Key_A};
    QTest::keyClick(focus, Qt::Key_A);
    EXPECT_TRUE(QFile::exists(letter + QStringLiteral("/a.png")));
    EXPECT_EQ(QApplication::focusWidget(), focus);
    EXPECT_TRUE(form->windowTitle().endsWith(QStringLiteral("   { Move > ") +
                                             MiniFileName(letter, QDir::homePath()) + QStringLiteral(" }")))
        << form->windowTitle().toStdString();

    // Keypad 3 is its own key, not the top-row 3.
    keys.keys = {Qt::Key_3};
    QTest::keyClick(focus, Qt::Key_3, Qt::KeypadModifier);
    EXPECT_TRUE(QFile::exists(keypad + QStringLiteral("/b.png")));
    QTest::keyClick(focus, Qt::Key_3);
    EXPECT_TRUE(QFile::exists(topRow + QStringLiteral("/c.png")));

    // With the tree focused the letters are the tree's.
    pictures.write(QStringLiteral("from/d.png"), Png(20, 10, 4));
    controller->ViewFolder(pictures.file(QStringLiteral("from")), true);
    Tree()->setFocus();
    keys.keys = {Qt::Key_A};
    QTest::keyClick(Tree(), Qt::Key_A);
    EXPECT_FALSE(QFile::exists(letter + QStringLiteral("/d.png")));
}

// A key held down past the repeat delay still sends one picture: each sorting key, the keypad,
// F1 and the new-folder keys act once per press and ignore the repeats.
TEST_F(MainWindowTest, AHeldSortingKeyActsOncePerPress) {
    for (int i = 0; i < 5; ++i)
        pictures.write(QStringLiteral("from/%1.png").arg(QChar(u'a' + i)), Png(20, 10, i));
    const QString letter = pictures.folder(QStringLiteral("letter"));
    const QString keypad = pictures.folder(QStringLiteral("keypad"));
    Start(pictures.file(QStringLiteral("from")));
    // The status bar shows the copy option from the start.
    EXPECT_EQ(Panel(3), QStringLiteral("Move"));
    controller->state().SortingTable[0] = letter;
    controller->state().SortingTable[126] = keypad;
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    const auto press = [focus](Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text,
                               bool repeat) {
        QTest::simulateEvent(focus, true, key, modifiers, text, repeat);
    };
    const auto count = [](const QString& folder) { return QDir(folder).entryList(QDir::Files).size(); };

    keys.keys = {Qt::Key_A};
    press(Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), false);
    press(Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), true);
    press(Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), true);
    EXPECT_EQ(count(letter), 1);

    keys.keys = {Qt::Key_3};
    press(Qt::Key_3, Qt::KeypadModifier, QStringLiteral("3"), false);
    press(Qt::Key_3, Qt::KeypadModifier, QStringLiteral("3"), true);
    EXPECT_EQ(count(keypad), 1);

    keys.keys.clear();
    const QString marked = controller->state().CurrentFile;
    press(Qt::Key_F1, Qt::NoModifier, QString(), false);
    press(Qt::Key_F1, Qt::NoModifier, QString(), true);
    EXPECT_TRUE(controller->checks().lists().contains(0, marked));

    keys.shift = true;
    press(Qt::Key_Semicolon, Qt::ShiftModifier, QStringLiteral(";"), false);
    press(Qt::Key_Semicolon, Qt::ShiftModifier, QStringLiteral(";"), true);
    EXPECT_EQ(count(pictures.file(QStringLiteral("from/新しいフォルダ"))), 1);
    EXPECT_EQ(count(pictures.file(QStringLiteral("from"))), 2);
}

// The drag-out window opens where it was last left, which the settings keep.
TEST_F(MainWindowTest, TheDragOutWindowOpensWhereTheSettingsPlaceIt) {
    pictures.write(QStringLiteral("from/a.png"), Png(20, 10, 1));
    Start(pictures.file(QStringLiteral("from")));
    controller->options().DandD_X = 40;
    controller->options().DandD_Y = 30;
    QPoint openedAt;
    ModalAnswer answer([&openedAt](QWidget* dialog) {
        openedAt = dialog->pos();
        dialog->move(150, 120);
        dialog->close();
    });
    Item("mnuListDandD")->trigger();
    EXPECT_TRUE(answer.answered());
    EXPECT_EQ(openedAt, QPoint(40, 30));
    EXPECT_EQ(controller->options().DandD_X, 150);
    EXPECT_EQ(controller->options().DandD_Y, 120);
}

TEST_F(MainWindowTest, ABatchShowsItsProgressInTheTitleAndHoldsTheWindow) {
    const QString a = pictures.write(QStringLiteral("from/a.png"), Png(20, 10, 1));
    const QString b = pictures.write(QStringLiteral("from/b.png"), Png(20, 10, 2));
    const QString to = pictures.folder(QStringLiteral("to"));
    Start(pictures.file(QStringLiteral("from")));
    const QString title = form->windowTitle();
    QString titleAtSummary;
    bool menusAtSummary = true;
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QWidget* panel = form->findChild<QWidget*>(QStringLiteral("Panel1"));
    prompts.onAsk = [&] {
        titleAtSummary = form->windowTitle();
        menusAtSummary = form->menuBar()->isEnabled();
        // Neither a key of the window nor a gesture starts anything while the batch runs.
        QTest::keyClick(form.get(), Qt::Key_F1);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(50, 50),
                          QPointF(panel->mapToGlobal(QPoint(50, 50))), Qt::RightButton, Qt::RightButton,
                          Qt::NoModifier);
        QApplication::sendEvent(panel, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(50, 50),
                            QPointF(panel->mapToGlobal(QPoint(50, 50))), Qt::RightButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(panel, &release);
    };

    EXPECT_EQ(controller->batch().ListOperation2({a, b}, to, QString(), TransferOp::Copy,
                                                 TransferBatch::Feedback::Shown),
              2);

    EXPECT_EQ(titleAtSummary, QStringLiteral("コピー中 2/2 : ") + title);
    EXPECT_FALSE(menusAtSummary);
    EXPECT_EQ(form->windowTitle(), title);
    EXPECT_TRUE(form->menuBar()->isEnabled());
    EXPECT_TRUE(form->centralWidget()->isEnabled());
    EXPECT_TRUE(controller->checks().lists().list(0).empty());
    EXPECT_FALSE(form->findChild<QMenu*>(QStringLiteral("PopupMain"))->isVisible());
}

TEST_F(MainWindowTest, ARightDragRunsTheCommandBoundToItsDirection) {
    pictures.write(QStringLiteral("a.png"), Png(20, 10, 1));
    pictures.write(QStringLiteral("b.png"), Png(20, 10, 2));
    pictures.write(QStringLiteral("c.png"), Png(20, 10, 3));
    Start(pictures.path());
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    controller->options().mGes6 = QStringLiteral("進む");
    controller->options().mGes4 = QStringLiteral("戻る");
    controller->options().mGes5 = QStringLiteral("進む");
    QWidget* viewport = ScrBox()->viewport();
    const auto drag = [&](QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(from), QPointF(viewport->mapToGlobal(from)),
                          Qt::RightButton, Qt::RightButton, modifiers);
        QApplication::sendEvent(viewport, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(to), QPointF(viewport->mapToGlobal(to)),
                            Qt::RightButton, Qt::NoButton, modifiers);
        QApplication::sendEvent(viewport, &release);
    };
    drag({100, 100}, {140, 90}); // 40 right, 10 up: right
    EXPECT_EQ(controller->state().CurrentIndex, 2);
    drag({100, 100}, {60, 100}); // left
    EXPECT_EQ(controller->state().CurrentIndex, 1);
    drag({100, 100}, {100, 131}); // 31 down: a plain right click
    EXPECT_EQ(controller->state().CurrentIndex, 2);
    drag({100, 100}, {140, 100}, Qt::ControlModifier); // Ctrl: the control's own click
    EXPECT_EQ(controller->state().CurrentIndex, 2);

    // The wheel turned during a right press runs its own commands, and the release then runs
    // nothing: without the wheel this release would be a plain right click ("進む").
    controller->options().mGesRWU = QStringLiteral("戻る");
    controller->options().mGesRWD = QStringLiteral("1.5");
    const QPoint at(100, 100);
    const QPointF global(viewport->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    const auto wheel = [&](int delta) {
        QWheelEvent turn(QPointF(at), global, QPoint(), QPoint(0, delta), Qt::RightButton, Qt::NoModifier,
                         Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &turn);
    };
    wheel(120);
    EXPECT_EQ(controller->state().CurrentIndex, 1);
    wheel(-120);
    EXPECT_DOUBLE_EQ(controller->state().ZoomRate, 1.5);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::RightButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
    EXPECT_EQ(controller->state().CurrentIndex, 1);

    // Without a right press the wheel steps through the files, one file per whole notch: the
    // quarters a touchpad swipe sends add up to one step.
    const auto plainWheel = [&](int delta) {
        QWheelEvent turn(QPointF(at), global, QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                         Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &turn);
    };
    for (int i = 0; i < 3; ++i)
        plainWheel(-30);
    EXPECT_EQ(controller->state().CurrentIndex, 1);
    plainWheel(-30);
    EXPECT_EQ(controller->state().CurrentIndex, 2);
}

TEST_F(MainWindowTest, ClicksOnThePictureAndTheMenuBarsEmptyAreaRunTheirCommands) {
    pictures.write(QStringLiteral("a.png"), Png(20, 10, 1));
    Start(pictures.path());
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QWidget* viewport = ScrBox()->viewport();

    // A left double click shows the picture 1:1 by default, and the next one goes back.
    QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    EXPECT_TRUE(Item("mnuNormalSize")->isChecked());

    // A right press on the menu bar's empty area opens the title bar's entries while nothing
    // is bound to it, and runs the bound command otherwise.
    QMenuBar* bar = form->menuBar();
    const QPoint empty(bar->width() - 5, bar->height() / 2);
    ASSERT_EQ(bar->actionAt(empty), nullptr);
    auto* system = form->findChild<QMenu*>(QStringLiteral("PopupSystem"));
    QTest::mousePress(bar, Qt::RightButton, Qt::NoModifier, empty);
    EXPECT_TRUE(system->isVisible());
    system->close();
    QTest::mouseRelease(bar, Qt::RightButton, Qt::NoModifier, empty);
    controller->options().mGesTRC = QStringLiteral("1.5");
    QTest::mousePress(bar, Qt::RightButton, Qt::NoModifier, empty);
    QTest::mouseRelease(bar, Qt::RightButton, Qt::NoModifier, empty);
    EXPECT_FALSE(system->isVisible());
    EXPECT_DOUBLE_EQ(controller->state().ZoomRate, 1.5);
}

namespace {

class MainWindowCommandTest : public MainWindowTest {
protected:
    // Three pictures shown from the first, the keys on the picture side.
    QWidget* StartOnThree() {
        for (int i = 0; i < 3; ++i)
            pictures.write(QStringLiteral("%1.png").arg(QChar(u'a' + i)), Png(40, 20, i));
        Start(pictures.path());
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QWidget* panel = form->findChild<QWidget*>(QStringLiteral("Panel1"));
        panel->setFocus();
        return panel;
    }
    QMenu* Popup(const char* name) const { return form->findChild<QMenu*>(QString::fromLatin1(name)); }
};

TEST_F(MainWindowCommandTest, TheBindableKeysRunWhatTheSettingsBindToThemAtThatMoment) {
    QWidget* panel = StartOnThree();
    Options& options = controller->options();
    options.kGesUp = QStringLiteral("進む");
    options.kGesLeft = QStringLiteral("無し");
    options.kGesEnter = QStringLiteral("1.5");
    options.kGesSpace = QStringLiteral("最後へ進む");

    QTest::keyClick(panel, Qt::Key_Up);
    EXPECT_EQ(controller->state().CurrentIndex, 2);
    QTest::keyClick(panel, Qt::Key_Left);
    EXPECT_EQ(controller->state().CurrentIndex, 2);
    QTest::keyClick(panel, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(controller->state().ZoomRate, 1.5);
    QTest::keyClick(panel, Qt::Key_Space);
    EXPECT_EQ(controller->state().CurrentIndex, 3);
    options.kGesLeft = QStringLiteral("最初へ戻る");
    QTest::keyClick(panel, Qt::Key_Left);
    EXPECT_EQ(controller->state().CurrentIndex, 1);

    // The tree keeps its own arrows (which may open another folder).
    options.kGesUp = QStringLiteral("チェックA");
    Tree()->setFocus();
    QTest::keyClick(Tree(), Qt::Key_Up);
    EXPECT_TRUE(controller->checks().lists().list(0).empty());
}

TEST_F(MainWindowCommandTest, ASortingEntryNamingACommandRunsItsItem) {
    QWidget* panel = StartOnThree();
    controller->state().SortingTable[0] = QStringLiteral("拡大");
    controller->state().SortingTable[1] = QStringLiteral("チェックB");
    const double before = controller->state().ZoomRate;
    keys.keys = {Qt::Key_A};
    QTest::keyClick(panel, Qt::Key_A);
    EXPECT_GT(controller->state().ZoomRate, before);
    keys.keys = {Qt::Key_B};
    QTest::keyClick(panel, Qt::Key_B);
    EXPECT_TRUE(controller->checks().lists().contains(1, controller->state().CurrentFile));
    EXPECT_TRUE(QFile::exists(pictures.file(QStringLiteral("a.png"))));
}

TEST_F(MainWindowCommandTest, TheCheckListItemsOfThePictureMenuMarkAndUnmarkEverywhere) {
    QWidget* panel = StartOnThree();
    const QString shown = controller->state().CurrentFile;
    QTest::keyClick(panel, Qt::Key_F1);
    controller->commands().mgesExecute(QStringLiteral("チェックC"));
    const CheckLists& lists = controller->checks().lists();
    EXPECT_TRUE(lists.contains(0, shown));
    EXPECT_TRUE(lists.contains(2, shown));
    QAction* toggleA = Item("popCheckList1");
    EXPECT_TRUE(toggleA->isChecked());
    EXPECT_EQ(toggleA->text(), QStringLiteral("[0001] 汎用(&A)"));

    Item("K1")->trigger();
    EXPECT_FALSE(lists.contains(0, shown));
    EXPECT_FALSE(lists.contains(2, shown));
    EXPECT_FALSE(toggleA->isChecked());
    EXPECT_EQ(toggleA->text(), QStringLiteral("[0000] 汎用(&A)"));
}

TEST_F(MainWindowCommandTest, PopUpCommandsOpenTheirMenusOnlyOnAShownFile) {
    controller->state().Paused = false;
    controller->commands().mgesExecute(QStringLiteral("画像メニュー"));
    EXPECT_FALSE(Popup("PopupMain")->isVisible());

    QWidget* panel = StartOnThree();
    for (const char* command : {"画像メニュー", "コメントメニュー", "バーメニュー"}) {
        SCOPED_TRACE(command);
        QMenu* menu = Popup(command == std::string_view("画像メニュー")       ? "PopupMain"
                            : command == std::string_view("コメントメニュー") ? "PopupText"
                                                                              : "PopupBar");
        controller->commands().mgesExecute(QString::fromUtf8(command));
        EXPECT_TRUE(menu->isVisible());
        menu->close();
    }
    // The context-menu key opens the picture's menu too.
    QTest::keyClick(panel, Qt::Key_Menu);
    EXPECT_TRUE(Popup("PopupMain")->isVisible());
    Popup("PopupMain")->close();
}

TEST_F(MainWindowCommandTest, APausedWindowIgnoresItsKeysButEscStillMinimises) {
    QWidget* panel = StartOnThree();
    controller->state().Paused = true;
    QTest::keyClick(panel, Qt::Key_Right);
    QTest::keyClick(panel, Qt::Key_F1);
    EXPECT_EQ(controller->state().CurrentIndex, 1);
    EXPECT_FALSE(controller->checks().lists().contains(0, controller->state().CurrentFile));

    QTest::keyClick(panel, Qt::Key_Escape);
    EXPECT_TRUE(form->windowState().testFlag(Qt::WindowMinimized));
}

} // namespace
