// Sounds, channels and the audio driver: the quiet base behaviour and the module operations.
#include "audio/sound.h"

#include <atomic>
#include <thread>

#include "audio/aurel.h"
#include "audio/mixer.h"
#include "runtime/program.h"

namespace vdl {

namespace {

// A page has no threads: there the output is opened where InitAudio asks for it.
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
constexpr bool kThreads = false;
#else
constexpr bool kThreads = true;
#endif

// The output being opened by BeginInitAudio's thread. The thread writes output and then sets
// done; the game thread reads output only after joining the thread.
struct TOpening {
    std::thread thread;
    std::unique_ptr<TWaveOut> output;
    std::atomic<bool> done{false};

    // Waits for the thread; the output it opened is then the caller's.
    std::unique_ptr<TWaveOut> Take() {
        if (thread.joinable()) thread.join();
        return std::move(output);
    }
    ~TOpening() { Take(); }
};

struct TAudioState {
    std::shared_ptr<TAudioDriver> current;
    bool initialised = false;
    bool opened = false;  // the mixer plays
    TOpening opening;
} audio;

bool closeRegistered = false;

// Closes the audio layer at program exit (an output opened but never taken by InitAudio
// too), once however often it is opened.
void RegisterClose() {
    if (closeRegistered) return;
    closeRegistered = true;
    AddExitRoutine(CloseAudio);
}

TAudioDriver& QuietDriver() {
    static TAudioDriver quiet;
    return quiet;
}

}  // namespace

ChannelRef TSound::Play(const ChannelRef&) {
    return std::make_shared<TChannel>();
}

ChannelRef TSound::Cue(const ChannelRef&) {
    return std::make_shared<TChannel>();
}

SoundRef TSound::Load(const std::string& url, int flags) {
    return Load(LoadAudioSample(url), flags);
}

SoundRef TSound::Load(const std::shared_ptr<TAudioSample>& sample, int flags) {
    if (!sample) return nullptr;
    return CurrentAudioDriver().CreateSound(sample, flags);
}

SoundRef TAudioDriver::CreateSound(const std::shared_ptr<TAudioSample>&, int) {
    return std::make_shared<TSound>();
}

ChannelRef TAudioDriver::AllocChannel() {
    return std::make_shared<TChannel>();
}

TAudioDriver& CurrentAudioDriver() {
    return audio.current ? *audio.current : QuietDriver();
}

void SetAudioDriver(std::shared_ptr<TAudioDriver> driver) {
    audio.current = std::move(driver);
}

bool InitAudio() {
    if (audio.initialised) return audio.opened;
    audio.initialised = true;
    if (audio.opening.thread.joinable()) {
        std::unique_ptr<TWaveOut> output = audio.opening.Take();
        if (!output) return false;
        const bool tickThread = !output->TicksItself();
        if (OpenMixerOn(std::move(output), tickThread) != 0) return false;
    } else if (OpenMixer() != 0) {
        return false;
    }
    RegisterClose();
    audio.current = std::make_shared<TAurelAudioDriver>();
    audio.opened = true;
    return true;
}

void BeginInitAudio() {
    if (!kThreads || audio.initialised || audio.opening.thread.joinable()) return;
    const WaveOutOpener opener = InstalledWaveOutOpener();
    if (!opener) return;
    RegisterClose();
    audio.opening.thread = std::thread([opener] {
        audio.opening.output = opener();
        audio.opening.done.store(true, std::memory_order_release);
    });
}

void CloseAudio() {
    closeRegistered = false;  // a routine that has run is forgotten; twice closes nothing
    audio.opening.Take();
    audio.opening.done.store(false, std::memory_order_relaxed);
    CloseMixer();
    audio.current = nullptr;
    audio.initialised = false;
    audio.opened = false;
}

bool AudioOutputSettled() {
    return !audio.opening.thread.joinable() || audio.opening.done.load(std::memory_order_acquire);
}

SoundRef LoadSoundFrom(const std::string& url, int flags) {
    return TSound::Load(url, flags);
}

SoundRef LoadSoundFrom(const std::shared_ptr<TAudioSample>& sample, int flags) {
    return TSound::Load(sample, flags);
}

ChannelRef PlaySoundOn(const SoundRef& sound, const ChannelRef& channel) {
    return sound ? sound->Play(channel) : nullptr;
}

ChannelRef CueSoundOn(const SoundRef& sound, const ChannelRef& channel) {
    return sound ? sound->Cue(channel) : nullptr;
}

ChannelRef NewChannel() {
    return CurrentAudioDriver().AllocChannel();
}

void StopChannel(const ChannelRef& channel) {
    if (channel) channel->Stop();
}

int IsChannelPlaying(const ChannelRef& channel) {
    return channel ? channel->Playing() : 0;
}

void SuspendChannel(const ChannelRef& channel) {
    if (channel) channel->SetPaused(1);
}

void ContinueChannel(const ChannelRef& channel) {
    if (channel) channel->SetPaused(0);
}

void SetChannelVolume(const ChannelRef& channel, float volume) {
    if (channel) channel->SetVolume(volume);
}

void SetChannelPan(const ChannelRef& channel, float pan) {
    if (channel) channel->SetPan(pan);
}

void SetChannelDepth(const ChannelRef& channel, float depth) {
    if (channel) channel->SetDepth(depth);
}

void SetChannelRate(const ChannelRef& channel, float rate) {
    if (channel) channel->SetRate(rate);
}

}  // namespace vdl
