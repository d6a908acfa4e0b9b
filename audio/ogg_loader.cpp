// The Ogg Vorbis sample loader: libvorbisfile over a TStream through four callbacks.
//
// NOTE: files with more than two channels are rejected: the sample formats hold only mono and
// stereo. A file whose data ends before its declared length leaves the rest silent.
#include "audio/ogg_loader.h"

#include <vorbis/vorbisfile.h>

#include <climits>
#include <cstring>
#include <exception>

#include "stream/stream.h"
#include "stream/url.h"

namespace vdl {

namespace {

// What the callbacks work on: the stream, and an error raised inside one of them, kept to be
// raised again once the decoder has returned (it must not unwind through the C library).
struct TSource {
    TStream& stream;
    std::exception_ptr error;
};

// Runs body for the callback; an exception is kept and the callback reports failure.
template <typename Result, typename Body>
Result Guarded(void* source, Result failure, Body body) {
    auto& self = *static_cast<TSource*>(source);
    if (self.error) return failure;
    try {
        return body(self.stream);
    } catch (...) {
        self.error = std::current_exception();
        return failure;
    }
}

size_t ReadCallback(void* buffer, size_t size, size_t count, void* source) {
    if (size == 0 || count == 0) return 0;
    return Guarded<size_t>(source, 0, [&](TStream& stream) -> size_t {
        const size_t wanted = size * count;
        const int asked =
            wanted > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(wanted);
        const int got = stream.Read(buffer, asked);
        return got > 0 ? static_cast<size_t>(got) / size : 0;
    });
}

int SeekCallback(void* source, ogg_int64_t offset, int whence) {
    return Guarded<int>(source, -1, [&](TStream& stream) {
        ogg_int64_t target = offset;
        if (whence == SEEK_CUR) target += stream.Position();
        if (whence == SEEK_END) target += stream.Length();
        if (target < 0 || target > INT_MAX) return -1;
        return stream.SeekTo(static_cast<int>(target)) < 0 ? -1 : 0;
    });
}

// The caller owns the stream and closes it.
int CloseCallback(void*) {
    return 0;
}

long TellCallback(void* source) {
    return Guarded<long>(source, -1, [](TStream& stream) -> long { return stream.Position(); });
}

const ov_callbacks streamCallbacks = {ReadCallback, SeekCallback, CloseCallback, TellCallback};

// Owns an open decoder and clears it when it goes.
class TVorbisFile {
public:
    explicit TVorbisFile(TStream& stream) : source_{stream, nullptr} {
        open_ = ov_open_callbacks(&source_, &file_, nullptr, 0, streamCallbacks) == 0;
        if (source_.error && open_) {
            ov_clear(&file_);
            open_ = false;
        }
        RaiseKeptError();
    }
    ~TVorbisFile() {
        if (open_) ov_clear(&file_);
    }
    TVorbisFile(const TVorbisFile&) = delete;
    TVorbisFile& operator=(const TVorbisFile&) = delete;

    bool IsOpen() const { return open_; }
    OggVorbis_File* Get() { return &file_; }

    // Raises the error a callback ran into, if any.
    void RaiseKeptError() {
        if (!source_.error) return;
        std::exception_ptr error = source_.error;
        source_.error = nullptr;
        std::rethrow_exception(error);
    }

private:
    TSource source_;
    OggVorbis_File file_{};
    bool open_ = false;
};

bool oggLoaderStarted = false;

}  // namespace

std::shared_ptr<TAudioSample> TAudioSampleLoaderOGG::LoadSample(TStream& stream) {
    TVorbisFile decoder(stream);
    if (!decoder.IsOpen()) return nullptr;

    const ogg_int64_t frames = ov_pcm_total(decoder.Get(), 0);
    const vorbis_info* info = ov_info(decoder.Get(), -1);
    if (!info || frames <= 0 || info->channels < 1 || info->channels > 2) return nullptr;
    const int channels = info->channels;
    if (frames > INT_MAX / (2 * channels)) return nullptr;

    const int length = static_cast<int>(frames);
    auto sample = TAudioSample::CreateAudioSample(length, static_cast<int>(info->rate),
                                                  channels == 1 ? SF_MONO16LE : SF_STEREO16LE);
    char* out = reinterpret_cast<char*>(sample->samples);
    const int total = length * 2 * channels;
    int done = 0;
    while (done < total) {
        int bitstream = 0;
        const long got = ov_read(decoder.Get(), out + done, total - done, 0, 2, 1, &bitstream);
        decoder.RaiseKeptError();
        if (got < 0) return nullptr;
        if (got == 0) break;
        done += static_cast<int>(got);
    }
    std::memset(out + done, 0, static_cast<size_t>(total - done));
    return sample;
}

void StartOggLoader() {
    if (oggLoaderStarted) return;
    oggLoaderStarted = true;
    StartStreams();
    static TAudioSampleLoaderOGG loader;
}

}  // namespace vdl
