// Writes the seeds of the picture fuzzer into the folder given: small pictures of each of
// the thirteen formats and of the codings that their decoders read differently, alone and
// with grey masks of other formats, at the scene's depth and the others.

#include "fuzz/fuzz_input.h"
#include "gfx/image_file.h"
#include "support/picture_bytes.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int width = 24;
constexpr int height = 16;

std::string Encode(FIBITMAP* picture, FREE_IMAGE_FORMAT format, int flags = 0) {
    FIMEMORY* memory = FreeImage_OpenMemory();
    std::string bytes;
    if (FreeImage_SaveToMemory(format, picture, memory, flags)) {
        BYTE* data = nullptr;
        DWORD size = 0;
        FreeImage_AcquireMemory(memory, &data, &size);
        bytes.assign(reinterpret_cast<const char*>(data), size);
    }
    FreeImage_CloseMemory(memory);
    return bytes;
}

Bitmap Colours() {
    Bitmap picture(FreeImage_Allocate(width, height, 24));
    for (int y = 0; y < height; ++y) {
        BYTE* pixel = FreeImage_GetScanLine(picture.get(), y);
        for (int x = 0; x < width; ++x, pixel += 3) {
            pixel[FI_RGBA_RED] = static_cast<BYTE>(x * 10);
            pixel[FI_RGBA_GREEN] = static_cast<BYTE>(y * 15);
            pixel[FI_RGBA_BLUE] = static_cast<BYTE>((x ^ y) * 8);
        }
    }
    return picture;
}

struct Seed {
    int format; // index into fuzzedFormats
    std::string bytes;
};

// One or more pictures of each format, by the format's index.
std::vector<Seed> Pictures() {
    const Bitmap colours = Colours();
    const Bitmap grey(FreeImage_ConvertToGreyscale(colours.get()));
    const Bitmap oneBit(FreeImage_Threshold(grey.get(), 128));
    const Bitmap withAlpha(FreeImage_ConvertTo32Bits(colours.get()));
    const Bitmap palette(FreeImage_ColorQuantize(colours.get(), FIQ_WUQUANT));
    const Bitmap sixteen(FreeImage_ConvertTo16Bits565(colours.get()));
    return {
        {0, Encode(colours.get(), FIF_BMP)},
        {0, Encode(palette.get(), FIF_BMP)},
        {0, Encode(sixteen.get(), FIF_BMP)},
        {1, Encode(withAlpha.get(), FIF_ICO)},
        {2, Encode(colours.get(), FIF_JPEG)},
        {2, Encode(grey.get(), FIF_JPEG, JPEG_PROGRESSIVE)},
        {3, KoalaBytes(true)},
        {4, Encode(oneBit.get(), FIF_PBMRAW)},
        {4, Encode(oneBit.get(), FIF_PBM, PNM_SAVE_ASCII)},
        // A Photo CD picture is 768 KiB; its header part alone lets the fuzzer reach it.
        {5, PhotoCdBytes().substr(0, 2048)},
        {6, PcxBytes(width, height, true)},
        {7, Encode(grey.get(), FIF_PGMRAW)},
        {8, Encode(colours.get(), FIF_PNG)},
        {8, Encode(palette.get(), FIF_PNG)},
        {8, Encode(withAlpha.get(), FIF_PNG)},
        {9, Encode(colours.get(), FIF_PPMRAW)},
        {9, Encode(colours.get(), FIF_PPM, PNM_SAVE_ASCII)},
        {10, SunRasterBytes(width, height, false)},
        {10, SunRasterBytes(width, height, true)},
        {11, Encode(colours.get(), FIF_TARGA)},
        {11, Encode(withAlpha.get(), FIF_TARGA, TARGA_SAVE_RLE)},
        {12, Encode(colours.get(), FIF_TIFF)},
        {12, Encode(grey.get(), FIF_TIFF, TIFF_LZW)},
    };
}

std::vector<Seed> Masks() {
    const Bitmap colours = Colours();
    const Bitmap grey(FreeImage_ConvertToGreyscale(colours.get()));
    const Bitmap half(FreeImage_Rescale(grey.get(), width / 2, height / 2, FILTER_BOX));
    return {{7, Encode(grey.get(), FIF_PGMRAW)},
            {8, Encode(half.get(), FIF_PNG)},
            {2, Encode(grey.get(), FIF_JPEG)},
            {0, Encode(grey.get(), FIF_BMP)}};
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    const std::vector<Seed> pictures = Pictures();
    const std::vector<Seed> masks = Masks();
    int written = 0;
    const auto write = [&](const std::string& input) {
        std::ofstream(folder / ("seed-" + std::to_string(written++)), std::ios::binary) << input;
    };
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const Seed& picture = pictures[i];
        const Seed& mask = masks[i % masks.size()];
        write(JoinPictureInput(picture.format, noMask, 0, picture.bytes, ""));
        write(JoinPictureInput(picture.format, mask.format, 0, picture.bytes, mask.bytes));
        write(JoinPictureInput(picture.format, noMask, 1 + static_cast<int>(i) % 5, picture.bytes,
                               ""));
    }
    std::printf("%d seeds in %s\n", written, folder.c_str());
    return 0;
}
