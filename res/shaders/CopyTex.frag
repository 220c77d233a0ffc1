#version 330 core

// Passes the source through unchanged: down- and up-sampling (the sampler filters
// linearly) and the final present, including the depth view.
uniform sampler2D uTexSampler;

in vec2 vTexCoord;
out vec4 fragColor;

void main()
{
    fragColor = texture(uTexSampler, vTexCoord);
}
