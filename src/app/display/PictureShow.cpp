#include "app/display/PictureShow.h"

#include "app/FlagScope.h"
#include "app/ViewerController.h"
#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/common/TextEncoding.h"
#include "core/filelist/HeaderProbe.h"
#include "core/imaging/ImageLoader.h"

#include <QTimer>
#include <chrono>
#include <unistd.h>

namespace {

// Side texts larger than this are not shown in the comment pane.
constexpr qint64 kSideTextLimit = 32001;

// Inputs waiting for the picture look again this often while the window is held.
constexpr std::chrono::milliseconds kHeldInputRetry{50};

// The share of the machine's memory that pictures read ahead may hold.
qint64 PrefetchBudget(int percent) {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) {
        return 0;
    }
    return static_cast<qint64>(pages) * pageSize / 100 * std::clamp(percent, 0, 50);
}

} // namespace

PictureShow::PictureShow(ViewerController& viewer) : ViewerPart(viewer) {}

void PictureShow::ApplyLoadOptions() {
    m_loader.SetLoadOptions(LoadOptions{m_options.Bmp, m_options.Jpeg, m_options.Png, m_options.Gif,
                                        m_options.JpegQuality, m_state.JpegScale,
                                        m_viewer.view().ViewColour(), &m_viewer.plugIns()});
    m_loader.SetBudget(PrefetchBudget(m_options.PrefetchMemory));
    m_viewer.view().SyncView();
}

void PictureShow::ImgBarChange() {
    const int count = static_cast<int>(m_state.FileList.size());
    if (m_state.ShowBusy || !m_viewer.navigator().imageCommands() || count == 0 ||
        m_bar.position == m_state.CurrentIndex) {
        return;
    }
    m_viewer.animation().CloseGif();
    m_state.GifFrame = 0;
    ShowBarPosition(m_bar.position >= m_state.CurrentIndex ? 1 : -1);
}

void PictureShow::StepGifFrame(int delta) {
    if (m_state.ShowBusy || !m_viewer.navigator().imageCommands() || m_state.FileList.empty()) {
        return;
    }
    m_state.GifFrame += delta;
    ShowBarPosition(1);
}

void PictureShow::ShowBarPosition(int direction) {
    const int count = static_cast<int>(m_state.FileList.size());
    m_state.ShowBusy = true;
    m_state.ClipboardMode = false;
    m_bar.handlerAttached = false;
    int position = m_bar.position;
    if (position > count) {
        position = 1;
        m_viewer.feedback().SoundPlay(Sound::EndOfList);
    } else if (position < 1) {
        position = count;
        m_viewer.feedback().SoundPlay(Sound::EndOfList);
    }
    m_bar.position = position;
    m_bar.handlerAttached = true;

    m_state.CurrentIndex = position;
    m_state.CurrentFile = m_state.FileList[static_cast<std::size_t>(position - 1)].path;
    ReadCurrentFileFacts();
    emit trackBarChanged();
    // Before reading: a picture read ahead was drawn with the standard filters already.
    if (m_options.SwFilterReset && !(m_viewer.view().filters() == FilterReset())) {
        m_viewer.view().SetFilterSettings(FilterReset());
    }
    m_viewer.view().SetActualSize(false);
    const quint64 list = m_viewer.navigator().listGeneration();
    PreparedPicture picture;
    if (m_state.GifImage) {
        // The open animation gives the frame; the file is not read again.
        picture = m_loader.Frame(m_state.CurrentFile, m_state.GifImage, m_state.GifFrame);
    } else {
        if (std::exchange(m_shownGone, false) && !m_loader.IsReady(m_state.CurrentFile)) {
            // The file on screen went away: it must not look as if it were still there while the
            // next one is read.
            m_state.SourceBitmap = QImage();
            m_state.ViewBitmap = QImage();
            emit pictureChanged();
            m_viewer.feedback().TitleDraw();
        }
        // Input keeps arriving while a picture that was not read ahead is read: further steps
        // only move the track bar, and the newest position is shown next.
        picture = m_loader.Take(m_state.CurrentFile);
    }
    if (m_viewer.closing()) {
        m_state.ShowBusy = false;
        return;
    }
    if (list != m_viewer.navigator().listGeneration() || m_state.CurrentIndex != position) {
        // Another list or another picture was asked for meanwhile.
        m_state.ShowBusy = false;
        ImgBarChange();
        return;
    }
    ApplyLoaded(m_state.CurrentFile, picture.loaded);
    m_viewer.feedback().SetComment(m_state.CommentText);
    if (m_options.SwTxtOpen) {
        LoadSideText();
    }
    ShowPicture(picture);
    m_state.ShowBusy = false;
    emit trackBarChanged();
    m_direction = direction;
    PrefetchNeighbours(direction);
    if (m_bar.position != m_state.CurrentIndex) {
        ImgBarChange();
        return;
    }
    PostWaitingInputs();
}

