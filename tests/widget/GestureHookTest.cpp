#include "ui/main/GestureHook.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

QString ButtonCode(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return QStringLiteral("L");
    case Qt::RightButton:
        return QStringLiteral("R");
    case Qt::MiddleButton:
        return QStringLiteral("M");
    default:
        return QString();
    }
}

// A widget that notes the mouse events that reach its handlers: "P" press, "U" release (up),
// "D" double click, each followed by the button (L, R, M), and "W" a wheel turn.
template <class Base> class Noting : public Base {
public:
    using Base::Base;
    QStringList seen;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        seen << QStringLiteral("P") + ButtonCode(event->button());
        Base::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        seen << QStringLiteral("U") + ButtonCode(event->button());
        Base::mouseReleaseEvent(event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        seen << QStringLiteral("D") + ButtonCode(event->button());
        Base::mouseDoubleClickEvent(event);
    }
    void wheelEvent(QWheelEvent* event) override {
        seen << QStringLiteral("W");
        Base::wheelEvent(event);
    }
};

enum class Kind { Press, Release, DoubleClick, Move, Wheel };

// One mouse event: `held` are the buttons down after it, as Qt reports them (a press includes
// its own button, a release no longer does). `at` is the offset from the middle of the widget.
struct Step {
    Kind kind;
    Qt::MouseButton button = Qt::NoButton;
    Qt::MouseButtons held = Qt::NoButton;
    QPoint at;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    QPoint wheel; // the angle a wheel turns
};

Step Press(Qt::MouseButton button, Qt::MouseButtons held = {}, QPoint at = {},
           Qt::KeyboardModifiers modifiers = {}) {
    return {Kind::Press, button, held | button, at, modifiers, {}};
}
Step Release(Qt::MouseButton button, Qt::MouseButtons held = {}, QPoint at = {},
             Qt::KeyboardModifiers modifiers = {}) {
    return {Kind::Release, button, held, at, modifiers, {}};
}
Step DoubleClick(Qt::MouseButton button) {
    return {Kind::DoubleClick, button, button, {}, {}, {}};
}
Step Move(Qt::MouseButtons held, QPoint at) {
    return {Kind::Move, Qt::NoButton, held, at, {}, {}};
}
Step Wheel(int delta, Qt::MouseButtons held = {}, bool sideways = false) {
    return {Kind::Wheel, Qt::NoButton, held, {}, {}, sideways ? QPoint(delta, 0) : QPoint(0, delta)};
}

