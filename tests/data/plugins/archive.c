/* An archive plug-in ("00AM"): the host must not keep it, though it would claim every file. */
#include "TestPlugin.h"

SUSIE_EXPORT int GetPluginInfo(int infono, char* buf, int buflen) {
    static const char* const items[] = {"00AM", "Archive test plug-in", "*.arc", "Archive"};
    return TestInfo(items, 4, infono, buf, buflen);
}

SUSIE_EXPORT int IsSupported(const char* filename, void* dw) {
    (void)filename;
    (void)dw;
    return 1;
}
