// Unpacking a 10 MiB password-protected archive into the pool, in memory.
// The archive is made once with rar (skipped when rar is not installed).
#include "datapool/pool.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

std::string makeArchive(bool compressible) {
    std::string dir = std::filesystem::temp_directory_path() / "cellrune-bench-pool";
    std::string name = dir + (compressible ? "/mixed.rar" : "/noise.rar");
    if (std::filesystem::exists(name)) return name;
    std::filesystem::create_directories(dir);
    std::vector<uint8_t> data(kPoolCapacity - 16);
    std::mt19937 random(1);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = compressible ? uint8_t((i / 64) ^ (random() & 3)) : uint8_t(random());
    std::ofstream(dir + "/stream.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), data.size());
    std::string command =
        "cd " + dir + " && rar a -idq -pvortelqanis " + name + " stream.bin >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return "";
    return name;
}

void BM_UnpackTenMiB(benchmark::State& state) {
    if (std::system("command -v rar >/dev/null 2>&1") != 0) {
        state.SkipWithError("rar is not installed");
        return;
    }
    std::string archive = makeArchive(state.range(0) != 0);
    for (auto _ : state) {
        resetPool();
        extractArchive(archive.c_str());
        benchmark::DoNotOptimize(poolWritePosition);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * poolWritePosition);
}
BENCHMARK(BM_UnpackTenMiB)->Arg(0)->Arg(1)->ArgName("compressible")->Unit(benchmark::kMillisecond);

} // namespace
