#include "platform/ClipboardReader.h"

#include <QClipboard>
#include <QGuiApplication>

QImage ClipboardReader::image() const {
    return QGuiApplication::clipboard()->image();
}
