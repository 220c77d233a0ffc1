// What the panels are handed, and what they ask back.
#include "app/Studio.h"

PanelInput Studio::panelInput()
{
    PanelInput input;
    input.row = transport.row;
    input.seconds = transport.seconds();
    input.lengthRows = transport.lengthRows();
    input.rowsPerSecond = transport.rowsPerSecond;
    input.paused = transport.paused;
    input.looping = transport.looping;
    input.loopStart = transport.loopStart;
    input.loopEnd = transport.loopEnd;
    input.store = engine.syncDevice.store;
    input.sourceTracks = &editor.document.parsed.tracks;
    input.markers = &timeline.markers;
    input.timelineErrors = &timeline.errors;
    input.loggedErrors = &log.errors;
    input.editSteps = editor.steps;
    input.historyNote = &editor.historyNote;
    input.frameMs = frameMs;
    input.overlayMs = overlayMs;
    input.events = &musicEvents;
    input.waveform = analysisTaken && analysis.error.empty() ? &analysis.waveform() : nullptr;
    input.lanes = &musicLanes;
    return input;
}

void Studio::seek(double row)
{
    transport.seek(row);
}

void Studio::edit(const std::vector<TimelineEdit>& step)
{
    std::string message;
    if (editor.apply(step, message)) {
        log.info("edit: " + message);
    } else {
        log.error("edit: " + message);
    }
}

void Studio::note(const std::string& message)
{
    log.info(message);
}

void Studio::refuse(const std::string& message)
{
    log.error(message);
}

void Studio::clearErrors()
{
    log.errors.clear();
}
