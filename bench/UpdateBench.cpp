#include "platform/core/Sha256.h"
#include "update/UpdateInstaller.h"

#include "BenchFolder.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

namespace {

// 64 MiB of bytes that do not repeat in short cycles.
const std::string& packageBytes()
{
    static const std::string bytes = [] {
        std::string text(std::size_t(64) << 20, '\0');
        std::uint32_t state = 2463534242u;
        for (auto& c : text) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            c = char(state);
        }
        return text;
    }();
    return bytes;
}

const std::string& packageFile()
{
    static const std::string path = [] {
        const std::string file = benchFolder() + "/package.tar.gz";
        std::ofstream(file, std::ios::binary) << packageBytes();
        return file;
    }();
    return path;
}

void BM_Sha256File(benchmark::State& state)
{
    const auto& path = packageFile();
    for (auto _ : state) benchmark::DoNotOptimize(UpdateInstaller::sha256OfFile(path));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(packageBytes().size()));
}
BENCHMARK(BM_Sha256File)->Unit(benchmark::kMillisecond);

// The floor: the same bytes already in memory, hashed in one call.
void BM_Sha256Memory(benchmark::State& state)
{
    const auto& bytes = packageBytes();
    for (auto _ : state) benchmark::DoNotOptimize(core::sha256Hex(bytes));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes.size()));
}
BENCHMARK(BM_Sha256Memory)->Unit(benchmark::kMillisecond);

}  // namespace
