#pragma once

// File names as the program writes them ("data\picture.jpg"), in the form the file system
// opens: backslashes between folders become slashes.

#include <string>

std::string NativePath(const char* path);
