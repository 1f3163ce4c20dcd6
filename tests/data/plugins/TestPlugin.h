/* Shared pieces of the test plug-ins: the description items and answers built from bytes. */
#ifndef RUVELA_TEST_PLUGIN_H
#define RUVELA_TEST_PLUGIN_H

#include "SusiePlugin.h"

#include <stdlib.h>
#include <string.h>

/* Copies item `infono` of `items` (count of them) into `buf`; 0 past the last. */
static inline int TestInfo(const char* const* items, int count, int infono, char* buf, int buflen) {
    size_t length;
    if (infono < 0 || infono >= count || buflen <= 0) {
        return 0;
    }
    length = strlen(items[infono]);
    if (length >= (size_t)buflen) {
        length = (size_t)buflen - 1;
    }
    memcpy(buf, items[infono], length);
    buf[length] = '\0';
    return (int)length;
}

/* Whether the start of the file `dw` begins with `magic`. Reads all 2048 bytes the host promises,
 * so that a shorter buffer shows up under AddressSanitizer. */
static inline int StartsWith(const void* dw, const char* magic) {
    const volatile unsigned char* bytes = (const volatile unsigned char*)dw;
    unsigned sum = 0;
    int i;
    for (i = 0; i < 2048; ++i) {
        sum += bytes[i];
    }
    (void)sum;
    return memcmp(dw, magic, strlen(magic)) == 0;
}

/* `bytes` holds a 4-byte little-endian size of the info block, the info block, then the bits
 * block: each is copied into a block of its own, allocated with its exact size. */
static inline int EchoBlocks(const unsigned char* bytes, long length, void** pHBInfo, void** pHBm) {
    unsigned long infoSize;
    if (length < 4) {
        return SUSIE_BROKEN_DATA;
    }
    infoSize = (unsigned long)bytes[0] | ((unsigned long)bytes[1] << 8) | ((unsigned long)bytes[2] << 16) |
               ((unsigned long)bytes[3] << 24);
    if (infoSize > (unsigned long)(length - 4)) {
        return SUSIE_BROKEN_DATA;
    }
    *pHBInfo = malloc(infoSize > 0 ? infoSize : 1);
    *pHBm = malloc(length - 4 - (long)infoSize > 0 ? (size_t)(length - 4 - (long)infoSize) : 1);
    memcpy(*pHBInfo, bytes + 4, infoSize);
    memcpy(*pHBm, bytes + 4 + infoSize, (size_t)(length - 4 - (long)infoSize));
    return SUSIE_SUCCESS;
}

/* A top-down 24-bit picture of one pixel. */
static inline int OnePixel(unsigned char red, unsigned char green, unsigned char blue, void** pHBInfo,
                           void** pHBm) {
    SusieBitmapInfoHeader* header = (SusieBitmapInfoHeader*)calloc(1, sizeof(SusieBitmapInfoHeader));
    unsigned char* row = (unsigned char*)calloc(1, 4);
    header->biSize = sizeof(SusieBitmapInfoHeader);
    header->biWidth = 1;
    header->biHeight = -1;
    header->biPlanes = 1;
    header->biBitCount = 24;
    row[0] = blue;
    row[1] = green;
    row[2] = red;
    *pHBInfo = header;
    *pHBm = row;
    return SUSIE_SUCCESS;
}

#endif
