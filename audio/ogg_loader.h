// The Ogg Vorbis sample loader.
//
// Decodes an Ogg Vorbis stream with libvorbisfile, reading through the engine's TStream, into
// a 16-bit little-endian mono or stereo sample at the file's own rate.
#pragma once

#include <memory>

#include "audio/sample.h"
#include "stream/stream.h"

namespace vdl {

// Recognises and decodes Ogg Vorbis data.
class TAudioSampleLoaderOGG : public TAudioSampleLoader {
public:
    // The decoded sample, or null for data that is not Ogg Vorbis, holds no audio, has more
    // than two channels, or does not decode.
    std::shared_ptr<TAudioSample> LoadSample(TStream& stream) override;
};

// An Ogg Vorbis stream decoded a slice at a time, for a program with one thread that must
// keep drawing frames while a long sample decodes (the page's music). The sample is the one
// TAudioSampleLoaderOGG::LoadSample gives.
class TOggDecoding {
public:
    // Opens the stream, which it keeps; the decoding is done at once, with no sample, when
    // the stream holds no Ogg Vorbis audio it can decode.
    explicit TOggDecoding(std::shared_ptr<TStream> stream);
    ~TOggDecoding();
    TOggDecoding(const TOggDecoding&) = delete;
    TOggDecoding& operator=(const TOggDecoding&) = delete;

    // Decodes for about maxMs milliseconds (a negative budget: to the end); true once done.
    bool Step(double maxMs);

    // The decoded sample once Step has returned true (null for data that does not decode).
    std::shared_ptr<TAudioSample> Sample() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Starts the Ogg loader module once: starts the streams and registers the loader.
void StartOggLoader();

}  // namespace vdl
