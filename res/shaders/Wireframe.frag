#version 330 core

// Blending is never on, so the fourth component fades the line by darkening
// it towards the black background: 1 shows the colour, 0 hides the line.
uniform vec4 uDiffuse;

out vec4 fragColor;

void main()
{
    fragColor = vec4(uDiffuse.rgb * uDiffuse.a, uDiffuse.a);
}
