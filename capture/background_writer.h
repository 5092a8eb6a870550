#pragma once

// One thread that runs write jobs in the order they were posted, so that slow writes (a pipe
// to the encoder, compressing a picture) overlap the drawing of the next frames. Buffers go
// round between the poster and the jobs instead of being allocated per frame.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

using Buffer = std::vector<std::uint8_t>;

class BackgroundWriter {
public:
    // Post waits while maxWaiting jobs are waiting to run.
    explicit BackgroundWriter(int maxWaiting);
    // Runs what is still waiting, then ends the thread.
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    void Post(std::function<void()> job);
    // Returns once every job posted so far has run.
    void Drain();

    // A buffer of size bytes, reused when one has come back; its contents are undefined.
    Buffer TakeBuffer(std::size_t size);
    // From any thread, once the buffer's contents are no longer needed.
    void GiveBack(Buffer buffer);

private:
    void Run();

    const std::size_t maxWaiting;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> jobs;
    bool running = false; // a job is running outside the lock
    bool stopping = false;
    std::vector<Buffer> spare;
    std::thread thread;
};
