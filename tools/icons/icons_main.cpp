// Writes the program's icon as PNGs of the given sizes for a desktop's icon theme, or as the
// icon file that the Windows build puts in tuvoran.exe:
//   tuvoran-icons FOLDER SIZE...   ->   FOLDER/SIZExSIZE/apps/tuvoran.png
//   tuvoran-icons --ico FILE       ->   FILE, in the sizes Explorer and the taskbar show
//   tuvoran-icons --padded FILE SIZE  ->  FILE, SIZExSIZE on black with the icon in the middle,
//                                         for home screens that cut icons to their own shape

#include "app/option_values.h"
#include "app/program_icon.h"

#include <FreeImage.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

struct BitmapDeleter {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

constexpr int largestSize = 1024;

Bitmap IconBitmap(const IconImage& icon) {
    Bitmap bitmap(FreeImage_Allocate(icon.width, icon.height, 32));
    if (!bitmap) {
        return nullptr;
    }
    // The icon's rows run from the top, the bitmap's from the bottom; 0xAARRGGBB is the
    // bitmap's own pixel layout on a little-endian machine.
    for (int y = 0; y < icon.height; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap.get(), icon.height - 1 - y);
        std::memcpy(row, icon.pixels + static_cast<std::ptrdiff_t>(y) * icon.width,
                    static_cast<std::size_t>(icon.width) * 4);
    }
    return bitmap;
}

// Box filtering averages each target pixel's own share of the picture: sizes that divide by
// the icon's keep its hard pixel edges.
bool WriteIcon(FIBITMAP* icon, int size, const std::filesystem::path& folder) {
    const Bitmap scaled(FreeImage_Rescale(icon, size, size, FILTER_BOX));
    const std::string sizeName = std::to_string(size) + "x" + std::to_string(size);
    const std::filesystem::path target = folder / sizeName / "apps" / "tuvoran.png";
    std::error_code error;
    std::filesystem::create_directories(target.parent_path(), error);
    return scaled && FreeImage_Save(FIF_PNG, scaled.get(), target.c_str(), PNG_Z_BEST_COMPRESSION);
}

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& bytes, unsigned value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(Bytes& bytes, std::uint32_t value) {
    Put16(bytes, value & 0xFFFF);
    Put16(bytes, value >> 16);
}

// An icon file's picture as Windows has always read it: the colours with alpha, bottom row
// first, then the mask of the fully transparent pixels for displays without alpha.
Bytes DeviceIndependentPicture(FIBITMAP* picture) {
    const unsigned size = FreeImage_GetWidth(picture);
    const unsigned maskPitch = (size + 31) / 32 * 4;
    Bytes bytes;
    Put32(bytes, 40);
    Put32(bytes, size);
    Put32(bytes, size * 2); // colours and mask
    Put16(bytes, 1);
    Put16(bytes, 32);
    for (int i = 0; i < 6; ++i) {
        Put32(bytes, 0);
    }
    Bytes mask(static_cast<std::size_t>(maskPitch) * size, 0);
    for (unsigned row = 0; row < size; ++row) {
        const BYTE* pixels = FreeImage_GetScanLine(picture, static_cast<int>(row));
        bytes.insert(bytes.end(), pixels, pixels + static_cast<std::size_t>(size) * 4);
        for (unsigned column = 0; column < size; ++column) {
            if (pixels[column * 4 + FI_RGBA_ALPHA] == 0) {
                mask[row * maskPitch + column / 8] |=
                    static_cast<std::uint8_t>(0x80 >> (column % 8));
            }
        }
    }
    bytes.insert(bytes.end(), mask.begin(), mask.end());
    return bytes;
}

// The large picture as a PNG, as icon files have held them since Windows Vista.
Bytes PngPicture(FIBITMAP* picture) {
    FIMEMORY* memory = FreeImage_OpenMemory();
    Bytes bytes;
    BYTE* data = nullptr;
    DWORD length = 0;
    if (FreeImage_SaveToMemory(FIF_PNG, picture, memory, PNG_Z_BEST_COMPRESSION) &&
        FreeImage_AcquireMemory(memory, &data, &length)) {
        bytes.assign(data, data + length);
    }
    FreeImage_CloseMemory(memory);
    return bytes;
}

