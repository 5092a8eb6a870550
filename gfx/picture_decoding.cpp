#include "gfx/picture_decoding.h"

#include "gfx/image_file.h"

#include <algorithm>
#include <utility>

namespace {

bool DecodesBesideOthers(const PictureRequest& request) {
    return DecodesConcurrently(ImageFormatFromName(request.path)) &&
           (request.maskPath == nullptr ||
            DecodesConcurrently(ImageFormatFromName(request.maskPath)));
}

// The loading thread decodes too, so one worker fewer than there are cores.
std::size_t WorkerCount(std::size_t pictures) {
    const unsigned int cores = std::thread::hardware_concurrency();
    const std::size_t spare = cores > 1 ? cores - 1 : 0;
    return std::min(spare, pictures);
}

} // namespace

PictureDecoding::PictureDecoding(const std::vector<PictureRequest>& requests) {
    slots.reserve(requests.size());
    std::size_t concurrent = 0;
    for (const PictureRequest& request : requests) {
        const bool besideOthers = DecodesBesideOthers(request);
        concurrent += besideOthers ? 1 : 0;
        slots.push_back({request, besideOthers, State::Waiting, std::nullopt});
    }
    const std::size_t count = WorkerCount(concurrent);
    workers.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        workers.emplace_back(&PictureDecoding::Work, this);
    }
}

PictureDecoding::~PictureDecoding() {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
}

std::optional<DecodedPicture> PictureDecoding::Take(std::size_t index) {
    Slot& slot = slots.at(index);
    std::unique_lock<std::mutex> lock(mutex);
    if (slot.state == State::Taken) {
        return std::nullopt;
    }
    if (slot.state == State::Waiting) {
        slot.state = State::Taken;
        lock.unlock();
        return DecodePicture(slot.request.path, slot.request.bpp, slot.request.maskPath);
    }
    decoded.wait(lock, [&slot] { return slot.state == State::Decoded; });
    slot.state = State::Taken;
    return std::move(slot.picture);
}

PictureDecoding::Slot* PictureDecoding::ClaimForWorker() {
    if (stopping) {
        return nullptr;
    }
    const auto found = std::find_if(slots.begin(), slots.end(), [](const Slot& slot) {
        return slot.concurrent && slot.state == State::Waiting;
    });
    if (found == slots.end()) {
        return nullptr;
    }
    found->state = State::Decoding;
    return &*found;
}

void PictureDecoding::Work() {
    std::unique_lock<std::mutex> lock(mutex);
    while (Slot* slot = ClaimForWorker()) {
        lock.unlock();
        std::optional<DecodedPicture> picture =
            DecodePicture(slot->request.path, slot->request.bpp, slot->request.maskPath);
        lock.lock();
        slot->picture = std::move(picture);
        slot->state = State::Decoded;
        decoded.notify_all();
    }
}