// The main window as the hook sees it: a menu bar with one menu, the folder tree on the left,
// the track bar, the picture's scroll box (its viewport holding the picture) and the comment
// pane on the right, the status bar below.
class GestureHookTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(800, 600);
        menuBar = new Noting<QMenuBar>(&window);
        menu = menuBar->addMenu(QStringLiteral("ファイル(&F)"));
        menu->addAction(QStringLiteral("終了(&X)"));
        window.setMenuBar(menuBar);
        statusBar = new Noting<QStatusBar>(&window);
        window.setStatusBar(statusBar);

        auto* central = new QWidget(&window);
        auto* row = new QHBoxLayout(central);
        tree = new Noting<QTreeView>(central);
        row->addWidget(tree);
        auto* column = new QVBoxLayout;
        row->addLayout(column, 1);
        trackBar = new Noting<QLabel>(QStringLiteral("track"), central);
        column->addWidget(trackBar);
        scrollBox = new QScrollArea(central);
        scrollBox->setWidgetResizable(true);
        picture = new Noting<QLabel>(QStringLiteral("picture"));
        scrollBox->setWidget(picture);
        column->addWidget(scrollBox, 1);
        comment = new Noting<QPlainTextEdit>(central);
        column->addWidget(comment);
        window.setCentralWidget(central);

        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

        GestureHook::Areas areas{
            &window, scrollBox->viewport(), nullptr, {tree, trackBar, comment, statusBar}, tree, comment,
            menuBar};
        hook = std::make_unique<GestureHook>(
            areas, [this] { return paused; }, [this](const QString& input) { runs << input; });
        QApplication::instance()->installEventFilter(hook.get());
    }

    // Sends one event to `widget` as the window system would, its position and the screen
    // position agreeing.
    void send(QWidget* widget, const Step& step) {
        const QPoint local = widget->rect().center() + step.at;
        const QPoint global = widget->mapToGlobal(local);
        const quint64 timestamp = ++m_timestamp;
        if (step.kind == Kind::Wheel) {
            QWheelEvent event(local, global, QPoint(), step.wheel, step.held, step.modifiers,
                              Qt::NoScrollPhase, false);
            event.setTimestamp(timestamp);
            QApplication::sendEvent(widget, &event);
            return;
        }
        static constexpr QEvent::Type kTypes[] = {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                                  QEvent::MouseButtonDblClick, QEvent::MouseMove};
        QMouseEvent event(kTypes[static_cast<int>(step.kind)], local, global, step.button, step.held,
                          step.modifiers);
        event.setTimestamp(timestamp);
        QApplication::sendEvent(widget, &event);
    }

    void send(QWidget* widget, const std::vector<Step>& steps) {
        for (const Step& step : steps)
            send(widget, step);
    }

    void clearNotes() {
        runs.clear();
        for (QStringList* seen :
             {&picture->seen, &tree->seen, &trackBar->seen, &comment->seen, &statusBar->seen, &menuBar->seen})
            seen->clear();
    }

    QMainWindow window;
    Noting<QMenuBar>* menuBar = nullptr;
    QMenu* menu = nullptr;
    Noting<QStatusBar>* statusBar = nullptr;
    Noting<QTreeView>* tree = nullptr;
    Noting<QLabel>* trackBar = nullptr;
    QScrollArea* scrollBox = nullptr;
    Noting<QLabel>* picture = nullptr;
    Noting<QPlainTextEdit>* comment = nullptr;
    bool paused = false;
    QStringList runs;
    std::unique_ptr<GestureHook> hook;

private:
    quint64 m_timestamp = 0;
};

