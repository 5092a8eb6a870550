#pragma once

#include <SDL.h>

// The virtual-key code of an SDL key, 0 for keys the platform does not deliver.
int VirtualKeyOf(SDL_Keycode key);
