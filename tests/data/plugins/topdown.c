/* Claims files that begin with "TOPD", then a width and a height byte and three bytes (red, green,
 * blue) per pixel, top row first. Answers a 24-bit picture with its rows top-down (negative
 * height). */
#include "TestPlugin.h"

SUSIE_EXPORT int GetPluginInfo(int infono, char* buf, int buflen) {
    static const char* const items[] = {"00IN", "Top-down test plug-in", "*.topd", "Top-down"};
    return TestInfo(items, 4, infono, buf, buflen);
}

SUSIE_EXPORT int IsSupported(const char* filename, void* dw) {
    (void)filename;
    return StartsWith(dw, "TOPD");
}

SUSIE_EXPORT int GetPicture(const char* buf, int32_t len, unsigned int flag, void** pHBInfo, void** pHBm,
                            SusieProgressCallback lpPrgressCallback, int32_t lData) {
    const unsigned char* bytes = (const unsigned char*)buf;
    int width, height, stride, x, y;
    SusieBitmapInfoHeader* header;
    unsigned char* rows;
    (void)flag;
    (void)lpPrgressCallback;
    (void)lData;
    if (len < 6) {
        return SUSIE_BROKEN_DATA;
    }
    width = bytes[4];
    height = bytes[5];
    if (len < 6 + width * height * 3) {
        return SUSIE_BROKEN_DATA;
    }
    stride = (width * 3 + 3) / 4 * 4;
    header = (SusieBitmapInfoHeader*)calloc(1, sizeof(SusieBitmapInfoHeader));
    header->biSize = sizeof(SusieBitmapInfoHeader);
    header->biWidth = width;
    header->biHeight = -height;
    header->biPlanes = 1;
    header->biBitCount = 24;
    rows = (unsigned char*)calloc(1, (size_t)(stride * height > 0 ? stride * height : 1));
    for (y = 0; y < height; ++y) {
        for (x = 0; x < width; ++x) {
            const unsigned char* rgb = bytes + 6 + (y * width + x) * 3;
            rows[y * stride + x * 3] = rgb[2];
            rows[y * stride + x * 3 + 1] = rgb[1];
            rows[y * stride + x * 3 + 2] = rgb[0];
        }
    }
    *pHBInfo = header;
    *pHBm = rows;
    return SUSIE_SUCCESS;
}
