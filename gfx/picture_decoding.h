#pragma once

// A list of pictures decoded ahead on the spare cores and handed over in the order the
// loading thread asks for them. Decoding is what costs in a load; the texture uploads stay
// with the thread that holds the OpenGL context.

#include "gfx/decoded_picture.h"
#include "gfx/picture_request.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Workers decode the pictures in list order from construction on. A picture whose file or
// mask is of a format not known to decode safely beside another decoding is left to the
// thread that takes it. Destruction stops the workers: a picture they have not begun is
// never read, and those decoded but not taken are freed.
class PictureDecoding {
public:
    explicit PictureDecoding(const std::vector<PictureRequest>& requests);
    ~PictureDecoding();
    PictureDecoding(const PictureDecoding&) = delete;
    PictureDecoding& operator=(const PictureDecoding&) = delete;

    // What DecodePicture gives for the request at index: decoded here when no worker has
    // begun it, else waited for. Nothing when the index was taken before.
    std::optional<DecodedPicture> Take(std::size_t index);

private:
    enum class State { Waiting, Decoding, Decoded, Taken };
    struct Slot {
        PictureRequest request;
        bool concurrent;
        State state;
        std::optional<DecodedPicture> picture;
    };

    void Work();
    // The first waiting picture a worker may decode, marked as being decoded; none when
    // stopping. Needs the lock.
    Slot* ClaimForWorker();

    std::vector<Slot> slots;
    std::mutex mutex;
    std::condition_variable decoded;
    bool stopping = false;
    std::vector<std::thread> workers;
};
