// Pictures decoded ahead on worker threads: what each hand-over gives, in whatever order the
// loading thread asks, and what becomes of pictures never asked for.

#include "gfx/picture_decoding.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The same picture: size, depth, alpha, texture layout and every byte of its rows.
void ExpectSame(const std::optional<DecodedPicture>& got,
                const std::optional<DecodedPicture>& wanted) {
    ASSERT_EQ(got.has_value(), wanted.has_value());
    if (!wanted) {
        return;
    }
    FIBITMAP* a = got->image.get();
    FIBITMAP* b = wanted->image.get();
    ASSERT_EQ(FreeImage_GetBPP(a), FreeImage_GetBPP(b));
    ASSERT_EQ(FreeImage_GetWidth(a), FreeImage_GetWidth(b));
    ASSERT_EQ(FreeImage_GetHeight(a), FreeImage_GetHeight(b));
    EXPECT_EQ(got->hasAlpha, wanted->hasAlpha);
    EXPECT_EQ(got->upload.internalFormat, wanted->upload.internalFormat);
    EXPECT_EQ(got->upload.format, wanted->upload.format);
    const std::size_t rowBytes = FreeImage_GetLine(a);
    for (unsigned int row = 0; row < FreeImage_GetHeight(a); ++row) {
        EXPECT_EQ(std::memcmp(FreeImage_GetScanLine(a, static_cast<int>(row)),
                              FreeImage_GetScanLine(b, static_cast<int>(row)), rowBytes),
                  0);
    }
}

class Decoding : public ::testing::Test {
protected:
    Decoding() {
        const Bitmap picture = MakePicture(40, 30, [](int x, int y) {
            return Colour{x * 6, y * 8, 90};
        });
        const Bitmap mask = MakeGreyPicture(40, 30, [](int x, int y) { return (x + y) * 3; });
        const std::string jpeg = folder.Save("p.jpg", picture.get(), FIF_JPEG);
        const std::string jpegMask = folder.Save("m.jpg", mask.get(), FIF_JPEG);
        const std::string targa = folder.Save("p.tga", picture.get(), FIF_TARGA);
        const std::string png = folder.Save("m.png", mask.get(), FIF_PNG);
        const std::string missing = folder.PathOf("missing.jpg");
        paths = {jpeg, jpegMask, targa, png, missing};
        requests = {
            {paths[0].c_str(), 32, paths[1].c_str()}, {paths[2].c_str(), 32, nullptr},
            {paths[4].c_str(), 32, nullptr},          {paths[0].c_str(), 24, nullptr},
            {paths[0].c_str(), 32, paths[3].c_str()}, {paths[2].c_str(), 32, paths[1].c_str()},
            {paths[0].c_str(), 32, paths[4].c_str()}, {paths[0].c_str(), 0, nullptr},
        };
    }

    PictureFolder folder;
    std::vector<std::string> paths;
    std::vector<PictureRequest> requests;
};

TEST_F(Decoding, EachHandOverIsWhatDecodePictureGivesInAnyOrder) {
    for (const std::vector<std::size_t>& order :
         {std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6, 7},
          std::vector<std::size_t>{7, 5, 3, 1, 6, 4, 2, 0}}) {
        PictureDecoding decoding(requests);
        for (const std::size_t i : order) {
            SCOPED_TRACE(i);
            const PictureRequest& request = requests[i];
            ExpectSame(decoding.Take(i),
                       DecodePicture(request.path, request.bpp, request.maskPath));
        }
        EXPECT_FALSE(decoding.Take(order.front())); // each is handed over once
    }
}

// Under the sanitizers, a picture decoded but never taken would show as a leak.
TEST_F(Decoding, PicturesNeverTakenAreFreedWithTheDecoding) {
    for (const std::size_t taken : {std::size_t{0}, std::size_t{3}}) {
        PictureDecoding decoding(requests);
        ASSERT_TRUE(decoding.Take(taken));
    }
    const PictureDecoding untouched(requests);
}

} // namespace
