#pragma once

// Pictures as the generator draws them: rows of double-precision pixels, top row first,
// drawn by signed distances with a one-pixel soft edge, and saved as JPEG or PNG.

#include <string>
#include <vector>

namespace datagen {

struct Colour {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
};

Colour operator+(Colour a, Colour b);
Colour operator*(Colour c, double k);
Colour operator*(Colour a, Colour b);
Colour Mix(Colour a, Colour b, double t);

template <typename T>
class Raster {
public:
    Raster() = default;
    Raster(int width, int height, T fill = T{})
        : width(width), height(height), pixels(static_cast<std::size_t>(width) * height, fill) {}

    int Width() const { return width; }
    int Height() const { return height; }
    T& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    const T& At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }

private:
    int width = 0;
    int height = 0;
    std::vector<T> pixels;
};

using Picture = Raster<Colour>;
using Grey = Raster<double>;

// How much of a pixel a shape covers, given the signed distance (negative inside) from the
// pixel's centre to the shape's edge; edges are soft over `softness` pixels.
double Coverage(double distance, double softness = 1.0);

double CircleDistance(double x, double y, double centreX, double centreY, double radius);
// Distance to the segment from (ax, ay) to (bx, by) minus half the stroke width.
double SegmentDistance(double x, double y, double ax, double ay, double bx, double by,
                       double width);
double RingDistance(double x, double y, double centreX, double centreY, double radius,
                    double width);

// Calls shade(x, y) at every pixel centre (x + 0.5, y + 0.5) and mixes the pixel towards
// colour by the coverage it returns.
template <typename Shade>
void Paint(Picture& picture, Colour colour, Shade shade) {
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const double coverage = shade(x + 0.5, y + 0.5);
            if (coverage > 0.0) {
                picture.At(x, y) = Mix(picture.At(x, y), colour, coverage);
            }
        }
    }
}

// Raises every grey pixel to at least the coverage that shade returns.
template <typename Shade>
void PaintMax(Grey& grey, Shade shade) {
    for (int y = 0; y < grey.Height(); ++y) {
        for (int x = 0; x < grey.Width(); ++x) {
            const double value = shade(x + 0.5, y + 0.5);
            if (value > grey.At(x, y)) {
                grey.At(x, y) = value;
            }
        }
    }
}

// Gaussian blur; `wrap` treats the picture as a tile, otherwise outside is 0.
Grey Blur(const Grey& grey, double sigma, bool wrap = false);

// Bilinear sample with pixel centres at integer + 0.5, as OpenGL's linear filter does with
// repeating texture coordinates when wrap is set, and with black outside otherwise.
Colour Sample(const Picture& picture, double x, double y, bool wrap);
double Sample(const Grey& grey, double x, double y, bool wrap);

unsigned char ToByte(double value);

// Eight-bit channels; a grey raster becomes an 8-bit greyscale file. Empty on success,
// otherwise the reason.
std::string SaveJpeg(const Picture& picture, const std::string& path);
std::string SaveJpeg(const Grey& grey, const std::string& path);
std::string SavePng(const Picture& picture, const std::string& path);

} // namespace datagen
