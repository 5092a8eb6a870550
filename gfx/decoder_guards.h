#pragma once

// What the decoders of the image library take on trust in a file, checked before they read
// it. Each check stands for a fault found in the library's decoders, which would otherwise
// read or write outside their buffers or use a picture they have already freed.

#include <FreeImage.h>

#include <cstdio>

// False when the file holds what one of the library's decoders of its format is known to
// mishandle. Leaves the file at its start.
bool DecoderCanReadSafely(FREE_IMAGE_FORMAT format, std::FILE* file);
