#version 330 core

// The renderer's floor: no reads and no grade; the uniforms stay active at no cost.
uniform sampler2D uTexSampler;
uniform sampler2D uTexSampler2;
uniform float uFade;
uniform float uBloomDry;
uniform float uBloomWet;
uniform float uExposure;
uniform float uFlash;
uniform float uVignette;
uniform vec4 uColorCorrection;

in vec2 vTexCoord;
out vec4 fragColor;

void main()
{
    float unused = uFade + uBloomDry + uBloomWet + uExposure + uFlash + uVignette + dot(uColorCorrection, vec4(1.0)) +
                   float(textureSize(uTexSampler, 0).x + textureSize(uTexSampler2, 0).x);
    fragColor = vec4(vTexCoord, unused * 1e-30, 1.0);
}
