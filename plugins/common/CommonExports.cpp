// The exports every plug-in shipped with Ruvela answers alike: no preview, and calls from
// several threads at once allowed (each call uses decoder objects of its own).
#include "SusiePlugin.h"

#include <cstdint>

extern "C" {

SUSIE_EXPORT int GetPreview(const char*, std::int32_t, unsigned int, void**, void**, SusieProgressCallback,
                            std::int32_t) {
    return SUSIE_NOT_IMPLEMENTED;
}

SUSIE_EXPORT int RuvelaPluginThreadSafe(void) {
    return 1;
}
}