bool WriteWindowsIcon(FIBITMAP* icon, const std::string& path) {
    constexpr std::array<unsigned, 4> sizes = {16, 32, 48, 256};
    std::vector<Bytes> pictures;
    for (const unsigned size : sizes) {
        const Bitmap scaled(
            FreeImage_Rescale(icon, static_cast<int>(size), static_cast<int>(size), FILTER_BOX));
        if (!scaled) {
            return false;
        }
        pictures.push_back(size < 256 ? DeviceIndependentPicture(scaled.get())
                                      : PngPicture(scaled.get()));
        if (pictures.back().empty()) {
            return false;
        }
    }
    Bytes file;
    Put16(file, 0);
    Put16(file, 1); // an icon, not a cursor
    Put16(file, sizes.size());
    std::uint32_t offset = 6 + 16 * sizes.size();
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        file.push_back(static_cast<std::uint8_t>(sizes[i] % 256)); // 256 is written as 0
        file.push_back(static_cast<std::uint8_t>(sizes[i] % 256));
        file.push_back(0); // no palette
        file.push_back(0);
        Put16(file, 1);
        Put16(file, 32);
        Put32(file, static_cast<std::uint32_t>(pictures[i].size()));
        Put32(file, offset);
        offset += static_cast<std::uint32_t>(pictures[i].size());
    }
    for (const Bytes& picture : pictures) {
        file.insert(file.end(), picture.begin(), picture.end());
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

// A phone's launcher may cut an icon to a circle of 4/5 of its side, and fills what is
// transparent with white: the icon goes opaque, on black, within the circle.
bool WritePaddedIcon(FIBITMAP* icon, int size, const std::string& path) {
    const int inner = size * 5 / 8;
    const Bitmap scaled(FreeImage_Rescale(icon, inner, inner, FILTER_BOX));
    RGBQUAD black = {0, 0, 0, 255};
    const Bitmap padded(FreeImage_AllocateEx(size, size, 32, &black));
    if (!scaled || !padded) {
        return false;
    }
    const int offset = (size - inner) / 2;
    const Bitmap composed(FreeImage_Composite(scaled.get(), FALSE, &black, nullptr));
    const Bitmap opaque(composed ? FreeImage_ConvertTo32Bits(composed.get()) : nullptr);
    return opaque && FreeImage_Paste(padded.get(), opaque.get(), offset, offset, 256) &&
           FreeImage_Save(FIF_PNG, padded.get(), path.c_str(), PNG_Z_BEST_COMPRESSION);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(
            stderr,
            "Usage: %s FOLDER SIZE...\n       %s --ico FILE\n       %s --padded FILE SIZE\n",
            argv[0], argv[0], argv[0]);
        return 2;
    }
    const Bitmap icon = IconBitmap(ProgramIcon());
    if (!icon) {
        std::fprintf(stderr, "%s: out of memory\n", argv[0]);
        return 1;
    }
    if (std::strcmp(argv[1], "--ico") == 0) {
        if (!WriteWindowsIcon(icon.get(), argv[2])) {
            std::fprintf(stderr, "%s: cannot write the icon file %s\n", argv[0], argv[2]);
            return 1;
        }
        return 0;
    }
    if (std::strcmp(argv[1], "--padded") == 0) {
        int size = 0;
        if (argc != 4 || !ReadNumber(argv[3], 16, largestSize, &size)) {
            std::fprintf(stderr, "%s: --padded takes a file and a size from 16 to %d\n", argv[0],
                         largestSize);
            return 2;
        }
        if (!WritePaddedIcon(icon.get(), size, argv[2])) {
            std::fprintf(stderr, "%s: cannot write the icon file %s\n", argv[0], argv[2]);
            return 1;
        }
        return 0;
    }
    for (int i = 2; i < argc; ++i) {
        int size = 0;
        if (!ReadNumber(argv[i], 1, largestSize, &size)) {
            std::fprintf(stderr, "%s: not a size from 1 to %d: %s\n", argv[0], largestSize,
                         argv[i]);
            return 2;
        }
        if (!WriteIcon(icon.get(), size, argv[1])) {
            std::fprintf(stderr, "%s: cannot write the %dx%d icon in %s\n", argv[0], size, size,
                         argv[1]);
            return 1;
        }
    }
    return 0;
}
