// The Ogg Vorbis sample loader: libvorbisfile over a TStream through four callbacks.
//
// NOTE: files with more than two channels are rejected: the sample formats hold only mono and
// stereo. A file whose data ends before its declared length gives the frames it holds.
#include "audio/ogg_loader.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>

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

// A buffer the decoder fills before anything reads it, so it is not cleared first: clearing
// the music's tens of megabytes is a long step of its own.
std::unique_ptr<std::uint8_t[]> UnclearedBuffer(long long bytes) {
    return std::unique_ptr<std::uint8_t[]>(new std::uint8_t[static_cast<std::size_t>(bytes)]);
}

// Where the decode buffer starts when the stream cannot tell its size.
constexpr long long kFirstBufferBytes = 64 * 1024;

}  // namespace

// The decoder's state between slices: the stream, the open file and the PCM so far.
struct TOggDecoding::State {
    std::shared_ptr<TStream> stream;
    TVorbisFile decoder;
    bool done = false;
    int channels = 0;
    long rate = 0;
    long long claimed = 0;
    long long capacity = 0;
    long long filled = 0;
    std::unique_ptr<std::uint8_t[]> pcm;
    std::shared_ptr<TAudioSample> sample;

    explicit State(std::shared_ptr<TStream> source) : stream(std::move(source)), decoder(*stream) {}

    void Open(int start, int end);
    bool Step(double maxMs);
    void Finish();
};

void TOggDecoding::State::Open(int start, int end) {
    done = true;
    if (!decoder.IsOpen()) return;
    const ogg_int64_t frames = ov_pcm_total(decoder.Get(), 0);
    const vorbis_info* info = ov_info(decoder.Get(), -1);
    if (!info || frames <= 0 || info->channels < 1 || info->channels > 2) return;
    channels = info->channels;
    rate = info->rate;
    if (frames > INT_MAX / (2 * channels)) return;

    // The length comes from the last page's granule position, which the file merely claims:
    // it bounds the sample but never sizes it up front. The buffer starts at what the
    // compressed data plausibly holds and grows with what is really decoded, so an honest
    // file needs one allocation and a false claim costs no more than its audio fills.
    claimed = frames * 2 * channels;
    const long long compressed = start >= 0 && end > start ? end - start : 0;
    capacity = std::min(claimed, std::max(kFirstBufferBytes, compressed * 32));
    pcm = UnclearedBuffer(capacity);
    done = false;
}

bool TOggDecoding::State::Step(double maxMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point began = Clock::now();
    while (!done) {
        if (filled == claimed) {
            Finish();
            break;
        }
        if (filled == capacity) {
            const long long grown = std::min(claimed, capacity * 2);
            auto bigger = UnclearedBuffer(grown);
            std::memcpy(bigger.get(), pcm.get(), static_cast<std::size_t>(filled));
            pcm = std::move(bigger);
            capacity = grown;
        }
        int bitstream = 0;
        const long got = ov_read(decoder.Get(), reinterpret_cast<char*>(pcm.get() + filled),
                                 static_cast<int>(capacity - filled), 0, 2, 1, &bitstream);
        decoder.RaiseKeptError();
        if (got < 0) {
            pcm.reset();
            done = true;
            break;
        }
        if (got == 0) {
            Finish();
            break;
        }
        filled += got;
        if (maxMs >= 0 &&
            std::chrono::duration<double, std::milli>(Clock::now() - began).count() >= maxMs) {
            break;
        }
    }
    return done;
}

// A file that stops short of its claim gives the frames it holds; none is no sound.
void TOggDecoding::State::Finish() {
    done = true;
    const int length = static_cast<int>(filled / (2 * channels));
    if (length == 0) return;
    const std::size_t bytes = static_cast<std::size_t>(length) * 2 * channels;
    if (static_cast<long long>(bytes) + static_cast<long long>(bytes) / 8 < capacity) {
        auto fitted = UnclearedBuffer(static_cast<long long>(bytes));
        std::memcpy(fitted.get(), pcm.get(), bytes);
        pcm = std::move(fitted);
        capacity = static_cast<long long>(bytes);
    }
    sample = std::make_shared<TAudioSample>();
    sample->samples = pcm.release();
    sample->length = length;
    sample->hertz = static_cast<int>(rate);
    sample->format = channels == 1 ? SF_MONO16LE : SF_STEREO16LE;
    sample->capacity = static_cast<int>(capacity);
}

TOggDecoding::TOggDecoding(std::shared_ptr<TStream> stream) {
    const int start = stream->Position();
    const int end = stream->Length();
    state_ = std::make_unique<State>(std::move(stream));
    state_->Open(start, end);
}

TOggDecoding::~TOggDecoding() = default;

bool TOggDecoding::Step(double maxMs) {
    return state_->Step(maxMs);
}

std::shared_ptr<TAudioSample> TOggDecoding::Sample() const {
    return state_->sample;
}

std::shared_ptr<TAudioSample> TAudioSampleLoaderOGG::LoadSample(TStream& stream) {
    // The caller keeps the stream: the decoding holds it without owning it.
    TOggDecoding decoding(std::shared_ptr<TStream>(std::shared_ptr<TStream>(), &stream));
    decoding.Step(-1);
    return decoding.Sample();
}

void StartOggLoader() {
    if (oggLoaderStarted) return;
    oggLoaderStarted = true;
    StartStreams();
    static TAudioSampleLoaderOGG loader;
}

}  // namespace vdl
