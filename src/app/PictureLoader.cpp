#include "app/PictureLoader.h"

#include <QEventLoop>
#include <QtConcurrent/qtconcurrenttask.h>
#include <algorithm>

namespace {

// Work the user waits for runs before any prefetching that is still queued.
constexpr int kWaitedForPriority = 10;
constexpr int kPrefetchPriority = 0;

qint64 ImageBytes(const QImage& image) {
    return image.isNull() ? 0 : static_cast<qint64>(image.sizeInBytes());
}

} // namespace

qint64 PreparedPicture::bytes() const {
    qint64 total = ImageBytes(loaded.image);
    if (view.bitmap.cacheKey() != loaded.image.cacheKey()) {
        total += ImageBytes(view.bitmap);
    }
    if (loaded.gif) {
        for (int i = 0; i < loaded.gif->frameCount(); ++i) {
            total += ImageBytes(loaded.gif->frame(i).image);
        }
    }
    return total;
}

// One piece of work for a worker: read a file and make its bitmap, or only make the bitmap of
// a picture read before. The worker writes `result` before the job's future finishes; the GUI
// thread reads it after that.
struct PictureLoader::Job {
    enum State : int { Queued, Running, Cancelled };

    QString path;
    quint64 generation = 0;
    LoadOptions options;
    ViewParams view;
    std::shared_ptr<const PreparedPicture> reuse;
    std::atomic<int> state{Queued};
    QFuture<void> future;
    std::shared_ptr<const PreparedPicture> result;
    bool done = false; // Finished ran; GUI thread only

    // Only a job that has not started can be cancelled.
    bool Cancel() {
        int expected = Queued;
        return state.compare_exchange_strong(expected, Cancelled);
    }
};

PictureLoader::PictureLoader(QObject* parent) : QObject(parent) {
    // One thread reads what the user waits for while the other may still be prefetching.
    m_threads.setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
}

PictureLoader::~PictureLoader() {
    for (Entry& entry : m_entries) {
        if (entry.job) {
            entry.job->Cancel();
        }
    }
    m_threads.waitForDone();
}

void PictureLoader::SetBudget(qint64 bytes) {
    m_budget = std::max<qint64>(0, bytes);
    KeepWithinBudget();
}

void PictureLoader::SetLoadOptions(const LoadOptions& options) {
    const bool same = options == m_options;
    m_options = options;
    if (!same) {
        Invalidate();
    }
}

void PictureLoader::SetView(const ViewParams& view) {
    m_view = view;
}

void PictureLoader::Invalidate() {
    ++m_generation;
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->job && it->job != m_waitingFor) {
            it->job->Cancel();
        }
    }
    m_entries.clear();
}

bool PictureLoader::Current(const PreparedPicture& picture, const PathFacts& now) const {
    const PathFacts& then = picture.stamp;
    return then.exists == now.exists && then.size == now.size &&
           then.modifiedNanoseconds == now.modifiedNanoseconds &&
           then.changedNanoseconds == now.changedNanoseconds && then.inode == now.inode;
}

std::shared_ptr<PictureLoader::Job>
PictureLoader::Start(const QString& path, std::shared_ptr<const PreparedPicture> reuse, int priority) {
    auto job = std::make_shared<Job>();
    job->path = path;
    job->generation = m_generation;
    job->options = m_options;
    job->view = m_view;
    job->reuse = std::move(reuse);
    PixelBufferPool* pool = &m_pixelPool;
    std::atomic<int>* decodes = &m_decodeCount;
    job->future = QtConcurrent::task([this, job, pool, decodes] {
                      int expected = Job::Queued;
                      if (!job->state.compare_exchange_strong(expected, Job::Running)) {
                          return;
                      }
                      auto picture = std::make_shared<PreparedPicture>();
                      if (job->reuse) {
                          *picture = *job->reuse;
                      } else {
                          picture->path = job->path;
                          picture->stamp = StatPath(job->path);
                          picture->loaded = LoadImageFile(job->path, job->options, {}, 0, pool);
                          ++*decodes;
                      }
                      picture->madeFor = job->view;
                      picture->view = RenderView(picture->loaded.image, job->view);
                      job->result = std::move(picture);
                      // Delivered on the GUI thread; dropped with this object if it is gone.
                      QMetaObject::invokeMethod(
                          this, [this, job] { Finished(job); }, Qt::QueuedConnection);
                  })
                      .onThreadPool(m_threads)
                      .withPriority(priority)
                      .spawn();
    return job;
}

void PictureLoader::Finished(const std::shared_ptr<Job>& job) {
    job->done = true;
    if (job == m_waitingFor && m_waitLoop != nullptr) {
        m_waitLoop->quit();
    }
    const auto it = m_entries.find(job->path);
    if (it == m_entries.end() || it->job != job) {
        return;
    }
    it->job.reset();
    if (job->generation != m_generation || !job->result) {
        m_entries.erase(it);
        return;
    }
    it->picture = job->result;
    KeepWithinBudget();
    if (IsReady(job->path) && job->path != m_shown) {
        emit pictureReady(job->path);
    }
}

void PictureLoader::CancelQueued(const QString& except) {
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it.key() != except && it->job && it->job->Cancel()) {
            it->job.reset();
            if (!it->picture) {
                it = m_entries.erase(it);
                continue;
            }
        }
        ++it;
    }
}

