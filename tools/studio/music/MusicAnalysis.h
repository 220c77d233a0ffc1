#pragma once

#include "Waveform.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

// Decodes the whole music on a thread of its own and builds its waveform and, when
// asked, its onsets, so the studio's first frame never waits for them. Until ready()
// says so, nothing but ready() and stop() may be touched; after it, the results below
// are complete and no longer change.
class MusicAnalysis {
public:
    MusicAnalysis() = default;
    ~MusicAnalysis();
    MusicAnalysis(const MusicAnalysis&) = delete;
    MusicAnalysis& operator=(const MusicAnalysis&) = delete;

    // Starts the thread; the file is opened there. False while an earlier one still runs.
    bool start(const std::string& musicPath, bool findOnsets);
    // Never blocks: true once the thread has finished, with or without an error.
    bool ready() const;
    // Asks the thread to give up and joins it; safe without start and twice.
    void stop();

    const Waveform& waveform() const { return wave; }
    const std::vector<double>& onsetSeconds() const { return onsets; }

    std::string error;  // empty on success
    double elapsedMs = 0.0;  // the thread's whole run
    double decodeMs = 0.0;   // the decoder's open and reads
    double pyramidMs = 0.0;  // the waveform, mixing to mono included
    double onsetsMs = 0.0;   // the onsets, mixing to mono included

private:
    void run(const std::string& musicPath, bool findOnsets);
    void analyse(const std::string& musicPath, bool findOnsets);

    std::thread worker;
    std::atomic<bool> finished{false};
    std::atomic<bool> cancelled{false};
    Waveform wave;
    std::vector<double> onsets;
};
