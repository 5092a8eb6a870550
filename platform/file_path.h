#pragma once

// The program names its data files the Windows way ("data\xv5.jpg"); file access goes
// through the native form.

#include <string>

// path with every backslash turned into the native separator.
std::string NativePath(const char* path);
