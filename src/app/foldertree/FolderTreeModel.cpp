#include "app/foldertree/FolderTreeModel.h"

#include "core/common/InotifyEvents.h"
#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/foldertree/FolderListing.h"
#include "core/foldertree/FolderRules.h"

#include <QDir>
#include <QSocketNotifier>
#include <QThreadPool>
#include <fcntl.h>
#include <iterator>
#include <mutex>
#include <sys/inotify.h>
#include <unistd.h>
#include <unordered_set>
#include <utility>

namespace {

// Subfolders coming and going, and the folder's own going away (an unmount is always told).
constexpr std::uint32_t kWatchedEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr std::uint32_t kChildEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr std::uint32_t kSelfEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT;
// A burst of changes (a program unpacking a tree) lists the folder once.
constexpr int kRelistDelayMs = 200;
// How long the end waits for listings under way before it leaves them behind.
constexpr int kLetGoMs = 200;
// Listings of several folders at once, so one that hangs does not hold up the others.
constexpr int kListingThreads = 4;

const QString kDesktopName = QStringLiteral("デスクトップ");
const QString kComputerName = QStringLiteral("PC");
const QString kTrashName = QStringLiteral("ごみ箱");

// The names of the folders of `path` below `folder`, which holds it.
QStringList PartsBelow(const QString& path, const QString& folder) {
    return path.mid(folder.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

QString NameOf(const QString& path) {
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    return name.isEmpty() ? path : name;
}

} // namespace

struct FolderTreeModel::Node {
    quint64 id = 0;
    NodeKind kind = NodeKind::Folder;
    QString key; // what a re-listing matches the node by: a folder's name, a volume's path
    QString display;
    QString path;
    Node* parent = nullptr;
    int row = 0;
    std::vector<std::unique_ptr<Node>> children;
    int fixed = 0; // leading children that no listing brings (home, PC, Trash under the root)
    quint64 device = 0;
    quint64 inode = 0;
    bool isLink = false;
    bool mayHaveChildren = false; // before it is listed: whether to show the arrow
    bool loop = false;
    bool listed = false;
    bool listing = false;
    quint64 generation = 0; // of the newest listing asked for
    int watch = -1;
};

// What the listing threads share with the model: they post results to it while it lives, and
// add inotify watches on its descriptor, which stays open as long as one of them may use it.
struct FolderTreeModel::Mailbox {
    std::mutex mutex;
    FolderTreeModel* model = nullptr;
    int inotifyFd = -1;

    ~Mailbox() {
        if (inotifyFd >= 0) {
            ::close(inotifyFd);
        }
    }

    template <typename Apply> void Post(Apply apply) {
        const std::lock_guard lock(mutex);
        if (model != nullptr) {
            FolderTreeModel* to = model;
            QMetaObject::invokeMethod(
                to, [to, apply = std::move(apply)]() mutable { apply(*to); }, Qt::QueuedConnection);
        }
    }
};

FolderTreeModel::FolderTreeModel(const QString& desktop, const QString& home, QObject* parent)
    : QAbstractItemModel(parent), m_desktop(QDir::cleanPath(desktop)), m_home(QDir::cleanPath(home)),
      m_pool(new QThreadPool), m_mailbox(std::make_shared<Mailbox>()) {
    m_pool->setMaxThreadCount(kListingThreads);
    m_mailbox->model = this;
    m_mailbox->inotifyFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_mailbox->inotifyFd >= 0) {
        m_notifier = new QSocketNotifier(m_mailbox->inotifyFd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &FolderTreeModel::ReadEvents);
    }
    // The mount table tells of every mount and unmount as an exceptional condition.
    m_mountsFd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (m_mountsFd >= 0) {
        m_mountsNotifier = new QSocketNotifier(m_mountsFd, QSocketNotifier::Exception, this);
        connect(m_mountsNotifier, &QSocketNotifier::activated, this, [this] {
            if (m_computer->listed || m_computer->listing) {
                RelistSoon(m_computer->id);
            }
        });
    }
    m_relistTimer.setSingleShot(true);
    m_relistTimer.setInterval(kRelistDelayMs);
    connect(&m_relistTimer, &QTimer::timeout, this, &FolderTreeModel::RelistPending);

    m_root = MakeNode(NodeKind::Desktop, kDesktopName, m_desktop, nullptr);
    std::vector<std::unique_ptr<Node>> top;
    if (m_home != m_desktop) {
        top.push_back(MakeNode(NodeKind::Home, NameOf(m_home), m_home, m_root.get()));
        m_homeNode = top.back().get();
    }
    top.push_back(MakeNode(NodeKind::Computer, kComputerName, QString(), m_root.get()));
    m_computer = top.back().get();
    top.push_back(MakeNode(NodeKind::Trash, kTrashName, QString(), m_root.get()));
    top.back()->mayHaveChildren = false;
    m_root->fixed = static_cast<int>(top.size());
    for (auto& node : top) {
        node->row = static_cast<int>(m_root->children.size());
        m_root->children.push_back(std::move(node));
    }
}

FolderTreeModel::~FolderTreeModel() {
    {
        const std::lock_guard lock(m_mailbox->mutex);
        m_mailbox->model = nullptr;
    }
    delete m_notifier;
    delete m_mountsNotifier;
    if (m_mountsFd >= 0) {
        ::close(m_mountsFd);
    }
    m_pool->clear();
    // A listing stuck on a network folder that stopped answering would hold the program's end
    // for good: its pool is left to it.
    if (m_pool->waitForDone(kLetGoMs)) {
        delete m_pool;
    }
}

std::unique_ptr<FolderTreeModel::Node> FolderTreeModel::MakeNode(NodeKind kind, const QString& display,
                                                                 const QString& path, Node* parent) {
    auto node = std::make_unique<Node>();
    node->id = m_nextId++;
    node->kind = kind;
    node->key = display;
    node->display = display;
    node->path = path;
    node->parent = parent;
    node->mayHaveChildren = true;
    m_nodes.emplace(node->id, node.get());
    return node;
}

FolderTreeModel::Node* FolderTreeModel::NodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : nullptr;
}

