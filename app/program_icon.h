#pragma once

#include "platform/process.h"

// The program's icon: 32 x 32 pixels in 16 colours.
const IconImage& ProgramIcon();
