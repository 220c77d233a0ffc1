#version 330 core

// The floor lattice, pushed up and down by a scrolling, tiling noise.
layout(location = 0) in vec3 aPosition;

uniform mat4 uProjectionMatrix;
uniform mat4 uViewMatrix;
uniform mat4 uModelMatrix;

// Four octaves of noise, one per channel, coarse in red to fine in alpha.
uniform sampler2D uNoiseTexSampler;
// Weight of each octave; the weighted sum of the centred samples is the raw height.
uniform vec4 uNoiseBias;
// World units of height for a raw height of 1.
uniform float uNoiseMagnitude;
// Offset of the noise in texture repeats; animating it makes the waves travel.
uniform vec2 uNoiseScroll;
// 1 flattens the floor at the centre, 0 leaves it alone, negative values
// raise the waves there instead; the effect fades out over kGravityRadius.
uniform float uCenterGravity;

const float kGravityRadius = 96.0;

void main()
{
    // One texel per world unit, so the noise keeps its size whatever the grid's;
    // a missing texture reports no size and must not divide by zero.
    vec2 texels = vec2(max(textureSize(uNoiseTexSampler, 0), ivec2(1)));
    vec2 noiseCoord = aPosition.xz / texels + uNoiseScroll;
    vec4 octaves = textureLod(uNoiseTexSampler, noiseCoord, 0.0) * 2.0 - 1.0;
    float height = dot(octaves, uNoiseBias) * uNoiseMagnitude;

    float distanceToCentre = length(aPosition.xz) / kGravityRadius;
    float centreWeight = exp(-distanceToCentre * distanceToCentre);
    height *= 1.0 - uCenterGravity * centreWeight;

    vec3 displaced = aPosition + vec3(0.0, height, 0.0);
    gl_Position = uProjectionMatrix * uViewMatrix * uModelMatrix * vec4(displaced, 1.0);
}
