#include "core/sorting/Trash.h"

#include "core/common/NativePath.h"
#include "support/TempFolder.h"
#include "unit/sorting/TransferTestSupport.h"

#include <QDateTime>
#include <QRegularExpression>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kUid = QString::number(::geteuid());

class TrashTest : public ::testing::Test {
protected:
    QString Files(const QString& name = {}) const { return m_trash.homeTrash() + "/files/" + name; }
    QString Info(const QString& name = {}) const { return m_trash.homeTrash() + "/info/" + name; }

    TempFolder m_folder;
    Trash m_trash{m_folder.path() + "/data/Trash"};
};

TEST_F(TrashTest, MovesTheFileAndDescribesItFirst) {
    // A space and a byte that is not UTF-8 are both percent-encoded in Path=.
    const QString name = "a b" + PathFromNative("\xFF", 1) + ".jpg";
    const QString path = m_folder.write(name, "picture");
    ASSERT_TRUE(QRegularExpression("^[A-Za-z0-9/._-]+$").match(m_folder.path()).hasMatch())
        << "the expected Path= below assumes a plain temporary folder";

    const FileOpResult result = m_trash.Put(path);

    ASSERT_TRUE(result.ok) << result.reason.toStdString();
    EXPECT_TRUE(result.reason.isEmpty());
    EXPECT_FALSE(Exists(path));
    EXPECT_EQ(ReadBytes(Files(name)), "picture");
    EXPECT_EQ(ModeOf(Files()) & 07777, 0700u);
    EXPECT_EQ(ModeOf(Info()) & 07777, 0700u);
    const QByteArray info = ReadBytes(Info(name + ".trashinfo"));
    const QByteArray head =
        "[Trash Info]\nPath=" + NativePath(m_folder.path()) + "/a%20b%FF.jpg\nDeletionDate=";
    ASSERT_TRUE(info.startsWith(head)) << info.constData();
    const QByteArray date = info.mid(head.size());
    ASSERT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n$").match(date).hasMatch())
        << date.constData();
    const QDateTime deleted = QDateTime::fromString(QString::fromLatin1(date.trimmed()), Qt::ISODate);
    EXPECT_LT(std::abs(deleted.secsTo(QDateTime::currentDateTime())), 60) << "local time expected";
    EXPECT_EQ(ModeOf(Info(name + ".trashinfo")) & 0777, 0600u);
}

