#pragma once

// Picture files made at test time with the image library, in a private temporary folder
// that goes away with the test.

#include "gfx/image_file.h"

#include <array>
#include <functional>
#include <string>

using Colour = std::array<int, 3>; // red, green, blue

// A 24-bit picture whose pixel (x, y), y counted from the top, is colour(x, y).
Bitmap MakePicture(int width, int height, const std::function<Colour(int, int)>& colour);
// An 8-bit grey picture whose pixel (x, y), y counted from the top, has level(x, y).
Bitmap MakeGreyPicture(int width, int height, const std::function<int(int, int)>& level);

class PictureFolder {
public:
    PictureFolder();
    ~PictureFolder();
    PictureFolder(const PictureFolder&) = delete;
    PictureFolder& operator=(const PictureFolder&) = delete;

    std::string PathOf(const std::string& name) const { return folder + "/" + name; }
    // Each returns the path of the file it wrote.
    std::string Save(const std::string& name, FIBITMAP* picture, FREE_IMAGE_FORMAT format) const;
    std::string Write(const std::string& name, const std::string& bytes) const;
    // The first fraction of an existing file's bytes.
    std::string Truncate(const std::string& path, const std::string& name, double fraction) const;

private:
    std::string folder;
};
