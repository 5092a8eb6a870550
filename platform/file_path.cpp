#include "platform/file_path.h"

#include "platform/data_folder.h"
#include "platform/failure_advice.h"

#include <algorithm>

namespace {
constexpr char dataPrefix[] = "data/";
constexpr std::size_t dataPrefixLength = sizeof(dataPrefix) - 1;
} // namespace

std::string NativePath(const char* path) {
    std::string native = path != nullptr ? path : "";
    std::replace(native.begin(), native.end(), '\\', '/');
    if (native.compare(0, dataPrefixLength, dataPrefix) != 0) {
        return native;
    }
    const DataFolder folder = CurrentDataFolder();
    if (folder.path.empty()) {
        // The file cannot be opened; its message says which, this line where it was looked for.
        SetFailureAdvice("no data folder: looked in " + folder.looked);
        return native;
    }
    return folder.path + '/' + native.substr(dataPrefixLength);
}
