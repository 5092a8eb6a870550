#pragma once

// File names as the program writes them ("data\picture.jpg"), in the form the file system
// opens: backslashes between folders become slashes, and the data folder is the one that
// CurrentDataFolder chose (data/ under the current folder when there is one).

#include <string>

std::string NativePath(const char* path);
