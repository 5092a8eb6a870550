#pragma once

// The part of the image library's interface that the picture loading calls, for the builds
// where the library itself cannot be built (the browser, Windows). Pictures decode with stb_image;
// bitmaps are laid out as the library lays them out on a little-endian machine: rows from the
// bottom, each padded to 4 bytes, colour bytes in blue, green, red, alpha order.

#include <cstdint>

#define DLL_CALLCONV

#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif

typedef int32_t BOOL;
typedef uint8_t BYTE;

#define FI_RGBA_RED 2
#define FI_RGBA_GREEN 1
#define FI_RGBA_BLUE 0
#define FI_RGBA_ALPHA 3

#define FI16_565_GREEN_MASK 0x07E0

#define FIF_LOAD_NOPIXELS 0x8000
#define JPEG_ACCURATE 0x0002

struct FIBITMAP;

enum FREE_IMAGE_FORMAT {
    FIF_UNKNOWN = -1,
    FIF_BMP = 0,
    FIF_ICO = 1,
    FIF_JPEG = 2,
    FIF_KOALA = 4,
    FIF_PBM = 7,
    FIF_PCD = 9,
    FIF_PCX = 10,
    FIF_PGM = 11,
    FIF_PNG = 13,
    FIF_PPM = 14,
    FIF_RAS = 16,
    FIF_TARGA = 17,
    FIF_TIFF = 18,
};

enum FREE_IMAGE_TYPE { FIT_UNKNOWN = 0, FIT_BITMAP = 1, FIT_UINT16 = 2 };

enum FREE_IMAGE_COLOR_TYPE {
    FIC_MINISWHITE = 0,
    FIC_MINISBLACK = 1,
    FIC_RGB = 2,
    FIC_PALETTE = 3,
    FIC_RGBALPHA = 4,
};

enum FREE_IMAGE_QUANTIZE { FIQ_WUQUANT = 0 };
enum FREE_IMAGE_FILTER { FILTER_BILINEAR = 2 };
enum FREE_IMAGE_COLOR_CHANNEL { FICC_ALPHA = 4 };

typedef void* fi_handle;
typedef unsigned(DLL_CALLCONV* FI_ReadProc)(void* buffer, unsigned size, unsigned count,
                                            fi_handle handle);
typedef unsigned(DLL_CALLCONV* FI_WriteProc)(void* buffer, unsigned size, unsigned count,
                                             fi_handle handle);
typedef int(DLL_CALLCONV* FI_SeekProc)(fi_handle handle, long offset, int origin);
typedef long(DLL_CALLCONV* FI_TellProc)(fi_handle handle);

struct FreeImageIO {
    FI_ReadProc read_proc;
    FI_WriteProc write_proc;
    FI_SeekProc seek_proc;
    FI_TellProc tell_proc;
};

typedef void (*FreeImage_OutputMessageFunction)(FREE_IMAGE_FORMAT fif, const char* msg);

void FreeImage_SetOutputMessage(FreeImage_OutputMessageFunction omf);
FREE_IMAGE_FORMAT FreeImage_GetFIFFromFilename(const char* filename);
BOOL FreeImage_FIFSupportsNoPixels(FREE_IMAGE_FORMAT fif);
FIBITMAP* FreeImage_LoadFromHandle(FREE_IMAGE_FORMAT fif, FreeImageIO* io, fi_handle handle,
                                   int flags);
void FreeImage_Unload(FIBITMAP* dib);

FREE_IMAGE_TYPE FreeImage_GetImageType(FIBITMAP* dib);
FREE_IMAGE_COLOR_TYPE FreeImage_GetColorType(FIBITMAP* dib);
unsigned FreeImage_GetBPP(FIBITMAP* dib);
unsigned FreeImage_GetWidth(FIBITMAP* dib);
unsigned FreeImage_GetHeight(FIBITMAP* dib);
unsigned FreeImage_GetPitch(FIBITMAP* dib);
unsigned FreeImage_GetGreenMask(FIBITMAP* dib);
BYTE* FreeImage_GetBits(FIBITMAP* dib);
BYTE* FreeImage_GetScanLine(FIBITMAP* dib, int scanline);

FIBITMAP* FreeImage_ConvertTo24Bits(FIBITMAP* dib);
FIBITMAP* FreeImage_ConvertTo32Bits(FIBITMAP* dib);
FIBITMAP* FreeImage_ConvertToGreyscale(FIBITMAP* dib);
// Neither is offered by this stage: both give null.
FIBITMAP* FreeImage_ConvertTo16Bits555(FIBITMAP* dib);
FIBITMAP* FreeImage_ColorQuantize(FIBITMAP* dib, FREE_IMAGE_QUANTIZE quantize);
FIBITMAP* FreeImage_Rescale(FIBITMAP* dib, int dst_width, int dst_height, FREE_IMAGE_FILTER filter);
BOOL FreeImage_SetChannel(FIBITMAP* dst, FIBITMAP* src, FREE_IMAGE_COLOR_CHANNEL channel);
