#version 330 core

// The renderer's floor: the lattice placed flat, without its noise; the
// uniforms stay active at no cost.
layout(location = 0) in vec3 aPosition;

uniform mat4 uProjectionMatrix;
uniform mat4 uViewMatrix;
uniform mat4 uModelMatrix;
uniform sampler2D uNoiseTexSampler;
uniform vec4 uNoiseBias;
uniform float uNoiseMagnitude;
uniform vec2 uNoiseScroll;
uniform float uCenterGravity;

void main()
{
    float unused = dot(uNoiseBias, vec4(1.0)) + uNoiseMagnitude + uNoiseScroll.x + uCenterGravity +
                   float(textureSize(uNoiseTexSampler, 0).x);
    gl_Position = uProjectionMatrix * uViewMatrix * uModelMatrix * vec4(aPosition + unused * 1e-30, 1.0);
}
