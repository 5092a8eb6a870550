// libFuzzer target: the decode stage of the picture loader, a picture and its mask from one
// input, in any of the thirteen formats and at any of the depths a load may ask for.
//
// An input is: the picture's format (byte 0), the mask's format or none (byte 1), the depth
// (byte 2), the picture's length (bytes 3 and 4, little-endian), the picture's bytes, and
// the rest as the mask's bytes.

#include "fuzz/fuzz_input.h"
#include "gfx/decoded_picture.h"

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace {

// Bytes of one pixel of the layout that goes up; 0 for none.
std::size_t PixelBytes(const TextureUpload& upload) {
    if (upload.type == GL_UNSIGNED_SHORT || upload.type == GL_UNSIGNED_SHORT_5_6_5 ||
        upload.type == GL_UNSIGNED_SHORT_1_5_5_5_REV) {
        return 2;
    }
    switch (upload.format) {
    case GL_LUMINANCE:
        return 1;
    case GL_BGR_EXT:
        return 3;
    case GL_BGRA_EXT:
        return 4;
    default:
        return 0;
    }
}

// Reads every byte that glTexImage2D would take from the upload, rows padded to 4 bytes, so
// that the sanitizer sees a buffer too small for what the upload declares.
unsigned int ReadAsTheUploadWould(const TextureUpload& upload) {
    if (upload.internalFormat == 0 || upload.width <= 0 || upload.height <= 0) {
        return 0;
    }
    const std::size_t row = static_cast<std::size_t>(upload.width) * PixelBytes(upload);
    const std::size_t stride = (row + 3) / 4 * 4;
    const auto* pixels = static_cast<const unsigned char*>(upload.pixels);
    unsigned int sum = 0;
    for (int y = 0; y < upload.height; ++y) {
        for (std::size_t x = 0; x < row; ++x) {
            sum += pixels[static_cast<std::size_t>(y) * stride + x];
        }
    }
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<PictureInput> input = SplitPictureInput(data, size);
    if (!input) {
        return 0;
    }
    const FuzzFiles files;
    const std::string picture = files.Write("picture", input->pictureFormat, input->picture);
    const std::string mask =
        input->maskFormat != nullptr ? files.Write("mask", input->maskFormat, input->mask) : "";
    const std::optional<DecodedPicture> decoded =
        DecodePicture(picture.c_str(), input->depth, mask.empty() ? nullptr : mask.c_str());
    if (decoded) {
        volatile unsigned int sink = ReadAsTheUploadWould(decoded->upload);
        static_cast<void>(sink);
    }
    return 0;
}
