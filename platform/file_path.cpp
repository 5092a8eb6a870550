#include "platform/file_path.h"

#include <algorithm>

std::string NativePath(const char* path) {
    std::string native(path);
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}
