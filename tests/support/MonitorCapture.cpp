#include "MonitorCapture.h"

namespace testing_support {

bool MonitorCapture::open(int bufferFrames)
{
    SDL_AudioSpec wanted{};
    wanted.freq = kRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = kChannels;
    wanted.samples = static_cast<Uint16>(bufferFrames);
    wanted.callback = receive;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    id = SDL_OpenAudioDevice(nullptr, 1, &wanted, &obtained, 0);
    if (id == 0) {
        return false;
    }
    SDL_PauseAudioDevice(id, 0);
    return true;
}

void MonitorCapture::close()
{
    if (id != 0) {
        SDL_CloseAudioDevice(id);
        id = 0;
    }
}

void SDLCALL MonitorCapture::receive(void* self, Uint8* stream, int length)
{
    MonitorCapture* capture = static_cast<MonitorCapture*>(self);
    capture->recorded.add(reinterpret_cast<const float*>(stream), static_cast<size_t>(length) / sizeof(float),
                          counterSeconds());
}

bool MonitorCapture::waitForFrames(int64_t wanted, double timeoutSeconds)
{
    const double until = counterSeconds() + timeoutSeconds;
    while (recorded.frames() < wanted) {
        if (counterSeconds() > until) {
            return false;
        }
        SDL_Delay(1);
    }
    return true;
}

}