TEST_F(TrashTest, SameNamesGetNumbersBeforeTheExtension) {
    struct Case {
        const char* name;
        QStringList entries;
    };
    const Case cases[] = {
        {"a.jpg", {"a.2.jpg", "a.3.jpg", "a.jpg"}},
        {".hidden", {".hidden", ".hidden.2", ".hidden.3"}},
        {"plain", {"plain", "plain.2", "plain.3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int round = 1; round <= 3; ++round) {
            const FileOpResult result = m_trash.Put(m_folder.write(c.name, QByteArray::number(round)));
            ASSERT_TRUE(result.ok) << result.reason.toStdString();
        }
        for (const QString& entry : c.entries) {
            EXPECT_TRUE(Exists(Files(entry))) << entry.toStdString();
            EXPECT_TRUE(ReadBytes(Info(entry + ".trashinfo")).contains("/" + QByteArray(c.name) + "\n"));
        }
        EXPECT_EQ(ReadBytes(Files(c.entries.at(0))) + ReadBytes(Files(c.entries.at(1))) +
                      ReadBytes(Files(c.entries.at(2))),
                  QByteArray(c.name) == "a.jpg" ? "231" : "123");
    }
}

TEST_F(TrashTest, AnEntryWithoutDescriptionIsNotReplaced) {
    // A file left in files/ without its .trashinfo still holds the name.
    m_folder.write("data/Trash/files/b.jpg", "older");
    ASSERT_TRUE(m_trash.Put(m_folder.write("b.jpg", "newer")).ok);
    EXPECT_EQ(ReadBytes(Files("b.jpg")), "older");
    EXPECT_EQ(ReadBytes(Files("b.2.jpg")), "newer");
    EXPECT_EQ(Entries(Info()), QStringList{"b.2.jpg.trashinfo"});
}

TEST_F(TrashTest, LongNamesAreShortenedToFitTheirDescription) {
    QString japanese;
    for (int i = 0; i < 83; ++i) {
        japanese += QStringLiteral("写");
    }
    const QString names[] = {
        QString(251, 'a') + ".jpg", // 255 bytes, the longest name there is
        japanese + ".jpg",          // 253 bytes of three-byte characters
        "x." + QString(250, 'e'),   // an "extension" too long to keep
    };
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_LE(NativePath(name).size(), 255);
        const QStringList before = Entries(Files());
        for (int round = 0; round < 2; ++round) {
            const FileOpResult result = m_trash.Put(m_folder.write(name, "x"));
            ASSERT_TRUE(result.ok) << result.reason.toStdString();
        }
        QStringList added = Entries(Files());
        for (const QString& old : before) {
            added.removeOne(old);
        }
        ASSERT_EQ(added.size(), 2);
        for (const QString& entry : added) {
            const QByteArray bytes = NativePath(entry);
            EXPECT_LE(bytes.size() + 10, 255);
            EXPECT_EQ(QString::fromUtf8(bytes).toUtf8(), bytes) << "cut inside a character";
            if (name.endsWith(".jpg")) {
                EXPECT_TRUE(entry.endsWith(".jpg"));
            }
            EXPECT_TRUE(
                ReadBytes(Info(entry + ".trashinfo")).contains(NativePath(name).toPercentEncoding("/")));
        }
    }
}

TEST_F(TrashTest, LinksGoThemselvesNeverTheirTargets) {
    const QString target = m_folder.write("target.jpg", "picture");
    ASSERT_EQ(::symlink("target.jpg", NativePath(m_folder.file("link.jpg")).constData()), 0);
    ASSERT_EQ(::symlink("missing.jpg", NativePath(m_folder.file("dangling.jpg")).constData()), 0);

    ASSERT_TRUE(m_trash.Put(m_folder.file("link.jpg")).ok);
    ASSERT_TRUE(m_trash.Put(m_folder.file("dangling.jpg")).ok);

    EXPECT_EQ(ReadBytes(target), "picture");
    for (const auto& [entry, pointsTo] :
         {std::pair{"link.jpg", "target.jpg"}, {"dangling.jpg", "missing.jpg"}}) {
        EXPECT_TRUE(S_ISLNK(ModeOf(Files(entry))));
        char text[64] = {};
        EXPECT_GT(::readlink(NativePath(Files(entry)).constData(), text, sizeof text - 1), 0);
        EXPECT_STREQ(text, pointsTo);
    }
}

TEST_F(TrashTest, AFolderGoesWhole) {
    m_folder.write("album/inner.jpg", "picture");
    ASSERT_TRUE(m_trash.Put(m_folder.path() + "/album/").ok);
    EXPECT_FALSE(Exists(m_folder.file("album")));
    EXPECT_EQ(ReadBytes(Files("album/inner.jpg")), "picture");
    EXPECT_TRUE(ReadBytes(Info("album.trashinfo")).contains("/album\n"));
}

TEST(TrashFolder, FollowsXdgDataHomeWhenAbsolute) {
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", "/home/someone");
    const std::pair<const char*, QString> cases[] = {
        {"/data/\xE9t\xE9", PathFromNative("/data/\xE9t\xE9/Trash")},
        {"relative/data", "/home/someone/.local/share/Trash"},
        {"", "/home/someone/.local/share/Trash"},
    };
    for (const auto& [dataHome, expected] : cases) {
        qputenv("XDG_DATA_HOME", dataHome);
        EXPECT_EQ(Trash::HomeTrashFolder(), expected) << dataHome;
    }
    qputenv("XDG_DATA_HOME", savedData);
    qputenv("HOME", savedHome);
    if (savedData.isNull()) {
        qunsetenv("XDG_DATA_HOME");
    }
}

