// What the picture loader refuses before or while the image library decodes: sizes beyond
// the limit, read from the header, and files that end before their pictures do.

#include "gfx/image_file.h"
#include "support/picture_bytes.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Colour Stripes(int x, int y) {
    return {x % 256, (x / 256 + y) % 256, 90};
}

TEST(ImageFileLimits, SidesUpToTheLimitDecodeAndLongerOnesAreRefused) {
    PictureFolder folder;
    const int limit = static_cast<int>(largestPictureSide);
    struct Written {
        const char* extension;
        FREE_IMAGE_FORMAT format;
    };
    const Written writable[] = {{"bmp", FIF_BMP},    {"jpg", FIF_JPEG},  {"png", FIF_PNG},
                                {"pgm", FIF_PGMRAW}, {"tga", FIF_TARGA}, {"tif", FIF_TIFF}};
    // Two rows and columns at least: the PCX decoder takes no picture of one.
    for (const auto& [width, height] :
         {std::pair{limit, 2}, std::pair{limit + 1, 2}, std::pair{2, limit + 1}}) {
        const bool fits = width <= limit && height <= limit;
        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        const Bitmap picture = MakePicture(width, height, Stripes);
        std::vector<std::string> paths;
        for (const Written& written : writable) {
            const Bitmap saved(written.format == FIF_PGMRAW
                                   ? FreeImage_ConvertToGreyscale(picture.get())
                                   : FreeImage_Clone(picture.get()));
            paths.push_back(
                folder.Save(size + "." + written.extension, saved.get(), written.format));
        }
        paths.push_back(folder.Write(size + ".pcx", PcxBytes(width, height, true)));
        paths.push_back(folder.Write(size + ".ras", SunRasterBytes(width, height, false)));
        for (const std::string& path : paths) {
            EXPECT_EQ(static_cast<bool>(DecodeImageFile(path.c_str())), fits) << path;
        }
    }
}

TEST(ImageFileLimits, AHugeDeclaredSizeIsRefusedWithoutDecoding) {
    PictureFolder folder;
    const Bitmap small = MakePicture(16, 16, Stripes);
    const std::string jpeg = Bytes(folder.Save("small.jpg", small.get(), FIF_JPEG));
    std::string pcx = PcxBytes(16, 16, true);
    pcx[8] = pcx[9] = pcx[10] = pcx[11] = '\xFF'; // 65536 x 65536
    std::string raster = SunRasterBytes(16, 16, false);
    raster.replace(4, 8, std::string("\x00\x10\x00\x00\x00\x10\x00\x00", 8)); // 2^20 squared
    const std::string paths[] = {
        folder.Write("huge.jpg", WithDeclaredSize(jpeg, 65500, 65500)),
        folder.Write("wide.jpg", WithDeclaredSize(jpeg, 65500, 16)),
        folder.Write("huge.pgm", "P5\n4000000000 4000000000\n255\n" + std::string(256, 'x')),
        folder.Write("huge.pcx", pcx),
        folder.Write("huge.ras", raster),
    };
    for (const std::string& path : paths) {
        EXPECT_FALSE(DecodeImageFile(path.c_str())) << path;
    }
    EXPECT_TRUE(DecodeImageFile(folder.Write("same.jpg", WithDeclaredSize(jpeg, 16, 16)).c_str()));
}

// One valid file of each accepted format, and of the codings whose decoders read otherwise.
std::vector<std::string> OneOfEachFormat(const PictureFolder& folder) {
    const Bitmap picture = MakePicture(48, 32, Stripes);
    const Bitmap grey(FreeImage_ConvertToGreyscale(picture.get()));
    const Bitmap oneBit(FreeImage_Threshold(grey.get(), 100));
    const Bitmap withAlpha(FreeImage_ConvertTo32Bits(picture.get()));
    const Bitmap icon(FreeImage_Rescale(withAlpha.get(), 32, 32, FILTER_BOX));
    return {
        folder.Save("p.bmp", picture.get(), FIF_BMP),
        folder.Save("p.ico", icon.get(), FIF_ICO),
        folder.Save("p.jpg", picture.get(), FIF_JPEG),
        folder.Write("p.koa", KoalaBytes(true)),
        folder.Write("headless.koa", KoalaBytes(false)),
        folder.Save("p.pbm", oneBit.get(), FIF_PBMRAW),
        folder.Write("p.pcd", PhotoCdBytes()),
        folder.Write("runs.pcx", PcxBytes(48, 32, true)),
        folder.Save("p.pgm", grey.get(), FIF_PGMRAW),
        folder.Save("p.png", picture.get(), FIF_PNG),
        folder.Save("p.ppm", picture.get(), FIF_PPMRAW),
        folder.Save("text.ppm", picture.get(), FIF_PPM),
        folder.Write("p.ras", SunRasterBytes(48, 32, false)),
        folder.Write("runs.ras", SunRasterBytes(48, 32, true)),
        folder.Save("p.tga", picture.get(), FIF_TARGA),
        folder.Save("runs.tga", withAlpha.get(), FIF_TARGA), // run-length coded by default
        folder.Save("p.tif", picture.get(), FIF_TIFF),
    };
}

TEST(ImageFileLimits, FilesCutShortOrEmptyAreRefusedInEveryFormat) {
    PictureFolder folder;
    std::vector<std::string> refused;
    std::vector<std::string> unreadable;
    testing::internal::CaptureStderr();
    for (const std::string& path : OneOfEachFormat(folder)) {
        if (!DecodeImageFile(path.c_str())) {
            unreadable.push_back(path);
        }
        const std::string name = path.substr(path.rfind('/') + 1);
        // The run-length PCX decoder reads ahead and cannot tell a cut file from a whole one.
        std::vector<std::string> damaged{folder.Write("empty-" + name, "")};
        if (name != "runs.pcx") {
            damaged.push_back(folder.Truncate(path, "half-" + name, 0.5));
        }
        for (const std::string& file : damaged) {
            if (DecodeImageFile(file.c_str())) {
                refused.push_back(file);
            }
        }
    }
    // The decoder of uncompressed PCX skips most of each row and so reads past any file's end.
    if (DecodeImageFile(folder.Write("plain.pcx", PcxBytes(48, 32, false)).c_str())) {
        refused.push_back("plain.pcx");
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(unreadable, std::vector<std::string>{});
    EXPECT_EQ(refused, std::vector<std::string>{}) << "decoded, but should have been refused";
}

} // namespace
