// Picture files: which names give which format, and which files decode.

#include "gfx/image_file.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

Colour Stripes(int x, int y) {
    return {x * 8, y * 8, 255 - x * 8};
}

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
    // Only the last three characters count: jpeg, tiff and targa are not found by them
    // (tiff's "iff" names a format that is not accepted).
    const char* refused[] = {"x.jpeg", "x.tiff", "x.targa",   "x.gif", "x.psd", "x.jng", "x.mng",
                             "x.j2k",  "x.webp", "x.png.txt", "x.b",   "pn",    "",      nullptr};
    for (const char* name : refused) {
        EXPECT_EQ(ImageFormatFromName(name), FIF_UNKNOWN) << (name != nullptr ? name : "null");
    }
}

TEST(ImageFile, DecodesEachWritableFormatAndAKoalaPicture) {
    PictureFolder folder;
    const Bitmap picture = MakePicture(32, 32, Stripes);
    const Bitmap grey = MakeGreyPicture(32, 32, [](int x, int) { return x * 8; });
    const Bitmap oneBit(FreeImage_Threshold(grey.get(), 128));
    const std::string paths[] = {
        folder.Save("p.bmp", picture.get(), FIF_BMP),
        folder.Save("p.ico", picture.get(), FIF_ICO),
        folder.Save("p.jpg", picture.get(), FIF_JPEG),
        folder.Save("p.pbm", oneBit.get(), FIF_PBMRAW),
        folder.Save("p.pgm", grey.get(), FIF_PGM),
        folder.Save("p.png", picture.get(), FIF_PNG),
        folder.Save("p.ppm", picture.get(), FIF_PPM),
        folder.Save("raw.ppm", picture.get(), FIF_PPMRAW),
        folder.Save("p.tga", picture.get(), FIF_TARGA),
        folder.Save("p.tif", picture.get(), FIF_TIFF),
    };
    for (const std::string& path : paths) {
        const Bitmap decoded = DecodeImageFile(path.c_str());
        ASSERT_TRUE(decoded) << path;
        EXPECT_EQ(FreeImage_GetWidth(decoded.get()), 32u) << path;
        EXPECT_EQ(FreeImage_GetHeight(decoded.get()), 32u) << path;
    }

    // A C64 multicolour picture: load address, bitmap, screen and colour memory, background.
    const std::string koala =
        folder.Write("p.koa", std::string("\x00\x60", 2) + std::string(8000 + 1000 + 1000 + 1, 1));
    const Bitmap decoded = DecodeImageFile(koala.c_str());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(FreeImage_GetWidth(decoded.get()), 320u);
}

TEST(ImageFile, ReadsTheProgramsBackslashedPaths) {
    PictureFolder folder;
    const Bitmap picture = MakePicture(4, 4, Stripes);
    folder.Save("p.png", picture.get(), FIF_PNG);
    const std::string written = folder.PathOf("") + "\\p.png";
    EXPECT_TRUE(DecodeImageFile(written.c_str()));
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
        folder.Write("empty.png", ""),
        folder.Write("empty.bmp", ""),
        folder.Truncate(jpeg, "cut.jpg", 0.9),
        folder.Truncate(png, "half.png", 0.5),
        folder.Truncate(tiff, "half.tif", 0.5),
        folder.Write("text.jpg", "this is no picture at all, only some text"),
        folder.Write("text.bmp", "this is no picture at all, only some text"),
        folder.Write("text.tif", std::string("II*\0", 4) + "this is no picture at all"),
        folder.Truncate(png, "png-as.jpg", 1.0),
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
    EXPECT_TRUE(DecodeImageFile(jpeg.c_str())); // the damage was in the copies
}

} // namespace
