// The engine's cost: one computation in process, and the program's pattern of loading the library for each
// call, side by side with loading and unloading an empty library.

#include "TSignalRec.h"
#include "WorkedExample.h"
#include "sigeng.h"
#include "uForexAPI.h"
#include "uPlatform.h"

#include <benchmark/benchmark.h>

#include <dlfcn.h>

#include <QString>

namespace {

void BM_FxComputeInProcess(benchmark::State& state) {
    void* handle = dlopen(ENGINE_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    const auto compute = reinterpret_cast<TFxCompute>(dlsym(handle, "fx_compute"));
    TSignalRec rec = WorkedExampleRecord();
    for (auto _ : state) {
        benchmark::DoNotOptimize(compute(&rec));
        benchmark::ClobberMemory();
    }
    dlclose(handle);
}
BENCHMARK(BM_FxComputeInProcess);

// ComputeSignals as the program calls it: find the file, load, look up, call, unload.
void BM_ProgramComputeSignals(benchmark::State& state) {
    platform::SetProgramDirectory(QStringLiteral(SHIPPING_DIR));
    TSignalRec rec = WorkedExampleRecord();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ComputeSignals(rec));
    }
    platform::SetProgramDirectory({});
}
BENCHMARK(BM_ProgramComputeSignals);

void BM_EngineLoadCallUnload(benchmark::State& state) {
    TSignalRec rec = WorkedExampleRecord();
    for (auto _ : state) {
        void* handle = dlopen(ENGINE_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        const auto compute = reinterpret_cast<TFxCompute>(dlsym(handle, "fx_compute"));
        benchmark::DoNotOptimize(compute(&rec));
        dlclose(handle);
    }
}
BENCHMARK(BM_EngineLoadCallUnload);

void LoadAndUnload(benchmark::State& state, const char* path) {
    for (auto _ : state) {
        void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        benchmark::DoNotOptimize(handle);
        dlclose(handle);
    }
}

// An empty library linked the toolchain's default way, and one linked with the engine's link options.
void BM_EmptyLibraryLoadUnload(benchmark::State& state) {
    LoadAndUnload(state, EMPTY_LIBRARY_PATH);
}
BENCHMARK(BM_EmptyLibraryLoadUnload);
void BM_EmptyLibraryEngineFlagsLoadUnload(benchmark::State& state) {
    LoadAndUnload(state, EMPTY_LIBRARY_ENGINE_FLAGS_PATH);
}
BENCHMARK(BM_EmptyLibraryEngineFlagsLoadUnload);

} // namespace

BENCHMARK_MAIN();
