#version 330 core

// Bright pass: keeps what lies above uHighPassCutoff. Below the cutoff a quadratic
// knee lets the bloom fade in smoothly instead of switching on at the threshold.
uniform sampler2D uTexSampler;
uniform float uHighPassCutoff; // brightness (largest channel) from which light blooms

// Width of the knee as a fraction of the cutoff.
const float kKneeFraction = 0.5;
const float kEpsilon = 1e-4;

in vec2 vTexCoord;
out vec4 fragColor;

void main()
{
    vec3 color = texture(uTexSampler, vTexCoord).rgb;
    float brightness = max(color.r, max(color.g, color.b));
    float cutoff = max(uHighPassCutoff, 0.0);
    float knee = max(cutoff * kKneeFraction, kEpsilon);

    float inKnee = clamp(brightness - cutoff + knee, 0.0, 2.0 * knee);
    float soft = inKnee * inKnee / (4.0 * knee);
    float kept = max(soft, brightness - cutoff);

    // Scaling the colour keeps its hue; only its brightness is cut.
    fragColor = vec4(color * (kept / max(brightness, kEpsilon)), 1.0);
}
