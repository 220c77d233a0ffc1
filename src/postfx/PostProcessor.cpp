#include "postfx/PostProcessor.h"

bool PostProcessor::init() { return true; }
void PostProcessor::apply(FrameBuffer&) {}
void PostProcessor::runChain() {}
void PostProcessor::present() {}
void PostProcessor::release() {}
