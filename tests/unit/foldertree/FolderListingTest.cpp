#include "core/foldertree/FolderListing.h"

#include "core/common/NativePath.h"
#include "core/filelist/FolderWalk.h"
#include "support/TempFolder.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void Link(const QString& target, const QString& link) {
    ASSERT_EQ(::symlink(NativePath(target).constData(), NativePath(link).constData()), 0)
        << link.toStdString();
}

QStringList Names(const FolderListing& listing) {
    QStringList names;
    for (const SubfolderEntry& entry : listing.subfolders) {
        names << entry.name;
    }
    return names;
}

const SubfolderEntry* Find(const FolderListing& listing, const char* name) {
    for (const SubfolderEntry& entry : listing.subfolders) {
        if (entry.name == QLatin1String(name)) {
            return &entry;
        }
    }
    return nullptr;
}

// r/.hidden/  r/Beta/inner/  r/alpha/  r/gamma/  r/file.txt
// r/to-alpha -> r/alpha   r/to-file -> r/file.txt   r/dangling -> r/none   r/up -> r
class FolderListingTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"r/.hidden", "r/Beta/inner", "r/alpha", "r/gamma"}) {
            m_temp.folder(QString::fromLatin1(folder));
        }
        m_temp.write(QStringLiteral("r/file.txt"), "a file");
        m_temp.write(QStringLiteral("r/gamma/only-a-file.txt"), "no folder in gamma");
        Link(At("r/alpha"), At("r/to-alpha"));
        Link(At("r/file.txt"), At("r/to-file"));
        Link(At("r/none"), At("r/dangling"));
        Link(At("r"), At("r/up"));
    }

    QString At(const char* relative) const { return m_temp.file(QString::fromLatin1(relative)); }

    TempFolder m_temp;
};

TEST_F(FolderListingTest, ListsFoldersAndLinksToFoldersInTheFolderWalksOrder) {
    const FolderListing listing = ListSubfolders(At("r"));
    ASSERT_TRUE(listing.ok) << listing.error.toStdString();
    EXPECT_EQ(Names(listing), SubfolderNames(At("r")));
    EXPECT_EQ(Names(listing), (QStringList{".hidden", "alpha", "Beta", "gamma", "to-alpha", "up"}));
    const PathFacts own = StatPath(At("r"));
    EXPECT_EQ(listing.device, own.device);
    EXPECT_EQ(listing.inode, own.inode);
}

TEST_F(FolderListingTest, EachEntryTellsItsIdentityLinkAndSubfolders) {
    const FolderListing listing = ListSubfolders(At("r"));
    ASSERT_TRUE(listing.ok);
    const struct {
        const char* name;
        const char* identityOf; // the folder whose device and inode the entry carries
        bool isLink;
        bool hasSubfolders;
    } cases[] = {
        {".hidden", "r/.hidden", false, false},
        {"Beta", "r/Beta", false, true},
        {"gamma", "r/gamma", false, false},
        {"to-alpha", "r/alpha", true, false},
        // A link back to the folder listed: the same identity as the folder, so the tree can
        // tell the loop.
        {"up", "r", true, true},
    };
    for (const auto& c : cases) {
        const SubfolderEntry* entry = Find(listing, c.name);
        ASSERT_NE(entry, nullptr) << c.name;
        const PathFacts facts = StatPath(At(c.identityOf));
        EXPECT_EQ(entry->device, facts.device) << c.name;
        EXPECT_EQ(entry->inode, facts.inode) << c.name;
        EXPECT_EQ(entry->isLink, c.isLink) << c.name;
        EXPECT_EQ(entry->hasSubfolders, c.hasSubfolders) << c.name;
    }
    EXPECT_EQ(listing.inode, Find(listing, "up")->inode);
}

TEST_F(FolderListingTest, AFolderReachedThroughALinkIsListed) {
    const FolderListing listing = ListSubfolders(At("r/up/up/Beta"));
    ASSERT_TRUE(listing.ok);
    EXPECT_EQ(Names(listing), QStringList{"inner"});
}