void PictureLoader::Drop(const QString& path) {
    const auto it = m_entries.find(path);
    if (it == m_entries.end()) {
        return;
    }
    if (it->job && it->job != m_waitingFor) {
        it->job->Cancel();
    }
    m_entries.erase(it);
}

void PictureLoader::KeepWithinBudget() {
    qint64 kept = 0;
    for (const QString& path : m_wanted) {
        const auto it = m_entries.find(path);
        if (it == m_entries.end() || !it->picture) {
            continue;
        }
        kept += it->picture->bytes();
        if (kept > m_budget) {
            Drop(path);
        }
    }
}

PreparedPicture PictureLoader::Take(const QString& path) {
    const PathFacts now = StatPath(path);
    auto it = m_entries.find(path);
    if (it != m_entries.end() && it->picture) {
        if (!Current(*it->picture, now)) {
            Drop(path);
        } else {
            if (!(it->picture->madeFor == m_view)) {
                if (it->job) {
                    it->job->Cancel();
                    it->job.reset();
                }
                auto remade = std::make_shared<PreparedPicture>(*it->picture);
                remade->madeFor = m_view;
                remade->view = RenderView(remade->loaded.image, m_view);
                it->picture = remade;
            }
            return *it->picture;
        }
    }

    if (m_waitLoop != nullptr) {
        // Asked again while waiting: read it here rather than nest the waits.
        PreparedPicture picture;
        picture.path = path;
        picture.stamp = now;
        picture.loaded = LoadImageFile(path, m_options, {}, 0, &m_pixelPool);
        ++m_decodeCount;
        picture.madeFor = m_view;
        picture.view = RenderView(picture.loaded.image, m_view);
        return picture;
    }

    // The file the user waits for goes before everything that was only prefetched.
    CancelQueued(path);
    it = m_entries.find(path);
    std::shared_ptr<Job> job;
    if (it != m_entries.end() && it->job && !it->job->reuse && it->job->state.load() != Job::Cancelled) {
        job = it->job;
    } else {
        job = Start(path, nullptr, kWaitedForPriority);
        m_entries[path].job = job;
    }

    QEventLoop loop;
    m_waitingFor = job;
    m_waitLoop = &loop;
    if (!job->done) {
        loop.exec();
    }
    m_waitLoop = nullptr;
    m_waitingFor.reset();
    // The loop also ends when the program quits; the worker is then waited for here.
    job->future.waitForFinished();
    PreparedPicture picture = job->result ? *job->result : PreparedPicture{};
    if (!job->result || !Current(picture, StatPath(path))) {
        // Changed while it was being read: the newest contents are what the user wants.
        picture.path = path;
        picture.stamp = StatPath(path);
        picture.loaded = LoadImageFile(path, m_options, {}, 0, &m_pixelPool);
        ++m_decodeCount;
        picture.madeFor = m_view;
        picture.view = RenderView(picture.loaded.image, m_view);
    } else if (!(picture.madeFor == m_view)) {
        picture.madeFor = m_view;
        picture.view = RenderView(picture.loaded.image, m_view);
    }
    return picture;
}

PreparedPicture PictureLoader::Frame(const QString& path, const GifHandle& gif, int frame) {
    PreparedPicture picture;
    picture.path = path;
    picture.loaded = LoadImageFile(path, m_options, gif, frame);
    picture.madeFor = m_view;
    picture.view = RenderView(picture.loaded.image, m_view);
    return picture;
}

RenderedView PictureLoader::Redraw(const QImage& source, double rate) const {
    return RenderView(source, m_view, rate);
}

void PictureLoader::Prefetch(const QString& shown, const QStringList& wanted) {
    m_shown = shown;
    m_wanted.clear();
    for (const QString& path : wanted) {
        if (!path.isEmpty() && path != shown && !m_wanted.contains(path)) {
            m_wanted.append(path);
        }
    }
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it.key() == shown || m_wanted.contains(it.key())) {
            ++it;
            continue;
        }
        if (it->job && it->job != m_waitingFor) {
            it->job->Cancel();
        }
        it = m_entries.erase(it);
    }

    // Neighbours in a folder tend to be alike: the shown picture stands in for the size of
    // those not read yet.
    const auto shownEntry = m_entries.constFind(shown);
    const qint64 estimate =
        shownEntry != m_entries.cend() && shownEntry->picture ? shownEntry->picture->bytes() : 0;
    qint64 planned = 0;
    for (const QString& path : std::as_const(m_wanted)) {
        auto it = m_entries.find(path);
        if (it != m_entries.end() && it->picture) {
            planned += it->picture->bytes();
        } else {
            planned += estimate;
        }
        if (m_budget <= 0 || planned > m_budget) {
            Drop(path);
            continue;
        }
        if (it == m_entries.end()) {
            m_entries[path].job = Start(path, nullptr, kPrefetchPriority);
        } else if (it->picture && !it->job && !(it->picture->madeFor == m_view)) {
            it->job = Start(path, it->picture, kPrefetchPriority);
        }
    }
}

bool PictureLoader::IsReady(const QString& path) const {
    const auto it = m_entries.constFind(path);
    return it != m_entries.cend() && it->picture && it->picture->madeFor == m_view;
}

qint64 PictureLoader::keptBytes() const {
    qint64 total = 0;
    for (const Entry& entry : m_entries) {
        if (entry.picture) {
            total += entry.picture->bytes();
        }
    }
    return total;
}
