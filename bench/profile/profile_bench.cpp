// How long the profile work of a profile switch takes: load, read every keyboard group, save.
#include <benchmark/benchmark.h>

#include "platform/folders.h"
#include "profile/json_file.h"
#include "profile/keyboard_profiledata.h"
#include "profile/profile_list.h"
#include "support/temp_dir.h"

namespace {

using namespace kx58;

const std::string& KeyboardDefault() {
    static const std::string path = Folders::Defaults() + "Keyboard.Json";
    return path;
}

void BM_ParseKeyboardDocument(benchmark::State& state) {
    const std::string text = ReadFileText(KeyboardDefault());
    for (auto _ : state) benchmark::DoNotOptimize(ParseJsonText(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseKeyboardDocument);

void BM_LoadAndReadKeyboardProfile(benchmark::State& state) {
    kx58test::TempDir dir;
    CKeyboardProfiledata data;
    data.SetDefaultPath(KeyboardDefault());
    data.LoadProfile(dir / "p.Json");  // repaired from the default once
    for (auto _ : state) {
        data.LoadProfile(dir / "p.Json");
        benchmark::DoNotOptimize(data.GetLightInfo());
        benchmark::DoNotOptimize(data.GetKeyList());
        benchmark::DoNotOptimize(data.GetKeyboardSystemStages());
        benchmark::DoNotOptimize(data.GetCustomLightColors(data.GetCustomLightGroup(), 126));
    }
}
BENCHMARK(BM_LoadAndReadKeyboardProfile)->Unit(benchmark::kMillisecond);

// The save a light change causes: re-read, replace the section, styled atomic write (fsync).
void BM_SaveKeyboardProfile(benchmark::State& state) {
    kx58test::TempDir dir;
    CKeyboardProfiledata data;
    data.SetDefaultPath(KeyboardDefault());
    data.SetProfilePath(dir / "p.Json");
    data.LoadProfile(dir / "p.Json");
    LightInfo info = data.GetLightInfo();
    for (auto _ : state) {
        ++info.Red;
        data.SetLightInfo(info);
        data.Save();
    }
}
BENCHMARK(BM_SaveKeyboardProfile)->Unit(benchmark::kMillisecond);

void BM_AddProfile(benchmark::State& state) {
    kx58test::TempDir dir;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string folder = dir / ("p" + std::to_string(state.iterations()));
        ProfileList list;
        list.SetPaths(folder, KeyboardDefault());
        list.InitProfileList();
        state.ResumeTiming();
        list.AddProfile();
    }
}
BENCHMARK(BM_AddProfile)->Unit(benchmark::kMillisecond)->Iterations(50);

}  // namespace
