#include "support/pictures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

Bitmap MakePicture(int width, int height, const std::function<Colour(int, int)>& colour) {
    Bitmap picture(FreeImage_Allocate(width, height, 24));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Colour c = colour(x, y);
            RGBQUAD pixel{static_cast<BYTE>(c[2]), static_cast<BYTE>(c[1]), static_cast<BYTE>(c[0]),
                          0};
            FreeImage_SetPixelColor(picture.get(), x, height - 1 - y, &pixel);
        }
    }
    return picture;
}

Bitmap MakeGreyPicture(int width, int height, const std::function<int(int, int)>& level) {
    Bitmap picture(FreeImage_Allocate(width, height, 8));
    RGBQUAD* palette = FreeImage_GetPalette(picture.get());
    for (int i = 0; i < 256; ++i) {
        palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = static_cast<BYTE>(i);
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            auto index = static_cast<BYTE>(level(x, y));
            FreeImage_SetPixelIndex(picture.get(), x, height - 1 - y, &index);
        }
    }
    return picture;
}

PictureFolder::PictureFolder() {
    folder = (std::filesystem::temp_directory_path() / "tuvoran-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        ADD_FAILURE() << "no temporary folder";
    }
}

PictureFolder::~PictureFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::string PictureFolder::Save(const std::string& name, FIBITMAP* picture,
                                FREE_IMAGE_FORMAT format) const {
    std::string path = PathOf(name);
    EXPECT_TRUE(FreeImage_Save(format, picture, path.c_str(), 0)) << name;
    return path;
}

std::string PictureFolder::Write(const std::string& name, const std::string& bytes) const {
    std::string path = PathOf(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string PictureFolder::Truncate(const std::string& path, const std::string& name,
                                    double fraction) const {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return Write(name, bytes.substr(0, static_cast<std::size_t>(bytes.size() * fraction)));
}
