#include "update/CrashExcerpt.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

namespace {

// 16000 characters of a report: identifying keys, UUIDs, long hex runs among frames.
std::string reportText()
{
    const std::string block =
        "{\"incident\" : \"6F1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9\", \"crashReporterKey\":\"c0ffee11\"}\n"
        "Thread 0 Crashed:: main  Dispatch queue: com.glimra.main\n"
        "0   glimra  0x000055d0a1b2c3d4 PipPanel::render(Frame const&) + 212\n"
        "1   libQt6Core.so.6  0x00007f1e2d3c4b5a QObject::event(QEvent*) + 90\n"
        "Binary Images: 9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08 /usr/bin/glimra\n"
        "uuid 0c4a7e52-91d3-4b8f-a6e1-3f2d5c7b9e01 build 7f3a9c  \"hw.model\": \"Desktop 1,1\"\n";
    std::string text;
    while (text.size() < 16000) text += block;
    text.resize(16000);
    return text;
}

void BM_Redact(benchmark::State& state)
{
    const std::string text = reportText();
    for (auto _ : state) benchmark::DoNotOptimize(CrashExcerpt::redact(text));
}
BENCHMARK(BM_Redact);

// The cheapest pass over the same text: counting one class of bytes.
void BM_ScanOnce(benchmark::State& state)
{
    const std::string text = reportText();
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }));
    }
}
BENCHMARK(BM_ScanOnce);

}  // namespace
