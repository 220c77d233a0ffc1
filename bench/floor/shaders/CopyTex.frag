#version 330 core

// The renderer's floor: no texture read; the sampler stays active through a size query.
uniform sampler2D uTexSampler;

in vec2 vTexCoord;
out vec4 fragColor;

void main()
{
    fragColor = vec4(vTexCoord, 0.0, 1.0) + 1e-30 * vec4(textureSize(uTexSampler, 0), 0.0, 0.0);
}