TEST_F(TrashTest, AMissingFileOrAPathWithoutANameIsRefused) {
    const FileOpResult missing = m_trash.Put(m_folder.file("gone.jpg"));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, ENOENT);
    EXPECT_EQ(missing.reason, "ファイルまたはフォルダが見つかりません");
    m_folder.write("album/a.jpg", "picture");
    for (const QString& path : {QString("/"), m_folder.file("album/."), m_folder.file("album/..")}) {
        const FileOpResult result = m_trash.Put(path);
        EXPECT_FALSE(result.ok) << path.toStdString();
        EXPECT_FALSE(result.reason.isEmpty());
    }
    EXPECT_EQ(ReadBytes(m_folder.file("album/a.jpg")), "picture");
    EXPECT_TRUE(Entries(Files()).isEmpty());
}

TEST_F(TrashTest, AFileOnTmpfsIsRefusedAndStays) {
    TempFolder shm("/dev/shm");
    if (DeviceOf(shm.path()) == DeviceOf(m_folder.path())) {
        GTEST_SKIP() << "/dev/shm is on the volume of the temporary folder here";
    }
    const QString path = shm.path() + "/a.jpg";
    QFile out;
    ASSERT_TRUE(OpenFile(out, path, QIODevice::WriteOnly));
    out.write("picture");
    out.close();

    const FileOpResult result = m_trash.Put(path);

    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.reason.contains("/dev/shm")) << result.reason.toStdString();
    EXPECT_TRUE(result.reason.contains("ごみ箱に移動できません")) << result.reason.toStdString();
    EXPECT_EQ(ReadBytes(path), "picture");
    EXPECT_FALSE(Exists("/dev/shm/.Trash-" + kUid));
    EXPECT_TRUE(Entries(Info()).isEmpty());
}

TEST_F(TrashTest, AFailedMoveTakesBackItsDescription) {
    const QString path = m_folder.write("locked/a.jpg", "picture");
    // Root may rename anything but an immutable file; others meet a folder they may not write.
    const bool root = ::geteuid() == 0;
    const int fd = ::open(NativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    int flags = 0;
    if (root) {
        ASSERT_GE(fd, 0);
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0 ||
            ::ioctl(fd, FS_IOC_SETFLAGS, &(flags |= FS_IMMUTABLE_FL))) {
            ::close(fd);
            GTEST_SKIP() << "this file system cannot make a file immutable";
        }
    } else {
        ::chmod(NativePath(m_folder.file("locked")).constData(), 0555);
    }

    const FileOpResult result = m_trash.Put(path);

    if (root) {
        flags &= ~FS_IMMUTABLE_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    } else {
        ::chmod(NativePath(m_folder.file("locked")).constData(), 0755);
    }
    ::close(fd);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "書き込みが許可されていません");
    EXPECT_EQ(ReadBytes(path), "picture");
    EXPECT_TRUE(Entries(Info()).isEmpty());
    EXPECT_TRUE(Entries(Files()).isEmpty());
}

// The trash of a volume other than the home trash's: a small ext4 image mounted on a loop
// device (needs root; skipped where mounting is not allowed).
struct VolumeCase {
    const char* name;
    void (*prepare)(const QString& volume);
    QString trash; // relative to the volume; empty when the file must stay
};

void PrintTo(const VolumeCase& c, std::ostream* out) {
    *out << c.name;
}

class VolumeTrashTest : public ::testing::TestWithParam<VolumeCase> {
protected:
    void SetUp() override {
        m_mount.emplace(TestMount::LoopExt4(m_folder.file("volume.img"), m_volume));
        if (!m_mount->mounted()) {
            GTEST_SKIP() << "no loop mount here: " << m_mount->failure().toStdString();
        }
    }

