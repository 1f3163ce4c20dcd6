/* Claims files that begin with "BAD"; the fourth byte chooses the answer: 'E' a failure code with
 * both blocks allocated, 'I' success without an info block, 'B' success without a bits block, 'D'
 * success with the blocks that follow in the file (see EchoBlocks). */
#include "TestPlugin.h"

SUSIE_EXPORT int GetPluginInfo(int infono, char* buf, int buflen) {
    static const char* const items[] = {"00IN", "Bad answers", "*.bad", "Bad"};
    return TestInfo(items, 4, infono, buf, buflen);
}

SUSIE_EXPORT int IsSupported(const char* filename, void* dw) {
    (void)filename;
    return StartsWith(dw, "BAD");
}

SUSIE_EXPORT int GetPicture(const char* buf, int32_t len, unsigned int flag, void** pHBInfo, void** pHBm,
                            SusieProgressCallback lpPrgressCallback, int32_t lData) {
    (void)flag;
    (void)lpPrgressCallback;
    (void)lData;
    if (len < 4) {
        return SUSIE_BROKEN_DATA;
    }
    switch (buf[3]) {
    case 'E':
        *pHBInfo = malloc(64);
        *pHBm = malloc(64);
        return SUSIE_BROKEN_DATA;
    case 'I':
        *pHBInfo = NULL;
        *pHBm = malloc(64);
        return SUSIE_SUCCESS;
    case 'B':
        *pHBInfo = calloc(1, sizeof(SusieBitmapInfoHeader));
        *pHBm = NULL;
        return SUSIE_SUCCESS;
    default:
        return EchoBlocks((const unsigned char*)buf + 4, len - 4, pHBInfo, pHBm);
    }
}
