#version 330 core

// Lines of the cube, rings, flakes and needles.
layout(location = 0) in vec3 aPosition;

uniform mat4 uProjectionMatrix; // camera projection, fixed at start-up
uniform mat4 uViewMatrix;       // camera view, rebuilt every frame from the tracks
uniform mat4 uModelMatrix;      // places the object's unit shape in the world

void main()
{
    gl_Position = uProjectionMatrix * uViewMatrix * uModelMatrix * vec4(aPosition, 1.0);
}
