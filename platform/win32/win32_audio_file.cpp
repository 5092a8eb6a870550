// Music files on Windows, decoded by the system's own MPEG Layer-3 codec through the audio
// compression manager: Windows has it, and so has Wine. The codec decodes plain frames, so the
// gapless cut is made here from the file's layout, as libmpg123 makes it on Linux.

#include "platform/audio_file.h"
#include "platform/failure_advice.h"
#include "platform/win32/mp3_layout.h"
#include "platform/win32/win32_windows.h"

#include <mmsystem.h>
// After mmsystem.h, which they build on.
#include "platform/win32/pcm_format.h"

#include <mmreg.h>
#include <msacm.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

namespace {

// Frames of the file handed to the codec in one conversion.
constexpr int framesPerConversion = 8;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

AudioFileError ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes) {
    errno = 0;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return errno == ENOENT ? AudioFileError::NotFound : AudioFileError::Unreadable;
    }
    std::uint8_t chunk[65536];
    std::size_t read = 0;
    while ((read = std::fread(chunk, 1, sizeof(chunk), file.get())) > 0) {
        bytes->insert(bytes->end(), chunk, chunk + read);
    }
    return std::ferror(file.get()) != 0 ? AudioFileError::Unreadable : AudioFileError::None;
}

MPEGLAYER3WAVEFORMAT CompressedFormat(const Mp3Layout& layout) {
    MPEGLAYER3WAVEFORMAT format{};
    format.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    format.wfx.nChannels = static_cast<WORD>(layout.channels);
    format.wfx.nSamplesPerSec = static_cast<DWORD>(layout.rate);
    format.wfx.nAvgBytesPerSec = static_cast<DWORD>(layout.bitrate / 8);
    format.wfx.nBlockAlign = 1;
    format.wfx.wBitsPerSample = 0;
    format.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    format.wID = MPEGLAYER3_ID_MPEG;
    format.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    format.nBlockSize = static_cast<WORD>(layout.frameBytes);
    format.nFramesPerBlock = 1;
    format.nCodecDelay = 0;
    return format;
}

// The file in memory, fed to the codec a few frames at a time; what the codec gave back and
// the reader has not yet taken waits in pcm. The codec gives the samples of each frame fed,
// in order, a frame late; the music is the part of them between the layout's bounds.
class AcmAudioFile final : public AudioFile {
public:
    AcmAudioFile() = default;
    AcmAudioFile(const AcmAudioFile&) = delete;
    AcmAudioFile& operator=(const AcmAudioFile&) = delete;
    ~AcmAudioFile() override { CloseCodec(); }

    AudioFileError Open(const std::string& path) {
        const AudioFileError read = ReadWholeFile(path, &file);
        if (read != AudioFileError::None) {
            return read;
        }
        if (!ReadMp3Layout(file, &layout)) {
            return AudioFileError::NotAudio;
        }
        if (!StartAt(0, layout.musicStart)) {
            SetFailureAdvice("Windows' MPEG Layer-3 codec is missing: on an N edition of "
                             "Windows, install its Media Feature Pack.");
            return AudioFileError::NotAudio;
        }
        return AudioFileError::None;
    }

    int Rate() const override { return layout.rate; }
    int Channels() const override { return layout.channels; }
    std::int64_t Frames() const override { return layout.MusicFrames(); }

    // Up to frames sample frames of the music as floats; 0 at its end.
    int Read(float* samples, int frames) override {
        const auto channels = static_cast<std::size_t>(layout.channels);
        int done = 0;
        while (done < frames && stream != nullptr) {
            if (pcmStart == pcmEnd && !Convert()) {
                break;
            }
            const auto waiting = static_cast<std::int64_t>((pcmEnd - pcmStart) / channels);
            const std::int64_t first = decodedFrames;
            // Of these frames, only those from the reading position within the music are given.
            const std::int64_t from = std::max(first, readFrom);
            const std::int64_t to = std::min(first + waiting, layout.musicEnd);
            const std::int64_t given = std::clamp<std::int64_t>(to - from, 0, frames - done);
            const std::size_t begin =
                pcmStart +
                static_cast<std::size_t>(std::max<std::int64_t>(from - first, 0)) * channels;
            const auto sampleCount = static_cast<std::ptrdiff_t>(given) * layout.channels;
            std::transform(
                pcm.begin() + static_cast<std::ptrdiff_t>(begin),
                pcm.begin() + static_cast<std::ptrdiff_t>(begin) + sampleCount,
                samples + static_cast<std::ptrdiff_t>(done) * layout.channels,
                [](std::int16_t sample) { return static_cast<float>(sample) / 32768.0f; });
            done += static_cast<int>(given);
            if (from + given < to) {
                // The rest waits for the next read.
                decodedFrames = from + given;
                readFrom = decodedFrames;
                pcmStart = begin + static_cast<std::size_t>(given) * channels;
                break;
            }
            decodedFrames = first + waiting;
            readFrom = std::max(readFrom, std::min(decodedFrames, layout.musicEnd));
            pcmStart = pcmEnd;
            if (decodedFrames >= layout.musicEnd) {
                break;
            }
        }
        return done;
    }

