#pragma once

#include "panels/CurvePanel.h"
#include "panels/PanelInput.h"
#include "panels/DopeSheetPanel.h"
#include "panels/TrackPanel.h"

#include <SDL.h>

#include <cstdint>
#include <string>

// The studio's panels, drawn with Dear ImGui straight onto the window after the
// post processor; the backend saves and restores the GL state it touches, so
// the picture underneath is left as it was.
class Overlay {
public:
    bool init(SDL_Window* window, SDL_GLContext context);
    // True when the overlay takes the event for itself (typing in the filter box).
    bool processEvent(const SDL_Event& event);
    bool wantsKeyboard() const;
    void draw(const PanelInput& input, PanelRequests& requests);
    // The two halves of draw: the panels laid out into ImGui's draw lists, then those
    // lists handed to the GL.
    void build(const PanelInput& input, PanelRequests& requests);
    void submit();
    void shutdown();
    // The tracks of the dope sheet and the curves; the dope sheet takes them at once,
    // so that a key before the next frame finds them.
    void selectTracks(const std::vector<std::string>& names)
    {
        tracks.selected = names;
        dopeSheet.showTracks(names);
    }
    const std::vector<std::string>& selectedTracks() const { return tracks.selected; }
    void showMusic(bool on) { curves.setMusicShown(on); }

    DopeSheetPanel dopeSheet;

private:
    void drawErrorWindow(const PanelInput& input, PanelRequests& requests);

    TrackPanel tracks;
    CurvePanel curves;
    // The layout of the panels, kept between runs outside the repository.
    std::string layoutPath;
    size_t shownErrors = SIZE_MAX;
    bool ready = false;
};
