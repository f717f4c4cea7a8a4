#include "foundation/Diag.h"

#include "BenchFolder.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

const std::string message = "流观察: 帧率切换 id=4242 fps=30 ⇒ 原地更新配置";

void BM_DiagLog(benchmark::State& state)
{
    ::setenv("XDG_DATA_HOME", benchFolder().c_str(), 1);
    Diag::resetLocation();
    for (auto _ : state) Diag::log(message);
    Diag::resetLocation();
}
BENCHMARK(BM_DiagLog);

// The cheapest way to append the same bytes: one write on an open O_APPEND descriptor.
void BM_RawAppend(benchmark::State& state)
{
    const std::string line = "09:00:00 " + message + "\n";
    const std::string path = benchFolder() + "/raw.log";
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    for (auto _ : state) benchmark::DoNotOptimize(::write(fd, line.data(), line.size()));
    ::close(fd);
}
BENCHMARK(BM_RawAppend);

}  // namespace
