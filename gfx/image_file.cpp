#include "gfx/image_file.h"

#include "platform/file_path.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

struct AcceptedFormat {
    FREE_IMAGE_FORMAT format;
    int flags;
};

// The portable-anymap kinds have separate codes for their raw variants, but a name lookup
// gives the plain ones, whose loader reads both.
constexpr AcceptedFormat acceptedFormats[] = {
    {FIF_BMP, 0},   {FIF_ICO, 0}, {FIF_JPEG, JPEG_ACCURATE},
    {FIF_KOALA, 0}, {FIF_PBM, 0}, {FIF_PCD, 0},
    {FIF_PCX, 0},   {FIF_PGM, 0}, {FIF_PNG, 0},
    {FIF_PPM, 0},   {FIF_RAS, 0}, {FIF_TARGA, 0},
    {FIF_TIFF, 0},
};

const AcceptedFormat* FindAccepted(FREE_IMAGE_FORMAT format) {
    const auto found = std::find_if(
        std::begin(acceptedFormats), std::end(acceptedFormats),
        [format](const AcceptedFormat& accepted) { return accepted.format == format; });
    return found == std::end(acceptedFormats) ? nullptr : found;
}

unsigned int g_decoderReports = 0;

void CountDecoderReport(FREE_IMAGE_FORMAT /*format*/, const char* /*message*/) {
    ++g_decoderReports;
}

// The library's messages are counted, never printed; its TIFF decoder would otherwise
// write straight to the standard error.
void RouteLibraryMessages() {
    static const bool routed = [] {
        FreeImage_SetOutputMessage(CountDecoderReport);
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
        return true;
    }();
    static_cast<void>(routed);
}

} // namespace

FREE_IMAGE_FORMAT ImageFormatFromName(const char* path) {
    constexpr std::size_t extensionLength = 3;
    if (path == nullptr) {
        return FIF_UNKNOWN;
    }
    const std::size_t length = std::strlen(path);
    if (length < extensionLength) {
        return FIF_UNKNOWN;
    }
    char extension[extensionLength + 1] = {};
    std::memcpy(extension, path + length - extensionLength, extensionLength);
    const FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(extension);
    return FindAccepted(format) != nullptr ? format : FIF_UNKNOWN;
}

int ImageDecodeFlags(FREE_IMAGE_FORMAT format) {
    const AcceptedFormat* accepted = FindAccepted(format);
    return accepted != nullptr ? accepted->flags : 0;
}

Bitmap DecodeImageFile(const char* path) {
    const FREE_IMAGE_FORMAT format = ImageFormatFromName(path);
    if (format == FIF_UNKNOWN) {
        return nullptr;
    }
    RouteLibraryMessages();
    const unsigned int reportsBefore = g_decoderReports;
    Bitmap bitmap(FreeImage_Load(format, NativePath(path).c_str(), ImageDecodeFlags(format)));
    if (g_decoderReports != reportsBefore) {
        bitmap.reset();
    }
    return bitmap;
}
