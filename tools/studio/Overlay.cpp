#include "Overlay.h"

#include "ErrorPanel.h"
#include "Studio.h"
#include "TransportPanel.h"

#include <imgui.h>
#include <imgui_impl_opengl3.h>
#include <imgui_impl_sdl.h>

namespace {

constexpr const char* kGlslVersion = "#version 330 core";
constexpr float kMargin = 8.0f;
constexpr float kSideWidth = 0.3f;     // of the window, for the track list
constexpr float kTopHeight = 0.2f;     // for the transport
constexpr float kBottomHeight = 0.3f;  // for the curves and the errors
constexpr float kBackgroundAlpha = 0.75f;

// Panels start laid out around the edges of the window, leaving the picture's middle
// free; the author may move and resize them afterwards.
void placeNext(float x, float y, float width, float height)
{
    ImVec2 display = ImGui::GetIO().DisplaySize;
    ImGui::SetNextWindowPos(ImVec2(display.x * x + kMargin, display.y * y + kMargin), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(display.x * width - 2.0f * kMargin, display.y * height - 2.0f * kMargin),
                             ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowBgAlpha(kBackgroundAlpha);
}

}

bool Overlay::init(SDL_Window* window, SDL_GLContext context)
{
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    // The layout is not remembered between runs: the studio writes no files of its own.
    ImGui::GetIO().IniFilename = nullptr;
    ImGui::StyleColorsDark();
    ready = ImGui_ImplSDL2_InitForOpenGL(window, context) && ImGui_ImplOpenGL3_Init(kGlslVersion);
    return ready;
}

bool Overlay::processEvent(const SDL_Event& event)
{
    ImGui_ImplSDL2_ProcessEvent(&event);
    bool isKey = event.type == SDL_KEYDOWN || event.type == SDL_KEYUP || event.type == SDL_TEXTINPUT;
    return isKey && wantsKeyboard();
}

bool Overlay::wantsKeyboard() const
{
    return ImGui::GetIO().WantTextInput;
}

void Overlay::draw(Studio& studio)
{
    build(studio);
    submit();
}

void Overlay::build(Studio& studio)
{
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    double row = studio.transport.row;
    TrackStore* store = studio.engine.syncDevice.store;

    placeNext(0.0f, 0.0f, 1.0f - kSideWidth, kTopHeight);
    ImGui::Begin("Transport");
    drawTransportPanel(studio);
    ImGui::End();

    placeNext(1.0f - kSideWidth, 0.0f, kSideWidth, 1.0f - kBottomHeight);
    ImGui::Begin("Tracks");
    tracks.draw(store, row);
    ImGui::End();

    placeNext(0.0f, 1.0f - kBottomHeight, 1.0f - kSideWidth, kBottomHeight);
    ImGui::Begin("Curves");
    curves.draw(store, tracks.selected, row);
    ImGui::End();

    placeNext(1.0f - kSideWidth, 1.0f - kBottomHeight, kSideWidth, kBottomHeight);
    ImGui::Begin("Errors");
    drawErrorPanel(studio);
    ImGui::End();

    ImGui::Render();
}

void Overlay::submit()
{
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
}

void Overlay::shutdown()
{
    if (ready) {
        ImGui_ImplOpenGL3_Shutdown();
        ImGui_ImplSDL2_Shutdown();
    }
    ImGui::DestroyContext();
    ready = false;
}
