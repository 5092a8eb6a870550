#pragma once

// The show's pictures and the grey masks that become their alpha channels.

#include "tools/datagen/lettering.h"
#include "tools/datagen/raster.h"

#include <string>
#include <vector>

namespace datagen {

// A picture with the mask it is loaded with; a picture without one has an empty mask.
struct MaskedPicture {
    Picture colour;
    Grey mask;
};

struct Credit {
    std::string text;
    std::string maskFile;
    Grey mask;
};

struct ShowPictures {
    MaskedPicture spare;        // image.jpg, imagea.jpg: loaded, never shown
    MaskedPicture metronomoide; // the turning emblem
    MaskedPicture logo;         // Ovrin.jpg, Ovrina.jpg
    Picture tile;               // xv5.jpg, seen through the lens grid
    Picture white;              // blanconick.jpg, shaped by each credit mask
    std::vector<Credit> credits;
    MaskedPicture band; // negdeg.jpg with deg1.jpg, behind the credits
    Picture title;      // tuvoran.jpg, its own mask
    Picture cube;       // cubonegro.jpg, no mask
    MaskedPicture particle;
    MaskedPicture ray;
};

ShowPictures DrawShowPictures(const Lettering& lettering);

// Writes every picture and mask under folder with the names the show loads; empty on
// success, otherwise what failed.
std::string WriteShowPictures(const ShowPictures& pictures, const std::string& folder);

} // namespace datagen
