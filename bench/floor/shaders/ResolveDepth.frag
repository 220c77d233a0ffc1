#version 330 core

// The renderer's floor: no samples read; the uniforms stay active at no cost.
uniform sampler2DMS uTexSampler;
uniform int uSampleCount;
uniform vec2 uResolution;

in vec2 vTexCoord;
out vec4 fragColor;

void main()
{
    vec2 unused = uResolution + vec2(float(uSampleCount)) + vec2(textureSize(uTexSampler));
    fragColor = vec4(vTexCoord + unused * 1e-30, 0.0, 1.0);
}