void PictureShow::ActOnShownFile(std::function<void()> action) {
    if (!m_state.ShowBusy && (m_waitingInputs.empty() || m_runningWaiting)) {
        action();
        return;
    }
    m_waitingInputs.push_back(std::move(action));
    PostWaitingInputs();
}

bool PictureShow::WaitBehindInputs(std::function<void()> step) {
    if (m_waitingInputs.empty() || m_runningWaiting) {
        return false;
    }
    m_waitingInputs.push_back(std::move(step));
    PostWaitingInputs();
    return true;
}

// The waiting inputs run from the event loop, after the picture they wait for was drawn.
void PictureShow::PostWaitingInputs() {
    if (m_waitingInputs.empty() || m_waitingPosted || m_state.ShowBusy) {
        return;
    }
    m_waitingPosted = true;
    QMetaObject::invokeMethod(this, &PictureShow::RunWaitingInputs, Qt::QueuedConnection);
}

void PictureShow::RunWaitingInputs() {
    m_waitingPosted = false;
    if (m_viewer.closing()) {
        m_waitingInputs.clear();
        return;
    }
    if (m_waitingInputs.empty() || m_state.ShowBusy) {
        // The picture being read posts the run when it is on screen.
        return;
    }
    if (m_viewer.InputHeld()) {
        // A question or a batch holds the window: the inputs wait until it lets go.
        QTimer::singleShot(kHeldInputRetry, this, [this] {
            if (!m_waitingPosted) {
                RunWaitingInputs();
            }
        });
        return;
    }
    std::function<void()> action = std::move(m_waitingInputs.front());
    m_waitingInputs.pop_front();
    {
        FlagScope running(m_runningWaiting);
        action();
    }
    PostWaitingInputs();
}

// Asks the loader for the files on both sides of the shown one, the direction of travel first.
void PictureShow::PrefetchNeighbours(int direction) {
    const int count = static_cast<int>(m_state.FileList.size());
    const auto at = [this, count](int index) -> QString {
        if (index < 1 || index > count) {
            if (!m_options.SwListLoop) {
                return QString();
            }
            index = ((index - 1) % count + count) % count + 1;
        }
        return m_state.FileList[static_cast<std::size_t>(index - 1)].path;
    };
    const int here = m_state.CurrentIndex;
    m_loader.Prefetch(m_state.CurrentFile,
                      {at(here + direction), at(here + 2 * direction), at(here - direction)});
}

void PictureShow::ReadCurrentFileFacts() {
    const PathFacts facts = StatPath(m_state.CurrentFile);
    if (!facts.exists) {
        return;
    }
    m_state.CurrentFileSize = facts.size;
    m_state.CurrentFileModified = facts.modifiedSeconds;
    m_state.CurrentFileTime = PackDosTime(QDateTime::fromSecsSinceEpoch(facts.modifiedSeconds));
}

void PictureShow::ApplyLoaded(const QString& path, const LoadedImage& loaded) {
    if (loaded.status != LoadStatus::Decoded) {
        m_viewer.animation().CloseGif();
        m_state.GifFrame = 0;
    }
    m_state.CurrentBitDepth = 0;
    m_state.CommentText.clear();
    m_state.SourceBitmap = loaded.image;
    switch (loaded.status) {
    case LoadStatus::Missing:
        m_state.CommentText =
            QStringLiteral("> ") + path + QStringLiteral("\r\n画像ファイルが見つかりません");
        m_state.CurrentFileSize = 0;
        m_state.CurrentFileTime = 0;
        m_state.CurrentFileModified = 0;
        break;
    case LoadStatus::Decoded:
        m_state.CurrentBitDepth = loaded.bitDepth;
        m_state.CommentText = loaded.comment;
        m_state.GifImage = loaded.gif;
        m_state.GifFrame = loaded.gifFrame;
        m_state.GifIsAnimated = loaded.gif && loaded.gif->frameCount() > 1;
        break;
    case LoadStatus::Stock:
        break;
    case LoadStatus::Unreadable:
        m_state.CommentText = QStringLiteral("> ") + path +
                              QStringLiteral("\r\n画像ファイルを読み取れません（") + loaded.reason +
                              QStringLiteral("）");
        break;
    case LoadStatus::Failed: {
        const QString trueExtension = TrueExtension(path).toUpper();
        m_state.CommentText = QStringLiteral("> ") + path + QStringLiteral("\r\n画像の展開に失敗しました(") +
                              trueExtension + QLatin1Char(')');
        m_viewer.feedback().SetComment(m_state.CommentText);
        if (!trueExtension.isEmpty() && trueExtension != UpperExtension(path)) {
            OfferRename(path, trueExtension);
        }
        break;
    }
    }
}

