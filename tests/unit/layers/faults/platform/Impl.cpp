// A platform file that implements an app interface, but also uses a workflow of app and, by a
// relative path, a window.
#include "../ui/Window.h"
#include "app/Flow.h"
#include "app/Services.h"
#include "core/imaging/Decoder.h"
