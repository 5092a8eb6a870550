#pragma once

// Everything the program calls on its platform.

#include "platform/dialog.h"
#include "platform/gl_context.h"
#include "platform/process.h"
#include "platform/timer.h"
#include "platform/types.h"
#include "platform/window.h"
