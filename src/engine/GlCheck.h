#pragma once

// Drains the GL error queue, logging every code with gluErrorString's text.
// Called after GL calls wherever a failure must be reported; the program goes on.
void checkGlError();
