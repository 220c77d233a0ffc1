#version 330 core

// One quad over the whole target, corners at +-1 in clip space. z = 0 keeps it
// in front of the far plane, so it passes the depth test against a cleared target.
layout(location = 0) in vec2 aPosition;

out vec2 vTexCoord;

void main()
{
    vTexCoord = aPosition * 0.5 + 0.5;
    gl_Position = vec4(aPosition, 0.0, 1.0);
}
