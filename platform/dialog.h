#pragma once

// The message box, which also writes its text to standard error so that it always
// reaches the user, and never waits for a click where nobody can click.

#include "platform/types.h"

constexpr UINT MB_OK = 0x00000000;
constexpr int IDOK = 1;

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
