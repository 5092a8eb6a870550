#pragma once

// Files made by the tests for the tests: a folder that goes with its object, and short MP3s
// of a sine tone or of a sound given, encoded with LAME.

#include <string>
#include <vector>

class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& Path() const { return path; }
    // The path of a file in the folder, its own folders made.
    std::string File(const std::string& name) const;

private:
    std::string path;
};

// A tone of exactly frames frames at 440 Hz, with the encoder's tag so that a gapless
// decoder gives back just those frames. False when it could not be written. Native suite
// only (tone_mp3.cpp).
bool WriteToneMp3(const std::string& path, int frames, int rate = 44100, int channels = 2,
                  int kbps = 128);
// The sound given, frame by frame, the same in every channel; as WriteToneMp3 otherwise.
bool WriteMp3(const std::string& path, const std::vector<float>& sound, int rate = 44100,
              int channels = 2, int kbps = 128);

bool WriteTextFile(const std::string& path, const std::string& text);

// The process's working folder changed for the life of the object.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::string& folder);
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    std::string previous;
};
