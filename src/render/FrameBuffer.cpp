#include "render/FrameBuffer.h"

bool FrameBuffer::create(int, int, unsigned, bool, GLenum, int) { return true; }
void FrameBuffer::bind(bool) {}
void FrameBuffer::unbind() {}
GLuint FrameBuffer::getColorTexture(unsigned) const { return 0; }
void FrameBuffer::release() {}
