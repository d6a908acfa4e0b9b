// Reading embedded assets: a whole asset into memory, and small typed reads.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "stream/embedded.h"
#include "stream/url.h"

namespace {

// Registers a blob of size bytes once and returns its URL.
std::string RegisterBlob(int size) {
    static std::map<int, std::vector<unsigned char>> blobs;
    const std::string name = "bench-blob-" + std::to_string(size);
    auto [it, added] = blobs.try_emplace(size, static_cast<std::size_t>(size));
    if (added) {
        for (int i = 0; i < size; ++i)
            it->second[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
        vdl::RegisterEmbedded(name.c_str(), it->second.data(), size);
    }
    return "incbin::" + name;
}

// About the size of the game's font, and of a large asset.
void BM_LoadAllBytes(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const std::string url = RegisterBlob(size);
    for (auto _ : state)
        benchmark::DoNotOptimize(vdl::LoadAllBytes(url));
    state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_LoadAllBytes)->Arg(64 << 10)->Arg(4 << 20)->Unit(benchmark::kMicrosecond);

// The PNG and Ogg decoders pull their input through small exact reads.
void BM_ReadI32(benchmark::State& state) {
    const std::string url = RegisterBlob(64 << 10);
    vdl::StreamRef s = vdl::OpenForReading(url);
    for (auto _ : state) {
        if (s->Length() - s->Position() < 4) s->SeekTo(0);
        benchmark::DoNotOptimize(s->ReadI32());
    }
    state.SetBytesProcessed(state.iterations() * 4);
}
BENCHMARK(BM_ReadI32);

}  // namespace

BENCHMARK_MAIN();
