#version 330 core

// Averages the depth samples of the multisampled scene at this pixel into the red
// channel, the way a single-sampled depth texture reads.
uniform sampler2DMS uTexSampler;
uniform int uSampleCount; // samples per pixel of the scene buffer
uniform vec2 uResolution; // scene buffer size in pixels

in vec2 vTexCoord;
out vec4 fragColor;

void main()
{
    ivec2 pixel = ivec2(vTexCoord * uResolution);
    int count = max(uSampleCount, 1);
    float sum = 0.0;
    for (int i = 0; i < count; ++i) {
        sum += texelFetch(uTexSampler, pixel, i).r;
    }
    fragColor = vec4(sum / float(count), 0.0, 0.0, 1.0);
}
