// Compiled only by the layer tests: a widget in a layer below the windows must not build.
#include <QtWidgets/QWidget>

int UsesWidget() {
    QWidget widget;
    return widget.width();
}
