// The image library's calls over stb_image, for the builds where the library itself cannot be
// built: the browser and Windows.

#include "platform/stb/pictures_ahead.h"

#include <FreeImage.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_ONLY_PNM
#include <stb_image.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

struct FIBITMAP {
    unsigned width = 0;
    unsigned height = 0;
    unsigned bpp = 0;
    unsigned pitch = 0;
    std::unique_ptr<BYTE[]> bits; // null for a header-only bitmap
};

namespace {

FreeImage_OutputMessageFunction outputMessage = nullptr;

struct FormatName {
    const char* extension;
    FREE_IMAGE_FORMAT format;
};

constexpr FormatName formatNames[] = {
    {"bmp", FIF_BMP},   {"ico", FIF_ICO},   {"jpg", FIF_JPEG},  {"jif", FIF_JPEG},
    {"jpeg", FIF_JPEG}, {"jpe", FIF_JPEG},  {"koa", FIF_KOALA}, {"pbm", FIF_PBM},
    {"pcd", FIF_PCD},   {"pcx", FIF_PCX},   {"pgm", FIF_PGM},   {"png", FIF_PNG},
    {"ppm", FIF_PPM},   {"ras", FIF_RAS},   {"tga", FIF_TARGA}, {"targa", FIF_TARGA},
    {"tif", FIF_TIFF},  {"tiff", FIF_TIFF},
};

// The formats stb_image reads; the others fail to load where this stage stands in.
bool Decodable(FREE_IMAGE_FORMAT format) {
    return format == FIF_JPEG || format == FIF_PNG || format == FIF_BMP || format == FIF_TARGA ||
           format == FIF_PGM || format == FIF_PPM;
}

void Report(FREE_IMAGE_FORMAT format, const char* message) {
    if (outputMessage != nullptr) {
        outputMessage(format, message);
    }
}

unsigned PitchOf(unsigned width, unsigned bpp) {
    return ((width * bpp + 31) / 32) * 4;
}

std::unique_ptr<FIBITMAP> Allocate(unsigned width, unsigned height, unsigned bpp) {
    auto bitmap = std::make_unique<FIBITMAP>();
    bitmap->width = width;
    bitmap->height = height;
    bitmap->bpp = bpp;
    bitmap->pitch = PitchOf(width, bpp);
    // Every byte is written by the caller, so none is cleared here.
    bitmap->bits.reset(new BYTE[static_cast<std::size_t>(bitmap->pitch) * height]);
    return bitmap;
}

// The whole stream from where it stands, read in one call so that a short read means the
// stream was cut, as the caller counts it.
bool ReadAll(FreeImageIO* io, fi_handle handle, std::vector<BYTE>* bytes) {
    const long start = io->tell_proc(handle);
    if (start < 0 || io->seek_proc(handle, 0, SEEK_END) != 0) {
        return false;
    }
    const long end = io->tell_proc(handle);
    if (end < start || io->seek_proc(handle, start, SEEK_SET) != 0) {
        return false;
    }
    bytes->resize(static_cast<std::size_t>(end - start));
    if (bytes->empty()) {
        return false;
    }
    return io->read_proc(bytes->data(), 1, static_cast<unsigned>(bytes->size()), handle) ==
           bytes->size();
}

// The file's bytes as stb_image reads them, noting a read that finds nothing left: stb takes
// the missing bytes for zeros without a word, where the library's decoders stop.
struct MemoryReader {
    const std::vector<BYTE>& bytes;
    std::size_t position = 0;
    bool overran = false;

