#include "panels/Overlay.h"

#include "panels/ErrorPanel.h"
#include "panels/TransportPanel.h"

#include <imgui.h>
#include <imgui_impl_opengl3.h>
#include <imgui_impl_sdl.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

constexpr const char* kGlslVersion = "#version 330 core";
constexpr const char* kLayoutFolder = "morlenth";
constexpr const char* kLayoutFile = "studio-layout.ini";
constexpr float kMargin = 4.0f;
constexpr float kSideWidth = 0.24f;    // of the window, for the track list
constexpr float kSheetWidth = 0.24f;   // for the dope sheet, on the left
constexpr float kTopHeight = 0.2f;     // for the transport
constexpr float kBottomHeight = 0.34f; // for the curves and the music
constexpr float kBackgroundAlpha = 0.75f;

// Panels start laid out around the edges of the window, leaving the picture's middle
// free; the author may move, resize and fold them, and the layout is kept.
void placeNext(float x, float y, float width, float height)
{
    ImVec2 display = ImGui::GetIO().DisplaySize;
    ImGui::SetNextWindowPos(ImVec2(display.x * x + kMargin, display.y * y + kMargin), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(display.x * width - 2.0f * kMargin, display.y * height - 2.0f * kMargin),
                             ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowBgAlpha(kBackgroundAlpha);
}

// $XDG_CONFIG_HOME/morlenth/studio-layout.ini, or under ~/.config; empty when neither is known.
std::string layoutFilePath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::string folder = config != nullptr && config[0] != '\0' ? config
                         : home != nullptr && home[0] != '\0'   ? std::string(home) + "/.config"
                                                                 : "";
    if (folder.empty()) {
        return "";
    }
    folder += std::string("/") + kLayoutFolder;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return error ? "" : folder + "/" + kLayoutFile;
}

}

bool Overlay::init(SDL_Window* window, SDL_GLContext context)
{
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    layoutPath = layoutFilePath();
    ImGui::GetIO().IniFilename = layoutPath.empty() ? nullptr : layoutPath.c_str();
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

void Overlay::draw(const PanelInput& input, PanelRequests& requests)
{
    build(input, requests);
    submit();
}

void Overlay::build(const PanelInput& input, PanelRequests& requests)
{
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();

    placeNext(0.0f, 0.0f, 1.0f - kSideWidth, kTopHeight);
    ImGui::Begin("Transport");
    drawTransportPanel(input, requests);
    ImGui::End();

    placeNext(1.0f - kSideWidth, 0.0f, kSideWidth, 1.0f - kBottomHeight);
    ImGui::Begin("Tracks");
    tracks.draw(input.store, input.row);
    ImGui::End();

    placeNext(0.0f, kTopHeight, kSheetWidth, 1.0f - kTopHeight - kBottomHeight);
    ImGui::Begin("Dope sheet");
    // Without a selection the dope sheet shows the filtered list, as far as it fits.
    dopeSheet.draw(input, tracks.selected.empty() ? tracks.filtered : tracks.selected);
    ImGui::End();

    placeNext(0.0f, 1.0f - kBottomHeight, 1.0f - kSideWidth, kBottomHeight);
    ImGui::Begin("Curves");
    curves.draw(input, requests, tracks.selected);
    ImGui::End();

    drawErrorWindow(input, requests);
    ImGui::Render();
}

// Folded to its title line while there is nothing to show, so it takes no room from the picture.
void Overlay::drawErrorWindow(const PanelInput& input, PanelRequests& requests)
{
    size_t count = input.timelineErrors->size() + input.loggedErrors->size();
    if (count != shownErrors) {
        ImGui::SetNextWindowCollapsed(count == 0, ImGuiCond_Always);
        shownErrors = count;
    }
    placeNext(1.0f - kSideWidth, 1.0f - kBottomHeight, kSideWidth, kBottomHeight);
    char title[64];
    std::snprintf(title, sizeof title, "Errors (%zu)###Errors", count);
    if (ImGui::Begin(title)) {
        drawErrorPanel(input, requests);
    }
    ImGui::End();
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
