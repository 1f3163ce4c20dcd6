// A core file that reaches up into app.
#include "core/imaging/Decoder.h"

#include "app/ViewerState.h"

#include <QImage>