QModelIndex FolderTreeModel::IndexOf(const Node* node) const {
    return node ? createIndex(node->row, 0, const_cast<Node*>(node)) : QModelIndex();
}

FolderTreeModel::Node* FolderTreeModel::NodeById(quint64 id) const {
    const auto it = m_nodes.find(id);
    return it == m_nodes.end() ? nullptr : it->second;
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) {
        return QModelIndex();
    }
    if (!parent.isValid()) {
        return row == 0 ? IndexOf(m_root.get()) : QModelIndex();
    }
    const Node* node = NodeOf(parent);
    if (row >= static_cast<int>(node->children.size())) {
        return QModelIndex();
    }
    return createIndex(row, 0, node->children[static_cast<std::size_t>(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
    const Node* node = NodeOf(child);
    return node ? IndexOf(node->parent) : QModelIndex();
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) {
        return 1;
    }
    if (parent.column() != 0) {
        return 0;
    }
    return static_cast<int>(NodeOf(parent)->children.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
    const Node* node = NodeOf(index);
    if (!node) {
        return QVariant();
    }
    switch (role) {
    case Qt::DisplayRole:
        return node->display;
    case Qt::ToolTipRole:
        return node->path.isEmpty() ? QVariant() : QVariant(node->path);
    case Qt::DecorationRole: {
        const QIcon& icon = m_icons[static_cast<std::size_t>(node->kind)];
        return icon.isNull() ? QVariant() : QVariant(icon);
    }
    default:
        return QVariant();
    }
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const {
    const Node* node = NodeOf(parent);
    if (!node) {
        return true;
    }
    if (!node->children.empty()) {
        return true;
    }
    return !node->listed && !node->loop && node->mayHaveChildren && Listable(node);
}

bool FolderTreeModel::Listable(const Node* node) const {
    return node->kind == NodeKind::Computer || (!node->path.isEmpty() && !node->loop);
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const {
    const Node* node = NodeOf(parent);
    return node && Listable(node) && !node->listed && !node->listing;
}

void FolderTreeModel::fetchMore(const QModelIndex& parent) {
    if (canFetchMore(parent)) {
        Request(NodeOf(parent));
    }
}

QString FolderTreeModel::PathOf(const QModelIndex& index) const {
    const Node* node = NodeOf(index);
    if (!node) {
        return QString();
    }
    return node->path.isEmpty() ? node->display : node->path;
}

FolderTreeModel::NodeKind FolderTreeModel::KindOf(const QModelIndex& index) const {
    const Node* node = NodeOf(index);
    return node ? node->kind : NodeKind::Folder;
}

bool FolderTreeModel::HasFolderPath(const QModelIndex& index) const {
    const Node* node = NodeOf(index);
    return node && !node->path.isEmpty();
}

bool FolderTreeModel::IsListed(const QModelIndex& index) const {
    const Node* node = NodeOf(index);
    return node && (node->listed || !Listable(node));
}

QModelIndex FolderTreeModel::IndexOfRoot() const {
    return IndexOf(m_root.get());
}

QModelIndex FolderTreeModel::IndexOfHome() const {
    return IndexOf(m_homeNode);
}

QModelIndex FolderTreeModel::IndexOfComputer() const {
    return IndexOf(m_computer);
}

QModelIndex FolderTreeModel::WalkStart(const QString& path, QStringList* remaining) const {
    remaining->clear();
    if (IsSameOrInside(path, m_desktop)) {
        *remaining = PartsBelow(path, m_desktop);
        return IndexOfRoot();
    }
    const QModelIndex home = IndexOfHome();
    if (home.isValid() && IsSameOrInside(path, m_home)) {
        *remaining = PartsBelow(path, m_home);
        return home;
    }
    return IndexOfComputer();
}

QModelIndex FolderTreeModel::VolumeOf(const QString& path, QStringList* remaining) const {
    const QModelIndex computer = IndexOfComputer();
    QModelIndex found;
    qsizetype longest = -1;
    for (int row = 0; row < rowCount(computer); ++row) {
        const QModelIndex volume = index(row, 0, computer);
        const QString mount = PathOf(volume);
        if (IsSameOrInside(path, mount) && mount.size() > longest) {
            longest = mount.size();
            found = volume;
        }
    }
    remaining->clear();
    if (found.isValid()) {
        *remaining = PartsBelow(path, PathOf(found));
    }
    return found;
}

QModelIndex FolderTreeModel::FindChild(const QModelIndex& parent, const QString& path) const {
    const Node* node = NodeOf(parent);
    if (!node) {
        return QModelIndex();
    }
    const QString wanted = QDir::cleanPath(path);
    for (const auto& child : node->children) {
        if (!child->path.isEmpty() && child->path == wanted) {
            return IndexOf(child.get());
        }
    }
    return QModelIndex();
}

void FolderTreeModel::SetIcons(const std::array<QIcon, 6>& icons) {
    m_icons = icons;
}

void FolderTreeModel::ForEachListed(Node* node, const std::function<void(Node*)>& visit) {
    if (node->listed || node->listing) {
        visit(node);
    }
    for (const auto& child : node->children) {
        ForEachListed(child.get(), visit);
    }
}

void FolderTreeModel::Refresh() {
    ForEachListed(m_root.get(), [this](Node* node) { Request(node); });
}

void FolderTreeModel::Relist(const QString& path) {
    const QString wanted = QDir::cleanPath(path);
    ForEachListed(m_root.get(), [this, &wanted](Node* node) {
        if (node->path == wanted) {
            Request(node);
        }
    });
}

void FolderTreeModel::Request(Node* node) {
    if (!Listable(node)) {
        return;
    }
    node->listing = true;
    node->generation = m_nextGeneration++;
    const quint64 id = node->id;
    const quint64 generation = node->generation;
    std::shared_ptr<Mailbox> mailbox = m_mailbox;
    if (node->kind == NodeKind::Computer) {
        m_pool->start([mailbox, id, generation] {
            std::vector<MountedVolume> volumes = ListVolumes();
            mailbox->Post([id, generation, volumes = std::move(volumes)](FolderTreeModel& model) {
                model.ApplyVolumes(id, generation, volumes);
            });
        });
        return;
    }
    m_pool->start([mailbox, id, generation, path = node->path] {
        // The watch comes first: a change made while the folder is read is still told.
        const int watch =
            ::inotify_add_watch(mailbox->inotifyFd, NativePath(path).constData(), kWatchedEvents);
        FolderListing listing = ListSubfolders(path);
        mailbox->Post([id, generation, watch, listing = std::move(listing)](FolderTreeModel& model) mutable {
            model.ApplyFolder(id, generation, watch, std::move(listing));
        });
    });
}

void FolderTreeModel::ApplyFolder(quint64 id, quint64 generation, int watch, FolderListing listing) {
    Node* node = NodeById(id);
    if (!node) {
        // Nobody else has the watch: it goes with the node it was made for.
        if (watch >= 0 && m_watchers.count(watch) == 0) {
            ::inotify_rm_watch(m_mailbox->inotifyFd, watch);
        }
        return;
    }
    if (watch >= 0 && watch != node->watch) {
        if (node->watch >= 0) {
            const auto it = m_watchers.find(node->watch);
            if (it != m_watchers.end() && it->second.erase(id) != 0 && it->second.empty()) {
                ::inotify_rm_watch(m_mailbox->inotifyFd, node->watch);
                m_watchers.erase(it);
            }
        }
        node->watch = watch;
        m_watchers[watch].insert(id);
    }
    if (node->generation != generation) {
        return;
    }
    node->listing = false;
    node->listed = true;
    if (listing.ok) {
        node->device = listing.device;
        node->inode = listing.inode;
    }
    std::vector<Row> rows;
    rows.reserve(listing.subfolders.size());
    for (SubfolderEntry& entry : listing.subfolders) {
        Row row;
        row.path = ChildPath(node->path, entry.name);
        row.display = entry.name;
        row.name = std::move(entry.name);
        row.device = entry.device;
        row.inode = entry.inode;
        row.mayHaveChildren = entry.hasSubfolders;
        row.isLink = entry.isLink;
        rows.push_back(std::move(row));
    }
    Merge(node, std::move(rows));
    emit listed(IndexOf(node));
}

void FolderTreeModel::ApplyVolumes(quint64 id, quint64 generation,
                                   const std::vector<MountedVolume>& volumes) {
    Node* node = NodeById(id);
    if (!node || node->generation != generation) {
        return;
    }
    node->listing = false;
    node->listed = true;
    std::vector<Row> rows;
    rows.reserve(volumes.size());
    for (const MountedVolume& volume : volumes) {
        Row row;
        row.name = volume.mountPath;
        row.display = volume.display;
        row.path = volume.mountPath;
        row.kind = NodeKind::Volume;
        row.mayHaveChildren = true;
        rows.push_back(std::move(row));
    }
    Merge(node, std::move(rows));
    emit listed(IndexOf(node));
}

bool FolderTreeModel::LoopsBack(const Node* parent, quint64 device, quint64 inode) const {
    // The chain of real folders up to the nearest top node: the root, the home or a volume stand
    // where the tree puts them, not where they are in the file system.
    for (const Node* node = parent; node; node = node->parent) {
        if (node->inode != 0 && node->device == device && node->inode == inode) {
            return true;
        }
        if (node->kind != NodeKind::Folder) {
            break;
        }
    }
    return false;
}

void FolderTreeModel::Merge(Node* parent, std::vector<Row> rows) {
    const int fixed = parent->fixed;
    auto& children = parent->children;
    // A first listing has nothing to match.
    std::unordered_map<QString, std::size_t> place;
    if (children.size() > static_cast<std::size_t>(fixed)) {
        place.reserve(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            place.emplace(rows[i].name, i);
        }
    }
    // The gone rows go, each run at once, from the end so the rows before keep their numbers.
    for (int i = static_cast<int>(children.size()) - 1; i >= fixed;) {
        if (place.count(children[static_cast<std::size_t>(i)]->key) != 0) {
            --i;
            continue;
        }
        const int last = i;
        while (i >= fixed && place.count(children[static_cast<std::size_t>(i)]->key) == 0) {
            --i;
        }
        RemoveRows(parent, i + 1, last);
    }
    // The rows kept stand in the listing's order, unless the order itself changed (another
    // locale): then they all go and come back.
    std::size_t previous = 0;
    for (std::size_t i = static_cast<std::size_t>(fixed); i < children.size(); ++i) {
        const std::size_t at = place.at(children[i]->key);
        if (i > static_cast<std::size_t>(fixed) && at <= previous) {
            RemoveRows(parent, fixed, static_cast<int>(children.size()) - 1);
            break;
        }
        previous = at;
    }
    // The new rows come in, each run between two kept rows at once.
    std::size_t row = static_cast<std::size_t>(fixed);
    for (std::size_t r = 0; r < rows.size();) {
        if (row < children.size() && children[row]->key == rows[r].name) {
            Node* node = children[row].get();
            const Row& now = rows[r];
            const bool moved = node->device != now.device || node->inode != now.inode;
            node->device = now.device;
            node->inode = now.inode;
            node->isLink = now.isLink;
            node->mayHaveChildren = now.mayHaveChildren;
            if (moved && node->kind == NodeKind::Folder) {
                // Another folder under the same name: what was listed of the old one is not
                // its.
                node->loop = LoopsBack(parent, now.device, now.inode);
                if (node->loop) {
                    DropChildren(node);
                    node->listed = false;
                } else if (node->listed) {
                    Request(node);
                }
            }
            ++row;
            ++r;
            continue;
        }
        std::vector<std::unique_ptr<Node>> run;
        while (r < rows.size() && !(row < children.size() && children[row]->key == rows[r].name)) {
            Row& now = rows[r];
            auto node = MakeNode(now.kind, now.display, now.path, parent);
            node->key = std::move(now.name);
            node->device = now.device;
            node->inode = now.inode;
            node->isLink = now.isLink;
            node->loop = now.kind == NodeKind::Folder && LoopsBack(parent, now.device, now.inode);
            node->mayHaveChildren = now.mayHaveChildren && !node->loop;
            run.push_back(std::move(node));
            ++r;
        }
        const std::size_t count = run.size();
        InsertRows(parent, static_cast<int>(row), std::move(run));
        row += count;
    }
}

void FolderTreeModel::InsertRows(Node* parent, int at, std::vector<std::unique_ptr<Node>> nodes) {
    if (nodes.empty()) {
        return;
    }
    beginInsertRows(IndexOf(parent), at, at + static_cast<int>(nodes.size()) - 1);
    parent->children.insert(parent->children.begin() + at, std::make_move_iterator(nodes.begin()),
                            std::make_move_iterator(nodes.end()));
    Renumber(parent, at);
    endInsertRows();
}

void FolderTreeModel::RemoveRows(Node* parent, int first, int last) {
    if (first > last) {
        return;
    }
    beginRemoveRows(IndexOf(parent), first, last);
    auto& children = parent->children;
    for (int i = first; i <= last; ++i) {
        Forget(children[static_cast<std::size_t>(i)].get());
    }
    children.erase(children.begin() + first, children.begin() + last + 1);
    Renumber(parent, first);
    endRemoveRows();
}

void FolderTreeModel::DropChildren(Node* node) {
    RemoveRows(node, node->fixed, static_cast<int>(node->children.size()) - 1);
}

// The node and all below it leave the id table, and their watches go with them.
void FolderTreeModel::Forget(Node* node) {
    for (const auto& child : node->children) {
        Forget(child.get());
    }
    if (node->watch >= 0) {
        const auto it = m_watchers.find(node->watch);
        if (it != m_watchers.end() && it->second.erase(node->id) != 0 && it->second.empty()) {
            ::inotify_rm_watch(m_mailbox->inotifyFd, node->watch);
            m_watchers.erase(it);
        }
    }
    m_pendingRelists.erase(node->id);
    m_nodes.erase(node->id);
}

void FolderTreeModel::Renumber(Node* parent, int from) {
    auto& children = parent->children;
    for (std::size_t i = static_cast<std::size_t>(from); i < children.size(); ++i) {
        children[i]->row = static_cast<int>(i);
    }
}

void FolderTreeModel::ReadEvents() {
    ReadInotifyEvents(m_mailbox->inotifyFd, [this](const InotifyEvent& event) {
        if ((event.mask & IN_Q_OVERFLOW) != 0) {
            // Events were lost: every folder is looked at again.
            ForEachListed(m_root.get(), [this](Node* node) { RelistSoon(node->id); });
            return;
        }
        const auto it = m_watchers.find(event.watch);
        if (it == m_watchers.end()) {
            return;
        }
        if ((event.mask & IN_IGNORED) != 0) {
            // The kernel dropped the watch (its folder is gone); the number may come back for
            // another folder.
            for (const quint64 id : it->second) {
                if (Node* node = NodeById(id)) {
                    node->watch = -1;
                }
            }
            m_watchers.erase(it);
            return;
        }
        const bool self = (event.mask & kSelfEvents) != 0;
        const bool folder = (event.mask & kChildEvents) != 0 && (event.mask & IN_ISDIR) != 0;
        // A link to a folder going is told as a file; one coming is not seen until the folder
        // is listed again.
        const bool goneFile = (event.mask & (IN_DELETE | IN_MOVED_FROM)) != 0 && (event.mask & IN_ISDIR) == 0;
        const QString gone = goneFile ? PathFromNative(event.name) : QString();
        for (const quint64 id : it->second) {
            const Node* node = NodeById(id);
            if (!node) {
                continue;
            }
            if (self) {
                // The folder itself went: the folder above lists it no more.
                const Node* above = node->parent && Listable(node->parent) ? node->parent : node;
                RelistSoon(above->id);
            } else if (folder) {
                RelistSoon(id);
            } else if (!gone.isEmpty()) {
                for (const auto& child : node->children) {
                    if (child->isLink && child->key == gone) {
                        RelistSoon(id);
                        break;
                    }
                }
            }
        }
    });
}

void FolderTreeModel::RelistSoon(quint64 id) {
    m_pendingRelists.insert(id);
    if (!m_relistTimer.isActive()) {
        m_relistTimer.start();
    }
}

void FolderTreeModel::RelistPending() {
    const std::set<quint64> pending = std::move(m_pendingRelists);
    m_pendingRelists.clear();
    for (const quint64 id : pending) {
        Node* node = NodeById(id);
        if (node && (node->listed || node->listing)) {
            Request(node);
        }
    }
}
