#include "core/common/PathText.h"
#include "unit/app/ControllerFixture.h"

#include <QCryptographicHash>
#include <QFile>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>

namespace {

// A 40×30 bitmap of one colour: every version of a file has the same size in bytes.
QByteArray Bitmap(QColor colour) {
    QImage image(40, 30, QImage::Format_RGB888);
    image.fill(colour);
    return EncodeBmp(image, 24);
}

QByteArray Hash(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

// Ways another program puts new contents under the name of the shown file.
struct Replacement {
    const char* what;
    std::function<void(const QString& path, const QByteArray& bytes)> write;
};

// Written into a file of its own beside it, then renamed over it.
void RenameOver(const QString& path, const QByteArray& bytes) {
    const QString part = FolderOf(path) + QStringLiteral("/.part");
    QFile file(part);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
    file.close();
    ASSERT_EQ(::rename(NativePath(part).constData(), NativePath(path).constData()), 0);
}

// Written over the old bytes in the same file, which keeps its inode and its size.
void WriteInPlace(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// As WriteInPlace, and the time of the last change put back as a tool that keeps it does.
void WriteInPlaceKeepingTime(const QString& path, const QByteArray& bytes) {
    const PathFacts before = StatPath(path);
    WriteInPlace(path, bytes);
    const timespec times[2] = {{0, UTIME_OMIT},
                               {static_cast<time_t>(before.modifiedNanoseconds / 1000000000),
                                static_cast<long>(before.modifiedNanoseconds % 1000000000)}};
    ASSERT_EQ(::utimensat(AT_FDCWD, NativePath(path).constData(), times, 0), 0);
    ASSERT_EQ(StatPath(path).modifiedNanoseconds, before.modifiedNanoseconds);
}

class ShownFileReplacedTest : public ControllerTest {
protected:
    QRgb Shown() const { return state().SourceBitmap.pixel(0, 0); }
};

} // namespace

// The file on screen gets new contents from another program: stepping away and back shows them,
// and a sorting key moves the file that is there now, which undo brings back.
TEST_F(ShownFileReplacedTest, TheContentsThereNowAreShownSortedAndBroughtBack) {
    const std::vector<Replacement> ways{
        {"renamed over it", &RenameOver},
        {"written in place", &WriteInPlace},
        {"written in place keeping its time", &WriteInPlaceKeepingTime},
    };
    const QByteArray red = Bitmap(Qt::red);
    const QByteArray green = Bitmap(Qt::green);
    const QByteArray blue = Bitmap(Qt::blue);
    ASSERT_EQ(red.size(), green.size());
    for (const Replacement& way : ways) {
        SCOPED_TRACE(way.what);
        TempFolder place;
        const QString a = place.write(QStringLiteral("a.bmp"), red);
        place.write(QStringLiteral("b.bmp"), Bitmap(Qt::gray));
        place.write(QStringLiteral("c.bmp"), Bitmap(Qt::gray));
        const QString sorted = place.folder(QStringLiteral("sorted"));
        Make();
        controller->ViewFolder(place.path(), true);
        ASSERT_EQ(state().CurrentFile, a);
        EXPECT_EQ(Shown(), QColor(Qt::red).rgb());
        way.write(a, green);
        ASSERT_EQ(ReadFileHead(a, 1 << 20), green);
        // One step on, the picture read before is still kept for the way back.
        controller->ImgNext();
        ASSERT_TRUE(controller->loader().IsReady(a));
        controller->ImgBack();
        EXPECT_EQ(Shown(), QColor(Qt::green).rgb());

        // Replaced again while on screen, then sorted without a step: the file there now goes.
        way.write(a, blue);
        controller->state().SortingTable[0] = sorted;
        keys.keys = {Qt::Key_A};
        controller->sorting().actABCExecute(false);
        keys.keys.clear();
        EXPECT_EQ(PathKind(a), PathType::None);
        EXPECT_EQ(Hash(ReadFileHead(sorted + QStringLiteral("/a.bmp"), 1 << 20)), Hash(blue));

        controller->undo().mnuMoveUndoClick();
        EXPECT_EQ(Hash(ReadFileHead(a, 1 << 20)), Hash(blue));
        EXPECT_EQ(state().CurrentFile, a);
        EXPECT_EQ(Shown(), QColor(Qt::blue).rgb());
        EXPECT_TRUE(prompts.asked.empty()) << prompts.texts().join(u'|').toStdString();
    }
}