TEST_F(FolderListingTest, AMissingFolderOrAFileGivesAnError) {
    for (const char* path : {"r/none", "r/file.txt", "r/dangling", "r/to-file"}) {
        const FolderListing listing = ListSubfolders(At(path));
        EXPECT_FALSE(listing.ok) << path;
        EXPECT_FALSE(listing.error.isEmpty()) << path;
        EXPECT_TRUE(listing.subfolders.empty()) << path;
    }
}

TEST(FolderListing, AnUnreadableFolderGivesAnErrorAndCountsAsNoSubfolders) {
    if (!RunsAsOrdinaryUser()) {
        return;
    }
    TempFolder temp;
    temp.folder(QStringLiteral("locked/inside"));
    temp.folder(QStringLiteral("open"));
    const QString locked = temp.file(QStringLiteral("locked"));
    ASSERT_EQ(::chmod(NativePath(locked).constData(), 0), 0);

    const FolderListing listing = ListSubfolders(locked);
    EXPECT_FALSE(listing.ok);
    EXPECT_EQ(listing.error, QStringLiteral("フォルダを読む許可がありません"));

    // Its parent lists it, without the arrow it cannot open.
    const FolderListing parent = ListSubfolders(temp.path());
    ASSERT_TRUE(parent.ok);
    ASSERT_EQ(Names(parent), (QStringList{"locked", "open"}));
    EXPECT_FALSE(parent.subfolders[0].hasSubfolders);
    ASSERT_EQ(::chmod(NativePath(locked).constData(), 0700), 0);
}

TEST(UserVolume, SystemFileSystemsAndPlacesAreLeftOut) {
    const struct {
        const char* type;
        const char* path;
        bool shown;
    } cases[] = {
        {"ext4", "/", true},
        {"ext4", "/home", true},
        {"vfat", "/run/media/user/STICK", true},
        {"vfat", "/media/user/CARD", true},
        {"nfs4", "/mnt/share", true},
        {"tmpfs", "/tmp", true},
        {"squashfs", "/mnt/image", true},
        {"fuse.sshfs", "/home/user/remote", true},
        {"proc", "/proc", false},
        {"sysfs", "/sys", false},
        {"cgroup2", "/sys/fs/cgroup", false},
        {"devtmpfs", "/dev", false},
        {"devpts", "/dev/pts", false},
        {"tmpfs", "/run", false},
        {"tmpfs", "/run/user/1000", false},
        {"tmpfs", "/dev/shm", false},
        {"mqueue", "/dev/mqueue", false},
        {"binfmt_misc", "/proc/sys/fs/binfmt_misc", false},
        {"autofs", "/mnt/auto", false},
        {"squashfs", "/snap/core/123", false},
        {"overlay", "/var/lib/docker/overlay2/abc/merged", false},
        {"fuse.portal", "/run/user/1000/doc", false},
        {"efivarfs", "/sys/firmware/efi/efivars", false},
        {"vfat", "/boot/efi", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsUserVolume(QByteArray(c.type), QString::fromLatin1(c.path)), c.shown)
            << c.type << " " << c.path;
    }
}

TEST(ListVolumes, TheRootComesFirstAndEveryPathOnce) {
    const std::vector<MountedVolume> volumes = ListVolumes();
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes.front().mountPath, QStringLiteral("/"));
    QStringList paths;
    for (const MountedVolume& volume : volumes) {
        EXPECT_FALSE(paths.contains(volume.mountPath)) << volume.mountPath.toStdString();
        paths << volume.mountPath;
        EXPECT_TRUE(volume.display.contains(volume.mountPath)) << volume.display.toStdString();
        EXPECT_EQ(PathKind(volume.mountPath), PathType::Folder) << volume.mountPath.toStdString();
        EXPECT_FALSE(volume.mountPath.startsWith(QLatin1String("/proc"))) << volume.mountPath.toStdString();
    }
}

} // namespace
