#pragma once

#include "Score.h"

namespace musicgen {

// Writes the whole song: sections, parts and automation. False when one of its
// patterns is malformed (the message names it).
bool composeSong(Score& score);

}