    static int Read(void* user, char* data, int size) {
        auto* reader = static_cast<MemoryReader*>(user);
        const std::size_t left = reader->bytes.size() - reader->position;
        const std::size_t count = std::min(left, static_cast<std::size_t>(std::max(size, 0)));
        std::memcpy(data, reader->bytes.data() + reader->position, count);
        reader->position += count;
        reader->overran = reader->overran || (count == 0 && size > 0);
        return static_cast<int>(count);
    }
    static void Skip(void* user, int count) {
        auto* reader = static_cast<MemoryReader*>(user);
        const std::size_t left = reader->bytes.size() - reader->position;
        if (count > 0 && static_cast<std::size_t>(count) > left) {
            reader->overran = true;
        }
        reader->position += std::min(left, static_cast<std::size_t>(std::max(count, 0)));
    }
    static int AtEnd(void* user) {
        const auto* reader = static_cast<MemoryReader*>(user);
        return reader->position >= reader->bytes.size() ? 1 : 0;
    }
};

constexpr stbi_io_callbacks readerCalls{MemoryReader::Read, MemoryReader::Skip,
                                        MemoryReader::AtEnd};

// stb's rows run from the top with red first; the library's from the bottom with blue first.
std::unique_ptr<FIBITMAP> FromDecoded(const stbi_uc* pixels, int width, int height, int channels) {
    const unsigned bpp = channels == 1 ? 8 : channels == 3 ? 24 : 32;
    auto bitmap = Allocate(static_cast<unsigned>(width), static_cast<unsigned>(height), bpp);
    const int bytes = static_cast<int>(bpp / 8);
    for (int row = 0; row < height; ++row) {
        const stbi_uc* source = pixels + static_cast<std::size_t>(row) * width * channels;
        BYTE* target = FreeImage_GetScanLine(bitmap.get(), height - 1 - row);
        for (int column = 0; column < width; ++column, source += channels, target += bytes) {
            if (channels == 1) {
                target[0] = source[0];
            } else if (channels == 2) {
                target[FI_RGBA_RED] = target[FI_RGBA_GREEN] = target[FI_RGBA_BLUE] = source[0];
                target[FI_RGBA_ALPHA] = source[1];
            } else {
                target[FI_RGBA_RED] = source[0];
                target[FI_RGBA_GREEN] = source[1];
                target[FI_RGBA_BLUE] = source[2];
                if (channels == 4) {
                    target[FI_RGBA_ALPHA] = source[3];
                }
            }
        }
    }
    return bitmap;
}

// Rec. 709 luminance, as the library weighs colours.
BYTE Luminance(const BYTE* bgr) {
    return static_cast<BYTE>(std::lround(0.2126f * bgr[FI_RGBA_RED] + 0.7152f * bgr[FI_RGBA_GREEN] +
                                         0.0722f * bgr[FI_RGBA_BLUE]));
}

// One row from sourceBytes to targetBytes a pixel; each pair of depths has its own loop,
// since every sprite's picture goes through one.
void ConvertRow(const BYTE* source, unsigned sourceBytes, BYTE* target, unsigned targetBytes,
                unsigned width) {
    if (sourceBytes == targetBytes) {
        std::memcpy(target, source, static_cast<std::size_t>(width) * targetBytes);
    } else if (targetBytes == 1) {
        for (unsigned column = 0; column < width; ++column, source += sourceBytes) {
            target[column] = Luminance(source);
        }
    } else if (sourceBytes == 1) {
        for (unsigned column = 0; column < width; ++column, target += targetBytes) {
            target[0] = target[1] = target[2] = source[column];
            if (targetBytes == 4) {
                target[FI_RGBA_ALPHA] = 0xFF;
            }
        }
    } else if (targetBytes == 4) {
        for (unsigned column = 0; column < width; ++column, source += 3, target += 4) {
            target[0] = source[0];
            target[1] = source[1];
            target[2] = source[2];
            target[FI_RGBA_ALPHA] = 0xFF;
        }
    } else {
        for (unsigned column = 0; column < width; ++column, source += 4, target += 3) {
            target[0] = source[0];
            target[1] = source[1];
            target[2] = source[2];
        }
    }
}

FIBITMAP* ConvertTo(FIBITMAP* source, unsigned bpp) {
    if (source == nullptr || !source->bits) {
        return nullptr;
    }
    auto converted = Allocate(source->width, source->height, bpp);
    for (unsigned row = 0; row < source->height; ++row) {
        ConvertRow(FreeImage_GetScanLine(source, static_cast<int>(row)), source->bpp / 8,
                   FreeImage_GetScanLine(converted.get(), static_cast<int>(row)), bpp / 8,
                   source->width);
    }
    return converted.release();
}

std::unique_ptr<FIBITMAP> ReadHeader(FREE_IMAGE_FORMAT format, const std::vector<BYTE>& bytes) {
    int width = 0;
    int height = 0;
    int channels = 0;
    MemoryReader reader{bytes};
    if (!stbi_info_from_callbacks(&readerCalls, &reader, &width, &height, &channels)) {
        Report(format, stbi_failure_reason());
        return nullptr;
    }
    auto bitmap = std::make_unique<FIBITMAP>();
    bitmap->width = static_cast<unsigned>(width);
    bitmap->height = static_cast<unsigned>(height);
    bitmap->bpp = channels == 1 ? 8 : channels == 3 ? 24 : 32;
    bitmap->pitch = PitchOf(bitmap->width, bitmap->bpp);
    return bitmap;
}

// Damage is reported only for a picture that the program is loading.
std::unique_ptr<FIBITMAP> Decode(FREE_IMAGE_FORMAT format, const std::vector<BYTE>& bytes,
                                 bool reported) {
    int width = 0;
    int height = 0;
    int channels = 0;
    MemoryReader reader{bytes};
    stbi_uc* pixels =
        stbi_load_from_callbacks(&readerCalls, &reader, &width, &height, &channels, 0);
    if (pixels == nullptr || reader.overran) {
        if (reported) {
            Report(format,
                   pixels == nullptr ? stbi_failure_reason() : "the file ends within the picture");
        }
        stbi_image_free(pixels);
        return nullptr;
    }
    auto bitmap = FromDecoded(pixels, width, height, channels);
    stbi_image_free(pixels);
    return bitmap;
}

std::unique_ptr<FIBITMAP> Copy(const FIBITMAP& source) {
    auto copy = Allocate(source.width, source.height, source.bpp);
    std::memcpy(copy->bits.get(), source.bits.get(),
                static_cast<std::size_t>(source.pitch) * source.height);
    return copy;
}

// Pictures decoded before the program asked for them, by their files' bytes, so that a
// file that has changed since decodes afresh.
struct AheadPicture {
    std::vector<BYTE> bytes;
    std::unique_ptr<FIBITMAP> bitmap;
};
std::vector<AheadPicture> picturesAhead;

const FIBITMAP* DecodedAhead(const std::vector<BYTE>& bytes) {
    for (const AheadPicture& picture : picturesAhead) {
        if (picture.bytes == bytes) {
            return picture.bitmap.get();
        }
    }
    return nullptr;
}

} // namespace

