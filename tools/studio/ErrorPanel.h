#pragma once

class Studio;

// The timeline's errors as the text stands now, then every error of the run,
// newest first.
void drawErrorPanel(Studio& studio);
