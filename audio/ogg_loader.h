// The Ogg Vorbis sample loader.
//
// Decodes an Ogg Vorbis stream with libvorbisfile, reading through the engine's TStream, into
// a 16-bit little-endian mono or stereo sample at the file's own rate.
#pragma once

#include <memory>

#include "audio/sample.h"

namespace vdl {

// Recognises and decodes Ogg Vorbis data.
class TAudioSampleLoaderOGG : public TAudioSampleLoader {
public:
    // The decoded sample, or null for data that is not Ogg Vorbis, holds no audio, has more
    // than two channels, or does not decode.
    std::shared_ptr<TAudioSample> LoadSample(TStream& stream) override;
};

// Starts the Ogg loader module once: starts the streams and registers the loader.
void StartOggLoader();

}  // namespace vdl
