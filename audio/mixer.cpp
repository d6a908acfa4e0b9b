// The software mixer's call interface: the open mixer, its device and the channel table.
//
// NOTE: the table keeps an explicit in-use flag per entry rather than reading a zero free
// link as "in use": the last entry of the free list also links to 0, and taking that for a
// used entry would put it on the list twice.
#include "audio/mixer.h"

#include <cstdint>
#include <vector>

#include "runtime/math.h"
#include "system/clock.h"

namespace vdl {

namespace {

constexpr int kIndexMask = kChannelEntries - 1;

struct TMixerState {
    WaveOutOpener openOutput = nullptr;
    bool open = false;
    std::unique_ptr<TMixer> mixer;
    std::unique_ptr<TWaveOutDevice> device;
    // The channel table (game thread only).
    std::vector<TVoice*> voiceOf;
    std::vector<int> nextFree;
    std::vector<std::uint32_t> generation;
    std::vector<bool> inUse;
} m;

void InitChannelTable() {
    m.voiceOf.assign(kChannelEntries, nullptr);
    m.nextFree.assign(kChannelEntries, 0);
    m.generation.assign(kChannelEntries, kChannelEntries);
    m.inUse.assign(kChannelEntries, false);
    for (int i = 0; i < kChannelEntries - 1; ++i)
        m.nextFree[i] = i + 1;
    m.nextFree[kChannelEntries - 1] = 0;
}

// True when handle names an entry that is handed out in its current generation.
bool HandleIsLive(int handle) {
    const int index = handle & kIndexMask;
    return m.open && handle != 0 && index != 0 && m.inUse[index] &&
           (static_cast<std::uint32_t>(handle) & ~static_cast<std::uint32_t>(kIndexMask)) ==
               m.generation[index];
}

// Puts an entry back on the free list.
void FreeEntry(int index) {
    m.voiceOf[index] = nullptr;
    m.inUse[index] = false;
    m.nextFree[index] = m.nextFree[0];
    m.nextFree[0] = index;
}

// A voice for a play on keepHandle (0: none): recycled or new, parameters from the template.
// A recycled voice that still holds another live handle gives that handle back.
TVoice* AllocateVoice(TVoice* from, int keepHandle) {
    TVoice* voice = m.mixer->TakeVoice();
    if (voice->handle != 0 && voice->handle != keepHandle && HandleIsLive(voice->handle)) {
        const int index = voice->handle & kIndexMask;
        TVoice* bound = m.voiceOf[index];
        if (bound && bound != voice && bound->state.load(std::memory_order_relaxed) != VS_DEAD) {
            bound->state.store(VS_STOPPED, std::memory_order_relaxed);
        }
        FreeEntry(index);
    }
    voice->handle = 0;
    voice->ResetParameters(from);
    return voice;
}

// The voice a handle reaches. An empty live entry gets a placeholder voice so that settings
// made before the first play carry into it.
TVoice* Resolve(int handle) {
    if (!HandleIsLive(handle)) return nullptr;
    const int index = handle & kIndexMask;
    if (!m.voiceOf[index]) {
        TVoice* voice = AllocateVoice(nullptr, handle);
        voice->state.store(VS_STOPPED, std::memory_order_relaxed);
        voice->placeholder = true;
        m.voiceOf[index] = voice;
    }
    return m.voiceOf[index];
}

// 4.12 fixed point of v, truncated toward zero and wrapped to 16 bits.
int Fixed412(float v) {
    return static_cast<std::int16_t>(TruncToInt(v * 4096.0f));
}

}  // namespace

void SetWaveOutOpener(WaveOutOpener opener) {
    m.openOutput = opener;
}

WaveOutOpener InstalledWaveOutOpener() {
    return m.openOutput;
}

int OpenMixer() {
    if (m.open) return 0;
    if (!m.openOutput) return -1;
    std::unique_ptr<TWaveOut> waveOut = m.openOutput();
    if (!waveOut) return -1;
    const bool tickThread = !waveOut->TicksItself();
    return OpenMixerOn(std::move(waveOut), tickThread);
}

int OpenMixerOn(std::unique_ptr<TWaveOut> waveOut, bool tickThread) {
    if (m.open) return 0;
    if (!waveOut) return -1;
    m.mixer = std::make_unique<TMixer>(kFragmentLength);
    m.device = std::make_unique<TWaveOutDevice>(*m.mixer, std::move(waveOut));
    InitChannelTable();
    m.open = true;
    m.device->Start(tickThread);
    return 0;
}

void CloseMixer() {
    if (!m.open) return;
    m.open = false;
    // The tick must be gone before anything it touches is freed.
    m.device->Stop();
    m.mixer->RecycleAll();
    m.device.reset();
    m.mixer.reset();
    m.voiceOf.clear();
    m.nextFree.clear();
    m.generation.clear();
    m.inUse.clear();
}

void MixerTick() {
    if (m.device) m.device->Tick();
}

TWaveOutDevice* MixerDevice() {
    return m.device.get();
}

TMixerSound* MixerCreateSound(int length, int bits, int channels, int hertz, const void* data,
                              int loop) {
    if (!m.open) return nullptr;
    return TMixerSound::Create(length, bits, channels, hertz, data, loop);
}

void MixerWriteSound(TMixerSound* sound, const void* data, int frames) {
    if (sound && data && frames > 0) sound->Write(data, frames);
}

void MixerReleaseSound(TMixerSound* sound) {
    if (sound) sound->Release();
}

int MixerAllocChannel() {
    if (!m.open) return 0;
    const int index = m.nextFree[0];
    if (index == 0) return 0;
    m.nextFree[0] = m.nextFree[index];
    m.nextFree[index] = 0;
    m.inUse[index] = true;
    m.generation[index] += kChannelEntries;
    return static_cast<int>(static_cast<std::uint32_t>(index) | m.generation[index]);
}

int MixerPlay(TMixerSound* sound, int paused, int handle) {
    if (!m.open || !sound) return handle;

    TVoice* from = nullptr;
    int result = 0;
    if (handle != 0) {
        from = Resolve(handle);
        // NOTE: a stale handle binds nothing: the sound still plays, as on no channel.
        if (from) result = handle;
    } else {
        result = MixerAllocChannel();
    }

    TVoice* voice = AllocateVoice(from, result);
    sound->Retain();
    const int loops = sound->loop ? VS_LOOPED : VS_ONCE;
    voice->state.store(loops | (paused ? VS_PAUSED_BIT : 0), std::memory_order_relaxed);
    voice->source = sound;
    voice->position = 0;
    voice->startTime = Millis();
    voice->handle = result;
    voice->autoRelease.store(handle == 0 || result == 0, std::memory_order_relaxed);
    if (!m.mixer->Queue(voice)) {
        voice->source = nullptr;
        voice->handle = 0;
        sound->Release();
        m.mixer->Retire(voice);
        if (handle == 0 && result != 0) FreeEntry(result & kIndexMask);
        return 0;
    }

    if (result != 0) {
        const int index = result & kIndexMask;
        TVoice* old = m.voiceOf[index];
        if (old && old != voice) {
            if (old->placeholder) {
                m.mixer->Retire(old);
            } else {
                // The replaced voice lets go of the channel and is reclaimed once stopped.
                int state = old->state.load(std::memory_order_relaxed);
                while (state != VS_DEAD && !old->state.compare_exchange_weak(
                                               state, VS_STOPPED, std::memory_order_relaxed)) {
                }
                old->autoRelease.store(1, std::memory_order_relaxed);
                old->handle = 0;
            }
        }
        m.voiceOf[index] = voice;
    }
    return result;
}

int MixerChannelState(int handle) {
    TVoice* voice = Resolve(handle);
    return voice ? voice->state.load(std::memory_order_relaxed) : 0;
}

void MixerStopChannel(int handle) {
    TVoice* voice = Resolve(handle);
    if (!voice) return;
    voice->autoRelease.store(1, std::memory_order_relaxed);
    int state = voice->state.load(std::memory_order_relaxed);
    while (state != VS_DEAD &&
           !voice->state.compare_exchange_weak(state, VS_STOPPED, std::memory_order_relaxed)) {
    }
}

void MixerPauseChannel(int handle, int paused) {
    TVoice* voice = Resolve(handle);
    if (!voice) return;
    int state = voice->state.load(std::memory_order_relaxed);
    for (;;) {
        const int playing = state & ~VS_PAUSED_BIT;
        // NOTE: only a playing voice takes the pause bit; a stopped one that took it would
        // count as playing again.
        if (paused && playing != VS_ONCE && playing != VS_LOOPED) return;
        const int wanted = paused ? (state | VS_PAUSED_BIT) : playing;
        if (voice->state.compare_exchange_weak(state, wanted, std::memory_order_relaxed)) return;
    }
}

void MixerSetVolume(int handle, float v) {
    if (TVoice* voice = Resolve(handle)) voice->SetVolume(Fixed412(v));
}

void MixerSetPan(int handle, float p) {
    if (TVoice* voice = Resolve(handle)) voice->SetPan(Fixed412(p));
}

void MixerSetDepth(int handle, float d) {
    if (TVoice* voice = Resolve(handle)) voice->SetDepth(Fixed412(d));
}

void MixerSetRate(int handle, float r) {
    if (TVoice* voice = Resolve(handle)) voice->SetRate(TruncToInt(r * 65536.0f));
}

}  // namespace vdl
