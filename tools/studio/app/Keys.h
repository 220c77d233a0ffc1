#pragma once

#include <SDL.h>

#include <string>

// A key with the modifiers the studio tells apart.
struct KeyPress {
    SDL_Keycode key = SDLK_UNKNOWN;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

KeyPress keyFromEvent(const SDL_KeyboardEvent& event);
// "Space", "Left", "Shift+Right", "Ctrl+S", "PageUp", "[", "3": SDL's key names,
// with Shift+ and Ctrl+ in front.
bool parseKeyName(const std::string& text, KeyPress& key);
