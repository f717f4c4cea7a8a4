#include "platform/core/OwnFolder.h"
#include "platform/defaults/Defaults.h"

#include "BenchFolder.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

std::string key(long long i) { return "seededSetting" + std::to_string(i); }

// Seeding a world's settings: one set per key, then the write the quit path waits for.
void BM_DefaultsSet(benchmark::State& state)
{
    const std::string path = benchFolder() + "/set/defaults.json";
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(path);
        state.ResumeTiming();
        auto store = std::make_unique<defaults::Defaults>(path);
        for (long long i = 0; i < state.range(0); ++i) store->set(key(i), i);
        store->flush();
        // Freeing the keys is not part of seeding, as building the object is not part of one write.
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DefaultsSet)->Arg(20000)->Unit(benchmark::kMillisecond);

// The cheapest way to the same file, as safely written: the final object dumped once and
// put in place by the same synced temporary-file-and-rename write the store uses.
void BM_DefaultsWriteOnce(benchmark::State& state)
{
    const auto folder = core::OwnFolder::openPath(benchFolder() + "/once", core::OwnFolder::Missing::create);
    nlohmann::json values = nlohmann::json::object();
    for (long long i = 0; i < state.range(0); ++i) values[key(i)] = i;
    for (auto _ : state) {
        if (folder.writeAtomically("defaults.json", values.dump(2) + '\n')) std::abort();
    }
}
BENCHMARK(BM_DefaultsWriteOnce)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