void DecodePictureAhead(const char* path) {
    std::FILE* file = path != nullptr ? std::fopen(path, "rb") : nullptr;
    if (file == nullptr) {
        return;
    }
    std::vector<BYTE> bytes;
    BYTE chunk[65536];
    std::size_t read = 0;
    while ((read = std::fread(chunk, 1, sizeof(chunk), file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + read);
    }
    std::fclose(file);
    const FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(path);
    if (!Decodable(format) || bytes.empty() || DecodedAhead(bytes) != nullptr) {
        return;
    }
    if (auto bitmap = Decode(format, bytes, false)) {
        picturesAhead.push_back({std::move(bytes), std::move(bitmap)});
    }
}

void ForgetPicturesAhead() {
    picturesAhead.clear();
}

void FreeImage_SetOutputMessage(FreeImage_OutputMessageFunction omf) {
    outputMessage = omf;
}

FREE_IMAGE_FORMAT FreeImage_GetFIFFromFilename(const char* filename) {
    if (filename == nullptr) {
        return FIF_UNKNOWN;
    }
    const char* dot = std::strrchr(filename, '.');
    std::string extension = dot != nullptr ? dot + 1 : filename;
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const FormatName& name : formatNames) {
        if (extension == name.extension) {
            return name.format;
        }
    }
    return FIF_UNKNOWN;
}

BOOL FreeImage_FIFSupportsNoPixels(FREE_IMAGE_FORMAT fif) {
    return Decodable(fif) ? TRUE : FALSE;
}

FIBITMAP* FreeImage_LoadFromHandle(FREE_IMAGE_FORMAT fif, FreeImageIO* io, fi_handle handle,
                                   int flags) {
    if (!Decodable(fif) || io == nullptr) {
        return nullptr;
    }
    std::vector<BYTE> bytes;
    if (!ReadAll(io, handle, &bytes)) {
        return nullptr;
    }
    if ((flags & FIF_LOAD_NOPIXELS) != 0) {
        return ReadHeader(fif, bytes).release();
    }
    if (const FIBITMAP* ahead = DecodedAhead(bytes)) {
        return Copy(*ahead).release();
    }
    return Decode(fif, bytes, true).release();
}

void FreeImage_Unload(FIBITMAP* dib) {
    delete dib;
}

FREE_IMAGE_TYPE FreeImage_GetImageType(FIBITMAP* dib) {
    return dib != nullptr ? FIT_BITMAP : FIT_UNKNOWN;
}

FREE_IMAGE_COLOR_TYPE FreeImage_GetColorType(FIBITMAP* dib) {
    if (dib == nullptr) {
        return FIC_RGB;
    }
    return dib->bpp == 8 ? FIC_MINISBLACK : dib->bpp == 32 ? FIC_RGBALPHA : FIC_RGB;
}

unsigned FreeImage_GetBPP(FIBITMAP* dib) {
    return dib != nullptr ? dib->bpp : 0;
}

