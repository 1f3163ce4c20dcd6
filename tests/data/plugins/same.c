/* Built twice, as "first" and "second" (SAME_RED, SAME_BLUE): both claim files that begin with
 * "SAME", and answer one pixel of their own colour, so a test sees which one decoded. */
#include "TestPlugin.h"

SUSIE_EXPORT int GetPluginInfo(int infono, char* buf, int buflen) {
    static const char* const items[] = {"00IN", SAME_NAME, "*.same", "Same"};
    return TestInfo(items, 4, infono, buf, buflen);
}

SUSIE_EXPORT int IsSupported(const char* filename, void* dw) {
    (void)filename;
    return StartsWith(dw, "SAME");
}

SUSIE_EXPORT int GetPicture(const char* buf, int32_t len, unsigned int flag, void** pHBInfo, void** pHBm,
                            SusieProgressCallback lpPrgressCallback, int32_t lData) {
    (void)buf;
    (void)len;
    (void)flag;
    (void)lpPrgressCallback;
    (void)lData;
    return OnePixel(SAME_RED, 0, SAME_BLUE, pHBInfo, pHBm);
}
