// An app file that uses a platform class and, through the other include form, a window.
#include "app/Services.h"
#include "core/imaging/Decoder.h"
#include "platform/Impl.h"

#include <QString>
#include <ui/Window.h>