unsigned FreeImage_GetWidth(FIBITMAP* dib) {
    return dib != nullptr ? dib->width : 0;
}

unsigned FreeImage_GetHeight(FIBITMAP* dib) {
    return dib != nullptr ? dib->height : 0;
}

unsigned FreeImage_GetPitch(FIBITMAP* dib) {
    return dib != nullptr ? dib->pitch : 0;
}

unsigned FreeImage_GetGreenMask(FIBITMAP* /*dib*/) {
    return 0;
}

BYTE* FreeImage_GetBits(FIBITMAP* dib) {
    return dib != nullptr ? dib->bits.get() : nullptr;
}

BYTE* FreeImage_GetScanLine(FIBITMAP* dib, int scanline) {
    BYTE* bits = FreeImage_GetBits(dib);
    if (bits == nullptr || scanline < 0 || static_cast<unsigned>(scanline) >= dib->height) {
        return nullptr;
    }
    return bits + static_cast<std::size_t>(scanline) * dib->pitch;
}

FIBITMAP* FreeImage_ConvertTo24Bits(FIBITMAP* dib) {
    return ConvertTo(dib, 24);
}

FIBITMAP* FreeImage_ConvertTo32Bits(FIBITMAP* dib) {
    return ConvertTo(dib, 32);
}

FIBITMAP* FreeImage_ConvertToGreyscale(FIBITMAP* dib) {
    return ConvertTo(dib, 8);
}

FIBITMAP* FreeImage_ConvertTo16Bits555(FIBITMAP* /*dib*/) {
    return nullptr;
}

FIBITMAP* FreeImage_ColorQuantize(FIBITMAP* /*dib*/, FREE_IMAGE_QUANTIZE /*quantize*/) {
    return nullptr;
}

// Bilinear, sampling at pixel centres; only grey pictures are stretched.
FIBITMAP* FreeImage_Rescale(FIBITMAP* dib, int dst_width, int dst_height,
                            FREE_IMAGE_FILTER /*filter*/) {
    if (dib == nullptr || dib->bpp != 8 || !dib->bits || dst_width <= 0 || dst_height <= 0) {
        return nullptr;
    }
    auto scaled = Allocate(static_cast<unsigned>(dst_width), static_cast<unsigned>(dst_height), 8);
    const auto sample = [dib](int x, int y) {
        x = std::clamp(x, 0, static_cast<int>(dib->width) - 1);
        y = std::clamp(y, 0, static_cast<int>(dib->height) - 1);
        return static_cast<float>(FreeImage_GetScanLine(dib, y)[x]);
    };
    const float stepX = static_cast<float>(dib->width) / static_cast<float>(dst_width);
    const float stepY = static_cast<float>(dib->height) / static_cast<float>(dst_height);
    for (int row = 0; row < dst_height; ++row) {
        const float y = (static_cast<float>(row) + 0.5f) * stepY - 0.5f;
        const int y0 = static_cast<int>(std::floor(y));
        const float fy = y - static_cast<float>(y0);
        BYTE* target = FreeImage_GetScanLine(scaled.get(), row);
        for (int column = 0; column < dst_width; ++column) {
            const float x = (static_cast<float>(column) + 0.5f) * stepX - 0.5f;
            const int x0 = static_cast<int>(std::floor(x));
            const float fx = x - static_cast<float>(x0);
            const float top = sample(x0, y0) * (1.0f - fx) + sample(x0 + 1, y0) * fx;
            const float bottom = sample(x0, y0 + 1) * (1.0f - fx) + sample(x0 + 1, y0 + 1) * fx;
            target[column] = static_cast<BYTE>(std::lround(top * (1.0f - fy) + bottom * fy));
        }
    }
    return scaled.release();
}

BOOL FreeImage_SetChannel(FIBITMAP* dst, FIBITMAP* src, FREE_IMAGE_COLOR_CHANNEL channel) {
    if (dst == nullptr || src == nullptr || channel != FICC_ALPHA || dst->bpp != 32 ||
        src->bpp != 8 || dst->width != src->width || dst->height != src->height || !dst->bits ||
        !src->bits) {
        return FALSE;
    }
    for (unsigned row = 0; row < dst->height; ++row) {
        BYTE* target = FreeImage_GetScanLine(dst, static_cast<int>(row));
        const BYTE* source = FreeImage_GetScanLine(src, static_cast<int>(row));
        for (unsigned column = 0; column < dst->width; ++column) {
            target[column * 4 + FI_RGBA_ALPHA] = source[column];
        }
    }
    return TRUE;
}
