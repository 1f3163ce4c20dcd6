/* Claims files that begin with "PAL8", then a width and a height byte and one palette index per
 * pixel, top row first. Answers an 8-bit bottom-up picture whose table (256 colours, given by a
 * colour count of 0) maps index i to red i, green 255 - i, blue i / 2. */
#include "TestPlugin.h"

SUSIE_EXPORT int GetPluginInfo(int infono, char* buf, int buflen) {
    static const char* const items[] = {"00IN", "Palette test plug-in", "*.pal8", "Palette"};
    return TestInfo(items, 4, infono, buf, buflen);
}

SUSIE_EXPORT int IsSupported(const char* filename, void* dw) {
    (void)filename;
    return StartsWith(dw, "PAL8");
}

SUSIE_EXPORT int GetPicture(const char* buf, int32_t len, unsigned int flag, void** pHBInfo, void** pHBm,
                            SusieProgressCallback lpPrgressCallback, int32_t lData) {
    const unsigned char* bytes = (const unsigned char*)buf;
    int width, height, stride, x, y, i;
    SusieBitmapInfoHeader* header;
    SusieRgbQuad* table;
    unsigned char* rows;
    (void)flag;
    (void)lpPrgressCallback;
    (void)lData;
    if (len < 6) {
        return SUSIE_BROKEN_DATA;
    }
    width = bytes[4];
    height = bytes[5];
    if (len < 6 + width * height) {
        return SUSIE_BROKEN_DATA;
    }
    stride = (width + 3) / 4 * 4;
    header = (SusieBitmapInfoHeader*)calloc(1, sizeof(SusieBitmapInfoHeader) + 256 * sizeof(SusieRgbQuad));
    header->biSize = sizeof(SusieBitmapInfoHeader);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = 8;
    table = (SusieRgbQuad*)(header + 1);
    for (i = 0; i < 256; ++i) {
        table[i].rgbRed = (unsigned char)i;
        table[i].rgbGreen = (unsigned char)(255 - i);
        table[i].rgbBlue = (unsigned char)(i / 2);
    }
    rows = (unsigned char*)calloc(1, (size_t)(stride * height > 0 ? stride * height : 1));
    for (y = 0; y < height; ++y) {
        for (x = 0; x < width; ++x) {
            rows[(height - 1 - y) * stride + x] = bytes[6 + y * width + x];
        }
    }
    *pHBInfo = header;
    *pHBm = rows;
    return SUSIE_SUCCESS;
}
