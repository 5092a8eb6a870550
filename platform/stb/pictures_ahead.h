#pragma once

// Pictures decoded before the program loads them, by the stb_image stage. The web page has its
// data long before the click, and decoding is most of what the start-up would otherwise wait
// for.

// Decodes the picture file at path, of a format known by its name, and keeps it; a later
// load of a file with the same bytes takes a copy instead of decoding. Files that do not
// decode are left to the load, which reports them as it would.
void DecodePictureAhead(const char* path);
void ForgetPicturesAhead();
