#version 330 core

// Final grade of the bloom chain, applied in this order:
//   uBloomDry, uBloomWet: weights of the scene (dry) and of the bloom (wet) in their sum.
//   uExposure: in stops; 0 keeps the brightness, +1 doubles it, -1 halves it. A tone
//     curve follows that leaves everything below kShoulderStart as it is and rolls the
//     rest off towards white, so strong bloom saturates softly instead of clipping.
//   uColorCorrection: rgb is a colour screened over the picture with strength a (0..1).
//     It lifts the dark background towards that colour and leaves white white;
//     all zero changes nothing.
//   uFlash: white added on top; 1 gives a white screen.
//   uVignette: darkening of the corners; 0 none, 1 black corners.
//   uFade: 0 black, 1 the full picture.
uniform sampler2D uTexSampler;  // scene
uniform sampler2D uTexSampler2; // bloom
uniform float uFade;
uniform float uBloomDry;
uniform float uBloomWet;
uniform float uExposure;
uniform float uFlash;
uniform float uVignette;
uniform vec4 uColorCorrection;

const float kShoulderStart = 0.8;
// Radius (0 centre, 1 corner) where the vignette starts to darken.
const float kVignetteInner = 0.4;

in vec2 vTexCoord;
out vec4 fragColor;

vec3 toneCurve(vec3 color)
{
    // Identity below the shoulder; above it a hyperbola that leaves with slope 1
    // (no visible kink) and only approaches 1, so no highlight ever clips.
    float range = 1.0 - kShoulderStart;
    vec3 over = max(color - kShoulderStart, 0.0);
    vec3 rolled = kShoulderStart + range * over / (over + range);
    return mix(color, rolled, step(kShoulderStart, color));
}

float vignette()
{
    float radius = length(vTexCoord - 0.5) * sqrt(2.0);
    return clamp(1.0 - uVignette * smoothstep(kVignetteInner, 1.0, radius), 0.0, 1.0);
}

void main()
{
    vec3 scene = texture(uTexSampler, vTexCoord).rgb;
    vec3 bloom = texture(uTexSampler2, vTexCoord).rgb;

    vec3 color = max(scene * uBloomDry + bloom * uBloomWet, 0.0);
    color = toneCurve(color * exp2(uExposure));

    float tintStrength = clamp(uColorCorrection.a, 0.0, 1.0);
    vec3 tint = clamp(uColorCorrection.rgb, 0.0, 1.0);
    color += tintStrength * tint * (1.0 - min(color, 1.0));

    color += vec3(uFlash);
    color *= vignette();
    color *= clamp(uFade, 0.0, 1.0);
    fragColor = vec4(color, 1.0);
}
