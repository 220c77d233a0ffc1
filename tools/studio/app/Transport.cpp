#include "app/Transport.h"

#include "edit/Position.h"

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
    // At the very end there is nothing left to play; start over, at the loop's start when one is set.
    if (row >= lengthRows()) {
        seek(looping ? loopStart : 0.0);
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
    // A loop to the end of the piece wraps when the music plays out.
    loopStart = std::max(startRow, 0.0);
    loopEnd = std::min(endRow, lengthRows());
    looping = loopEnd > loopStart;
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
    bool playedOut = !soundtrack->isPlaying() && heard >= lengthSeconds - kEndSlackSeconds;
    row = playedOut ? lengthRows() : std::max(heard * rowsPerSecond, floorRow);
    if (looping && row >= loopEnd) {
        seek(loopStart);
        // The stream that played out has stopped; the loop plays on.
        if (playedOut) {
            soundtrack->resume();
        }
        log.info("loop: back to " + formatClock(loopStart));
        rowIsHeld = false;
    } else if (playedOut) {
        // Hold the last row until the author seeks or plays.
        paused = true;
    }
    return row;
}
