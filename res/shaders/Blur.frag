#version 330 core

// One direction of a separable Gaussian blur. uBlurMagnitude is the standard
// deviation in source texels: 0 leaves the image as it is, larger values widen
// the halo. The taps always span three deviations on each side, so the kernel
// keeps its shape and its weights and only its spacing follows the magnitude.
uniform sampler2D uTexSampler;
uniform vec2 uTexelSize;     // one source texel in texture coordinates
uniform vec2 uBlurDirection; // (1, 0) horizontal or (0, 1) vertical
uniform float uBlurMagnitude;

const int kTapsPerSide = 12;
const float kSpanInDeviations = 3.0;

in vec2 vTexCoord;
out vec4 fragColor;

void main()
{
    float deviation = max(uBlurMagnitude, 0.0);
    vec2 tapStep = uBlurDirection * uTexelSize * (deviation * kSpanInDeviations / float(kTapsPerSide));

    vec4 sum = texture(uTexSampler, vTexCoord);
    float weightSum = 1.0;
    for (int i = 1; i <= kTapsPerSide; ++i) {
        float x = float(i) * kSpanInDeviations / float(kTapsPerSide);
        float weight = exp(-0.5 * x * x);
        sum += weight * (texture(uTexSampler, vTexCoord + tapStep * float(i))
                         + texture(uTexSampler, vTexCoord - tapStep * float(i)));
        weightSum += 2.0 * weight;
    }
    fragColor = sum / weightSum;
}