void PictureShow::OfferRename(const QString& path, const QString& trueExtension) {
    const QString lower = trueExtension.toLower();
    const QString question = QStringLiteral("このファイルの正しい拡張子は\"") + lower +
                             QStringLiteral("\"だと思われます\r\nリネームしますか？");
    if (m_viewer.feedback().infoMes(question, MessageIcon::Question, MessageButtons::YesNo) !=
        MessageResult::Yes) {
        return;
    }
    const QString newPath = path.left(path.size() - UpperExtension(path).size()) + lower;
    if (!m_viewer.batch().taFileOperation(path, newPath, TransferOp::Rename)) {
        m_viewer.feedback().infoMes(QStringLiteral("ファイルのリネームに失敗しました"),
                                    MessageIcon::Exclamation);
        return;
    }
    m_viewer.batch().ListFileReplace(path, newPath);
    ApplyLoaded(newPath, m_loader.Take(newPath).loaded);
    if (m_state.CurrentIndex >= 1 && m_state.CurrentIndex <= static_cast<int>(m_state.FileList.size())) {
        m_state.FileList[static_cast<std::size_t>(m_state.CurrentIndex - 1)].path = newPath;
    }
    m_state.CurrentFile = newPath;
    m_viewer.feedback().TitleDraw();
}

void PictureShow::LoadSideText() {
    const QString& file = m_state.CurrentFile;
    const QString stem = FileNameOf(file.left(file.size() - UpperExtension(file).size()));
    // A text beside the picture is found in any letter case: "PHOTO.TXT" and "Photo.Txt" too.
    const QStringList sides =
        FindNamesIgnoringCase(FolderOf(file), {stem + QStringLiteral(".txt"), stem + QStringLiteral(".doc"),
                                               stem + QStringLiteral(".hed")});
    for (const QString& side : sides) {
        const PathFacts facts = side.isEmpty() ? PathFacts{} : StatPath(side);
        if (!facts.exists || facts.isFolder) {
            continue;
        }
        if (facts.size >= kSideTextLimit) {
            m_viewer.feedback().SetComment(QStringLiteral("ファイルサイズが大き過ぎて表示できませんでした"));
            continue;
        }
        m_viewer.feedback().SetComment(QLatin1Char('[') + side + QStringLiteral("]\r\n") +
                                       DecodeText(ReadFileHead(side, kSideTextLimit)));
        return;
    }
}

// Draws the source bitmap for the view at `rate`, or at the rate of the zoom mode when it is 0.
void PictureShow::ViewSeting(double rate) {
    if (m_state.BrowserMode || (rate == 0 && m_state.SourceBitmap.isNull())) {
        return;
    }
    Present(m_loader.Redraw(m_state.SourceBitmap, rate));
}

// Shows a picture whose bitmap was made ahead of time, or draws it now when it was made for
// another view or another source.
void PictureShow::ShowPicture(const PreparedPicture& picture) {
    if (!(picture.madeFor == m_loader.view()) ||
        picture.loaded.image.cacheKey() != m_state.SourceBitmap.cacheKey()) {
        ViewSeting(0);
        return;
    }
    Present(picture.view);
}

void PictureShow::Present(const RenderedView& view) {
    m_state.ZoomRate = view.zoomRate;
    m_state.ViewBitmap = view.bitmap;
    m_viewer.view().SyncView();
    emit pictureChanged();
    m_viewer.feedback().TitleDraw();
    if (view.outOfMemory) {
        m_viewer.feedback().infoMes(
            QStringLiteral("画像の拡大にメモリが足りません\r\n通常のサイズで表示します"),
            MessageIcon::Exclamation);
    }
    if (m_state.GifIsAnimated && m_state.GifImage) {
        m_viewer.animation().Start(m_state.GifImage->frame(m_state.GifFrame).delayMs);
    }
}

void PictureShow::ShowClipboard(const QImage& image) {
    if (image.isNull() || m_state.FileList.empty()) {
        return;
    }
    m_viewer.animation().CloseGif();
    m_state.SourceBitmap = image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32)
                                                   : image.convertToFormat(QImage::Format_RGB888);
    m_state.ClipboardMode = true;
    ViewSeting(0);
}

void PictureShow::SetJpegScale(int scale) {
    m_state.JpegScale = std::clamp(scale, 0, 3);
    emit jpegScaleChanged(m_state.JpegScale);
    ApplyLoadOptions();
    m_state.CurrentIndex = 0;
    ImgBarChange();
}
