#pragma once

#include "core/common/NativePath.h"
#include "core/display/ViewRender.h"
#include "core/imaging/ImageLoader.h"
#include "core/imaging/PixelBufferPool.h"

#include <QFuture>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <memory>

class QEventLoop;

// A file turned into a picture: what the loader made of it and the bitmap made from that for
// one view.
struct PreparedPicture {
    QString path;
    PathFacts stamp; // the file as it was when it was read
    LoadedImage loaded;
    ViewParams madeFor;
    RenderedView view;

    // Memory the picture holds, counting shared pixels once.
    qint64 bytes() const;
};

// The one owner of decoding, caching and prefetching: files, the frames of an open animation and
// the redraws of the shown picture all go through it. After a picture is shown, the controller
// names the neighbours it will want next; the loader decodes them on its worker threads and
// makes their shown bitmaps for the current view, so that showing one of them is only a swap.
// It keeps the shown picture and the wanted neighbours within a memory budget and forgets the
// rest. A result made for older load options is dropped; one made for another view keeps its
// decoded picture and has its bitmap made again. Lives on the GUI thread; the workers only
// compute and hand back values.
//
// Take waits in a local event loop, so whatever the event loop delivers runs meanwhile: input,
// timers, other results. The rules for what runs then:
// - A Take asked while another one waits does not wait in a second loop: it reads its file
//   right there and returns; the waiting Take still returns its own picture.
// - Prefetch, SetView, SetLoadOptions and Invalidate may run meanwhile. They never cancel the
//   work the waiting Take needs, and the picture it returns is made for the view of the moment
//   it returns.
// - The loader outlives every Take: ending the program ends every event loop, and a Take then
//   waits for its worker before it returns.
// - The callers keep their own guards against showing two pictures at once (ShowBusy) and
//   check, after Take, whether the list or the position moved on meanwhile.
class PictureLoader : public QObject {
    Q_OBJECT

public:
    explicit PictureLoader(QObject* parent = nullptr);
    ~PictureLoader() override;

    PictureLoader(const PictureLoader&) = delete;
    PictureLoader& operator=(const PictureLoader&) = delete;

    // Bytes the kept pictures may hold besides the shown one; 0 keeps only the shown one and
    // prefetches nothing.
    void SetBudget(qint64 bytes);
    // Other options make every kept picture stale.
    void SetLoadOptions(const LoadOptions& options);
    const LoadOptions& loadOptions() const { return m_options; }
    // Kept pictures keep their decoded picture; their bitmaps are made again for the new view.
    void SetView(const ViewParams& view);
    const ViewParams& view() const { return m_view; }
    // Forgets every kept picture; results of work started before are dropped.
    void Invalidate();

    // The picture of `path` for the current options and view. A kept picture of the same file
    // unchanged on disk is returned at once; otherwise a worker reads it while this waits in a
    // local event loop, so the window stays alive and input keeps arriving meanwhile.
    PreparedPicture Take(const QString& path);

    // Frame `frame` of the open animation `gif` of `path`, made for the current view; the file is
    // not read again.
    PreparedPicture Frame(const QString& path, const GifHandle& gif, int frame);
    // `source` drawn again for the current view, at `rate` (0: the rate of the zoom mode).
    RenderedView Redraw(const QImage& source, double rate) const;

    // `shown` is on screen; `wanted` are the files likely to be shown next, most likely first.
    // They are read in the background as far as the budget allows; everything else is dropped.
    void Prefetch(const QString& shown, const QStringList& wanted);

    // True when `path` is kept, made for the current view.
    bool IsReady(const QString& path) const;
    // Files read so far, by Take or by prefetching.
    int decodeCount() const { return m_decodeCount.load(); }
    qint64 keptBytes() const;

signals:
    // A prefetched picture is ready to show.
    void pictureReady(const QString& path);

private:
    struct Job;
    struct Entry {
        std::shared_ptr<const PreparedPicture> picture; // null while it is being read
        std::shared_ptr<Job> job;                       // the work in flight for it
    };

    std::shared_ptr<Job> Start(const QString& path, std::shared_ptr<const PreparedPicture> reuse,
                               int priority);
    void Finished(const std::shared_ptr<Job>& job);
    void CancelQueued(const QString& except);
    void Drop(const QString& path);
    void KeepWithinBudget();
    bool Current(const PreparedPicture& picture, const PathFacts& now) const;

    QThreadPool m_threads;
    PixelBufferPool m_pixelPool; // decoded pictures reuse buffers no picture holds any more
    LoadOptions m_options;
    ViewParams m_view;
    qint64 m_budget = 0;
    quint64 m_generation = 1;
    QHash<QString, Entry> m_entries;
    QString m_shown;
    QStringList m_wanted; // the last wish list, most likely first
    std::atomic<int> m_decodeCount{0};

    std::shared_ptr<Job> m_waitingFor; // the job Take waits for
    QEventLoop* m_waitLoop = nullptr;
};
