#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSize>
#include <QString>

// One picture of the soak run: its file name (the extension names its format: jpg, png, bmp or
// gif) and its size.
struct SoakPicture {
    QString name;
    QSize size;
};

// The folder the soak steps through: 300 pictures "p000" … "p299" (so the folder lists them in
// that order) in JPEG, PNG, BMP and GIF, a few GIFs animated, from 24x24 up to fifteen
// 24-megapixel JPEGs (6000x4000 and 4000x6000) spread over the folder.
QList<SoakPicture> SoakPictureSet();

// The bytes of `picture`: a pattern that `seed` makes differ from every other picture's, or a
// photo-like picture for the large JPEGs. Empty, with `error` filled, when it cannot be encoded.
QByteArray EncodeSoakPicture(const SoakPicture& picture, int seed, QString* error);

// The SHA-256 of every file below `folder`, hidden ones and those in subfolders included, by path
// relative to `folder`.
QMap<QString, QByteArray> HashFilesBelow(const QString& folder);
