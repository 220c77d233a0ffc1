#version 330 core

// The renderer's floor: every vertex fetched and then clipped away, so the draw
// calls stay and no line is rasterised; the uniforms stay active at no cost.
layout(location = 0) in vec3 aPosition;

uniform mat4 uProjectionMatrix;
uniform mat4 uViewMatrix;
uniform mat4 uModelMatrix;

const vec4 kBeyondTheFarPlane = vec4(0.0, 0.0, 2.0, 1.0);

void main()
{
    vec4 unused = uProjectionMatrix[0] + uViewMatrix[0] + uModelMatrix[0] + vec4(aPosition, 0.0);
    gl_Position = kBeyondTheFarPlane + unused * 1e-30;
}
