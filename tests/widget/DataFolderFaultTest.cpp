#include "MainWindowFixture.h"
#include "core/common/NativePath.h"
#include "demo/DemoPictures.h"
#include "support/FileSizeLimit.h"
#include "support/Unprivileged.h"

#include <QDir>
#include <QTest>
#include <map>
#include <sys/stat.h>

namespace {

// The data folder stops taking writes while the program runs (made read-only, or the disk is
// full): the close tells of every file it could not write, and every file written before stays
// whole, with no temporary file left beside it.
class DataFolderFaultTest : public MainWindowFixture {
protected:
    // Shows two pictures, marks the first in list A, loads a table and writes everything, then
    // changes the marks and the table again: the lists, the table and the settings all have
    // something to write at the close.
    void StartWithUnsavedChanges() {
        m_first = pictures.write(QStringLiteral("a.jpg"), DemoJpeg(40, 30));
        pictures.write(QStringLiteral("b.jpg"), DemoJpeg(30, 40));
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->FormFirstShow({m_first});
        ASSERT_TRUE(controller->state().FormReady);
        controller->checks().Toggle(0);
        ASSERT_TRUE(
            controller->sorting().LoadTableFile(pictures.write(QStringLiteral("one.ktb"), "/one\r\n")));
        controller->SaveWork();
        ASSERT_TRUE(controller->SaveSettings());
        m_before = Contents();
        ASSERT_EQ(m_before.count(QStringLiteral("List_A.lst")), 1u);
        ASSERT_EQ(m_before.count(QStringLiteral("MoveTo.txt")), 1u);
        ASSERT_EQ(m_before.count(QStringLiteral("Ruvela.ini")), 1u);

        controller->ImgNext();
        controller->checks().Toggle(0);
        ASSERT_TRUE(
            controller->sorting().LoadTableFile(pictures.write(QStringLiteral("two.ktb"), "/two\r\n")));
        prompts.asked.clear();
    }

    // Every file in the data folder with its bytes.
    std::map<QString, QByteArray> Contents() const {
        std::map<QString, QByteArray> contents;
        for (const QString& name : QDir(data.path()).entryList(QDir::Files | QDir::Hidden)) {
            contents[name] = ReadFileHead(data.file(name), 1 << 20);
        }
        return contents;
    }

    void CloseAndCheck() {
        form->close();
        const QStringList told = prompts.texts();
        for (const char* message :
             {"チェックリストの保存に失敗しました", "ファイル移動先リストの保存に失敗しました",
              "INIファイルの書き込みに失敗しました"}) {
            EXPECT_EQ(told.count(QString::fromUtf8(message)), 1)
                << message << "\n"
                << told.join(QLatin1Char('\n')).toStdString();
        }
        EXPECT_EQ(told.size(), 3) << told.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(Contents(), m_before);
    }

    TempFolder pictures;
    QString m_first;
    std::map<QString, QByteArray> m_before;
};

TEST_F(DataFolderFaultTest, AFolderMadeReadOnlyBeforeTheCloseIsToldForEveryFile) {
    if (!RunsAsOrdinaryUser()) {
        return;
    }
    StartWithUnsavedChanges();
    ASSERT_EQ(::chmod(NativePath(data.path()).constData(), 0555), 0);
    // The writes in the background fail too, and leave the changes to the close.
    QTest::qWait(800);
    CloseAndCheck();
    ::chmod(NativePath(data.path()).constData(), 0755);
}

TEST_F(DataFolderFaultTest, ADiskThatFillsUpBeforeTheCloseIsToldForEveryFile) {
    StartWithUnsavedChanges();
    FileSizeLimit full(0);
    ASSERT_TRUE(full.set());
    QTest::qWait(800);
    CloseAndCheck();
}

} // namespace
