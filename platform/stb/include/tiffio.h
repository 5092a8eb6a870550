#pragma once

// The stb_image stage has no TIFF decoder: no messages to quieten, and no file it opens, so
// nothing for a check of what the decoder would read.

#include <cstdint>

typedef void (*TIFFErrorHandler)(const char* module, const char* format, ...);

inline TIFFErrorHandler TIFFSetErrorHandler(TIFFErrorHandler /*handler*/) {
    return nullptr;
}
inline TIFFErrorHandler TIFFSetWarningHandler(TIFFErrorHandler /*handler*/) {
    return nullptr;
}

struct TIFF;
typedef void* thandle_t;
typedef std::int64_t tmsize_t;
typedef std::uint64_t toff_t;
typedef tmsize_t (*TIFFReadWriteProc)(thandle_t, void*, tmsize_t);
typedef toff_t (*TIFFSeekProc)(thandle_t, toff_t, int);
typedef int (*TIFFCloseProc)(thandle_t);
typedef toff_t (*TIFFSizeProc)(thandle_t);
typedef int (*TIFFMapFileProc)(thandle_t, void**, toff_t*);
typedef void (*TIFFUnmapFileProc)(thandle_t, void*, toff_t);

#define TIFFTAG_BITSPERSAMPLE 258
#define TIFFTAG_SAMPLESPERPIXEL 277
#define TIFFTAG_PLANARCONFIG 284
#define PLANARCONFIG_CONTIG 1
#define PLANARCONFIG_SEPARATE 2
#define TIFFTAG_SUBIFD 330

inline TIFF* TIFFClientOpen(const char* /*name*/, const char* /*mode*/, thandle_t /*handle*/,
                            TIFFReadWriteProc /*read*/, TIFFReadWriteProc /*write*/,
                            TIFFSeekProc /*seek*/, TIFFCloseProc /*close*/, TIFFSizeProc /*size*/,
                            TIFFMapFileProc /*map*/, TIFFUnmapFileProc /*unmap*/) {
    return nullptr;
}
inline void TIFFClose(TIFF* /*file*/) {}
inline int TIFFGetField(TIFF* /*file*/, std::uint32_t /*tag*/, ...) {
    return 0;
}
inline int TIFFGetFieldDefaulted(TIFF* /*file*/, std::uint32_t /*tag*/, ...) {
    return 0;
}
inline int TIFFReadDirectory(TIFF* /*file*/) {
    return 0;
}
inline int TIFFSetDirectory(TIFF* /*file*/, std::uint16_t /*directory*/) {
    return 0;
}
inline int TIFFSetSubDirectory(TIFF* /*file*/, std::uint64_t /*offset*/) {
    return 0;
}
