#include "Mixer.h"

#include "Bass.h"
#include "Drums.h"
#include "Echo.h"
#include "Envelopes.h"
#include "Filters.h"
#include "Lead.h"
#include "Limiter.h"
#include "Pad.h"
#include "Reverb.h"

#include <cmath>
#include <sstream>

namespace musicgen {

namespace {

// gain dB, pan, echo send, room send, duck depth
constexpr Channel::Settings kKick{-8.5, 0.0, 0.0, 0.0, 0.0};
constexpr Channel::Settings kSnare{-6.0, 0.05, 0.0, 0.35, 0.0};
constexpr Channel::Settings kClap{-0.5, -0.05, 0.0, 0.3, 0.0};
constexpr Channel::Settings kClosedHat{-4.0, 0.3, 0.0, 0.05, 0.0};
constexpr Channel::Settings kOpenHat{-6.0, -0.3, 0.0, 0.1, 0.0};
constexpr Channel::Settings kCrash{-17.0, 0.0, 0.0, 0.2, 0.0};
constexpr Channel::Settings kBass{-4.0, 0.0, 0.0, 0.0, 0.45};
constexpr Channel::Settings kPad{-8.0, 0.0, 0.0, 0.3, 0.65};
constexpr Channel::Settings kLead{-5.0, 0.0, 0.28, 0.25, 0.15};
constexpr Channel::Settings kLeadHigh{-12.0, 0.0, 0.35, 0.3, 0.15};
constexpr Channel::Settings kArp{-4.5, 0.0, 0.3, 0.2, 0.5};
constexpr Channel::Settings kRiser{-10.0, 0.0, 0.0, 0.4, 0.0};
constexpr double kArpPan = 0.45;

constexpr double kEchoBeats = 0.75; // a dotted eighth
constexpr double kEchoFeedback = 0.42;
constexpr double kEchoToRoom = 0.25;
constexpr double kRoomWet = 1.0;

constexpr double kDuckRampSeconds = 0.004;
constexpr double kDuckRecoverSeconds = 0.11;
constexpr double kDuckSpanSeconds = 0.5;

// The master's level before limiting; tuned so the song measures about -14 LUFS.
constexpr double kMasterGainDb = -1.0;
constexpr double kCeilingDb = -1.5;
constexpr double kLimiterLookahead = 0.005;
constexpr double kLimiterRelease = 0.15;
constexpr double kSubsonicHz = 22.0;
constexpr double kEdgeFadeSeconds = 0.005;

struct PartName {
    const char* name;
    unsigned parts;
};
const PartName kPartNames[] = {
    {"kick", kPartKick}, {"snare", kPartSnare}, {"clap", kPartClap}, {"hats", kPartHats},
    {"crash", kPartCrash}, {"drums", kPartDrums}, {"bass", kPartBass}, {"pad", kPartPad},
    {"lead", kPartLead}, {"arp", kPartArp}, {"risers", kPartRisers},
};

unsigned partOf(Drum drum)
{
    switch (drum) {
    case Drum::Kick: return kPartKick;
    case Drum::Snare: return kPartSnare;
    case Drum::Clap: return kPartClap;
    case Drum::ClosedHat:
    case Drum::OpenHat: return kPartHats;
    case Drum::Crash: return kPartCrash;
    }
    return 0;
}

uint32_t seedOf(double step, unsigned salt) { return static_cast<uint32_t>(std::lround(step * 8.0)) * 2654435761u + salt; }

// Each kick pulls the ducked parts down over a few milliseconds and lets them back slowly.
void buildDuck(const Score& score, const Clip& clip, std::vector<float>& duck)
{
    duck.assign(static_cast<size_t>(clip.frames), 0.0f);
    int64_t span = secondsToFrames(kDuckSpanSeconds);
    for (const DrumHit& hit : score.drums) {
        if (hit.drum != Drum::Kick) {
            continue;
        }
        int64_t at = clip.frameOfStep(hit.step);
        for (int64_t i = 0; i < clip.framesToRender(at, span); ++i) {
            if (at + i < 0) {
                continue;
            }
            double t = static_cast<double>(i) / kSampleRate;
            double shape = t < kDuckRampSeconds ? t / kDuckRampSeconds
                                                : std::exp(-(t - kDuckRampSeconds) / kDuckRecoverSeconds);
            float& d = duck[static_cast<size_t>(at + i)];
            d = std::fmax(d, static_cast<float>(hit.velocity * shape));
        }
    }
}

void renderDrums(const Score& score, const Clip& clip, Buses& buses, unsigned parts)
{
    Channel kick(buses, kKick), snare(buses, kSnare), clap(buses, kClap);
    Channel closedHat(buses, kClosedHat), openHat(buses, kOpenHat), crash(buses, kCrash);
    for (const DrumHit& hit : score.drums) {
        if (!(parts & partOf(hit.drum))) {
            continue;
        }
        int64_t at = clip.frameOfStep(hit.step);
        uint32_t seed = seedOf(hit.step, static_cast<unsigned>(hit.drum));
        switch (hit.drum) {
        case Drum::Kick: renderKick(kick, clip, at, hit.velocity, seed); break;
        case Drum::Snare: renderSnare(snare, clip, at, hit.velocity, seed); break;
        case Drum::Clap: renderClap(clap, clip, at, hit.velocity, seed); break;
        case Drum::ClosedHat: renderHat(closedHat, clip, at, hit.velocity, seed, false); break;
        case Drum::OpenHat: renderHat(openHat, clip, at, hit.velocity, seed, true); break;
        case Drum::Crash: renderCrash(crash, clip, at, hit.velocity, seed); break;
        }
    }
}

void renderTonal(const Score& score, const Clip& clip, Buses& buses, unsigned parts)
{
    Channel bass(buses, kBass), pad(buses, kPad), lead(buses, kLead), leadHigh(buses, kLeadHigh), arp(buses, kArp);
    if (parts & kPartBass) {
        for (const Note& note : score.bass) {
            renderBass(bass, clip, note, score.bassCutoff);
        }
    }
    if (parts & kPartPad) {
        for (const Note& note : score.pad) {
            renderPad(pad, clip, note, score.padCutoff, seedOf(note.step, static_cast<unsigned>(note.pitch)));
        }
    }
    if (parts & kPartLead) {
        for (const Note& note : score.lead) {
            renderLead(lead, clip, note);
        }
        for (const Note& note : score.leadHigh) {
            renderLead(leadHigh, clip, note);
        }
    }
    if (parts & kPartArp) {
        for (const Note& note : score.arp) {
            double pan = static_cast<int64_t>(note.step) % 2 == 0 ? -kArpPan : kArpPan;
            renderPluck(arp, clip, note, score.arpCutoff, pan);
        }
    }
}

void renderRisers(const Score& score, const Clip& clip, Buses& buses)
{
    Channel riser(buses, kRiser);
    for (const Riser& r : score.risers) {
        int64_t at = clip.frameOfStep(r.step);
        int64_t length = clip.frameOfStep(r.step + r.length) - at;
        renderRiser(riser, clip, at, length, r.velocity, seedOf(r.step, 99));
    }
}

void applyEffects(Buses& buses)
{
    int64_t echoFrames = std::llround(kEchoBeats * kStepsPerBeat * framesPerStep());
    applyEcho(buses.delaySend, echoFrames, kEchoFeedback, kEchoToRoom, buses.dry, buses.reverbSend);
    applyReverb(buses.reverbSend, kRoomWet, buses.dry);
}

// Automation, level, subsonic cut, the limiter and the clip's edge fades, in that order.
LimiterStats master(const Score& score, const Clip& clip, StereoBuffer& mix)
{
    double gain = dbToGain(kMasterGainDb);
    Svf left, right;
    left.setup(kSubsonicHz, 0.7);
    right.setup(kSubsonicHz, 0.7);
    for (int64_t i = 0; i < mix.frames(); ++i) {
        size_t f = static_cast<size_t>(i);
        double level = gain * score.masterLevel.at(clip.barAt(i));
        mix.left[f] = static_cast<float>(left.highpass(mix.left[f] * level));
        mix.right[f] = static_cast<float>(right.highpass(mix.right[f] * level));
    }
    LimiterStats stats = applyLimiter(mix, dbToGain(kCeilingDb), kLimiterLookahead, kLimiterRelease);
    int64_t fade = secondsToFrames(kEdgeFadeSeconds);
    for (int64_t i = 0; i < mix.frames(); ++i) {
        double edge = std::fmin(1.0, static_cast<double>(std::min(i, mix.frames() - 1 - i)) / fade);
        mix.left[static_cast<size_t>(i)] *= static_cast<float>(edge);
        mix.right[static_cast<size_t>(i)] *= static_cast<float>(edge);
    }
    return stats;
}

}

bool parseParts(const std::string& text, unsigned& parts)
{
    parts = 0;
    std::istringstream names(text);
    for (std::string name; std::getline(names, name, ',');) {
        bool known = false;
        for (const PartName& part : kPartNames) {
            if (name == part.name) {
                parts |= part.parts;
                known = true;
            }
        }
        if (!known) {
            return false;
        }
    }
    return parts != 0;
}

LimiterStats renderMix(const Score& score, const MixRequest& request, StereoBuffer& out)
{
    Clip clip;
    clip.startFrame = frameAtBar(request.fromBar);
    clip.frames = frameAtBar(request.toBar) - clip.startFrame;
    Buses buses;
    buses.dry.resize(clip.frames);
    buses.delaySend.resize(clip.frames);
    buses.reverbSend.resize(clip.frames);
    buildDuck(score, clip, buses.duck);
    renderDrums(score, clip, buses, request.parts);
    renderTonal(score, clip, buses, request.parts);
    if (request.parts & kPartRisers) {
        renderRisers(score, clip, buses);
    }
    applyEffects(buses);
    out = std::move(buses.dry);
    return master(score, clip, out);
}

}
