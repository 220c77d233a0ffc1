#version 330 core

// The renderer's floor: no taps; the uniforms stay active at no cost.
uniform sampler2D uTexSampler;
uniform vec2 uTexelSize;
uniform vec2 uBlurDirection;
uniform float uBlurMagnitude;

in vec2 vTexCoord;
out vec4 fragColor;

void main()
{
    vec2 unused = uTexelSize + uBlurDirection * uBlurMagnitude + vec2(textureSize(uTexSampler, 0));
    fragColor = vec4(vTexCoord + unused * 1e-30, 0.0, 1.0);
}
