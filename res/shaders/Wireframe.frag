#version 330 core

// Blending is never on, so the fourth component fades the line by darkening
// it towards the black background: 1 shows the colour, 0 hides the line. A
// hidden line is not drawn at all: black lines that still wrote depth would cut
// dark gaps into whatever lies behind them.
uniform vec4 uDiffuse;

out vec4 fragColor;

void main()
{
    if (uDiffuse.a <= 0.0) {
        discard;
    }
    fragColor = vec4(uDiffuse.rgb * uDiffuse.a, uDiffuse.a);
}
