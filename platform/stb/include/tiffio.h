#pragma once

// The stb_image stage has no TIFF decoder whose messages could need quietening.

typedef void (*TIFFErrorHandler)(const char* module, const char* format, ...);

inline TIFFErrorHandler TIFFSetErrorHandler(TIFFErrorHandler /*handler*/) {
    return nullptr;
}
inline TIFFErrorHandler TIFFSetWarningHandler(TIFFErrorHandler /*handler*/) {
    return nullptr;
}
