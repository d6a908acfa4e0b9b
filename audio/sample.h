// Audio samples: decoded PCM in memory, its formats and the sample loaders.
//
// A sample is a block of frames (one value per channel, interleaved left, right) at a rate
// in hertz, in one of six formats. Conversions between formats all pass through stereo
// 16-bit big-endian. Loaders are kept in a registry, newest first; LoadAudioSample asks each
// in turn. Depends on the runtime (errors) and the stream layer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "runtime/object.h"

namespace vdl {

class TStream;

// Sample formats; the value indexes formatBytes and formatChannels.
enum : int {
    SF_NONE = 0,
    SF_MONO8 = 1,
    SF_MONO16LE = 2,
    SF_MONO16BE = 3,
    SF_STEREO8 = 4,
    SF_STEREO16LE = 5,
    SF_STEREO16BE = 6,
};

// Bytes per frame and channels per frame of each format.
extern const int formatBytes[7];
extern const int formatChannels[7];

// Decoded PCM: `length` frames at `hertz` in `format`.
class TAudioSample : public Object {
public:
    ~TAudioSample() override;

    std::uint8_t* samples = nullptr;
    int length = 0;
    int hertz = 0;
    int format = SF_NONE;
    // Bytes the sample allocated itself, or -1 when `samples` belongs to someone else.
    int capacity = -1;

    // A new sample with its own byte copy of the data.
    virtual std::shared_ptr<TAudioSample> Copy();
    // A new sample holding this one's frames in another format; this one is unchanged.
    virtual std::shared_ptr<TAudioSample> Convert(int format);

    // A sample owning length frames of uninitialised data.
    static std::shared_ptr<TAudioSample> CreateAudioSample(int length, int hertz, int format);
    // A sample over memory it does not own and never frees.
    static std::shared_ptr<TAudioSample> CreateStaticAudioSample(std::uint8_t* samples, int length,
                                                                 int hertz, int format);
};

// Converts length frames from source in format sf to destination in format df. Raises
// "Unimplemented sample format conversion" for a format outside 1-6.
void ConvertSamples(const std::uint8_t* source, int sf, std::uint8_t* destination, int df,
                    int length);

// A decoder that recognises one kind of audio data.
class TAudioSampleLoader : public Object {
public:
    // Registers the loader at the head of the registry.
    TAudioSampleLoader();
    ~TAudioSampleLoader() override;

    // The decoded sample, or null when the stream does not hold data of this kind.
    virtual std::shared_ptr<TAudioSample> LoadSample(TStream& stream) = 0;

    TAudioSampleLoader* next = nullptr;
};

// Opens url, rewinds it for each loader in turn and returns the first sample decoded, or
// null. Raises "Stream is not seekable" when the stream cannot report its position.
std::shared_ptr<TAudioSample> LoadAudioSample(const std::string& url);

// Decodes an already opened stream from its current position with the registered loaders.
std::shared_ptr<TAudioSample> LoadAudioSample(const std::shared_ptr<TStream>& stream);

}  // namespace vdl
