#pragma once

#include <QImage>

// Reads the picture on the system clipboard. GUI thread.
class ClipboardReader {
public:
    // The clipboard's picture; a null image when it holds none.
    QImage image() const;
};
