#pragma once

#include "core/input/WheelSteps.h"

#include <QPoint>
#include <QWidget>

class FolderTreePane;
class ImgView;
class MainMenu;
class QScrollArea;
class QWheelEvent;
class ViewerController;

// The picture in its scroll box, the view panel ("Panel2") that keeps its place while the picture
// is hidden. Owns the scroll box and the picture; places and repaints the picture the controller
// shows; scrolls it by dragging and by the scroll commands; steps through the files with the
// wheel; drags the shown file out to the tree; shows the tree for a while when the pointer
// touches the window's left edge. GUI thread.
class PictureArea : public QWidget {
    Q_OBJECT

public:
    // `pictureSide` takes the keys while the hand moves over the picture; `tree` is the folder
    // tree beside it, which the drag-out targets.
    PictureArea(ViewerController& controller, MainMenu& menu, FolderTreePane& tree, QWidget& pictureSide,
                QWidget* parent);

    // The scroll box's viewport, where the mouse inputs over the picture arrive.
    QWidget* pictureViewport() const;
    // Hides the scroll box (the panel keeps its place) while no file is shown.
    void ShowPicture(bool on);
    void SetBackground(const QColor& colour);
    // Starts a drag of the shown file (the tree and the sorting-table viewer take it); the
    // status bar starts one too.
    void DragPictureOut();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RegisterScrollCommands();
    void ScrollBy(QPoint delta);
    void PlaceImage();
    bool ImageMouse(const QEvent& event);
    void ImageWheel(const QWheelEvent& event);
    // Shows or hides the tree that touching the left edge brought up, with its menu item.
    void ShowTemporaryTree(bool on);

    ViewerController& m_controller;
    MainMenu& m_menu;
    FolderTreePane& m_tree;
    QWidget& m_pictureSide;
    QScrollArea* m_scrBox;
    ImgView* m_imgView;
    bool m_dragging = false; // a left-button drag of the picture scrolls it
    QPoint m_dragFrom;
    WheelSteps m_wheel;           // the wheel over the picture, which steps through the files
    bool m_temporaryTree = false; // the tree was shown by touching the left edge
};
