#pragma once

#include <string>

class Studio;

// The script's editing commands: edit set/move/delete/kind, undo, redo and select,
// each through the same edit path as the keys and the mouse (see docs/studio.md).
bool isEditCommand(const std::string& name);
// Checks the words of the command before the script runs; positions wait for the timeline.
bool checkEditCommand(const std::string& command, std::string& problem);
// Runs the command; result says what was written, or why it was refused.
bool runEditCommand(Studio& studio, const std::string& command, std::string& result);
