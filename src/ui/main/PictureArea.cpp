#include "ui/main/PictureArea.h"

#include "app/ViewerController.h"
#include "app/commands/CommandRegistry.h"
#include "core/common/PathText.h"
#include "platform/LocalUrl.h"
#include "ui/common/StoredColor.h"
#include "ui/foldertree/FolderTreeDrops.h"
#include "ui/foldertree/FolderTreePane.h"
#include "ui/main/ImgView.h"
#include "ui/main/MainMenu.h"

#include <QAction>
#include <QDrag>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

constexpr int kScrollStep = 32;
// The pointer this close to the window's left edge brings up a hidden tree.
constexpr int kTreeEdge = 16;

} // namespace

PictureArea::PictureArea(ViewerController& controller, MainMenu& menu, FolderTreePane& tree,
                         QWidget& pictureSide, QWidget* parent)
    : QWidget(parent), m_controller(controller), m_menu(menu), m_tree(tree), m_pictureSide(pictureSide) {
    setObjectName(QStringLiteral("Panel2"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    m_scrBox = new QScrollArea(this);
    m_scrBox->setObjectName(QStringLiteral("ScrBox"));
    m_scrBox->setWidgetResizable(true);
    m_scrBox->horizontalScrollBar()->setSingleStep(kScrollStep);
    m_scrBox->verticalScrollBar()->setSingleStep(kScrollStep);
    m_scrBox->viewport()->setBackgroundRole(QPalette::Window);
    m_scrBox->viewport()->setAutoFillBackground(true);
    SetBackground(ColorFromStored(m_controller.options().ImgBackColor, palette()));
    m_scrBox->viewport()->installEventFilter(this);
    m_scrBox->installEventFilter(this);
    m_imgView = new ImgView;
    m_imgView->setObjectName(QStringLiteral("ImgView"));
    m_scrBox->setWidget(m_imgView);
    m_imgView->installEventFilter(this);
    layout->addWidget(m_scrBox);

    RegisterScrollCommands();
    m_controller.SetScrollBarWidth(style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    connect(&m_controller, &ViewerController::pictureChanged, this, [this] {
        m_imgView->setImage(m_controller.state().ViewBitmap);
        // A new picture starts at the top left.
        m_scrBox->horizontalScrollBar()->setValue(0);
        m_scrBox->verticalScrollBar()->setValue(0);
        PlaceImage();
        // On screen before the next input is handled: a key waiting for this picture acts on
        // it right after.
        m_imgView->repaint();
    });
}

QWidget* PictureArea::pictureViewport() const {
    return m_scrBox->viewport();
}

void PictureArea::ShowPicture(bool on) {
    m_scrBox->setVisible(on);
}

void PictureArea::SetBackground(const QColor& colour) {
    QPalette colours = m_scrBox->viewport()->palette();
    colours.setColor(QPalette::Window, colour);
    m_scrBox->viewport()->setPalette(colours);
}

// Ctrl and an arrow scroll a quarter of the view's smaller side.
void PictureArea::RegisterScrollCommands() {
    const auto scroll = [this](Command id, int dx, int dy) {
        m_controller.registry().Register(id, [this, dx, dy] {
            const int step = std::min(m_scrBox->width(), m_scrBox->height()) / 4;
            ScrollBy(QPoint(dx, dy) * step);
        });
    };
    scroll(Command::actScroolUp, 0, -1);
    scroll(Command::actScroolDown, 0, 1);
    scroll(Command::actScroolLeft, -1, 0);
    scroll(Command::actScroolRight, 1, 0);
}

void PictureArea::ScrollBy(QPoint delta) {
    m_scrBox->horizontalScrollBar()->setValue(m_scrBox->horizontalScrollBar()->value() + delta.x());
    m_scrBox->verticalScrollBar()->setValue(m_scrBox->verticalScrollBar()->value() + delta.y());
}

bool PictureArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_scrBox && event->type() == QEvent::Resize) {
        // The room without scroll bars: the rate decides whether they show.
        m_controller.SetViewSize(m_scrBox->maximumViewportSize());
        PlaceImage();
    }
    if ((watched == m_scrBox->viewport() || watched == m_imgView) && ImageMouse(*event))
        return true;
    if (watched == m_scrBox->viewport() && event->type() == QEvent::Wheel) {
        if (!m_controller.InputHeld())
            ImageWheel(*static_cast<QWheelEvent*>(event));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// Where the picture sits in the view: centred while it fits, a scroll bar's room kept free.
void PictureArea::PlaceImage() {
    m_imgView->setPlacement(m_controller.scrollBarWidth(), m_controller.options().SwImageLeft,
                            m_scrBox->maximumViewportSize());
}

// Drag scrolling, dragging the picture out to the tree, the tree at the left edge and the
// focus following the hand. True when the event was used up.
bool PictureArea::ImageMouse(const QEvent& event) {
    switch (event.type()) {
    case QEvent::MouseButtonPress: {
        const auto& press = static_cast<const QMouseEvent&>(event);
        if (press.button() != Qt::LeftButton)
            return false;
        m_dragging = true;
        m_dragFrom = press.globalPosition().toPoint();
        return true;
    }
    case QEvent::MouseMove: {
        const auto& move = static_cast<const QMouseEvent&>(event);
        const QPoint at = move.globalPosition().toPoint();
        if (QGuiApplication::applicationState() == Qt::ApplicationActive)
            m_pictureSide.setFocus();
        if (!(move.buttons() & Qt::LeftButton)) {
            m_dragging = false;
            if (m_temporaryTree)
                ShowTemporaryTree(false);
            else if (m_tree.isHidden() && at.x() - window()->frameGeometry().left() < kTreeEdge)
                ShowTemporaryTree(true);
            return false;
        }
        if (!m_dragging)
            return false;
        if (m_tree.isVisible() && at.x() < window()->mapToGlobal(QPoint(0, 0)).x() + m_tree.width()) {
            m_dragging = false;
            DragPictureOut();
            return true;
        }
        const int factor = 1 << std::clamp(m_controller.options().ScroolSpeed, 0, 5);
        ScrollBy((m_dragFrom - at) * factor);
        m_dragFrom = at;
        return true;
    }
    case QEvent::MouseButtonRelease: {
        const auto& release = static_cast<const QMouseEvent&>(event);
        if (release.button() != Qt::LeftButton)
            return false;
        m_dragging = false;
        return true;
    }
    default:
        return false;
    }
}

// The wheel over the picture steps through the list, down to the next file and up to the one
// before; with Ctrl held it steps through the frames of an animation. A web page keeps the
// wheel when "SwWheelNext" says so.
void PictureArea::ImageWheel(const QWheelEvent& event) {
    const int delta = event.angleDelta().y();
    if (delta == 0)
        return;
    const QString extension = UpperExtension(m_controller.state().CurrentFile);
    if (m_controller.options().SwWheelNext &&
        (extension == QLatin1String(".HTM") || extension == QLatin1String(".MHT") ||
         extension == QLatin1String(".HTML")))
        return;
    // A touchpad swipe or a high-resolution wheel sends parts of a notch: a full notch is one
    // file.
    const int steps = m_wheel.Add(delta);
    for (int i = 0; i < std::abs(steps); ++i) {
        if (steps < 0)
            m_controller.ImgNext();
        else
            m_controller.ImgBack();
    }
}

// The shown file as a drag of a file: the tree and the sorting-table viewer take it.
void PictureArea::DragPictureOut() {
    const QString file = m_controller.state().CurrentFile;
    if (file.isEmpty())
        return;
    auto* data = new QMimeData;
    data->setUrls({LocalUrlFromPath(file)});
    MarkShownFileDrag(*data);
    auto* drag = new QDrag(window());
    drag->setMimeData(data);
    // Copy only: a move by another program would leave no record to undo.
    drag->exec(Qt::CopyAction);
    if (m_temporaryTree)
        ShowTemporaryTree(false);
}

void PictureArea::ShowTemporaryTree(bool on) {
    m_temporaryTree = on;
    m_tree.setVisible(on);
    m_menu.action(QStringLiteral("mnuTreeMode"))->setChecked(on);
}
