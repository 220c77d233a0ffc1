#version 330 core

// The renderer's floor: a constant; the uniforms stay active at no cost.
uniform sampler2D uTexSampler;
uniform float uHighPassCutoff;

in vec2 vTexCoord;
out vec4 fragColor;

void main()
{
    fragColor = vec4(vTexCoord, uHighPassCutoff * 1e-30, 1.0) + 1e-30 * vec4(textureSize(uTexSampler, 0), 0.0, 0.0);
}
