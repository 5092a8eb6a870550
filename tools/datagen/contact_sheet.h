#pragma once

// A sheet for people to look at: every picture with its mask applied on black, and frames
// of the show composed from them as the timeline places, scales and blends them.

#include "tools/datagen/lettering.h"
#include "tools/datagen/pictures.h"

namespace datagen {

Picture DrawContactSheet(const ShowPictures& pictures, const Lettering& lettering);

// One frame of the show at music time seconds, at width by width * 3 / 4 pixels.
Picture ComposeShowFrame(const ShowPictures& pictures, double seconds, int width);

} // namespace datagen
