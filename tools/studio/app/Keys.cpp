#include "app/Keys.h"

namespace {

constexpr const char* kShiftPrefix = "Shift+";
constexpr const char* kCtrlPrefix = "Ctrl+";

bool takePrefix(std::string& text, const std::string& prefix)
{
    if (text.size() > prefix.size() && text.compare(0, prefix.size(), prefix) == 0) {
        text.erase(0, prefix.size());
        return true;
    }
    return false;
}

}

KeyPress keyFromEvent(const SDL_KeyboardEvent& event)
{
    KeyPress key;
    key.key = event.keysym.sym;
    key.shift = (event.keysym.mod & KMOD_SHIFT) != 0;
    key.ctrl = (event.keysym.mod & KMOD_CTRL) != 0;
    key.alt = (event.keysym.mod & KMOD_ALT) != 0;
    return key;
}

bool parseKeyName(const std::string& text, KeyPress& key)
{
    std::string name = text;
    key = KeyPress{};
    bool more = true;
    while (more) {
        more = false;
        if (takePrefix(name, kShiftPrefix)) {
            key.shift = more = true;
        }
        if (takePrefix(name, kCtrlPrefix)) {
            key.ctrl = more = true;
        }
    }
    key.key = SDL_GetKeyFromName(name.c_str());
    return key.key != SDLK_UNKNOWN;
}
