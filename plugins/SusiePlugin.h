/*
 * The interface of a Ruvela picture plug-in: a shared library whose file name ends in ".spi"
 * (any case) that exports the C functions below with these argument lists. Ruvela loads the
 * plug-ins of the folder "PlugIn" beside the program, then of "PlugIn" in its data folder, and
 * offers every file whose format no built-in decoder takes to the picture plug-ins in load
 * order: the first whose IsSupported answers non-zero decodes it with GetPicture.
 *
 * Build one with any C or C++ compiler, for example
 *     cc -shared -fPIC -o myformat.spi myformat.c
 * and put it into one of those folders; README.md says more.
 *
 * All integers are little-endian; the structures are packed (no padding), as the format of the
 * blocks defines them. Strings are bytes ending in NUL.
 *
 * Threads: GetPluginInfo is called on one thread while the plug-ins are loaded. IsSupported and
 * GetPicture are called on the picture loader's worker threads. A plug-in that exports
 * RuvelaPluginThreadSafe returning non-zero may be called from several threads at once; any
 * other is never called from two threads at the same time (the host serialises its calls).
 */
#ifndef RUVELA_SUSIE_PLUGIN_H
#define RUVELA_SUSIE_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define SUSIE_EXPORT __attribute__((visibility("default")))
#else
#define SUSIE_EXPORT
#endif

/* GetPluginInfo(0) of a picture plug-in. Any other text (such as an archive plug-in's) makes
 * the host unload the library. */
#define SUSIE_PICTURE_API "00IN"

/* Return codes. */
enum {
    SUSIE_NOT_IMPLEMENTED = -1,
    SUSIE_SUCCESS = 0,
    SUSIE_ABORTED = 1,        /* the progress callback asked to stop */
    SUSIE_UNKNOWN_FORMAT = 2, /* not a file of this plug-in */
    SUSIE_BROKEN_DATA = 3,
    SUSIE_NO_MEMORY = 4,
    SUSIE_MEMORY_ERROR = 5,
    SUSIE_FILE_READ_ERROR = 6,
    SUSIE_RESERVED = 7,
    SUSIE_INTERNAL_ERROR = 8
};

/* The low three bits of `flag`: where `buf` points. */
enum {
    SUSIE_INPUT_FILE = 0,  /* `buf` is a file name, `len` an offset into the file */
    SUSIE_INPUT_MEMORY = 1 /* `buf` is the whole file in memory, `len` its size in bytes */
};

/* The compression values of a bitmap header that the host reads. */
enum { SUSIE_BI_RGB = 0, SUSIE_BI_BITFIELDS = 3 };

#pragma pack(push, 1)

/* The header at the start of the info block GetPicture returns (a BITMAPINFOHEADER). */
typedef struct SusieBitmapInfoHeader {
    uint32_t biSize;        /* 40 */
    int32_t biWidth;        /* pixels, above 0 */
    int32_t biHeight;       /* pixels: above 0 the rows run bottom-up, below 0 top-down */
    uint16_t biPlanes;      /* 1 */
    uint16_t biBitCount;    /* 1, 4, 8, 16, 24 or 32 */
    uint32_t biCompression; /* SUSIE_BI_RGB, or SUSIE_BI_BITFIELDS for 16 and 32 bits */
    uint32_t biSizeImage;   /* may be 0 */
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed; /* colours in the table; 0 means 2^biBitCount for 1, 4 and 8 bits */
    uint32_t biClrImportant;
} SusieBitmapInfoHeader;

/* One colour of the table that follows the header (after the three masks with BITFIELDS). */
typedef struct SusieRgbQuad {
    uint8_t rgbBlue;
    uint8_t rgbGreen;
    uint8_t rgbRed;
    uint8_t rgbReserved; /* 32-bit rows: alpha when the plug-in sets it */
} SusieRgbQuad;

/* What GetPictureInfo tells of a picture. */
typedef struct SusiePictureInfo {
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t height;
    uint16_t x_density;
    uint16_t y_density;
    int16_t colorDepth; /* bits per pixel */
    void* hInfo;        /* a text block allocated with malloc, or NULL; the caller frees it */
} SusiePictureInfo;

#pragma pack(pop)

/* Called now and then while a picture decodes; a non-zero answer asks the plug-in to stop. The
 * host passes none. */
typedef int (*SusieProgressCallback)(int num, int denom, int32_t data);

/* Item `infono` of the plug-in's description into `buf` (at most `buflen` bytes with the NUL);
 * returns the length written, 0 when there is no such item. Items: 0 the API version
 * (SUSIE_PICTURE_API), 1 the plug-in's name and version, then pairs of a file pattern
 * ("*.webp", several joined by ";") and the name of that type: 2 and 3, 4 and 5, ... */
SUSIE_EXPORT int GetPluginInfo(int infono, char* buf, int buflen);

/* Non-zero when the file is one this plug-in decodes. `filename` may be NULL; `dw` points to the
 * start of the file in memory, at least 2048 bytes (zeros past the end of a shorter file). */
SUSIE_EXPORT int IsSupported(const char* filename, void* dw);

/* The picture's size and depth without decoding it. */
SUSIE_EXPORT int GetPictureInfo(const char* buf, int32_t len, unsigned int flag, SusiePictureInfo* lpInfo);

/* Decodes the picture. On SUSIE_SUCCESS, *pHBInfo is a block allocated with malloc holding a
 * SusieBitmapInfoHeader and its colour table (or masks), *pHBm a block allocated with malloc
 * holding the rows, each padded to a multiple of 4 bytes; the host releases both with free.
 * On any other return both are left NULL or freed by the plug-in. */
SUSIE_EXPORT int GetPicture(const char* buf, int32_t len, unsigned int flag, void** pHBInfo, void** pHBm,
                            SusieProgressCallback lpPrgressCallback, int32_t lData);

/* A smaller picture for a preview, in the same blocks as GetPicture; optional. */
SUSIE_EXPORT int GetPreview(const char* buf, int32_t len, unsigned int flag, void** pHBInfo, void** pHBm,
                            SusieProgressCallback lpPrgressCallback, int32_t lData);

/* The plug-in's own settings dialog; optional, never called by Ruvela. */
SUSIE_EXPORT int ConfigurationDlg(void* parent, int fnc);

/* Optional: non-zero when IsSupported and GetPicture may run on several threads at once. */
SUSIE_EXPORT int RuvelaPluginThreadSafe(void);

#ifdef __cplusplus
}
#endif

#endif
