#pragma once

// Lettering in DejaVu Sans Bold, found through fontconfig and drawn by FreeType.

#include "tools/datagen/raster.h"

#include <memory>
#include <string>

namespace datagen {

// A line of text as coverage, with room around the ink for glows.
struct TextMask {
    Grey coverage;
    double baseline = 0.0; // rows from the top of coverage to the baseline
    double inkLeft = 0.0;  // the ink's box inside coverage
    double inkTop = 0.0;
    double inkRight = 0.0;
    double inkBottom = 0.0;
};

class Lettering {
public:
    Lettering();
    ~Lettering();
    Lettering(const Lettering&) = delete;
    Lettering& operator=(const Lettering&) = delete;

    // Empty when the face is ready, otherwise why it is not.
    const std::string& Error() const { return error; }

    // pixelSize is the em size; slant shears the glyphs to the right by slant per row upwards;
    // tracking adds pixels between letters; margin pixels of empty room on every side.
    TextMask Render(const std::string& text, double pixelSize, double slant = 0.0,
                    double tracking = 0.0, int margin = 0) const;

private:
    struct Face;
    std::unique_ptr<Face> face;
    std::string error;
};

// Copies mask into grey at (left, top), keeping the larger value at each pixel.
void StampMax(Grey& grey, const Grey& mask, int left, int top);

} // namespace datagen
