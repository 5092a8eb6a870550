#include "fuzz/fuzz_input.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

constexpr std::size_t headerBytes = 5;

// Memory-backed where there is such a file system: the fuzzer writes every input.
class Folder {
public:
    Folder() {
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        path = (base / "tuvoran-fuzz-XXXXXX").string();
        if (mkdtemp(path.data()) == nullptr) {
            std::abort();
        }
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    std::string path;
};

const std::string& FolderPath() {
    static const Folder folder;
    return folder.path;
}

} // namespace

std::optional<PictureInput> SplitPictureInput(const std::uint8_t* data, std::size_t size) {
    if (size < headerBytes) {
        return std::nullopt;
    }
    const int mask = data[1] % (formatCount + 1);
    const std::size_t pictureLength =
        std::min<std::size_t>(data[3] | data[4] << 8, size - headerBytes);
    const auto* bytes = reinterpret_cast<const char*>(data + headerBytes);
    return PictureInput{
        fuzzedFormats[data[0] % formatCount], mask == noMask ? nullptr : fuzzedFormats[mask],
        fuzzedDepths[data[2] % std::size(fuzzedDepths)], std::string(bytes, pictureLength),
        std::string(bytes + pictureLength, size - headerBytes - pictureLength)};
}

std::string JoinPictureInput(int pictureFormat, int maskFormat, int depthIndex,
                             const std::string& picture, const std::string& mask) {
    std::string input{static_cast<char>(pictureFormat), static_cast<char>(maskFormat),
                      static_cast<char>(depthIndex), static_cast<char>(picture.size() & 0xFF),
                      static_cast<char>((picture.size() >> 8) & 0xFF)};
    return input + picture + mask;
}

std::string FuzzFiles::Write(const char* name, const char* extension,
                             const std::string& bytes) const {
    std::string path = FolderPath() + "/" + name + "." + extension;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}
