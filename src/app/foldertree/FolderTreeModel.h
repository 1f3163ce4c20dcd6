#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QString>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

class QSocketNotifier;
class QThreadPool;
struct FolderListing;
struct MountedVolume;

// The folders of the folder tree, one column. The root is the desktop folder; under it the home
// folder (unless the desktop is the home), "PC" with the mounted volumes, the Trash (a place to
// drop files on, with nothing under it) and then the desktop's own subfolders; under each folder
// its subfolders.
//
// A folder is listed when the view first asks for its rows (fetchMore), on a thread pool of the
// model's own, so a network folder that stopped answering holds up neither the window nor the
// picture loader. Each result comes back to the GUI thread with the node's id and the
// generation it was asked for, and is dropped when the node is gone or a newer listing was asked
// for. A re-listing is merged: the rows still there keep their nodes (and so their own rows and
// whether the view has them expanded), gone rows go and new ones come in, each contiguous run in
// one step. A folder whose device and inode equal those of a folder above it (a link back up the
// tree) is shown but never listed. Every listed folder is watched with inotify: a subfolder
// made, removed or renamed there by any program lists the folder again shortly after; files
// coming and going are ignored. Lives on the GUI thread.
class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT

public:
    enum class NodeKind { Desktop, Home, Computer, Volume, Trash, Folder };

    // `desktop` is the root; `home` gets a node of its own unless it is the desktop.
    FolderTreeModel(const QString& desktop, const QString& home, QObject* parent = nullptr);
    ~FolderTreeModel() override;
    FolderTreeModel(const FolderTreeModel&) = delete;
    FolderTreeModel& operator=(const FolderTreeModel&) = delete;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // The folder of a node; for "PC" and the Trash their display text. Empty for no node.
    QString PathOf(const QModelIndex& index) const;
    NodeKind KindOf(const QModelIndex& index) const;
    // A node with a real folder behind it: not "PC", not the Trash.
    bool HasFolderPath(const QModelIndex& index) const;
    // Whether the node's subfolders were listed (or it has none to list: "PC" once its volumes
    // are in, the Trash, a loop).
    bool IsListed(const QModelIndex& index) const;
    QModelIndex IndexOfRoot() const;
    QModelIndex IndexOfHome() const; // invalid when the desktop is the home
    QModelIndex IndexOfComputer() const;
    // The child of `parent` whose folder is `path`, or an invalid index.
    QModelIndex FindChild(const QModelIndex& parent, const QString& path) const;
    // Where a walk down to the folder `path` starts: the root for the desktop folder and the
    // folders below it, the home node for the home and the folders below it, else "PC" (whose
    // volume is picked once PC is listed). `remaining` gets the names below the start, empty
    // for PC.
    QModelIndex WalkStart(const QString& path, QStringList* remaining) const;
    // Among the listed volumes under PC, the one whose mount path is the longest start of
    // `path`; `remaining` gets the names below it. Invalid when none is.
    QModelIndex VolumeOf(const QString& path, QStringList* remaining) const;
    const QString& desktop() const { return m_desktop; }
    const QString& home() const { return m_home; }

    // Lists every listed folder again (and "PC") and merges the results.
    void Refresh();
    // Lists again every listed node whose folder is `path`.
    void Relist(const QString& path);
    // The icons of the kinds of node, in the order of NodeKind.
    void SetIcons(const std::array<QIcon, 6>& icons);

signals:
    // The rows of `parent` were listed (or listed again) and are in the model.
    void listed(const QModelIndex& parent);

private:
    struct Node;
    struct Mailbox;

    Node* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(const Node* node) const;
    Node* NodeById(quint64 id) const;
    std::unique_ptr<Node> MakeNode(NodeKind kind, const QString& display, const QString& path, Node* parent);
    bool Listable(const Node* node) const;
    void Request(Node* node);
    void ApplyFolder(quint64 id, quint64 generation, int watch, FolderListing listing);
    void ApplyVolumes(quint64 id, quint64 generation, const std::vector<MountedVolume>& volumes);
    // What a merge sees of one row to be.
    struct Row {
        QString name; // the key rows are matched by: a folder's name, a volume's mount path
        QString display;
        QString path;
        NodeKind kind = NodeKind::Folder;
        quint64 device = 0;
        quint64 inode = 0;
        bool isLink = false;
        bool mayHaveChildren = false;
    };
    void Merge(Node* parent, std::vector<Row> rows);
    void InsertRows(Node* parent, int at, std::vector<std::unique_ptr<Node>> nodes);
    void RemoveRows(Node* parent, int first, int last);
    void Forget(Node* node);
    void DropChildren(Node* node);
    bool LoopsBack(const Node* parent, quint64 device, quint64 inode) const;
    static void Renumber(Node* parent, int from);
    void ReadEvents();
    void RelistSoon(quint64 id);
    void RelistPending();
    void ForEachListed(Node* node, const std::function<void(Node*)>& visit);

    QString m_desktop;
    QString m_home;
    std::unique_ptr<Node> m_root;
    std::unordered_map<quint64, Node*> m_nodes;
    quint64 m_nextId = 1;
    quint64 m_nextGeneration = 1;
    Node* m_computer = nullptr;
    Node* m_homeNode = nullptr;
    // Work for the listings; left behind, not waited for, when one is stuck at the end.
    QThreadPool* m_pool;
    std::shared_ptr<Mailbox> m_mailbox;
    QSocketNotifier* m_notifier = nullptr;
    std::unordered_map<int, std::set<quint64>> m_watchers; // inotify watch -> the nodes it serves
    int m_mountsFd = -1;
    QSocketNotifier* m_mountsNotifier = nullptr;
    std::set<quint64> m_pendingRelists;
    QTimer m_relistTimer;
    std::array<QIcon, 6> m_icons;
};