    TempFolder m_folder;
    QString m_volume = m_folder.file("volume");
    std::optional<TestMount> m_mount;
    Trash m_trash{m_folder.path() + "/data/Trash"};
};

void MakeFolder(const QString& path, mode_t mode) {
    ASSERT_EQ(::mkdir(NativePath(path).constData(), 0700), 0);
    ASSERT_EQ(::chmod(NativePath(path).constData(), mode), 0);
}

const VolumeCase kVolumeCases[] = {
    {"NoTrashYet", [](const QString&) {}, ".Trash-" + kUid},
    {"StickySharedTrash", [](const QString& v) { MakeFolder(v + "/.Trash", 01777); }, ".Trash/" + kUid},
    {"SharedTrashWithoutStickyBit", [](const QString& v) { MakeFolder(v + "/.Trash", 0777); },
     ".Trash-" + kUid},
    {"SharedTrashIsALink",
     [](const QString& v) {
         MakeFolder(v + "/elsewhere", 01777);
         ASSERT_EQ(::symlink("elsewhere", NativePath(v + "/.Trash").constData()), 0);
     },
     ".Trash-" + kUid},
    {"UserTrashIsALink",
     [](const QString& v) {
         MakeFolder(v + "/elsewhere", 0700);
         ASSERT_EQ(::symlink("elsewhere", NativePath(v + "/.Trash-" + kUid).constData()), 0);
     },
     {}},
    {"UserTrashOfAnotherOwner",
     [](const QString& v) {
         MakeFolder(v + "/.Trash-" + kUid, 0700);
         ASSERT_EQ(::chown(NativePath(v + "/.Trash-" + kUid).constData(), ::geteuid() + 1, 0), 0);
     },
     {}},
};

TEST_P(VolumeTrashTest, UsesTheTrashOfTheVolume) {
    const VolumeCase& c = GetParam();
    c.prepare(m_volume);
    ::mkdir(NativePath(m_volume + "/pics").constData(), 0755);
    // The file is named through a link outside the volume; its trash is still the volume's.
    ASSERT_EQ(
        ::symlink(NativePath(m_volume + "/pics").constData(), NativePath(m_folder.file("pics")).constData()),
        0);
    const QString path = m_folder.file("pics") + "/a b.jpg";
    QFile out;
    ASSERT_TRUE(OpenFile(out, path, QIODevice::WriteOnly));
    out.write("picture");
    out.close();
    const QStringList before = Entries(m_volume);

    const FileOpResult result = m_trash.Put(path);

    EXPECT_TRUE(Entries(m_volume + "/elsewhere").isEmpty()) << "a link was followed";
    if (c.trash.isEmpty()) {
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.reason.contains(m_volume)) << result.reason.toStdString();
        EXPECT_EQ(ReadBytes(path), "picture");
        EXPECT_EQ(Entries(m_volume), before);
        EXPECT_FALSE(Exists(m_trash.homeTrash() + "/files/a b.jpg"));
        return;
    }
    ASSERT_TRUE(result.ok) << result.reason.toStdString();
    const QString trash = m_volume + "/" + c.trash;
    EXPECT_FALSE(Exists(path));
    EXPECT_EQ(ReadBytes(trash + "/files/a b.jpg"), "picture");
    EXPECT_EQ(ModeOf(trash) & 07777, 0700u);
    EXPECT_TRUE(S_ISDIR(ModeOf(trash)));
    EXPECT_TRUE(
        ReadBytes(trash + "/info/a b.jpg.trashinfo").startsWith("[Trash Info]\nPath=pics/a%20b.jpg\n"));
}

INSTANTIATE_TEST_SUITE_P(Cases, VolumeTrashTest, ::testing::ValuesIn(kVolumeCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
