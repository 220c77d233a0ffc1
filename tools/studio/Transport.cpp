#include "Transport.h"

#include "Position.h"

#include <algorithm>

namespace {

// How near the end a stream that stopped by itself must be to count as played out;
// a device that stalls elsewhere is waited for instead.
constexpr double kEndSlackSeconds = 0.05;

}

void Transport::init(Soundtrack* newSoundtrack, double newRowsPerSecond, double newLengthSeconds)
{
    soundtrack = newSoundtrack;
    rowsPerSecond = newRowsPerSecond;
    lengthSeconds = newLengthSeconds;
}

void Transport::pause()
{
    if (paused) {
        return;
    }
    soundtrack->pause();
    paused = true;
    // Paused, the picture stays on the row the music stopped at.
    if (!rowIsHeld) {
        row = std::max(soundtrack->exactPosition() * rowsPerSecond, floorRow);
    }
}

void Transport::play()
{
    if (!paused) {
        return;
    }
    // At the very end there is nothing left to play; start over.
    if (row >= lengthRows()) {
        seek(0.0);
    }
    paused = false;
    soundtrack->resume();
}

void Transport::togglePause()
{
    if (paused) {
        play();
    } else {
        pause();
    }
}

void Transport::seek(double newRow)
{
    row = std::clamp(newRow, 0.0, lengthRows());
    soundtrack->seek(row / rowsPerSecond);
    rowIsHeld = true;
    floorRow = row;
}

void Transport::setLoop(double startRow, double endRow)
{
    looping = endRow > startRow;
    loopStart = startRow;
    loopEnd = endRow;
}

void Transport::clearLoop()
{
    looping = false;
}

double Transport::update(StudioLog& log)
{
    if (rowIsHeld) {
        rowIsHeld = false;
        return row;
    }
    if (paused) {
        return row;
    }
    double heard = soundtrack->exactPosition();
    if (!soundtrack->isPlaying() && heard >= lengthSeconds - kEndSlackSeconds) {
        // The music played out: hold the last row until the author seeks or plays.
        row = lengthRows();
        paused = true;
        return row;
    }
    row = std::max(heard * rowsPerSecond, floorRow);
    if (looping && row >= loopEnd) {
        seek(loopStart);
        log.info("loop: back to " + formatClock(loopStart));
        rowIsHeld = false;
    }
    return row;
}
