#include "app/error_text.h"

#include "platform/dialog.h"

#include <cstring>

char g_lastError[errorTextCapacity] = "No Error";

void SetErrorText(const char* text) {
    if (text == nullptr) {
        text = "";
    }
    const std::size_t length = strnlen(text, errorTextCapacity - 1);
    std::memcpy(g_lastError, text, length);
    g_lastError[length] = '\0';
}

void ShowErrorText() {
    MessageBoxA(nullptr, g_lastError, projectName, MB_OK);
}
