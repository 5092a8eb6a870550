#pragma once

// What the whole show looks like, kept small enough to commit: the capture's frames at
// 160 x 120, one every 250 ms of music, each as the mean colours of its 8 x 8 pixel blocks.
// A layer that moves, comes at another time, blends another way or goes missing changes
// some block by more than two renderers of the same frame differ.

#include <FreeImage.h>

#include <string>
#include <vector>

namespace expected_frames {

constexpr int frameWidth = 160;
constexpr int frameHeight = 120;
constexpr int blockSide = 8;
constexpr int blockColumns = frameWidth / blockSide;
constexpr int blockRows = frameHeight / blockSide;
constexpr int channels = 3;
constexpr int stepMs = 250;

// The largest difference, in levels of 255, between a block's expected and drawn mean in any
// channel that still passes: above what another rasteriser draws (3.7 at most, the browser's),
// below what a credit word moved by four canvas pixels changes (9.9).
constexpr double tolerance = 6.0;

// Red, green and blue means of each block, rows from the top.
class BlockMeans {
public:
    BlockMeans() : values(static_cast<std::size_t>(blockColumns) * blockRows * channels) {}

    double At(int column, int row, int channel) const {
        return values[Index(column, row, channel)];
    }
    double& At(int column, int row, int channel) { return values[Index(column, row, channel)]; }

private:
    static std::size_t Index(int column, int row, int channel) {
        return (static_cast<std::size_t>(row) * blockColumns + column) * channels + channel;
    }

    std::vector<double> values;
};

// The capture's command line after its program name that writes the stills of moments 0 to
// count - 1 into folder, and the name it gives the still of a moment.
std::vector<std::string> CaptureArguments(int count, const std::string& folder);
std::string StillName(int moment);

// The means of a frame of frameWidth x frameHeight pixels; false for a frame of another size.
bool MeasureFrame(FIBITMAP* frame, BlockMeans* means);

// Moment i of the show is i * stepMs milliseconds of music.
using ShowLook = std::vector<BlockMeans>;

// Kept as one PNG: the moments' blocks as 20 x 15 pixel tiles, twelve to a row, the number
// of moments in the file's "Moments" text. Means are rounded to whole levels.
bool SaveShowLook(const ShowLook& look, const std::string& path);
// Empty when the file cannot be read or is not such a PNG.
ShowLook LoadShowLook(const std::string& path);

struct BlockDifference {
    int column;
    int row;
    int channel; // the channel that differs most
    double expected;
    double drawn;
};

// The blocks whose means differ by more than the tolerance in some channel, largest first.
std::vector<BlockDifference> CompareFrames(const BlockMeans& expected, const BlockMeans& drawn);

// For a person to see what changed, side by side at three times the frame's size: the
// expected blocks, the drawn blocks, their difference magnified eight times with the failing
// blocks outlined in red, and the drawn frame itself.
bool SaveComparison(const BlockMeans& expected, FIBITMAP* drawn,
                    const std::vector<BlockDifference>& differences, const std::string& path);

// Every moment's old and new blocks and their difference magnified, moments that differ
// beyond the tolerance outlined in red, each labelled with its time in seconds.
bool SaveReviewSheet(const ShowLook& before, const ShowLook& after, const std::string& path);

} // namespace expected_frames
