// The SDL2 audio output: a callback that plays the ring in a loop.
//
// NOTE: the device is unpaused once at open and keeps running; Reset and Submit only switch
// the callback between silence and the ring, so the play position moves exactly as far as
// the callback has copied.
//
// In the browser there is no audio thread: SDL calls back on the page's one thread whenever
// the sound system wants samples, between frames and while the game sleeps. The mixer's tick
// then runs at the head of each callback instead of on a thread of its own, and fills the
// ring the same fragments ahead of the play position.
#include "platform/sdl_audio_output.h"

#include <SDL.h>

#include <cstring>

#include "audio/mixer.h"
#include "runtime/program.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vdl {

namespace {

// Keeps standard error closed while it lives. Probing for a device, the system's sound
// libraries print their own lines about every card they do not find; whether a device opened
// is the caller's to report, once. Used only while opening, which may be on a thread of its
// own: the program's own lines wait meanwhile (PrintErrorLine).
class StderrMuted {
public:
#ifndef _WIN32
    StderrMuted() : hold_(StandardErrorLock()), saved_(dup(STDERR_FILENO)) {
        const int null = open("/dev/null", O_WRONLY);
        if (saved_ < 0 || null < 0 || dup2(null, STDERR_FILENO) < 0) Restore();
        if (null >= 0) close(null);
    }
    ~StderrMuted() {
        Restore();
    }
#else
    // Windows' sound drivers print nothing; there is nothing to mute or restore.
    StderrMuted() {}
    ~StderrMuted() {}
#endif
    StderrMuted(const StderrMuted&) = delete;
    StderrMuted& operator=(const StderrMuted&) = delete;

private:
#ifndef _WIN32
    void Restore() {
        if (saved_ < 0) return;
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        saved_ = -1;
    }
    std::lock_guard<std::mutex> hold_;
    int saved_ = -1;
#endif
};

// Frames SDL asks for per callback: one fragment of 1024 samples.
constexpr int kCallbackFrames = 512;

class TSdlWaveOut : public TWaveOut {
public:
    TSdlWaveOut() = default;
    ~TSdlWaveOut() override {
        if (device_ != 0) SDL_CloseAudioDevice(device_);
        if (subsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    TSdlWaveOut(const TSdlWaveOut&) = delete;
    TSdlWaveOut& operator=(const TSdlWaveOut&) = delete;

    bool Open() {
        const StderrMuted muted;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        subsystem_ = true;
        SDL_AudioSpec want{};
        want.freq = 44100;
        want.format = AUDIO_S16LSB;
        want.channels = 2;
        want.samples = kCallbackFrames;
        want.callback = &TSdlWaveOut::Callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0) return false;
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }

    void Prepare(const std::atomic<std::int16_t>* ring, int samples) override {
        SDL_LockAudioDevice(device_);
        ring_ = ring;
        ringSamples_ = samples;
        cursor_ = 0;
        SDL_UnlockAudioDevice(device_);
    }

    void Unprepare() override {
        SDL_LockAudioDevice(device_);
        playing_ = false;
        ring_ = nullptr;
        ringSamples_ = 0;
        SDL_UnlockAudioDevice(device_);
    }

    bool Submit() override {
        SDL_LockAudioDevice(device_);
        const bool ok = ring_ != nullptr;
        playing_ = ok;
        SDL_UnlockAudioDevice(device_);
        return ok;
    }

    void Reset() override {
        SDL_LockAudioDevice(device_);
        playing_ = false;
        cursor_ = 0;
        played_.store(0, std::memory_order_relaxed);
        SDL_UnlockAudioDevice(device_);
    }

    std::int64_t PlayedBytes() override { return played_.load(std::memory_order_relaxed); }

#ifdef __EMSCRIPTEN__
    bool TicksItself() const override {
        return true;
    }
#endif

private:
    // SDL's audio thread, with the device lock held.
    static void Callback(void* userdata, Uint8* stream, int bytes) {
        auto& self = *static_cast<TSdlWaveOut*>(userdata);
#ifdef __EMSCRIPTEN__
        MixerTick();
#endif
        if (!self.playing_ || !self.ring_) {
            std::memset(stream, 0, static_cast<std::size_t>(bytes));
            return;
        }
        const int samples = bytes / 2;
        for (int i = 0; i < samples; ++i) {
            const auto v = static_cast<std::uint16_t>(
                self.ring_[self.cursor_].load(std::memory_order_relaxed));
            stream[2 * i] = static_cast<Uint8>(v & 0xFF);
            stream[2 * i + 1] = static_cast<Uint8>(v >> 8);
            if (++self.cursor_ == self.ringSamples_) self.cursor_ = 0;
        }
        self.played_.fetch_add(bytes, std::memory_order_relaxed);
    }

    SDL_AudioDeviceID device_ = 0;
    bool subsystem_ = false;
    // Guarded by the device lock.
    const std::atomic<std::int16_t>* ring_ = nullptr;
    int ringSamples_ = 0;
    int cursor_ = 0;
    bool playing_ = false;
    std::atomic<std::int64_t> played_{0};
};

}  // namespace

std::unique_ptr<TWaveOut> OpenSdlWaveOut() {
    std::unique_ptr<TWaveOut> opened;
    {
        auto out = std::make_unique<TSdlWaveOut>();
        if (out->Open()) opened = std::move(out);
    }
    // NOTE: the opening may run on a thread SDL did not start, whose own data (the error
    // text, thread-local storage) SDL frees only when asked.
    SDL_TLSCleanup();
    return opened;
}

void InstallSdlWaveOut() {
    SetWaveOutOpener(&OpenSdlWaveOut);
}

}  // namespace vdl
