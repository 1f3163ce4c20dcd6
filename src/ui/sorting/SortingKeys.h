#pragma once

#include <QObject>

class FolderTreePane;
class MainMenu;
class QKeyEvent;
class QWidget;
class ViewerController;

// The keys that sort the shown file, which work while the picture side has the keys so that the
// tree keeps its own letter search: the letters and top-row digits (actions of the picture side),
// the new-folder keys told by where they sit on the keyboard, the keypad digits of the sorting
// table, and Backspace, which undoes the last move. A sorting key acts once per press: the
// repeats of a held key are swallowed. Owns the letter and digit actions (children of the
// picture side) and watches the window's keys. GUI thread.
class SortingKeys : public QObject {
    Q_OBJECT

public:
    SortingKeys(ViewerController& controller, MainMenu& menu, QWidget& window, QWidget& pictureSide,
                const FolderTreePane& tree);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddLetterAndDigitKeys();
    // The keys no control took: the new-folder keys and the keypad digits. True when used up.
    bool KeyPress(QKeyEvent& key);
    // The keyboard focus is on the right side: the picture, the track bar or the comment pane.
    bool PictureSideFocused() const;

    ViewerController& m_controller;
    QWidget& m_window;
    QWidget& m_pictureSide;
    const FolderTreePane& m_tree;
};
