#pragma once

#include <string>

// Saves the window's back buffer, as drawn so far this frame, as an RGB PNG.
bool saveWindowPng(const std::string& path, int width, int height, std::string& error);
