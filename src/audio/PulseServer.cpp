#include "audio/PulseServer.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>

#include <algorithm>
#include <string>

namespace {

constexpr const char* kPipeWireNameMark = "PipeWire";

struct ServerQuery {
    bool answered = false;
    std::string name;
};

void onServerInfo(pa_context*, const pa_server_info* info, void* user)
{
    ServerQuery* query = static_cast<ServerQuery*>(user);
    if (info != nullptr && info->server_name != nullptr) {
        query->name = info->server_name;
    }
    query->answered = true;
}

}

PulseServerKind askPulseServerKind(Uint32 timeoutMs)
{
    pa_mainloop* loop = pa_mainloop_new();
    if (loop == nullptr) {
        return PulseServerKind::Unknown;
    }
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Morlenth");
    if (context == nullptr) {
        pa_mainloop_free(loop);
        return PulseServerKind::Unknown;
    }
    ServerQuery query;
    pa_operation* operation = nullptr;
    // The server is the one SDL's driver reached: libpulse finds it the same way.
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        const Uint32 until = SDL_GetTicks() + timeoutMs;
        while (!query.answered && !SDL_TICKS_PASSED(SDL_GetTicks(), until)) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (!PA_CONTEXT_IS_GOOD(state)) {
                break;
            }
            if (state == PA_CONTEXT_READY && operation == nullptr) {
                operation = pa_context_get_server_info(context, onServerInfo, &query);
                if (operation == nullptr) {
                    break;
                }
            }
            // Waits for the server's next word, never past the deadline.
            const Uint32 leftMs = until - SDL_GetTicks();
            if (pa_mainloop_prepare(loop, static_cast<int>(std::min<Uint32>(leftMs, timeoutMs)) * 1000) < 0 ||
                pa_mainloop_poll(loop) < 0 || pa_mainloop_dispatch(loop) < 0) {
                break;
            }
        }
    }
    if (operation != nullptr) {
        pa_operation_cancel(operation);
        pa_operation_unref(operation);
    }
    pa_context_disconnect(context);
    pa_context_unref(context);
    pa_mainloop_free(loop);
    if (query.name.empty()) {
        return PulseServerKind::Unknown;
    }
    return query.name.find(kPipeWireNameMark) != std::string::npos ? PulseServerKind::PipeWire
                                                                   : PulseServerKind::PulseAudio;
}
