#pragma once

#include <QImage>
#include <QString>

// What one built-in decoder made of a file: the picture, or the reason it could not.
struct DecodedPicture {
    QImage image;     // null when decoding failed
    int bitDepth = 0; // as the file declares it; 254 for a CMYK JPEG
    QString comment;
    QString error;           // for the developer: which step failed
    bool incomplete = false; // the file ended early: `image` holds what arrived
};
