#include "tools/datagen/raster.h"

#include "tools/datagen/det_math.h"

#include <FreeImage.h>

#include <cmath>
#include <memory>

namespace datagen {
namespace {

// Best quality short of lossless, no chroma subsampling, no markers beyond the frame.
constexpr int jpegFlags = 95 | JPEG_SUBSAMPLING_444 | JPEG_OPTIMIZE | JPEG_BASELINE;

struct BitmapDeleter {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

Bitmap ToBitmap(const Picture& picture) {
    Bitmap bitmap(FreeImage_Allocate(picture.Width(), picture.Height(), 24));
    if (!bitmap) {
        return bitmap;
    }
    for (int y = 0; y < picture.Height(); ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap.get(), picture.Height() - 1 - y);
        for (int x = 0; x < picture.Width(); ++x) {
            const Colour& c = picture.At(x, y);
            row[3 * x + FI_RGBA_RED] = ToByte(c.r);
            row[3 * x + FI_RGBA_GREEN] = ToByte(c.g);
            row[3 * x + FI_RGBA_BLUE] = ToByte(c.b);
        }
    }
    return bitmap;
}

std::string Save(FREE_IMAGE_FORMAT format, FIBITMAP* bitmap, const std::string& path, int flags) {
    if (bitmap == nullptr) {
        return "cannot allocate a bitmap for " + path;
    }
    if (FreeImage_Save(format, bitmap, path.c_str(), flags) == 0) {
        return "cannot write " + path;
    }
    return {};
}

std::vector<double> GaussianKernel(double sigma) {
    const int radius = static_cast<int>(std::ceil(sigma * 3.0));
    std::vector<double> kernel(2 * radius + 1);
    double sum = 0.0;
    for (int i = -radius; i <= radius; ++i) {
        kernel[i + radius] = Exp(-0.5 * i * i / (sigma * sigma));
        sum += kernel[i + radius];
    }
    for (double& weight : kernel) {
        weight /= sum;
    }
    return kernel;
}

int Wrap(int i, int size) {
    return ((i % size) + size) % size;
}

} // namespace

Colour operator+(Colour a, Colour b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
Colour operator*(Colour c, double k) {
    return {c.r * k, c.g * k, c.b * k};
}
Colour operator*(Colour a, Colour b) {
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}
Colour Mix(Colour a, Colour b, double t) {
    return {datagen::Mix(a.r, b.r, t), datagen::Mix(a.g, b.g, t), datagen::Mix(a.b, b.b, t)};
}

double Coverage(double distance, double softness) {
    return Clamp(0.5 - distance / softness, 0.0, 1.0);
}

double CircleDistance(double x, double y, double centreX, double centreY, double radius) {
    const double dx = x - centreX;
    const double dy = y - centreY;
    return std::sqrt(dx * dx + dy * dy) - radius;
}

double SegmentDistance(double x, double y, double ax, double ay, double bx, double by,
                       double width) {
    const double abx = bx - ax;
    const double aby = by - ay;
    const double lengthSquared = abx * abx + aby * aby;
    double t = lengthSquared > 0.0 ? ((x - ax) * abx + (y - ay) * aby) / lengthSquared : 0.0;
    t = Clamp(t, 0.0, 1.0);
    const double dx = x - (ax + t * abx);
    const double dy = y - (ay + t * aby);
    return std::sqrt(dx * dx + dy * dy) - width * 0.5;
}

double RingDistance(double x, double y, double centreX, double centreY, double radius,
                    double width) {
    return std::fabs(CircleDistance(x, y, centreX, centreY, radius)) - width * 0.5;
}

Grey Blur(const Grey& grey, double sigma, bool wrap) {
    const std::vector<double> kernel = GaussianKernel(sigma);
    const int radius = static_cast<int>(kernel.size() / 2);
    const int width = grey.Width();
    const int height = grey.Height();
    auto tap = [&](const Grey& source, int x, int y) {
        if (wrap) {
            return source.At(Wrap(x, width), Wrap(y, height));
        }
        return x < 0 || y < 0 || x >= width || y >= height ? 0.0 : source.At(x, y);
    };
    Grey across(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double sum = 0.0;
            for (int i = -radius; i <= radius; ++i) {
                sum += kernel[i + radius] * tap(grey, x + i, y);
            }
            across.At(x, y) = sum;
        }
    }
    Grey result(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double sum = 0.0;
            for (int i = -radius; i <= radius; ++i) {
                sum += kernel[i + radius] * tap(across, x, y + i);
            }
            result.At(x, y) = sum;
        }
    }
    return result;
}

template <typename T>
T SampleRaster(const Raster<T>& raster, double x, double y, bool wrap, T outside) {
    const double fx = x - 0.5;
    const double fy = y - 0.5;
    const int x0 = static_cast<int>(std::floor(fx));
    const int y0 = static_cast<int>(std::floor(fy));
    const double tx = fx - x0;
    const double ty = fy - y0;
    auto tap = [&](int px, int py) {
        if (wrap) {
            return raster.At(Wrap(px, raster.Width()), Wrap(py, raster.Height()));
        }
        if (px < 0 || py < 0 || px >= raster.Width() || py >= raster.Height()) {
            return outside;
        }
        return raster.At(px, py);
    };
    const T top = tap(x0, y0) * (1.0 - tx) + tap(x0 + 1, y0) * tx;
    const T bottom = tap(x0, y0 + 1) * (1.0 - tx) + tap(x0 + 1, y0 + 1) * tx;
    return top * (1.0 - ty) + bottom * ty;
}

Colour Sample(const Picture& picture, double x, double y, bool wrap) {
    return SampleRaster(picture, x, y, wrap, Colour{});
}

double Sample(const Grey& grey, double x, double y, bool wrap) {
    return SampleRaster(grey, x, y, wrap, 0.0);
}

unsigned char ToByte(double value) {
    return static_cast<unsigned char>(std::floor(Clamp(value, 0.0, 1.0) * 255.0 + 0.5));
}

std::string SaveJpeg(const Picture& picture, const std::string& path) {
    const Bitmap bitmap = ToBitmap(picture);
    return Save(FIF_JPEG, bitmap.get(), path, jpegFlags);
}

std::string SaveJpeg(const Grey& grey, const std::string& path) {
    const Bitmap bitmap(FreeImage_Allocate(grey.Width(), grey.Height(), 8));
    if (bitmap) {
        RGBQUAD* palette = FreeImage_GetPalette(bitmap.get());
        for (int i = 0; i < 256; ++i) {
            const auto level = static_cast<BYTE>(i);
            palette[i] = RGBQUAD{level, level, level, 0};
        }
        for (int y = 0; y < grey.Height(); ++y) {
            BYTE* row = FreeImage_GetScanLine(bitmap.get(), grey.Height() - 1 - y);
            for (int x = 0; x < grey.Width(); ++x) {
                row[x] = ToByte(grey.At(x, y));
            }
        }
    }
    return Save(FIF_JPEG, bitmap.get(), path, jpegFlags);
}

std::string SavePng(const Picture& picture, const std::string& path) {
    const Bitmap bitmap = ToBitmap(picture);
    return Save(FIF_PNG, bitmap.get(), path, PNG_DEFAULT);
}

} // namespace datagen
