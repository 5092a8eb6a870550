#pragma once

// Picture files byte for byte: the formats that the image library reads but cannot write,
// and a JPEG's declared size rewritten. Pixel (x, y) of each picture, y from the top, has
// the grey level (x * 7 + y * 13) % 256, which keeps runs short and rows distinct.

#include <string>

// A Commodore 64 Koala picture (always 320 x 200), with or without its load address.
std::string KoalaBytes(bool withLoadAddress);
// A Kodak Photo CD picture at its base size, 768 x 512.
std::string PhotoCdBytes();
// An 8-bit grey PCX picture, run-length coded or not.
std::string PcxBytes(int width, int height, bool runLength);
// An 8-bit grey Sun raster picture, run-length coded or not.
std::string SunRasterBytes(int width, int height, bool runLength);

// The JPEG with the width and height of its frame header replaced; unchanged when it has no
// frame header.
std::string WithDeclaredSize(std::string jpeg, int width, int height);
