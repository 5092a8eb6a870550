// Writes the program's icon as PNGs of the given sizes for a desktop's icon theme:
//   tuvoran-icons FOLDER SIZE...   ->   FOLDER/SIZExSIZE/apps/tuvoran.png

#include "app/option_values.h"
#include "app/program_icon.h"

#include <FreeImage.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

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

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "Usage: %s FOLDER SIZE...\n", argv[0]);
        return 2;
    }
    const Bitmap icon = IconBitmap(ProgramIcon());
    if (!icon) {
        std::fprintf(stderr, "%s: out of memory\n", argv[0]);
        return 1;
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
