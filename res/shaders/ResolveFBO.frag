#version 330 core

// Averages the samples of the multisampled scene colour at this pixel.
uniform sampler2DMS uTexSampler;
uniform int uSampleCount; // samples per pixel of the scene buffer
uniform vec2 uResolution; // scene buffer size in pixels

in vec2 vTexCoord;
out vec4 fragColor;

void main()
{
    ivec2 pixel = ivec2(vTexCoord * uResolution);
    int count = max(uSampleCount, 1);
    vec4 sum = vec4(0.0);
    for (int i = 0; i < count; ++i) {
        sum += texelFetch(uTexSampler, pixel, i);
    }
    fragColor = sum / float(count);
}
