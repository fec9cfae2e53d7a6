// Binary pack and unpack of a 40-field record and a 1,000-string list, with a plain memcpy of
// the same bytes beside them as the ceiling. Figures are bytes of packed form per second.

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "BenchRecords.h"

static void BM_PackRecord(benchmark::State& state) {
    BenchRecord r;
    r.fill();
    for (auto _ : state) {
        r.pack();
        benchmark::DoNotOptimize(r.packContents());
    }
    state.SetBytesProcessed(state.iterations() * r.packSize());
}
BENCHMARK(BM_PackRecord);

static void BM_UnpackRecord(benchmark::State& state) {
    BenchRecord r;
    r.fill();
    r.pack();
    std::vector<char> bytes(r.packContents(), r.packContents() + r.packSize());
    for (auto _ : state) {
        BenchRecord out;
        out.unpack(bytes.data(), static_cast<int>(bytes.size()));
        benchmark::DoNotOptimize(out.i9);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_UnpackRecord);

static void BM_PackList(benchmark::State& state) {
    TnStringList list;
    fillBenchList(list);
    for (auto _ : state) {
        list.pack();
        benchmark::DoNotOptimize(list.packContents());
    }
    state.SetBytesProcessed(state.iterations() * list.packSize());
}
BENCHMARK(BM_PackList);

static void BM_UnpackList(benchmark::State& state) {
    TnStringList list;
    fillBenchList(list);
    list.pack();
    std::vector<char> bytes(list.packContents(), list.packContents() + list.packSize());
    for (auto _ : state) {
        TnStringList out;
        out.unpack(bytes.data(), static_cast<int>(bytes.size()));
        benchmark::DoNotOptimize(out.length());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_UnpackList);

// The ceiling: copying the packed bytes of the list without looking at them.
static void BM_MemcpyCeiling(benchmark::State& state) {
    TnStringList list;
    fillBenchList(list);
    list.pack();
    std::vector<char> src(list.packContents(), list.packContents() + list.packSize());
    std::vector<char> dst(src.size());
    for (auto _ : state) {
        memcpy(dst.data(), src.data(), src.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * src.size());
}
BENCHMARK(BM_MemcpyCeiling);

BENCHMARK_MAIN();
