// Picture files: which names give which format, and which files decode.

#include "gfx/image_file.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

TEST(ImageFormat, ThirteenExtensionsAreAcceptedAndNoOthers) {
    const std::pair<const char*, FREE_IMAGE_FORMAT> accepted[] = {
        {"a.bmp", FIF_BMP},  {"data\\b.ico", FIF_ICO}, {"c.JPG", FIF_JPEG}, {"d.koa", FIF_KOALA},
        {"e.pbm", FIF_PBM},  {"f.pcd", FIF_PCD},       {"g.pcx", FIF_PCX},  {"h.pgm", FIF_PGM},
        {"i.png", FIF_PNG},  {"j.ppm", FIF_PPM},       {"k.ras", FIF_RAS},  {"l.tga", FIF_TARGA},
        {"m.tif", FIF_TIFF}, {"png", FIF_PNG},
    };
    for (const auto& [name, format] : accepted) {
        EXPECT_EQ(ImageFormatFromName(name), format) << name;
        EXPECT_EQ(ImageDecodeFlags(format), format == FIF_JPEG ? JPEG_ACCURATE : 0) << name;
    }
    // Only the last three characters count: "peg", "iff" and "rga" name no accepted format.
    const char* refused[] = {"x.jpeg", "x.tiff", "x.targa", "x.gif", "x.psd", "x.jng",
                             "x.j2k",  "x.webp", "x.b",     "pn",    "",      nullptr};
    for (const char* name : refused) {
        EXPECT_EQ(ImageFormatFromName(name), FIF_UNKNOWN) << (name != nullptr ? name : "null");
    }
}

TEST(ImageFile, DecodesEachWritableFormat) {
    PictureFolder folder;
    const Bitmap picture = MakePicture(32, 32, [](int x, int y) { return Colour{x, y, 9}; });
    const Bitmap grey = MakeGreyPicture(32, 32, [](int x, int) { return x * 8; });
    const Bitmap oneBit(FreeImage_Threshold(grey.get(), 128));
    std::string backslashed = folder.PathOf("p.png"); // as the program writes its paths
    backslashed[backslashed.rfind('/')] = '\\';
    const std::string paths[] = {
        folder.Save("p.ico", picture.get(), FIF_ICO),
        folder.Save("p.jpg", picture.get(), FIF_JPEG),
        folder.Save("p.pbm", oneBit.get(), FIF_PBMRAW),
        folder.Save("p.ppm", picture.get(), FIF_PPMRAW),
        folder.Save("p.tif", picture.get(), FIF_TIFF),
        folder.Save("p.png", picture.get(), FIF_PNG),
        backslashed,
    };
    for (const std::string& path : paths) {
        const Bitmap decoded = DecodeImageFile(path.c_str());
        ASSERT_TRUE(decoded) << path;
        EXPECT_EQ(FreeImage_GetWidth(decoded.get()), 32u) << path;
    }
}

TEST(ImageFile, RefusesDamagedFilesWithoutPrintingAnything) {
    PictureFolder folder;
    const Bitmap picture = MakePicture(256, 256, [](int x, int y) {
        return Colour{x ^ y, x * y % 256, (x + y) % 256};
    });
    const std::string jpeg = folder.Save("whole.jpg", picture.get(), FIF_JPEG);
    const std::string png = folder.Save("whole.png", picture.get(), FIF_PNG);
    const std::string tiff = folder.Save("whole.tif", picture.get(), FIF_TIFF);
    const std::string damaged[] = {
        folder.PathOf("missing.jpg"),
        folder.Write("empty.jpg", ""),
        folder.Write("empty.bmp", ""),
        folder.Truncate(jpeg, "cut.jpg", 0.9), // decodes, with a warning, to a grey remainder
        folder.Truncate(png, "cut.png", 0.5),
        folder.Truncate(tiff, "cut.tif", 0.5),
        folder.Write("text.jpg", "this is no picture at all"),
        folder.Write("text.tif", std::string("II*\0", 4) + "this is no picture at all"),
        folder.Truncate(png, "png-named.jpg", 1.0),
    };
    std::vector<std::string> decoded;
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    for (const std::string& path : damaged) {
        if (DecodeImageFile(path.c_str())) {
            decoded.push_back(path);
        }
    }
    const std::string printed =
        testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
    EXPECT_EQ(decoded, std::vector<std::string>{});
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(DecodeImageFile(jpeg.c_str()));
}

} // namespace
