// Audio samples: storage, format conversion through the stereo 16-bit big-endian hub, and
// the loader registry.
#include "audio/sample.h"

#include <cstring>
#include <vector>

#include "runtime/errors.h"
#include "stream/stream.h"
#include "stream/url.h"

namespace vdl {

const int formatBytes[7] = {0, 1, 2, 2, 2, 4, 4};
const int formatChannels[7] = {0, 1, 1, 1, 2, 2, 2};

namespace {

// Head of the loader registry: the loader created last.
TAudioSampleLoader* firstLoader = nullptr;

bool ValidFormat(int format) {
    return format >= SF_MONO8 && format <= SF_STEREO16BE;
}

// Bytes held by length frames of format; a negative length counts as empty.
std::size_t DataBytes(int length, int format) {
    if (length <= 0 || format < 0 || format > 6) return 0;
    return static_cast<std::size_t>(length) * static_cast<std::size_t>(formatBytes[format]);
}

void PutBE16(std::uint8_t* p, int v) {
    p[0] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    p[1] = static_cast<std::uint8_t>(v & 0xFF);
}

void PutLE16(std::uint8_t* p, int v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

int GetBE16(const std::uint8_t* p) {
    return static_cast<std::int16_t>((p[0] << 8) | p[1]);
}

int GetLE16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(p[0] | (p[1] << 8));
}

// Widens length frames of format sf into stereo 16-bit big-endian at hub.
void ExpandToHub(const std::uint8_t* source, int sf, std::uint8_t* hub, int length) {
    const int channels = formatChannels[sf];
    const int bytes = formatBytes[sf] / channels;
    for (int i = 0; i < length; ++i) {
        int values[2] = {0, 0};
        for (int c = 0; c < channels; ++c) {
            const std::uint8_t* p = source + (i * channels + c) * bytes;
            if (bytes == 1) {
                // NOTE: c * 257 - 32768 maps 0..255 onto the full 16-bit range, so the 8-bit
                // silence 128 becomes 128, not 0.
                values[c] = *p * 257 - 32768;
            } else if (sf == SF_MONO16LE || sf == SF_STEREO16LE) {
                values[c] = GetLE16(p);
            } else {
                values[c] = GetBE16(p);
            }
        }
        if (channels == 1) values[1] = values[0];
        PutBE16(hub + i * 4, values[0]);
        PutBE16(hub + i * 4 + 2, values[1]);
    }
}

// Narrows length frames of stereo 16-bit big-endian at hub into format df.
void ReduceFromHub(const std::uint8_t* hub, std::uint8_t* destination, int df, int length) {
    const int channels = formatChannels[df];
    const int bytes = formatBytes[df] / channels;
    for (int i = 0; i < length; ++i) {
        int values[2] = {GetBE16(hub + i * 4), GetBE16(hub + i * 4 + 2)};
        // Mono is the truncated mean: (1000 + -1001) / 2 is 0, not -1.
        if (channels == 1) values[0] = (values[0] + values[1]) / 2;
        for (int c = 0; c < channels; ++c) {
            std::uint8_t* p = destination + (i * channels + c) * bytes;
            if (bytes == 1) {
                *p = static_cast<std::uint8_t>((values[c] + 32768) / 257);
            } else if (df == SF_MONO16LE || df == SF_STEREO16LE) {
                PutLE16(p, values[c]);
            } else {
                PutBE16(p, values[c]);
            }
        }
    }
}

}  // namespace

TAudioSample::~TAudioSample() {
    if (capacity >= 0) delete[] samples;
}

std::shared_ptr<TAudioSample> TAudioSample::Copy() {
    auto copy = CreateAudioSample(length, hertz, format);
    const std::size_t bytes = DataBytes(length, format);
    if (bytes > 0) std::memcpy(copy->samples, samples, bytes);
    return copy;
}

std::shared_ptr<TAudioSample> TAudioSample::Convert(int toFormat) {
    auto converted = CreateAudioSample(length, hertz, toFormat);
    ConvertSamples(samples, format, converted->samples, toFormat, length);
    return converted;
}

std::shared_ptr<TAudioSample> TAudioSample::CreateAudioSample(int length, int hertz, int format) {
    auto sample = std::make_shared<TAudioSample>();
    const std::size_t bytes = DataBytes(length, format);
    sample->samples = new std::uint8_t[bytes > 0 ? bytes : 1];
    sample->length = length;
    sample->hertz = hertz;
    sample->format = format;
    sample->capacity = static_cast<int>(bytes);
    return sample;
}

std::shared_ptr<TAudioSample> TAudioSample::CreateStaticAudioSample(std::uint8_t* samples,
                                                                    int length, int hertz,
                                                                    int format) {
    auto sample = std::make_shared<TAudioSample>();
    sample->samples = samples;
    sample->length = length;
    sample->hertz = hertz;
    sample->format = format;
    sample->capacity = -1;
    return sample;
}

void ConvertSamples(const std::uint8_t* source, int sf, std::uint8_t* destination, int df,
                    int length) {
    if (sf == df) {
        const std::size_t bytes = DataBytes(length, sf);
        if (bytes > 0) std::memmove(destination, source, bytes);
        return;
    }
    if (!ValidFormat(sf) || !ValidFormat(df)) {
        RuntimeError("Unimplemented sample format conversion");
    }
    if (length <= 0) return;

    std::vector<std::uint8_t> temporary;
    const std::uint8_t* hub = source;
    if (sf != SF_STEREO16BE) {
        std::uint8_t* target = destination;
        if (df != SF_STEREO16BE) {
            temporary.resize(DataBytes(length, SF_STEREO16BE));
            target = temporary.data();
        }
        ExpandToHub(source, sf, target, length);
        hub = target;
    }
    if (df != SF_STEREO16BE) ReduceFromHub(hub, destination, df, length);
}

TAudioSampleLoader::TAudioSampleLoader() : next(firstLoader) {
    firstLoader = this;
}

TAudioSampleLoader::~TAudioSampleLoader() {
    for (TAudioSampleLoader** link = &firstLoader; *link; link = &(*link)->next) {
        if (*link == this) {
            *link = next;
            break;
        }
    }
}

std::shared_ptr<TAudioSample> LoadAudioSample(const std::shared_ptr<TStream>& stream) {
    if (!stream) return nullptr;
    const int start = stream->Position();
    if (start == -1) RuntimeError("Stream is not seekable");

    std::shared_ptr<TAudioSample> sample;
    for (TAudioSampleLoader* loader = firstLoader; loader && !sample; loader = loader->next) {
        stream->SeekTo(start);
        try {
            sample = loader->LoadSample(*stream);
        } catch (const TStreamException&) {
            // A loader that trips over the data's end simply does not recognise it.
            sample = nullptr;
        }
    }
    return sample;
}

std::shared_ptr<TAudioSample> LoadAudioSample(const std::string& url) {
    StreamRef stream = OpenForReading(url);
    if (!stream) return nullptr;
    const TStreamCloser closer(stream);
    return LoadAudioSample(stream);
}

}  // namespace vdl
