#include "expected_frames/expected_frames.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace expected_frames {
namespace {

constexpr int tilesPerRow = 12;
constexpr char momentsKey[] = "Moments";

using Rgb = std::array<std::uint8_t, 3>;

constexpr Rgb black{0, 0, 0};
constexpr Rgb red{255, 0, 0};
constexpr Rgb grey{96, 96, 96};
constexpr Rgb darkGrey{40, 40, 40};
constexpr Rgb white{255, 255, 255};

std::uint8_t Level(double value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

// Pixels top row first, saved through the image library, which counts rows from the bottom.
class Canvas {
public:
    Canvas(int width, int height) : width(width), height(height), pixels(Size(width, height)) {}

    void Set(int x, int y, Rgb colour) {
        if (x >= 0 && y >= 0 && x < width && y < height) {
            pixels[static_cast<std::size_t>(y) * width + x] = colour;
        }
    }

    void Fill(int x, int y, int w, int h, Rgb colour) {
        for (int row = y; row < y + h; ++row) {
            for (int column = x; column < x + w; ++column) {
                Set(column, row, colour);
            }
        }
    }

    void Outline(int x, int y, int w, int h, Rgb colour) {
        Fill(x, y, w, 1, colour);
        Fill(x, y + h - 1, w, 1, colour);
        Fill(x, y, 1, h, colour);
        Fill(x + w - 1, y, 1, h, colour);
    }

    // Each block as a square of side pixels.
    template <typename Colour>
    void Blocks(int x, int y, int side, Colour colourOf) {
        for (int row = 0; row < blockRows; ++row) {
            for (int column = 0; column < blockColumns; ++column) {
                Fill(x + column * side, y + row * side, side, side, colourOf(column, row));
            }
        }
    }

    // Digits and points only, three by five, each dot scale pixels wide.
    void Text(int x, int y, int scale, const std::string& text) {
        static constexpr std::array<std::uint16_t, 10> digits = {
            0x7B6F, 0x2C97, 0x73E7, 0x73CF, 0x5BC9, 0x79CF, 0x79EF, 0x7249, 0x7BEF, 0x7BCF};
        for (const char character : text) {
            const std::uint16_t glyph =
                character >= '0' && character <= '9' ? digits[character - '0'] : 0x0002;
            for (int bit = 0; bit < 15; ++bit) {
                if ((glyph >> (14 - bit) & 1) != 0) {
                    Fill(x + bit % 3 * scale, y + bit / 3 * scale, scale, scale, white);
                }
            }
            x += 4 * scale;
        }
    }

    bool Save(const std::string& path) const {
        FIBITMAP* const bitmap = FreeImage_Allocate(width, height, 24);
        if (bitmap == nullptr) {
            return false;
        }
        for (int y = 0; y < height; ++y) {
            BYTE* line = FreeImage_GetScanLine(bitmap, height - 1 - y);
            for (int x = 0; x < width; ++x, line += 3) {
                const Rgb& colour = pixels[static_cast<std::size_t>(y) * width + x];
                line[FI_RGBA_RED] = colour[0];
                line[FI_RGBA_GREEN] = colour[1];
                line[FI_RGBA_BLUE] = colour[2];
            }
        }
        const bool saved = FreeImage_Save(FIF_PNG, bitmap, path.c_str(), PNG_DEFAULT) != 0;
        FreeImage_Unload(bitmap);
        return saved;
    }

private:
    static std::size_t Size(int w, int h) { return static_cast<std::size_t>(w) * h; }

    int width;
    int height;
    std::vector<Rgb> pixels;
};

Rgb MeanColour(const BlockMeans& means, int column, int row) {
    return {Level(means.At(column, row, 0)), Level(means.At(column, row, 1)),
            Level(means.At(column, row, 2))};
}

Rgb MagnifiedDifference(const BlockMeans& a, const BlockMeans& b, int column, int row) {
    constexpr double magnification = 8.0;
    Rgb colour{};
    for (int channel = 0; channel < channels; ++channel) {
        colour[channel] = Level(magnification *
                                std::abs(a.At(column, row, channel) - b.At(column, row, channel)));
    }
    return colour;
}

// The first pixel of a row of a moment's tile in the picture of a kept look.
BYTE* TileRow(FIBITMAP* bitmap, int moment, int row) {
    const int height = static_cast<int>(FreeImage_GetHeight(bitmap));
    const int top = moment / tilesPerRow * blockRows;
    const std::ptrdiff_t left = static_cast<std::ptrdiff_t>(moment % tilesPerRow) * blockColumns;
    return FreeImage_GetScanLine(bitmap, height - 1 - (top + row)) + left * 3;
}

std::string SecondsText(int moment) {
    const int ms = moment * stepMs;
    std::string text = std::to_string(ms / 1000) + ".";
    const int hundredths = ms % 1000 / 10;
    return text + (hundredths < 10 ? "0" : "") + std::to_string(hundredths);
}

} // namespace

std::vector<std::string> CaptureArguments(int count, const std::string& folder) {
    std::string moments;
    for (int moment = 0; moment < count; ++moment) {
        moments += (moment == 0 ? "" : ",") + std::to_string(moment * stepMs);
    }
    return {
        "--png",   folder, "--size", std::to_string(frameWidth) + "x" + std::to_string(frameHeight),
        "--quiet", "--at", moments};
}

std::string StillName(int moment) {
    return "at-" + std::to_string(moment * stepMs) + ".png";
}

bool MeasureFrame(FIBITMAP* frame, BlockMeans* means) {
    if (frame == nullptr || FreeImage_GetWidth(frame) != frameWidth ||
        FreeImage_GetHeight(frame) != frameHeight) {
        return false;
    }
    FIBITMAP* const rgb = FreeImage_ConvertTo24Bits(frame);
    if (rgb == nullptr) {
        return false;
    }
    *means = BlockMeans();
    constexpr double pixelsPerBlock = blockSide * blockSide;
    for (int y = 0; y < frameHeight; ++y) {
        const BYTE* line = FreeImage_GetScanLine(rgb, frameHeight - 1 - y);
        for (int x = 0; x < frameWidth; ++x, line += 3) {
            const int column = x / blockSide;
            const int row = y / blockSide;
            means->At(column, row, 0) += line[FI_RGBA_RED] / pixelsPerBlock;
            means->At(column, row, 1) += line[FI_RGBA_GREEN] / pixelsPerBlock;
            means->At(column, row, 2) += line[FI_RGBA_BLUE] / pixelsPerBlock;
        }
    }
    FreeImage_Unload(rgb);
    return true;
}

bool SaveShowLook(const ShowLook& look, const std::string& path) {
    const int moments = static_cast<int>(look.size());
    const int tileRows = (moments + tilesPerRow - 1) / tilesPerRow;
    const int width = tilesPerRow * blockColumns;
    const int height = tileRows * blockRows;
    FIBITMAP* const bitmap = FreeImage_Allocate(width, height, 24);
    if (bitmap == nullptr) {
        return false;
    }
    for (int moment = 0; moment < moments; ++moment) {
        for (int row = 0; row < blockRows; ++row) {
            BYTE* line = TileRow(bitmap, moment, row);
            for (int column = 0; column < blockColumns; ++column, line += 3) {
                const Rgb colour = MeanColour(look[moment], column, row);
                line[FI_RGBA_RED] = colour[0];
                line[FI_RGBA_GREEN] = colour[1];
                line[FI_RGBA_BLUE] = colour[2];
            }
        }
    }
    const bool saved = FreeImage_SetMetadataKeyValue(FIMD_COMMENTS, bitmap, momentsKey,
                                                     std::to_string(moments).c_str()) != 0 &&
                       FreeImage_Save(FIF_PNG, bitmap, path.c_str(), PNG_Z_BEST_COMPRESSION) != 0;
    FreeImage_Unload(bitmap);
    return saved;
}

ShowLook LoadShowLook(const std::string& path) {
    FIBITMAP* const file = FreeImage_Load(FIF_PNG, path.c_str(), PNG_DEFAULT);
    if (file == nullptr) {
        return {};
    }
    FITAG* tag = nullptr;
    FreeImage_GetMetadata(FIMD_COMMENTS, file, momentsKey, &tag);
    const int moments = tag != nullptr && FreeImage_GetTagValue(tag) != nullptr
                            ? std::atoi(static_cast<const char*>(FreeImage_GetTagValue(tag)))
                            : 0;
    FIBITMAP* const bitmap = FreeImage_ConvertTo24Bits(file);
    FreeImage_Unload(file);
    if (bitmap == nullptr) {
        return {};
    }
    const int width = static_cast<int>(FreeImage_GetWidth(bitmap));
    const int height = static_cast<int>(FreeImage_GetHeight(bitmap));
    const int tileRows = (moments + tilesPerRow - 1) / tilesPerRow;
    ShowLook look;
    if (moments > 0 && width == tilesPerRow * blockColumns && height == tileRows * blockRows) {
        look.resize(moments);
        for (int moment = 0; moment < moments; ++moment) {
            for (int row = 0; row < blockRows; ++row) {
                const BYTE* line = TileRow(bitmap, moment, row);
                for (int column = 0; column < blockColumns; ++column, line += 3) {
                    look[moment].At(column, row, 0) = line[FI_RGBA_RED];
                    look[moment].At(column, row, 1) = line[FI_RGBA_GREEN];
                    look[moment].At(column, row, 2) = line[FI_RGBA_BLUE];
                }
            }
        }
    }
    FreeImage_Unload(bitmap);
    return look;
}

std::vector<BlockDifference> CompareFrames(const BlockMeans& expected, const BlockMeans& drawn) {
    std::vector<BlockDifference> differences;
    for (int row = 0; row < blockRows; ++row) {
        for (int column = 0; column < blockColumns; ++column) {
            BlockDifference largest{column, row, 0, 0.0, 0.0};
            double largestSize = -1.0;
            for (int channel = 0; channel < channels; ++channel) {
                const double size =
                    std::abs(expected.At(column, row, channel) - drawn.At(column, row, channel));
                if (size > largestSize) {
                    largestSize = size;
                    largest = {column, row, channel, expected.At(column, row, channel),
                               drawn.At(column, row, channel)};
                }
            }
            if (largestSize > tolerance) {
                differences.push_back(largest);
            }
        }
    }
    std::sort(differences.begin(), differences.end(),
              [](const BlockDifference& a, const BlockDifference& b) {
                  return std::abs(a.expected - a.drawn) > std::abs(b.expected - b.drawn);
              });
    return differences;
}

bool SaveComparison(const BlockMeans& expected, FIBITMAP* drawn,
                    const std::vector<BlockDifference>& differences, const std::string& path) {
    constexpr int scale = 3;
    constexpr int side = blockSide * scale;
    constexpr int gap = 8;
    constexpr int panelWidth = frameWidth * scale;
    constexpr int panelHeight = frameHeight * scale;
    constexpr int panelStep = panelWidth + gap;
    BlockMeans drawnMeans;
    if (!MeasureFrame(drawn, &drawnMeans)) {
        return false;
    }
    Canvas canvas(4 * panelWidth + 3 * gap, panelHeight);
    canvas.Fill(0, 0, 4 * panelWidth + 3 * gap, panelHeight, grey);
    canvas.Blocks(0, 0, side,
                  [&](int column, int row) { return MeanColour(expected, column, row); });
    canvas.Blocks(panelStep, 0, side,
                  [&](int column, int row) { return MeanColour(drawnMeans, column, row); });
    canvas.Blocks(2 * panelStep, 0, side, [&](int column, int row) {
        return MagnifiedDifference(expected, drawnMeans, column, row);
    });
    for (const BlockDifference& difference : differences) {
        canvas.Outline(2 * panelStep + difference.column * side, difference.row * side, side, side,
                       red);
    }
    FIBITMAP* const rgb = FreeImage_ConvertTo24Bits(drawn);
    for (int y = 0; y < frameHeight; ++y) {
        const BYTE* line = FreeImage_GetScanLine(rgb, frameHeight - 1 - y);
        for (int x = 0; x < frameWidth; ++x, line += 3) {
            canvas.Fill(3 * panelStep + x * scale, y * scale, scale, scale,
                        {line[FI_RGBA_RED], line[FI_RGBA_GREEN], line[FI_RGBA_BLUE]});
        }
    }
    FreeImage_Unload(rgb);
    return canvas.Save(path);
}

bool SaveReviewSheet(const ShowLook& before, const ShowLook& after, const std::string& path) {
    constexpr int cellsPerRow = 5;
    constexpr int side = 4;
    constexpr int tileWidth = blockColumns * side;
    constexpr int tileHeight = blockRows * side;
    constexpr int labelHeight = 14;
    constexpr int margin = 8;
    constexpr int cellWidth = 3 * tileWidth + 2 * 2 + margin;
    constexpr int cellHeight = labelHeight + tileHeight + margin;
    const int moments = static_cast<int>(std::max(before.size(), after.size()));
    const int cellRows = (moments + cellsPerRow - 1) / cellsPerRow;
    const int width = margin + cellsPerRow * cellWidth;
    const int height = margin + cellRows * cellHeight;
    Canvas canvas(width, height);
    canvas.Fill(0, 0, width, height, darkGrey);

    const BlockMeans none;
    for (int moment = 0; moment < moments; ++moment) {
        const BlockMeans& old = moment < static_cast<int>(before.size()) ? before[moment] : none;
        const BlockMeans& now = moment < static_cast<int>(after.size()) ? after[moment] : none;
        const int left = margin + moment % cellsPerRow * cellWidth;
        const int top = margin + moment / cellsPerRow * cellHeight;
        canvas.Text(left, top, 2, SecondsText(moment));
        const int tilesTop = top + labelHeight;
        canvas.Blocks(left, tilesTop, side,
                      [&](int column, int row) { return MeanColour(old, column, row); });
        canvas.Blocks(left + tileWidth + 2, tilesTop, side,
                      [&](int column, int row) { return MeanColour(now, column, row); });
        canvas.Blocks(left + 2 * (tileWidth + 2), tilesTop, side, [&](int column, int row) {
            return MagnifiedDifference(old, now, column, row);
        });
        const bool changed = moment >= static_cast<int>(before.size()) ||
                             moment >= static_cast<int>(after.size()) ||
                             !CompareFrames(old, now).empty();
        if (changed) {
            canvas.Outline(left - 2, tilesTop - 2, 3 * tileWidth + 8, tileHeight + 4, red);
        }
    }
    return canvas.Save(path);
}

} // namespace expected_frames
