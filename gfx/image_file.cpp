#include "gfx/image_file.h"

#include "gfx/decoder_guards.h"
#include "platform/file_path.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdio>
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

// The library reports on the thread that decodes.
thread_local unsigned int g_decoderReports = 0;

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

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The file as the library reads it, watched for reads that its end cut short.
struct PictureSource {
    std::FILE* file;
    bool shortRead;
    bool emptyRead;
};

unsigned DLL_CALLCONV ReadSource(void* buffer, unsigned size, unsigned count, fi_handle handle) {
    auto* source = static_cast<PictureSource*>(handle);
    const std::size_t read = std::fread(buffer, size, count, source->file);
    if (read < count) {
        source->shortRead = true;
        source->emptyRead = source->emptyRead || read == 0;
    }
    return static_cast<unsigned>(read);
}

unsigned DLL_CALLCONV WriteNothing(void* /*buffer*/, unsigned /*size*/, unsigned /*count*/,
                                   fi_handle /*handle*/) {
    return 0;
}

int DLL_CALLCONV SeekSource(fi_handle handle, long offset, int origin) {
    return std::fseek(static_cast<PictureSource*>(handle)->file, offset, origin);
}

long DLL_CALLCONV TellSource(fi_handle handle) {
    return std::ftell(static_cast<PictureSource*>(handle)->file);
}

// Most decoders ask for exactly the bytes they need, so a read that the file's end cuts
// short means the file was cut. Those that read ahead in blocks (JPEG, and run-length coded
// TARGA and PCX) meet a short block at every file's end; for them only a read that finds
// nothing at all is one past the end. Several decoders would otherwise take the missing
// bytes from uninitialised memory without a word (KOALA and PCD even from an empty file).
bool ReadsAhead(FREE_IMAGE_FORMAT format, std::FILE* file) {
    if (format == FIF_JPEG) {
        return true;
    }
    if (format != FIF_TARGA && format != FIF_PCX) {
        return false;
    }
    // Both keep their coding in the third byte: TARGA image types 9 to 11, PCX encoding 1.
    unsigned char header[3] = {};
    const bool read = std::fread(header, 1, sizeof(header), file) == sizeof(header);
    std::rewind(file);
    return read && (format == FIF_TARGA ? header[2] >= 9 && header[2] <= 11 : header[2] == 1);
}

// One pass of the decoder over the file from its start. Null when it reported damage or
// read past the file's end.
Bitmap Decode(FREE_IMAGE_FORMAT format, std::FILE* file, int flags) {
    std::rewind(file);
    const bool readsAhead = ReadsAhead(format, file);
    FreeImageIO calls{ReadSource, WriteNothing, SeekSource, TellSource};
    PictureSource source{file, false, false};
    const unsigned int reportsBefore = g_decoderReports;
    Bitmap bitmap(FreeImage_LoadFromHandle(format, &calls, &source, flags));
    const bool cut = readsAhead ? source.emptyRead : source.shortRead;
    if (g_decoderReports != reportsBefore || cut) {
        bitmap.reset();
    }
    return bitmap;
}

// The size the header declares, read without decoding a pixel. KOALA pictures have no
// header: they are always 320 x 200.
bool DeclaresAcceptedSize(FREE_IMAGE_FORMAT format, std::FILE* file) {
    if (!FreeImage_FIFSupportsNoPixels(format)) {
        return true;
    }
    const Bitmap header = Decode(format, file, ImageDecodeFlags(format) | FIF_LOAD_NOPIXELS);
    if (!header) {
        return false;
    }
    const unsigned int width = FreeImage_GetWidth(header.get());
    const unsigned int height = FreeImage_GetHeight(header.get());
    return width > 0 && height > 0 && width <= largestPictureSide && height <= largestPictureSide;
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

bool DecodesConcurrently(FREE_IMAGE_FORMAT format) {
    return format == FIF_JPEG;
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
    const File file(std::fopen(NativePath(path).c_str(), "rb"));
    if (!file || !DecoderCanReadSafely(format, file.get()) ||
        !DeclaresAcceptedSize(format, file.get())) {
        return nullptr;
    }
    return Decode(format, file.get(), ImageDecodeFlags(format));
}
