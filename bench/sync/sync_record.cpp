// Records what a viewer would see and hear, each with CLOCK_MONOTONIC times: the sound arrives
// on standard input as raw s16 stereo (parec from a sink's monitor, in small fragments), and
// the X screen is read about 120 times a second with XShm. Runs until standard input ends or
// a signal comes.
//   tuvoran-sync-record OUT_DIR [GRABS_PER_SECOND]
// OUT_DIR/audio.s16      the sound, mono s16
// OUT_DIR/audio-reads    one line a read: frames received so far, the time it returned (ns)
// OUT_DIR/screen         one line a grab: its time (ns), then the mean level of each tile
//
// Our own grabber rather than ffmpeg's screen capture: each grab is one request that the X
// server answers at once, stamped at its middle, and it costs a fraction of a core, where an
// encoder beside the show would take the core that the show draws on.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int tileColumns = 8;
constexpr int tileRows = 6;

std::atomic<bool> stopping{false};

void Stop(int) {
    stopping = true;
}

std::int64_t Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Reads what arrives, as it arrives: each read is stamped when it returns, so the earliest of
// them tell when the server handed the sound over.
void RecordSound(const std::string& dir) {
    std::ofstream samples(dir + "/audio.s16", std::ios::binary);
    std::ofstream reads(dir + "/audio-reads");
    constexpr std::size_t frameBytes = 4;
    std::vector<char> buffer(4096);
    std::vector<char> pending;
    std::int64_t frames = 0;
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, buffer.data(), buffer.size());
        const std::int64_t when = Now();
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        pending.insert(pending.end(), buffer.begin(), buffer.begin() + got);
        const std::size_t whole = pending.size() / frameBytes;
        std::vector<std::int16_t> mono(whole);
        for (std::size_t i = 0; i < whole; ++i) {
            std::int16_t left = 0;
            std::int16_t right = 0;
            std::memcpy(&left, &pending[i * frameBytes], 2);
            std::memcpy(&right, &pending[i * frameBytes + 2], 2);
            mono[i] = static_cast<std::int16_t>((left + right) / 2);
        }
        pending.erase(pending.begin(), pending.begin() + static_cast<long>(whole * frameBytes));
        samples.write(reinterpret_cast<const char*>(mono.data()),
                      static_cast<std::streamsize>(mono.size() * sizeof(std::int16_t)));
        frames += static_cast<std::int64_t>(whole);
        reads << frames << ' ' << when << '\n';
    }
    stopping = true;
}

struct ScreenGrab {
    Display* display = nullptr;
    XImage* image = nullptr;
    XShmSegmentInfo shm{};
    int width = 0;
    int height = 0;
};

bool OpenScreen(ScreenGrab& screen) {
    screen.display = XOpenDisplay(nullptr);
    if (screen.display == nullptr || !XShmQueryExtension(screen.display)) {
        return false;
    }
    const int number = DefaultScreen(screen.display);
    screen.width = DisplayWidth(screen.display, number);
    screen.height = DisplayHeight(screen.display, number);
    screen.image = XShmCreateImage(screen.display, DefaultVisual(screen.display, number),
                                   DefaultDepth(screen.display, number), ZPixmap, nullptr,
                                   &screen.shm, screen.width, screen.height);
    if (screen.image == nullptr || screen.image->bits_per_pixel != 32) {
        return false;
    }
    screen.shm.shmid =
        shmget(IPC_PRIVATE, static_cast<std::size_t>(screen.image->bytes_per_line) * screen.height,
               IPC_CREAT | 0600);
    screen.shm.shmaddr = screen.image->data =
        static_cast<char*>(shmat(screen.shm.shmid, nullptr, 0));
    screen.shm.readOnly = False;
    const bool attached = XShmAttach(screen.display, &screen.shm) != 0;
    XSync(screen.display, False);
    // Marked for removal now, so that it goes however this program ends.
    shmctl(screen.shm.shmid, IPC_RMID, nullptr);
    return attached;
}

// The mean of each tile's red, green and blue, from every other pixel of every other row.
void WriteTiles(const ScreenGrab& screen, std::int64_t when, std::ofstream& out) {
    out << when;
    const int tileWidth = screen.width / tileColumns;
    const int tileHeight = screen.height / tileRows;
    for (int row = 0; row < tileRows; ++row) {
        for (int column = 0; column < tileColumns; ++column) {
            std::uint64_t sum = 0;
            std::uint64_t count = 0;
            for (int y = row * tileHeight; y < (row + 1) * tileHeight; y += 2) {
                const auto* line = reinterpret_cast<const std::uint8_t*>(
                    screen.image->data +
                    static_cast<std::ptrdiff_t>(y) * screen.image->bytes_per_line);
                for (int x = column * tileWidth; x < (column + 1) * tileWidth; x += 2) {
                    const std::uint8_t* pixel = line + static_cast<std::ptrdiff_t>(4) * x;
                    sum += pixel[0] + pixel[1] + pixel[2];
                    ++count;
                }
            }
            out << ' ' << static_cast<double>(sum) / (3.0 * static_cast<double>(count));
        }
    }
    out << '\n';
}

void GrabScreen(ScreenGrab& screen, const std::string& dir, double grabsPerSecond) {
    std::ofstream out(dir + "/screen");
    out.precision(2);
    out << std::fixed;
    const auto period = static_cast<std::int64_t>(1e9 / grabsPerSecond);
    const Window root = DefaultRootWindow(screen.display);
    std::int64_t next = Now();
    while (!stopping) {
        const std::int64_t before = Now();
        XShmGetImage(screen.display, root, screen.image, 0, 0, AllPlanes);
        const std::int64_t after = Now();
        WriteTiles(screen, before + (after - before) / 2, out);
        // A grab that came late is not made up for: the next one keeps to the grid.
        next += period;
        while (next <= Now()) {
            next += period;
        }
        const timespec wake{static_cast<time_t>(next / 1000000000),
                            static_cast<long>(next % 1000000000)};
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tuvoran-sync-record OUT_DIR [GRABS_PER_SECOND]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const double grabsPerSecond = argc > 2 ? std::stod(argv[2]) : 120.0;
    struct sigaction action {};
    action.sa_handler = Stop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    ScreenGrab screen;
    if (!OpenScreen(screen)) {
        std::fprintf(stderr, "tuvoran-sync-record: cannot read the X screen with XShm\n");
        return 1;
    }
    std::thread sound(RecordSound, dir);
    GrabScreen(screen, dir, grabsPerSecond);
    // The sound ends with its input; a signal stops the screen first and the input follows.
    sound.join();
    XShmDetach(screen.display, &screen.shm);
    shmdt(screen.shm.shmaddr);
    XCloseDisplay(screen.display);
    return 0;
}
