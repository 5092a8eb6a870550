#include "capture/background_writer.h"

#include <utility>

BackgroundWriter::BackgroundWriter(int maxWaitingJobs)
    : maxWaiting(static_cast<std::size_t>(maxWaitingJobs)), thread([this] { Run(); }) {}

BackgroundWriter::~BackgroundWriter() {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    thread.join();
}

void BackgroundWriter::Post(std::function<void()> job) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return jobs.size() < maxWaiting; });
    jobs.push_back(std::move(job));
    changed.notify_all();
}

void BackgroundWriter::Drain() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return jobs.empty() && !running; });
}

Buffer BackgroundWriter::TakeBuffer(std::size_t size) {
    Buffer buffer;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!spare.empty()) {
            buffer = std::move(spare.back());
            spare.pop_back();
        }
    }
    buffer.resize(size);
    return buffer;
}

void BackgroundWriter::GiveBack(Buffer buffer) {
    const std::lock_guard<std::mutex> lock(mutex);
    spare.push_back(std::move(buffer));
}

void BackgroundWriter::Run() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return stopping || !jobs.empty(); });
        if (jobs.empty()) {
            return;
        }
        std::function<void()> job = std::move(jobs.front());
        jobs.pop_front();
        running = true;
        changed.notify_all();
        lock.unlock();
        job();
        lock.lock();
        running = false;
        changed.notify_all();
    }
}
