// libFuzzer target: the scan of the display mode on the command line, over lines of any
// bytes, each in a buffer of exactly its size.

#include "app/application.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t length = strnlen(reinterpret_cast<const char*>(data), size);
    const auto line = std::make_unique<char[]>(length + 1);
    std::memcpy(line.get(), data, length);
    line[length] = '\0';
    int width = 640;
    int height = 480;
    int bits = 32;
    if (ParseDisplayMode(line.get(), &width, &height, &bits) == 0 &&
        (width != 640 || height != 480 || bits != 32)) {
        std::abort(); // a scan that fails must leave the outputs as they were
    }
    return 0;
}
