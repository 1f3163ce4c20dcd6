#include "core/sorting/FileOperations.h"

#include "core/common/NativePath.h"
#include "support/FileSizeLimit.h"
#include "support/TempFolder.h"
#include "support/Unprivileged.h"
#include "unit/sorting/TransferTestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Over three blocks, not a whole number of them.
const QByteArray kPicture = PatternBytes(3 * (1 << 20) + 17, 1);
constexpr struct timespec kTime = {1600000000, 123456789};

// Writes a picture with a known mode (0640) and modification time (kTime).
void WritePicture(const QString& path, const QByteArray& bytes) {
    QFile out;
    ASSERT_TRUE(OpenFile(out, path, QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(out.write(bytes), bytes.size());
    out.close();
    const struct timespec times[2] = {kTime, kTime};
    ASSERT_EQ(::chmod(NativePath(path).constData(), 0640), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, NativePath(path).constData(), times, 0), 0);
}

void ExpectPicture(const QString& path) {
    EXPECT_EQ(ReadBytes(path), kPicture) << path.toStdString();
    struct stat st {};
    ASSERT_EQ(::stat(NativePath(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, kTime.tv_sec);
    EXPECT_EQ(st.st_mtim.tv_nsec, kTime.tv_nsec);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

bool IsTemporaryName(const QString& name) {
    return QRegularExpression("^\\.ruvela-\\d+-\\d+\\.part$").match(name).hasMatch();
}

QStringList TemporaryNamesIn(const QString& folder) {
    QStringList names;
    for (const QString& name : Entries(folder)) {
        if (IsTemporaryName(name)) {
            names << name;
        }
    }
    return names;
}

void WriteFile(const QString& path, const QByteArray& bytes, mode_t mode) {
    QFile out;
    ASSERT_TRUE(OpenFile(out, path, QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(out.write(bytes), bytes.size());
    out.close();
    ASSERT_EQ(::chmod(NativePath(path).constData(), mode), 0);
}

// The entries of the folder tree WriteAlbum makes, below its top.
constexpr int kAlbumEntries = 9;

// A folder tree with what a move must carry: subfolders, an empty one, a hidden file, a file of
// a few blocks, a link and a link to nothing; every entry with its own mode and time.
void WriteAlbum(const QString& album) {
    const std::pair<const char*, mode_t> folders[] = {
        {"", 0755}, {"/sub", 0750}, {"/sub/deeper", 0755}, {"/empty", 0700}};
    for (const auto& [name, mode] : folders) {
        ASSERT_EQ(::mkdir(NativePath(album + name).constData(), mode), 0) << name;
        ASSERT_EQ(::chmod(NativePath(album + name).constData(), mode), 0) << name;
    }
    WriteFile(album + "/a.jpg", "a small picture", 0644);
    WriteFile(album + "/.hidden", "hidden", 0600);
    WriteFile(album + "/sub/b.png", "png", 0640);
    WriteFile(album + "/sub/deeper/big.jpg", kPicture, 0640);
    ASSERT_EQ(::symlink("sub/b.png", NativePath(album + "/link").constData()), 0);
    ASSERT_EQ(::symlink("../missing.jpg", NativePath(album + "/sub/nowhere").constData()), 0);
    // Folders last, the deepest first: every entry made in a folder changes its time.
    const char* const timed[] = {"/a.jpg",      "/.hidden",
                                 "/sub/b.png",  "/sub/deeper/big.jpg",
                                 "/link",       "/sub/nowhere",
                                 "/sub/deeper", "/sub",
                                 "/empty",      ""};
    time_t seconds = kTime.tv_sec;
    for (const char* name : timed) {
        const struct timespec times[2] = {kTime, {seconds++, kTime.tv_nsec}};
        ASSERT_EQ(::utimensat(AT_FDCWD, NativePath(album + name).constData(), times, AT_SYMLINK_NOFOLLOW), 0)
            << name;
    }
}

class FileOperationsTest : public ::testing::Test {
protected:
    bool TwoVolumes() const { return DeviceOf(m_folder.path()) != DeviceOf(m_other.path()); }

    TempFolder m_folder;
    TempFolder m_other{"/dev/shm"};
    QString m_pending = m_folder.file("pending");
    FileOperations m_ops{m_pending, Trash(m_folder.path() + "/data/Trash")};
};

struct TransferCase {
    const char* name;
    bool move;
    bool acrossVolumes;
};

void PrintTo(const TransferCase& c, std::ostream* out) {
    *out << c.name;
}

class TransferTest : public FileOperationsTest, public ::testing::WithParamInterface<TransferCase> {
protected:
    void SetUp() override {
        if (GetParam().acrossVolumes && !TwoVolumes()) {
            GTEST_SKIP() << "/dev/shm and the temporary folder are on one file system here";
        }
        m_to = GetParam().acrossVolumes ? m_other.path() : m_folder.folder("to");
        WritePicture(m_source, kPicture);
    }

    FileOpResult Run() const {
        return GetParam().move ? m_ops.Move(m_source, m_target) : m_ops.Copy(m_source, m_target);
    }

    QString m_source = m_folder.file("picture.jpg");
    QString m_to;
    QString m_target;
};

TEST_P(TransferTest, KeepsContentTimeAndMode) {
    m_target = m_to + "/picture.jpg";
    const FileOpResult result = Run();

    ASSERT_TRUE(result.ok) << result.reason.toStdString();
    ExpectPicture(m_target);
    if (GetParam().move) {
        EXPECT_FALSE(Exists(m_source));
    } else {
        ExpectPicture(m_source);
    }
    EXPECT_EQ(Entries(m_to), QStringList{"picture.jpg"}) << "no temporary file stays";
    EXPECT_TRUE(Entries(m_pending).isEmpty()) << "no marker stays";
}

TEST_P(TransferTest, RefusesAnExistingTargetAndLeavesItAlone) {
    m_target = m_to + "/taken.jpg";
    QFile out;
    ASSERT_TRUE(OpenFile(out, m_target, QIODevice::WriteOnly));
    out.write("older");
    out.close();

    const FileOpResult result = Run();

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, EEXIST);
    EXPECT_EQ(result.reason, "同名のファイルが既に存在します");
    EXPECT_EQ(ReadBytes(m_target), "older");
    ExpectPicture(m_source);
    EXPECT_EQ(Entries(m_to), QStringList{"taken.jpg"});
    EXPECT_TRUE(Entries(m_pending).isEmpty());
}

const TransferCase kTransferCases[] = {
    {"MoveWithinVolume", true, false},
    {"MoveAcrossVolumes", true, true},
    {"CopyWithinVolume", false, false},
    {"CopyAcrossVolumes", false, true},
};
INSTANTIATE_TEST_SUITE_P(Cases, TransferTest, ::testing::ValuesIn(kTransferCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileOperationsTest, StepsComeInOrder) {
    if (!TwoVolumes()) {
        GTEST_SKIP() << "/dev/shm and the temporary folder are on one file system here";
    }
    const QString source = m_folder.file("picture.jpg");
    WritePicture(source, kPicture);
    std::vector<TransferStep> steps;
    m_ops.SetStepHook([&](TransferStep step) { steps.push_back(step); });

    ASSERT_TRUE(m_ops.Move(source, m_other.path() + "/picture.jpg").ok);

    const auto blocks = std::count(steps.begin(), steps.end(), TransferStep::DataCopied);
    EXPECT_GE(blocks, 4) << "blocks of at most 1 MiB";
    steps.erase(std::unique(steps.begin(), steps.end()), steps.end());
    const std::vector<TransferStep> expected = {TransferStep::MarkerWritten,    TransferStep::TempCreated,
                                                TransferStep::DataCopied,       TransferStep::Synced,
                                                TransferStep::RenamedIntoPlace, TransferStep::SourceRemoved};
    EXPECT_EQ(steps, expected);
}

TEST_F(FileOperationsTest, AFolderMovesWithinItsVolumeByOneRename) {
    m_folder.write("album/inner.jpg", "picture");
    const QString to = m_folder.folder("to") + "/album";
    const quint64 inode = StatPath(m_folder.file("album")).inode;
    std::vector<TransferStep> steps;
    m_ops.SetStepHook([&](TransferStep step) { steps.push_back(step); });

    ASSERT_TRUE(m_ops.Move(m_folder.file("album"), to).ok);
    EXPECT_EQ(ReadBytes(to + "/inner.jpg"), "picture");
    EXPECT_FALSE(Exists(m_folder.file("album")));
    EXPECT_EQ(StatPath(to).inode, inode) << "the same folder, not a copy";
    EXPECT_TRUE(steps.empty());
    EXPECT_FALSE(Exists(m_pending));

    const FileOpResult copied = m_ops.Copy(to, m_folder.file("copy"));
    EXPECT_FALSE(copied.ok);
    EXPECT_EQ(copied.error, EISDIR);
    EXPECT_FALSE(Exists(m_folder.file("copy")));
}

TEST_F(FileOperationsTest, MissingFilesAndFoldersAreReported) {
    const QString picture = m_folder.write("a.jpg", "picture");
    const std::pair<QString, QString> cases[] = {
        {m_folder.file("gone.jpg"), m_folder.file("b.jpg")},
        {picture, m_folder.file("no-such-folder/a.jpg")},
    };
    for (const auto& [from, to] : cases) {
        for (const FileOpResult& result : {m_ops.Move(from, to), m_ops.Copy(from, to)}) {
            EXPECT_FALSE(result.ok);
            EXPECT_EQ(result.error, ENOENT);
            EXPECT_EQ(result.reason, "ファイルまたはフォルダが見つかりません");
        }
    }
    EXPECT_EQ(ReadBytes(picture), "picture");
}

TEST_F(FileOperationsTest, RenameRefusesBadAndTakenNames) {
    const QString picture = m_folder.write("a.jpg", "picture");
    m_folder.write("taken.jpg", "older");
    const QStringList before = Entries(m_folder.path());
    for (const QString& name : {QString(), QString("."), QString(".."), QString("sub/b.jpg"),
                                QString("../b.jpg"), QString("taken.jpg")}) {
        SCOPED_TRACE(name.toStdString());
        const FileOpResult result = m_ops.Rename(picture, name);
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.reason.isEmpty());
        EXPECT_EQ(Entries(m_folder.path()), before);
    }
    EXPECT_EQ(m_ops.Rename(picture, "taken.jpg").error, EEXIST);
    EXPECT_EQ(ReadBytes(picture), "picture");
    EXPECT_EQ(ReadBytes(m_folder.file("taken.jpg")), "older");
}

TEST_F(FileOperationsTest, RenameWorksForFilesAndFolders) {
    const QString strange = "b" + PathFromNative("\xE9", 1) + ".jpg";
    m_folder.write("a.jpg", "picture");
    m_folder.write("album/inner.jpg", "inner");

    ASSERT_TRUE(m_ops.Rename(m_folder.file("a.jpg"), strange).ok);
    ASSERT_TRUE(m_ops.Rename(m_folder.file("album"), "アルバム").ok);

    EXPECT_EQ(ReadBytes(m_folder.file(strange)), "picture");
    EXPECT_EQ(ReadBytes(m_folder.file("アルバム/inner.jpg")), "inner");
    EXPECT_EQ(Entries(m_folder.path()), (QStringList{strange, "アルバム"}));
}

TEST_F(FileOperationsTest, DeleteSendsToTheTrash) {
    const QString picture = m_folder.write("a.jpg", "picture");
    ASSERT_TRUE(m_ops.Delete(picture).ok);
    EXPECT_FALSE(Exists(picture));
    EXPECT_EQ(ReadBytes(m_ops.trash().homeTrash() + "/files/a.jpg"), "picture");
}

// An overwrite: the target's name holds an older file that goes to the trash. Across volumes the
// source lives on the other volume, as the target's must have a trash.
class ReplaceTest : public FileOperationsTest, public ::testing::WithParamInterface<TransferCase> {
protected:
    void SetUp() override {
        if (GetParam().acrossVolumes && !TwoVolumes()) {
            GTEST_SKIP() << "/dev/shm and the temporary folder are on one file system here";
        }
        m_source = (GetParam().acrossVolumes ? m_other.path() : m_folder.path()) + "/picture.jpg";
        WritePicture(m_source, kPicture);
        m_to = m_folder.folder("to");
        m_target = m_folder.write("to/picture.jpg", "older");
    }

    FileOpResult Run() const {
        return GetParam().move ? m_ops.Move(m_source, m_target, ExistingTarget::ToTrash)
                               : m_ops.Copy(m_source, m_target, ExistingTarget::ToTrash);
    }

    bool OneRename() const { return GetParam().move && !GetParam().acrossVolumes; }
    QString Trashed(const QString& part) const { return m_ops.trash().homeTrash() + "/" + part; }

    QString m_source;
    QString m_to;
    QString m_target;
};

TEST_P(ReplaceTest, TheOldFileGoesToTheTrashRightBeforeTheNewOneTakesItsName) {
    std::vector<TransferStep> steps;
    bool oldFileStayedUntilTrashed = true;
    m_ops.SetStepHook([&](TransferStep step) {
        if (step != TransferStep::TargetTrashed &&
            std::count(steps.begin(), steps.end(), TransferStep::TargetTrashed) == 0) {
            oldFileStayedUntilTrashed = oldFileStayedUntilTrashed && ReadBytes(m_target) == "older";
        }
        steps.push_back(step);
    });

    const FileOpResult result = Run();

    ASSERT_TRUE(result.ok) << result.reason.toStdString();
    ExpectPicture(m_target);
    EXPECT_EQ(Exists(m_source), !GetParam().move);
    EXPECT_EQ(ReadBytes(Trashed("files/picture.jpg")), "older");
    EXPECT_EQ(Entries(Trashed("info")), QStringList{"picture.jpg.trashinfo"});
    EXPECT_TRUE(oldFileStayedUntilTrashed);
    const auto trashed = std::find(steps.begin(), steps.end(), TransferStep::TargetTrashed);
    ASSERT_NE(trashed, steps.end());
    if (OneRename()) {
        EXPECT_EQ(steps, std::vector<TransferStep>{TransferStep::TargetTrashed});
    } else {
        EXPECT_EQ(*(trashed - 1), TransferStep::Synced);
        EXPECT_EQ(*(trashed + 1), TransferStep::RenamedIntoPlace);
    }
    EXPECT_EQ(Entries(m_to), QStringList{"picture.jpg"});
}

TEST_P(ReplaceTest, WhenTheLastRenameFailsTheOldFileComesBack) {
    // Right after the old file went to the trash, what the rename needs goes away: the source of
    // a move by one rename, else the temporary file.
    m_ops.SetStepHook([&](TransferStep step) {
        if (step != TransferStep::TargetTrashed) {
            return;
        }
        if (OneRename()) {
            ASSERT_EQ(::rename(NativePath(m_source).constData(), NativePath(m_source + ".away").constData()),
                      0);
            return;
        }
        for (const QString& name : Entries(m_to)) {
            if (IsTemporaryName(name)) {
                ASSERT_EQ(::unlink(NativePath(m_to + "/" + name).constData()), 0);
            }
        }
    });

    const FileOpResult result = Run();

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, ENOENT);
    EXPECT_EQ(result.reason, "ファイルまたはフォルダが見つかりません");
    EXPECT_EQ(ReadBytes(m_target), "older");
    EXPECT_EQ(Entries(m_to), QStringList{"picture.jpg"});
    EXPECT_TRUE(Entries(Trashed("files")).isEmpty());
    EXPECT_TRUE(Entries(Trashed("info")).isEmpty());
    EXPECT_TRUE(Entries(m_pending).isEmpty());
    ExpectPicture(OneRename() ? m_source + ".away" : m_source);
}

TEST_P(ReplaceTest, ANameTakenMeanwhileLeavesTheOldFileInTheTrashAndSaysSo) {
    m_ops.SetStepHook([&](TransferStep step) {
        if (step == TransferStep::TargetTrashed) {
            m_folder.write("to/picture.jpg", "newcomer");
        }
    });

    const FileOpResult result = Run();

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, EEXIST);
    EXPECT_TRUE(result.reason.contains("ごみ箱")) << result.reason.toStdString();
    EXPECT_EQ(ReadBytes(m_target), "newcomer");
    EXPECT_EQ(ReadBytes(Trashed("files/picture.jpg")), "older");
    ExpectPicture(m_source);
    EXPECT_EQ(Entries(m_to), QStringList{"picture.jpg"});
}

INSTANTIATE_TEST_SUITE_P(Cases, ReplaceTest, ::testing::ValuesIn(kTransferCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileOperationsTest, AFolderInTheWayIsNeverReplaced) {
    const QString source = m_folder.file("picture.jpg");
    WritePicture(source, kPicture);
    const QString folder = m_folder.folder("to/picture.jpg");
    m_folder.write("to/picture.jpg/inner.jpg", "inner");

    for (const FileOpResult& result : {m_ops.Move(source, folder, ExistingTarget::ToTrash),
                                       m_ops.Copy(source, folder, ExistingTarget::ToTrash)}) {
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, EISDIR);
        EXPECT_EQ(result.reason, "同じ名前のフォルダがあるため、上書きできません");
    }
    EXPECT_EQ(ReadBytes(folder + "/inner.jpg"), "inner");
    ExpectPicture(source);
    EXPECT_TRUE(Entries(m_ops.trash().homeTrash() + "/files").isEmpty());
}

// Destinations that cannot take the file: a read-only volume, a full one. Both are small
// tmpfs mounts (root only; as another user a folder without write permission stands in for
// the read-only one).
struct RefusingCase {
    const char* name;
    bool move;
    bool full;
    bool folder = false; // a folder tree is moved, not a picture
};

void PrintTo(const RefusingCase& c, std::ostream* out) {
    *out << c.name;
}

class RefusingDestinationTest : public FileOperationsTest,
                                public ::testing::WithParamInterface<RefusingCase> {
protected:
    void SetUp() override {
        if (GetParam().folder) {
            m_source = m_folder.file("album");
            WriteAlbum(m_source);
            m_before = TreeFacts(m_source);
        } else {
            WritePicture(m_source, kPicture);
        }
        if (::geteuid() != 0 && !GetParam().full) {
            ASSERT_EQ(::mkdir(NativePath(m_to).constData(), 0555), 0);
            return;
        }
        m_mount.emplace(TestMount::Tmpfs(m_to, "size=1m", !GetParam().full));
        if (!m_mount->mounted()) {
            GTEST_SKIP() << m_mount->failure().toStdString();
        }
    }

    QString m_source = m_folder.file("picture.jpg");
    QString m_to = m_folder.file("destination");
    QStringList m_before;
    std::optional<TestMount> m_mount;
};

TEST_P(RefusingDestinationTest, FailsWithItsReasonAndChangesNothing) {
    const QString target = m_to + (GetParam().folder ? "/album" : "/picture.jpg");
    const FileOpResult result = GetParam().move ? m_ops.Move(m_source, target) : m_ops.Copy(m_source, target);

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason,
              GetParam().full ? "ディスクの空き容量が足りません" : "書き込みが許可されていません");
    if (GetParam().folder) {
        EXPECT_EQ(TreeFacts(m_source), m_before);
    } else {
        ExpectPicture(m_source);
    }
    EXPECT_TRUE(Entries(m_to).isEmpty()) << Entries(m_to).join(' ').toStdString();
    EXPECT_TRUE(Entries(m_pending).isEmpty());
}

const RefusingCase kRefusingCases[] = {
    {"CopyToReadOnly", false, false},
    {"MoveToReadOnly", true, false},
    {"CopyToFull", false, true},
    {"MoveToFull", true, true},
    {"FolderToReadOnly", true, false, true},
    {"FolderToFull", true, true, true},
};
INSTANTIATE_TEST_SUITE_P(Cases, RefusingDestinationTest, ::testing::ValuesIn(kRefusingCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A folder moved from the temporary folder to /dev/shm, another volume.
class FolderAcrossVolumesTest : public FileOperationsTest {
protected:
    void SetUp() override {
        if (!TwoVolumes()) {
            GTEST_SKIP() << "/dev/shm and the temporary folder are on one file system here";
        }
        WriteAlbum(m_source);
        m_before = TreeFacts(m_source);
        ASSERT_EQ(m_before.size(), kAlbumEntries + 1);
    }

    // The move failed and left no trace: no temporary folder beside the target or the source,
    // no marker.
    void ExpectNoTrace(const FileOpResult& result) const {
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(TemporaryNamesIn(m_other.path()).isEmpty());
        EXPECT_TRUE(TemporaryNamesIn(m_folder.path()).isEmpty());
        EXPECT_TRUE(Entries(m_pending).isEmpty());
    }

    QString m_source = m_folder.file("album");
    QString m_target = m_other.path() + "/album";
    QStringList m_before;
};

TEST_F(FolderAcrossVolumesTest, ArrivesWholeAndTheSourceGoes) {
    std::vector<TransferStep> steps;
    m_ops.SetStepHook([&](TransferStep step) { steps.push_back(step); });

    const FileOpResult result = m_ops.Move(m_source + "/", m_target);

    ASSERT_TRUE(result.ok) << result.reason.toStdString();
    EXPECT_EQ(TreeFacts(m_target), m_before);
    EXPECT_FALSE(Exists(m_source));
    EXPECT_EQ(Entries(m_other.path()), QStringList{"album"});
    EXPECT_EQ(Entries(m_folder.path()), QStringList{"pending"});
    EXPECT_TRUE(Entries(m_pending).isEmpty());

    EXPECT_EQ(std::count(steps.begin(), steps.end(), TransferStep::SourceEntryRemoved), kAlbumEntries);
    steps.erase(std::unique(steps.begin(), steps.end()), steps.end());
    const std::vector<TransferStep> expected = {
        TransferStep::MarkerWritten,  TransferStep::TempCreated,        TransferStep::DataCopied,
        TransferStep::Synced,         TransferStep::RenamedIntoPlace,   TransferStep::MarkerWritten,
        TransferStep::SourceSetAside, TransferStep::SourceEntryRemoved, TransferStep::SourceRemoved};
    EXPECT_EQ(steps, expected);
}

// What cannot be carried to another volume, somewhere in the tree.
enum class Uncarried { Fifo, Socket, MountedVolume };

struct UncarriedCase {
    const char* name;
    Uncarried kind;
    const char* path; // below the album
    const char* reason;
};

void PrintTo(const UncarriedCase& c, std::ostream* out) {
    *out << c.name;
}

class UncarriedTest : public FolderAcrossVolumesTest, public ::testing::WithParamInterface<UncarriedCase> {};

TEST_P(UncarriedTest, IsRefusedBeforeAnythingIsWritten) {
    const UncarriedCase& c = GetParam();
    const QByteArray path = NativePath(m_source + "/" + c.path);
    std::optional<TestMount> mount;
    switch (c.kind) {
    case Uncarried::Fifo:
        ASSERT_EQ(::mkfifo(path.constData(), 0644), 0);
        break;
    case Uncarried::Socket: {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        ASSERT_LT(path.size(), static_cast<qsizetype>(sizeof address.sun_path));
        std::copy(path.begin(), path.end(), address.sun_path);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        ::close(fd);
        ASSERT_EQ(bound, 0);
        break;
    }
    case Uncarried::MountedVolume:
        mount.emplace(TestMount::Tmpfs(PathFromNative(path), "size=1m", false));
        if (!mount->mounted()) {
            GTEST_SKIP() << mount->failure().toStdString();
        }
        break;
    }
    const QStringList before = TreeFacts(m_source);

    const FileOpResult result = m_ops.Move(m_source, m_target);

    EXPECT_EQ(result.reason, QString::fromUtf8(c.reason));
    ExpectNoTrace(result);
    EXPECT_EQ(TreeFacts(m_source), before);
    EXPECT_TRUE(Entries(m_other.path()).isEmpty());
    EXPECT_FALSE(Exists(m_pending)) << "refused before the pending folder was needed";
}

const UncarriedCase kUncarriedCases[] = {
    {"Fifo", Uncarried::Fifo, "sub/pipe",
     "名前付きパイプやデバイスなどの特殊なファイルは別のボリュームへ移動できません: album/sub/pipe"},
    {"Socket", Uncarried::Socket, "socket",
     "名前付きパイプやデバイスなどの特殊なファイルは別のボリュームへ移動できません: album/socket"},
    {"MountedVolume", Uncarried::MountedVolume, "sub/deeper",
     "別のボリュームがマウントされているフォルダは移動できません: album/sub/deeper"},
};
INSTANTIATE_TEST_SUITE_P(Cases, UncarriedTest, ::testing::ValuesIn(kUncarriedCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The target's name is taken: before the move starts, or while the tree is being copied.
struct TakenNameCase {
    const char* name;
    bool folder;     // a folder holds the name, else a file
    bool duringCopy; // it appears once the copy is complete, right before the rename
};

void PrintTo(const TakenNameCase& c, std::ostream* out) {
    *out << c.name;
}

class TakenNameTest : public FolderAcrossVolumesTest, public ::testing::WithParamInterface<TakenNameCase> {
protected:
    void Take() const {
        if (GetParam().folder) {
            m_other.write("album/mine.jpg", "mine");
        } else {
            m_other.write("album", "mine");
        }
    }
};

TEST_P(TakenNameTest, RefusesAndRemovesItsCopy) {
    if (GetParam().duringCopy) {
        m_ops.SetStepHook([this](TransferStep step) {
            if (step == TransferStep::Synced) {
                Take();
            }
        });
    } else {
        Take();
    }

    const FileOpResult result = m_ops.Move(m_source, m_target);

    EXPECT_EQ(result.error, EEXIST);
    EXPECT_EQ(result.reason, "同名のファイルが既に存在します");
    ExpectNoTrace(result);
    EXPECT_EQ(TreeFacts(m_source), m_before);
    EXPECT_EQ(Entries(m_other.path()), QStringList{"album"});
    EXPECT_EQ(ReadBytes(GetParam().folder ? m_target + "/mine.jpg" : m_target), "mine");
    if (GetParam().folder) {
        EXPECT_EQ(Entries(m_target), QStringList{"mine.jpg"});
    }
}

const TakenNameCase kTakenNameCases[] = {
    {"FolderBefore", true, false},
    {"FileBefore", false, false},
    {"FolderDuringTheCopy", true, true},
    {"FileDuringTheCopy", false, true},
};
INSTANTIATE_TEST_SUITE_P(Cases, TakenNameTest, ::testing::ValuesIn(kTakenNameCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The source changes once its copy is complete, before the copy is checked against it.
struct ChangeCase {
    const char* name;
    void (*change)(const QString& album);
};

void PrintTo(const ChangeCase& c, std::ostream* out) {
    *out << c.name;
}

class SourceChangeTest : public FolderAcrossVolumesTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(SourceChangeTest, FailsTheMoveAndLeavesTheSourceAlone) {
    QStringList changed;
    m_ops.SetStepHook([&](TransferStep step) {
        if (step == TransferStep::Synced) {
            GetParam().change(m_source);
            changed = TreeFacts(m_source);
        }
    });

    const FileOpResult result = m_ops.Move(m_source, m_target);

    EXPECT_EQ(result.reason, "コピーの途中で元のフォルダの中身が変わったため、この操作を行えません");
    ExpectNoTrace(result);
    ASSERT_NE(changed, m_before);
    EXPECT_EQ(TreeFacts(m_source), changed);
    EXPECT_TRUE(Entries(m_other.path()).isEmpty());
}

const ChangeCase kChangeCases[] = {
    {"FileAdded", [](const QString& album) { WriteFile(album + "/sub/late.jpg", "late", 0644); }},
    {"FileGrew",
     [](const QString& album) {
         const int fd = ::open(NativePath(album + "/a.jpg").constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
         ASSERT_GE(fd, 0);
         const bool written = ::write(fd, " and more", 9) == 9;
         ::close(fd);
         ASSERT_TRUE(written);
     }},
    {"FileRemoved",
     [](const QString& album) { ASSERT_EQ(::unlink(NativePath(album + "/.hidden").constData()), 0); }},
    {"LinkBecameAFile",
     [](const QString& album) {
         ASSERT_EQ(::unlink(NativePath(album + "/link").constData()), 0);
         WriteFile(album + "/link", "sub/b.png", 0644);
     }},
};
INSTANTIATE_TEST_SUITE_P(Cases, SourceChangeTest, ::testing::ValuesIn(kChangeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FolderAcrossVolumesTest, ASourceChangedAfterItsCopyTookTheNameIsKept) {
    QStringList changed;
    m_ops.SetStepHook([&](TransferStep step) {
        if (step == TransferStep::RenamedIntoPlace) {
            WriteFile(m_source + "/empty/new.jpg", "new", 0644);
            changed = TreeFacts(m_source);
        }
    });

    const FileOpResult result = m_ops.Move(m_source, m_target);

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(
        result.reason,
        "コピーは済みましたが、元のフォルダの中身が途中で変わったため、元のフォルダは削除しませんでした");
    EXPECT_EQ(TreeFacts(m_target), m_before);
    EXPECT_EQ(TreeFacts(m_source), changed);
    EXPECT_EQ(ReadBytes(m_source + "/empty/new.jpg"), "new");
    EXPECT_TRUE(TemporaryNamesIn(m_folder.path()).isEmpty());
    EXPECT_TRUE(TemporaryNamesIn(m_other.path()).isEmpty());
    EXPECT_TRUE(Entries(m_pending).isEmpty());
}

TEST_F(FolderAcrossVolumesTest, AFileSizeLimitStopsTheCopyAndKeepsTheSource) {
    FileOpResult result;
    {
        const FileSizeLimit limit(1 << 20);
        ASSERT_TRUE(limit.set());
        result = m_ops.Move(m_source, m_target);
    }

    EXPECT_EQ(result.error, EFBIG);
    EXPECT_EQ(result.reason, "ファイルが大きすぎて書き込めません");
    ExpectNoTrace(result);
    EXPECT_EQ(TreeFacts(m_source), m_before);
    EXPECT_TRUE(Entries(m_other.path()).isEmpty());
}

TEST_F(FileOperationsTest, AFolderTakesTheNameOfAFileThatGoesToTheTrash) {
    if (!TwoVolumes()) {
        GTEST_SKIP() << "/dev/shm and the temporary folder are on one file system here";
    }
    // The source on /dev/shm: the replaced file must be on a volume with a trash.
    const QString source = m_other.path() + "/album";
    WriteAlbum(source);
    const QStringList before = TreeFacts(source);
    const QString target = m_folder.write("to/album", "older");

    const FileOpResult result = m_ops.Move(source, target, ExistingTarget::ToTrash);

    ASSERT_TRUE(result.ok) << result.reason.toStdString();
    EXPECT_EQ(TreeFacts(target), before);
    EXPECT_FALSE(Exists(source));
    EXPECT_EQ(ReadBytes(m_ops.trash().homeTrash() + "/files/album"), "older");
    EXPECT_EQ(Entries(m_folder.path() + "/to"), QStringList{"album"});
}

// What this process may not do inside the source: read a file (found while copying), list a
// folder, or empty one (both found before anything is written). Run as an ordinary user.
struct PermissionCase {
    const char* name;
    const char* path; // below the album
    mode_t mode;
    const char* reason;
};

void PrintTo(const PermissionCase& c, std::ostream* out) {
    *out << c.name;
}

class SourcePermissionTest : public FolderAcrossVolumesTest,
                             public ::testing::WithParamInterface<PermissionCase> {};

TEST_P(SourcePermissionTest, FailsWithItsReasonAndKeepsTheSource) {
    if (!RunsAsOrdinaryUser()) {
        return;
    }
    const PermissionCase& c = GetParam();
    const QByteArray path = NativePath(m_source + "/" + c.path);
    struct stat old {};
    ASSERT_EQ(::lstat(path.constData(), &old), 0);
    ASSERT_EQ(::chmod(path.constData(), c.mode), 0);
    const QStringList before = TreeFacts(m_source);

    const FileOpResult result = m_ops.Move(m_source, m_target);

    EXPECT_EQ(result.reason, QString::fromUtf8(c.reason));
    ExpectNoTrace(result);
    EXPECT_TRUE(Entries(m_other.path()).isEmpty());
    EXPECT_EQ(TreeFacts(m_source), before);
    ASSERT_EQ(::chmod(path.constData(), old.st_mode & 07777), 0);
    EXPECT_EQ(TreeFacts(m_source), m_before);
}

const PermissionCase kPermissionCases[] = {
    {"UnreadableFile", "sub/deeper/big.jpg", 0200, "読み取りが許可されていません: album/sub/deeper/big.jpg"},
    {"UnreadableFolder", "sub/deeper", 0300, "読み取りが許可されていません: album/sub/deeper"},
    {"ReadOnlyFolder", "sub", 0550,
     "削除できないフォルダが含まれているため、別のボリュームへ移動できません: album/sub"},
};
INSTANTIATE_TEST_SUITE_P(Cases, SourcePermissionTest, ::testing::ValuesIn(kPermissionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileOperationsTest, MarkersOfLiveTransfersAreLeftAlone) {
    const QString source = m_folder.file("picture.jpg");
    const QString to = m_folder.folder("to");
    WritePicture(source, kPicture);
    int removed = -1;
    QStringList pendingDuring;
    QStringList destinationDuring;
    m_ops.SetStepHook([&](TransferStep step) {
        if (step == TransferStep::DataCopied && removed < 0) {
            removed = m_ops.RemoveLeftovers();
            pendingDuring = Entries(m_pending);
            destinationDuring = Entries(to);
        }
    });

    ASSERT_TRUE(m_ops.Copy(source, to + "/picture.jpg").ok);

    EXPECT_EQ(removed, 0);
    EXPECT_EQ(pendingDuring.size(), 1);
    ASSERT_EQ(destinationDuring.size(), 1);
    EXPECT_TRUE(IsTemporaryName(destinationDuring.at(0))) << destinationDuring.at(0).toStdString();
    ExpectPicture(to + "/picture.jpg");
}

TEST_F(FileOperationsTest, LeftoversRemoveOnlyTemporaryFilesOfDeadMarkers) {
    const QString temporary = m_folder.write(".ruvela-4242-7.part", "partial");
    const QString picture = m_folder.write("photo.jpg", "picture");
    const QString lookalike = m_folder.write(".ruvela-x.part", "not ours");
    m_folder.write("pending/4242-7", NativePath(temporary));
    m_folder.write("pending/4242-8", NativePath(picture));
    m_folder.write("pending/4242-9", NativePath(lookalike));
    m_folder.write("pending/4242-10.new", QByteArray());

    EXPECT_EQ(m_ops.RemoveLeftovers(), 1);

    EXPECT_FALSE(Exists(temporary));
    EXPECT_EQ(ReadBytes(picture), "picture");
    EXPECT_EQ(ReadBytes(lookalike), "not ours");
    EXPECT_TRUE(Entries(m_pending).isEmpty());
}

TEST_F(FileOperationsTest, LeftoversRemoveTemporaryFoldersWithoutFollowingLinks) {
    const QString temporary = m_folder.file(".ruvela-4242-11.part");
    m_folder.write(".ruvela-4242-11.part/sub/deeper/part.jpg", "partial");
    const QString kept = m_folder.write("kept/picture.jpg", "picture");
    ASSERT_EQ(::symlink(NativePath(kept).constData(), NativePath(temporary + "/sub/to-file").constData()), 0);
    ASSERT_EQ(::symlink(NativePath(m_folder.file("kept")).constData(),
                        NativePath(temporary + "/to-folder").constData()),
              0);
    const QString named = m_folder.write("album/inner.jpg", "inner");
    const QString unmarked = m_folder.write(".ruvela-4242-13.part/inner.jpg", "unmarked");
    m_folder.write("pending/4242-11", NativePath(temporary));
    m_folder.write("pending/4242-12", NativePath(m_folder.file("album")));

    EXPECT_EQ(m_ops.RemoveLeftovers(), 1);

    EXPECT_FALSE(Exists(temporary));
    EXPECT_EQ(ReadBytes(kept), "picture");
    EXPECT_EQ(Entries(m_folder.file("kept")), QStringList{"picture.jpg"});
    EXPECT_EQ(ReadBytes(named), "inner");
    EXPECT_EQ(ReadBytes(unmarked), "unmarked");
    EXPECT_TRUE(Entries(m_pending).isEmpty());
}

// Tests whose transfer runs in a child process (a death test). The child runs the test again
// from the start; it finds the folders of the parent through the environment, so both look at
// the same files and only the parent removes them.
class ChildProcessTest : public ::testing::Test {
protected:
    static constexpr const char* kVariable = "RUVELA_TRANSFER_TEST_FOLDERS";

    void SetUp() override {
        ::testing::FLAGS_gtest_death_test_style = "threadsafe";
        const QByteArray inherited = qgetenv(kVariable);
        if (inherited.isEmpty()) {
            m_ownLocal.emplace(QDir::tempPath());
            m_ownOther.emplace("/dev/shm");
            m_local = m_ownLocal->path();
            m_other = m_ownOther->path();
            qputenv(kVariable, NativePath(m_local) + '\n' + NativePath(m_other));
        } else {
            const QList<QByteArray> folders = inherited.split('\n');
            ASSERT_EQ(folders.size(), 2);
            m_local = PathFromNative(folders.at(0));
            m_other = PathFromNative(folders.at(1));
        }
    }

    void TearDown() override {
        if (m_ownLocal) {
            qunsetenv(kVariable);
        }
    }

    bool InChild() const { return !m_ownLocal; }

    std::optional<TempFolder> m_ownLocal;
    std::optional<TempFolder> m_ownOther;
    QString m_local;
    QString m_other;
};

TEST_F(ChildProcessTest, AFileSizeLimitStopsACopyCleanly) {
    const QString source = m_local + "/picture.jpg";
    if (!InChild()) {
        WritePicture(source, kPicture);
    }
    const FileOperations ops(m_local + "/pending", Trash(m_local + "/Trash"));

    const auto copyUnderLimit = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {1 << 20, 1 << 20};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const FileOpResult result = ops.Copy(source, m_local + "/copy.jpg");
        std::_Exit(!result.ok && result.error == EFBIG ? 0 : 1);
    };

    EXPECT_EXIT(copyUnderLimit(), ::testing::ExitedWithCode(0), "");

    EXPECT_EQ(Entries(m_local), (QStringList{"pending", "picture.jpg"}));
    EXPECT_TRUE(Entries(m_local + "/pending").isEmpty());
    ExpectPicture(source);
}

// A move across volumes killed at one of its steps.
struct KillCase {
    const char* name;
    TransferStep step;
    int nth;           // which time the step comes
    int leftovers;     // temporary files RemoveLeftovers finds afterwards
    bool targetExists; // the target is complete under its final name
};

void PrintTo(const KillCase& c, std::ostream* out) {
    *out << c.name;
}

class KilledMoveTest : public ChildProcessTest, public ::testing::WithParamInterface<KillCase> {};

TEST_P(KilledMoveTest, LeavesTheSourceOrACompleteTarget) {
    if (DeviceOf(m_local) == DeviceOf(m_other)) {
        GTEST_SKIP() << "/dev/shm and the temporary folder are on one file system here";
    }
    const KillCase& c = GetParam();
    const QString source = m_local + "/picture.jpg";
    const QString target = m_other + "/picture.jpg";
    // Bystanders, one of them named like a temporary file that no marker names.
    const QStringList bystanders = {m_local + "/other.jpg", m_other + "/other.jpg",
                                    m_other + "/.ruvela-99999-1.part"};
    if (!InChild()) {
        WritePicture(source, kPicture);
        for (const QString& path : bystanders) {
            WritePicture(path, "bystander");
        }
    }
    FileOperations ops(m_local + "/pending", Trash(m_local + "/Trash"));
    ops.SetStepHook([step = c.step, nth = c.nth, seen = 0](TransferStep now) mutable {
        if (now == step && ++seen == nth) {
            std::raise(SIGKILL);
        }
    });

    EXPECT_EXIT(ops.Move(source, target), ::testing::KilledBySignal(SIGKILL), "");

    ExpectPicture(source);
    EXPECT_EQ(Exists(target), c.targetExists);
    if (c.targetExists) {
        ExpectPicture(target);
    }
    EXPECT_EQ(Entries(m_local + "/pending").size(), 1) << "the marker of the killed transfer";

    EXPECT_EQ(ops.RemoveLeftovers(), c.leftovers);

    EXPECT_TRUE(Entries(m_local + "/pending").isEmpty());
    EXPECT_EQ(Entries(m_local), (QStringList{"other.jpg", "pending", "picture.jpg"}));
    QStringList expected = {".ruvela-99999-1.part", "other.jpg"};
    if (c.targetExists) {
        expected << "picture.jpg";
    }
    EXPECT_EQ(Entries(m_other), expected);
    for (const QString& path : bystanders) {
        EXPECT_EQ(ReadBytes(path), "bystander");
    }
}

const KillCase kKillCases[] = {
    {"MarkerWritten", TransferStep::MarkerWritten, 1, 0, false},
    {"TempCreated", TransferStep::TempCreated, 1, 1, false},
    {"SecondBlockCopied", TransferStep::DataCopied, 2, 1, false},
    {"Synced", TransferStep::Synced, 1, 1, false},
    {"RenamedIntoPlace", TransferStep::RenamedIntoPlace, 1, 0, true},
};
INSTANTIATE_TEST_SUITE_P(Cases, KilledMoveTest, ::testing::ValuesIn(kKillCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A folder move across volumes killed at one of its steps.
struct FolderKillCase {
    const char* name;
    TransferStep step;
    int nth;          // which time the step comes
    int leftovers;    // temporary files and folders RemoveLeftovers finds afterwards
    bool sourceWhole; // the source is whole under its name
    bool targetWhole; // the target is whole under its final name
};

void PrintTo(const FolderKillCase& c, std::ostream* out) {
    *out << c.name;
}

class KilledFolderMoveTest : public ChildProcessTest, public ::testing::WithParamInterface<FolderKillCase> {};

TEST_P(KilledFolderMoveTest, LeavesTheSourceOrTheTargetWhole) {
    if (DeviceOf(m_local) == DeviceOf(m_other)) {
        GTEST_SKIP() << "/dev/shm and the temporary folder are on one file system here";
    }
    const FolderKillCase& c = GetParam();
    const QString source = m_local + "/album";
    const QString target = m_other + "/album";
    // Bystanders, two of them named like temporary entries that no marker names.
    const QStringList bystanders = {m_local + "/other.jpg", m_other + "/other.jpg",
                                    m_other + "/.ruvela-99999-1.part",
                                    m_other + "/.ruvela-99999-2.part/inner.jpg"};
    if (!InChild()) {
        WriteAlbum(source);
        ASSERT_EQ(::mkdir(NativePath(m_other + "/.ruvela-99999-2.part").constData(), 0755), 0);
        for (const QString& path : bystanders) {
            WritePicture(path, "bystander");
        }
    }
    const QStringList whole = TreeFacts(source);
    ASSERT_EQ(whole.size(), kAlbumEntries + 1);
    FileOperations ops(m_local + "/pending", Trash(m_local + "/Trash"));
    ops.SetStepHook([step = c.step, nth = c.nth, seen = 0](TransferStep now) mutable {
        if (now == step && ++seen == nth) {
            std::raise(SIGKILL);
        }
    });

    EXPECT_EXIT(ops.Move(source, target), ::testing::KilledBySignal(SIGKILL), "");

    EXPECT_EQ(TreeFacts(source), c.sourceWhole ? whole : QStringList{});
    EXPECT_EQ(TreeFacts(target), c.targetWhole ? whole : QStringList{});
    EXPECT_EQ(Entries(m_local + "/pending").size(), 1) << "the marker of the killed move";

    EXPECT_EQ(ops.RemoveLeftovers(), c.leftovers);

    EXPECT_TRUE(Entries(m_local + "/pending").isEmpty());
    QStringList local = {"other.jpg", "pending"};
    QStringList other = {".ruvela-99999-1.part", ".ruvela-99999-2.part", "other.jpg"};
    if (c.sourceWhole) {
        local.prepend("album");
    }
    if (c.targetWhole) {
        other.insert(2, "album");
    }
    EXPECT_EQ(Entries(m_local), local);
    EXPECT_EQ(Entries(m_other), other);
    EXPECT_EQ(TreeFacts(source), c.sourceWhole ? whole : QStringList{});
    EXPECT_EQ(TreeFacts(target), c.targetWhole ? whole : QStringList{});
    for (const QString& path : bystanders) {
        EXPECT_EQ(ReadBytes(path), "bystander");
    }
}

const FolderKillCase kFolderKillCases[] = {
    {"MarkerWritten", TransferStep::MarkerWritten, 1, 0, true, false},
    {"TempCreated", TransferStep::TempCreated, 1, 1, true, false},
    {"FirstBlockCopied", TransferStep::DataCopied, 1, 1, true, false},
    {"FifthBlockCopied", TransferStep::DataCopied, 5, 1, true, false},
    {"Synced", TransferStep::Synced, 1, 1, true, false},
    {"RenamedIntoPlace", TransferStep::RenamedIntoPlace, 1, 0, true, true},
    {"SourceMarkerWritten", TransferStep::MarkerWritten, 2, 0, true, true},
    {"SourceSetAside", TransferStep::SourceSetAside, 1, 1, false, true},
    {"FirstEntryRemoved", TransferStep::SourceEntryRemoved, 1, 1, false, true},
    {"SixthEntryRemoved", TransferStep::SourceEntryRemoved, 6, 1, false, true},
    {"SourceRemoved", TransferStep::SourceRemoved, 1, 0, false, true},
};
INSTANTIATE_TEST_SUITE_P(Cases, KilledFolderMoveTest, ::testing::ValuesIn(kFolderKillCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
