/* Claims files that begin with "DIB!" and answers the blocks that follow in the file as they are
 * (see EchoBlocks), so that a test can write any answer as a file. */
#include "TestPlugin.h"

SUSIE_EXPORT int GetPluginInfo(int infono, char* buf, int buflen) {
    static const char* const items[] = {"00IN", "Echo test plug-in", "*.echo", "Echo"};
    return TestInfo(items, 4, infono, buf, buflen);
}

SUSIE_EXPORT int IsSupported(const char* filename, void* dw) {
    (void)filename;
    return StartsWith(dw, "DIB!");
}

SUSIE_EXPORT int GetPicture(const char* buf, int32_t len, unsigned int flag, void** pHBInfo, void** pHBm,
                            SusieProgressCallback lpPrgressCallback, int32_t lData) {
    (void)flag;
    (void)lpPrgressCallback;
    (void)lData;
    return EchoBlocks((const unsigned char*)buf + 4, len - 4, pHBInfo, pHBm);
}
