#pragma once

#include "app/StudioLog.h"

#include "timeline/Soundtrack.h"

// The playhead of the studio, in rows of the timeline, driven by the music:
// pause, play, seek and loop act on the soundtrack, and each frame reads its
// row back from the music position.
class Transport {
public:
    // rowsPerSecond from the music's tempo; the length bounds every seek.
    void init(Soundtrack* soundtrack, double rowsPerSecond, double lengthSeconds);
    void pause();
    void play();
    void togglePause();
    // Lands on exactly this row: the music plays from its sample and the next
    // frame is drawn at it.
    void seek(double row);
    void setLoop(double startRow, double endRow);
    void clearLoop();
    // The row of the frame about to be drawn; wraps the loop and holds at the end.
    double update(StudioLog& log);

    double seconds() const { return row / rowsPerSecond; }
    double lengthRows() const { return lengthSeconds * rowsPerSecond; }

    Soundtrack* soundtrack = nullptr;
    double rowsPerSecond = 1.0;
    double lengthSeconds = 0.0;
    double row = 0.0;
    bool paused = false;
    bool looping = false;
    double loopStart = 0.0;
    double loopEnd = 0.0;

private:
    // Set by a seek: the next frame shows the row asked for, not the one read back.
    bool rowIsHeld = false;
    // The row of the last seek: the music's position, rounded down to a whole sample,
    // may read a hair before it, and the playhead never steps back while playing.
    double floorRow = 0.0;
};
