/* A picture plug-in of two file patterns that claims no file. */
#include "TestPlugin.h"

SUSIE_EXPORT int GetPluginInfo(int infono, char* buf, int buflen) {
    static const char* const items[] = {"00IN", "Two patterns", "*.aaa;*.bbb", "AAA and BBB"};
    return TestInfo(items, 4, infono, buf, buflen);
}

SUSIE_EXPORT int IsSupported(const char* filename, void* dw) {
    (void)filename;
    (void)dw;
    return 0;
}