TEST_F(GestureHookTest, InputsOnThePictureRunTheirKeysAndStayAwayFromIt) {
    const Qt::MouseButton L = Qt::LeftButton, R = Qt::RightButton, M = Qt::MiddleButton;
    struct Case {
        const char* name;
        std::vector<Step> steps;
        QStringList runs;
        QStringList reached; // what the picture itself got to see
    };
    const Case cases[] = {
        {"right drag 32 up",
         {Press(R), Move(R, {0, -16}), Move(R, {0, -32}), Release(R, {}, {0, -32})},
         {"mGes8"},
         {}},
        {"right drag 31 up", {Press(R), Move(R, {0, -31}), Release(R, {}, {0, -31})}, {"mGes5"}, {}},
        {"right drag 40 right, 10 up", {Press(R), Release(R, {}, {40, -10})}, {"mGes6"}, {}},
        {"right drag down-left", {Press(R), Release(R, {}, {-40, 40})}, {"mGes1"}, {}},
        {"right click", {Press(R), Release(R)}, {"mGes5"}, {}},
        {"wheel up then down during a right press",
         {Press(R), Wheel(120, R), Wheel(-120, R), Release(R, {}, {0, -50})},
         {"mGesRWU", "mGesRWD"},
         {}},
        {"sideways wheel during a right press",
         {Press(R), Wheel(120, R, true), Release(R)},
         {"mGes5"},
         {"W"}},
        {"wheel without a right press", {Wheel(120), Wheel(-120)}, {}, {"W", "W"}},
        {"right held, left clicked",
         {Press(R), Press(L, R), Release(L, R), Release(R)},
         {"mGesRLC"},
         {"UL", "UR"}},
        {"left released during a right press", {Press(R), Release(L, R), Release(R)}, {"mGesRLC"}, {}},
        {"left held, right clicked",
         {Press(L), Press(R, L), Release(R, L), Release(L)},
         {"mGesLRC"},
         {"PL", "UR", "UL"}},
        {"right released during a left drag", {Press(R), Release(R, L)}, {"mGesLRC"}, {}},
        {"move without the right button",
         {Press(R), Move({}, {0, -40}), Release(R, {}, {0, -40})},
         {},
         {"UR"}},
        {"ctrl right click",
         {Press(R, {}, {}, Qt::ControlModifier), Release(R, {}, {0, -40}, Qt::ControlModifier)},
         {},
         {"PR", "UR"}},
        {"left double click",
         {Press(L), Release(L), DoubleClick(L), Release(L)},
         {"mGesLDC"},
         {"PL", "UL", "UL"}},
        {"quick double right click", {Press(R), Release(R), DoubleClick(R), Release(R)}, {"mGes5"}, {"UR"}},
        {"middle click", {Press(M), Release(M)}, {"mGesWC"}, {"UM"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearNotes();
        send(picture, c.steps);
        EXPECT_EQ(runs, c.runs);
        EXPECT_EQ(picture->seen, c.reached);
        EXPECT_FALSE(hook->gesturePending());
    }
}

// The scroll box's scroll bars are not the picture: a quick second click there pages on and
// toggles nothing, and its middle and right clicks reach it.
TEST_F(GestureHookTest, TheScrollBarsKeepTheirClicks) {
    const Qt::MouseButton L = Qt::LeftButton, R = Qt::RightButton, M = Qt::MiddleButton;
    for (QWidget* bar : {static_cast<QWidget*>(scrollBox->verticalScrollBar()),
                         static_cast<QWidget*>(scrollBox->horizontalScrollBar())}) {
        clearNotes();
        send(bar, {Press(L), Release(L), DoubleClick(L), Release(L), Press(M), Release(M), Press(R),
                   Move(R, {0, -40}), Release(R, {}, {0, -40})});
        EXPECT_TRUE(runs.isEmpty()) << runs.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(hook->gesturePending());
    }
}

// A touchpad or a high-resolution wheel sends parts of a notch: only a whole notch is a step.
TEST_F(GestureHookTest, TheWheelDuringARightPressCountsWholeNotches) {
    const Qt::MouseButton R = Qt::RightButton;
    send(picture, {Press(R), Wheel(40, R), Wheel(40, R), Wheel(40, R), Wheel(30, R), Wheel(-60, R),
                   Wheel(-60, R), Wheel(240, R), Release(R)});
    EXPECT_EQ(runs, (QStringList{"mGesRWU", "mGesRWD", "mGesRWU", "mGesRWU"}));
    EXPECT_TRUE(picture->seen.isEmpty());
}

TEST_F(GestureHookTest, ARightPressWaitsForItsRelease) {
    send(picture, Press(Qt::RightButton));
    EXPECT_TRUE(hook->gesturePending());
    EXPECT_TRUE(runs.isEmpty());
    send(picture, Move(Qt::RightButton, {60, 0}));
    EXPECT_TRUE(hook->gesturePending());
    send(picture, Release(Qt::RightButton, {}, {60, 0}));
    EXPECT_FALSE(hook->gesturePending());
    EXPECT_EQ(runs, QStringList{"mGes6"});
}

TEST_F(GestureHookTest, QTestClicksOnAChildOfThePictureRunOnce) {
    // A double click as the window system delivers it: a click, then the second press arriving
    // as a double click, then its release (QTest leaves the button held after its double click).
    QTest::mouseClick(picture, Qt::LeftButton);
    QTest::mouseDClick(picture, Qt::LeftButton);
    QTest::mouseRelease(picture, Qt::LeftButton);
    EXPECT_EQ(runs, QStringList{"mGesLDC"});
    runs.clear();
    QTest::mouseClick(picture, Qt::MiddleButton);
    EXPECT_EQ(runs, QStringList{"mGesWC"});
    runs.clear();
    QTest::mouseClick(picture, Qt::RightButton);
    EXPECT_EQ(runs, QStringList{"mGes5"});
}

TEST_F(GestureHookTest, InputThroughTheNativeWindowRunsOnce) {
    // The window system's path: the native window gets the event first and hands it to the
    // widget under the cursor, which keeps the mouse until the buttons are up.
    QWindow* native = window.windowHandle();
    const QPoint middle = picture->mapTo(&window, picture->rect().center());
    QTest::mouseDClick(native, Qt::LeftButton, {}, middle);
    EXPECT_EQ(runs, QStringList{"mGesLDC"});
    runs.clear();
    QTest::mouseClick(native, Qt::MiddleButton, {}, middle);
    EXPECT_EQ(runs, QStringList{"mGesWC"});
    runs.clear();
    QTest::mousePress(native, Qt::RightButton, {}, middle);
    QTest::mouseMove(native, middle + QPoint(-50, 0));
    QTest::mouseRelease(native, Qt::RightButton, {}, middle + QPoint(-50, 0));
    EXPECT_EQ(runs, QStringList{"mGes4"});
    runs.clear();
    QTest::mouseDClick(native, Qt::LeftButton, {}, tree->viewport()->mapTo(&window, QPoint(5, 5)));
    EXPECT_EQ(runs, QStringList{"mGesTVDBC"});
}

TEST_F(GestureHookTest, TheOtherAreasKeepTheirEventsExceptTheirOwnInputs) {
    const Qt::MouseButton L = Qt::LeftButton, R = Qt::RightButton, M = Qt::MiddleButton;
    struct Case {
        const char* name;
        QWidget* target;
        QStringList* seen;
        Step step;
        QStringList runs;
        bool reached;
    };
    const Case cases[] = {
        {"tree double click", tree->viewport(), &tree->seen, DoubleClick(L), {"mGesTVDBC"}, true},
        {"tree middle press", tree->viewport(), &tree->seen, Press(M), {"mGesTVMC"}, false},
        {"tree right press", tree->viewport(), &tree->seen, Press(R), {}, true},
        {"comment double click", comment->viewport(), &comment->seen, DoubleClick(L), {"mGesCDBC"}, true},
        {"comment middle press", comment->viewport(), &comment->seen, Press(M), {}, true},
        // The track bar and the status bar leave these alone, so Qt hands them on to the parents,
        // which belong to the picture's side of the window.
        {"track bar right press", trackBar, &trackBar->seen, Press(R), {}, true},
        {"track bar double click", trackBar, &trackBar->seen, DoubleClick(L), {}, true},
        {"status bar middle press", statusBar, &statusBar->seen, Press(M), {}, true},
        {"status bar wheel", statusBar, &statusBar->seen, Wheel(120), {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearNotes();
        send(c.target, c.step);
        EXPECT_EQ(runs, c.runs);
        EXPECT_EQ(!c.seen->isEmpty(), c.reached) << c.seen->join(' ').toStdString();
        EXPECT_FALSE(hook->gesturePending());
        send(c.target, Release(c.step.button));
    }
}

TEST_F(GestureHookTest, AnEventOnAnotherAreaCancelsTheGesture) {
    for (QWidget* other : {tree->viewport(), static_cast<QWidget*>(trackBar), comment->viewport(),
                           static_cast<QWidget*>(statusBar)}) {
        SCOPED_TRACE(other->metaObject()->className());
        clearNotes();
        send(picture, Press(Qt::RightButton));
        ASSERT_TRUE(hook->gesturePending());
        send(other, Press(Qt::RightButton));
        EXPECT_FALSE(hook->gesturePending());
        send(other, Release(Qt::RightButton));
        send(picture, Release(Qt::RightButton, {}, {0, -50}));
        EXPECT_TRUE(runs.isEmpty()) << runs.join(' ').toStdString();
        EXPECT_EQ(picture->seen, QStringList{"UR"});
    }
}

TEST_F(GestureHookTest, TheMenuBarsEmptyAreaStandsInForTheTitleBar) {
    const QPoint title = menuBar->actionGeometry(menu->menuAction()).center() - menuBar->rect().center();
    const QPoint empty = QPoint(menuBar->width() - 10, menuBar->height() / 2) - menuBar->rect().center();
    ASSERT_NE(menuBar->actionAt(menuBar->rect().center() + title), nullptr);
    ASSERT_EQ(menuBar->actionAt(menuBar->rect().center() + empty), nullptr);
    const Qt::MouseButton L = Qt::LeftButton, R = Qt::RightButton, M = Qt::MiddleButton;
    struct Case {
        const char* name;
        Step step;
        QStringList runs;
        bool reached;
    };
    const Case cases[] = {
        {"double click on the empty area", {Kind::DoubleClick, L, L, empty, {}, {}}, {"mGesTDBC"}, false},
        {"middle press on the empty area", Press(M, {}, empty), {"mGesTWC"}, false},
        {"right press on the empty area", Press(R, {}, empty), {"mGesTRC"}, false},
        {"left press on the empty area", Press(L, {}, empty), {}, true},
        {"middle press on a menu title", Press(M, {}, title), {}, true},
        {"right press on a menu title", Press(R, {}, title), {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearNotes();
        send(menuBar, c.step);
        EXPECT_EQ(runs, c.runs);
        EXPECT_EQ(!menuBar->seen.isEmpty(), c.reached) << menuBar->seen.join(' ').toStdString();
        send(menuBar, Release(c.step.button, {}, c.step.at));
    }

    // A widget set into the menu bar is neither its empty area nor the picture.
    auto* corner = new Noting<QLabel>(QStringLiteral("corner"));
    menuBar->setCornerWidget(corner);
    corner->show();
    clearNotes();
    send(corner, {Press(M), Release(M), DoubleClick(L)});
    EXPECT_TRUE(runs.isEmpty()) << runs.join(' ').toStdString();
    EXPECT_EQ(corner->seen, (QStringList{"PM", "UM", "DL", "PL"}));
}

TEST_F(GestureHookTest, APausedWindowKeepsEveryInputToItsWidgets) {
    paused = true;
    send(picture, {Press(Qt::MiddleButton), Release(Qt::MiddleButton), Press(Qt::RightButton)});
    EXPECT_FALSE(hook->gesturePending());
    send(picture, Release(Qt::RightButton, {}, {0, -50}));
    send(tree->viewport(), Press(Qt::MiddleButton));
    send(menuBar, Press(Qt::RightButton, {}, QPoint(menuBar->width() / 2 - 10, 0)));
    EXPECT_TRUE(runs.isEmpty()) << runs.join(' ').toStdString();
    EXPECT_EQ(picture->seen, (QStringList{"PM", "UM", "PR", "UR"}));
    EXPECT_EQ(tree->seen, QStringList{"PM"});

    paused = false;
    send(picture, Press(Qt::MiddleButton));
    EXPECT_EQ(runs, QStringList{"mGesWC"});
}

TEST_F(GestureHookTest, WhileAnotherWindowOfTheProgramIsInFrontTheInputsGoToTheWidgets) {
    QWidget other;
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    send(picture, {Press(Qt::MiddleButton), Press(Qt::RightButton), Wheel(120, Qt::RightButton)});
    EXPECT_FALSE(hook->gesturePending());
    send(comment->viewport(), DoubleClick(Qt::LeftButton));
    EXPECT_TRUE(runs.isEmpty()) << runs.join(' ').toStdString();
    EXPECT_EQ(picture->seen, (QStringList{"PM", "PR", "W"}));
    EXPECT_EQ(comment->seen, QStringList{"DL"});
}

TEST_F(GestureHookTest, WindowsOwnedByTheMainWindowAreNotItsPicture) {
    QDialog dialog(&window);
    auto* label = new Noting<QLabel>(QStringLiteral("dialog"), &dialog);
    send(label, {Press(Qt::MiddleButton), Press(Qt::RightButton), DoubleClick(Qt::LeftButton)});
    EXPECT_TRUE(runs.isEmpty()) << runs.join(' ').toStdString();
    EXPECT_FALSE(hook->gesturePending());
    // A label handles a double click as one more press.
    EXPECT_EQ(label->seen, (QStringList{"PM", "PR", "DL", "PL"}));
}

} // namespace