    // The codec starts afresh a few frames before, so that its state is as a pass from the
    // start leaves it, and what it gives before the frame is passed over.
    bool Seek(std::int64_t frame) override {
        if (frame < 0) {
            return false;
        }
        const std::int64_t wanted = std::min(layout.musicStart + frame, layout.musicEnd);
        const std::int64_t target = wanted / layout.samplesPerFrame;
        return StartAt(DecodingStartFor(layout, target), wanted);
    }

private:
    bool StartAt(std::int64_t frame, std::int64_t readingFrom) {
        CloseCodec();
        if (!OpenCodec()) {
            return false;
        }
        nextFileByte = frame < layout.frames ? layout.frameStarts[static_cast<std::size_t>(frame)]
                                             : layout.audioEnd;
        decodedFrames = frame * layout.samplesPerFrame;
        readFrom = readingFrom;
        return true;
    }

    bool OpenCodec() {
        MPEGLAYER3WAVEFORMAT compressed = CompressedFormat(layout);
        WAVEFORMATEX pcmFormat = Pcm16Format(layout.rate, layout.channels);
        if (acmStreamOpen(&stream, nullptr, &compressed.wfx, &pcmFormat, nullptr, 0, 0, 0) != 0) {
            stream = nullptr;
            return false;
        }
        input.resize(static_cast<std::size_t>(layout.frameBytes + 1) * framesPerConversion);
        DWORD outputBytes = 0;
        if (acmStreamSize(stream, static_cast<DWORD>(input.size()), &outputBytes,
                          ACM_STREAMSIZEF_SOURCE) != 0) {
            CloseCodec();
            return false;
        }
        pcm.resize(outputBytes / 2 + 1);
        header = {};
        header.cbStruct = sizeof(header);
        header.pbSrc = input.data();
        header.cbSrcLength = static_cast<DWORD>(input.size());
        header.pbDst = reinterpret_cast<LPBYTE>(pcm.data());
        header.cbDstLength = static_cast<DWORD>(pcm.size() * 2);
        if (acmStreamPrepareHeader(stream, &header, 0) != 0) {
            CloseCodec();
            return false;
        }
        inputBytes = 0;
        pcmStart = pcmEnd = 0;
        started = false;
        flushed = false;
        return true;
    }

    void CloseCodec() {
        if (stream == nullptr) {
            return;
        }
        header.cbSrcLength = static_cast<DWORD>(input.size());
        header.cbDstLength = static_cast<DWORD>(pcm.size() * 2);
        acmStreamUnprepareHeader(stream, &header, 0);
        acmStreamClose(stream, 0);
        stream = nullptr;
    }

    // One conversion of what the file has left; false once the codec has given all it will.
    bool Convert() {
        if (flushed) {
            return false;
        }
        const std::size_t capacity = input.size();
        const auto left = static_cast<std::size_t>(layout.audioEnd - nextFileByte);
        const std::size_t taken = std::min(left, capacity - std::min(inputBytes, capacity));
        std::copy_n(file.begin() + nextFileByte, taken, input.begin() + inputBytes);
        nextFileByte += static_cast<std::int64_t>(taken);
        inputBytes += taken;
        const bool last = nextFileByte == layout.audioEnd;
        DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN;
        flags |= started ? 0 : ACM_STREAMCONVERTF_START;
        flags |= last ? ACM_STREAMCONVERTF_END : 0;
        header.cbSrcLength = static_cast<DWORD>(inputBytes);
        header.cbSrcLengthUsed = 0;
        header.cbDstLengthUsed = 0;
        if (acmStreamConvert(stream, &header, flags) != 0) {
            flushed = true;
            return false;
        }
        started = true;
        const std::size_t used = std::min<std::size_t>(header.cbSrcLengthUsed, inputBytes);
        std::copy(input.begin() + static_cast<std::ptrdiff_t>(used),
                  input.begin() + static_cast<std::ptrdiff_t>(inputBytes), input.begin());
        inputBytes -= used;
        pcmStart = 0;
        pcmEnd = header.cbDstLengthUsed / 2;
        // A call that neither takes nor gives is the end, or damage that the codec cannot
        // get past.
        if (used == 0 && pcmEnd == 0 && (last || inputBytes >= capacity)) {
            flushed = true;
        }
        return !flushed || pcmEnd > 0;
    }

    std::vector<std::uint8_t> file;
    Mp3Layout layout;
    HACMSTREAM stream = nullptr;
    ACMSTREAMHEADER header{};
    std::vector<std::uint8_t> input;
    std::vector<std::int16_t> pcm;
    std::size_t inputBytes = 0; // waiting in input, not yet taken by the codec
    std::size_t pcmStart = 0;   // samples of pcm already taken
    std::size_t pcmEnd = 0;
    std::int64_t nextFileByte = 0;
    std::int64_t decodedFrames = 0; // where the codec's next sample frame lies in the file's
    std::int64_t readFrom = 0;      // the next sample frame to give
    bool started = false;
    bool flushed = false;
};

} // namespace

std::unique_ptr<AudioFile> OpenAudioFile(const std::string& path, AudioFileError* error) {
    auto file = std::make_unique<AcmAudioFile>();
    *error = file->Open(path);
    if (*error != AudioFileError::None) {
        return nullptr;
    }
    return file;
}
