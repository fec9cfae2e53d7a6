// Condition texts and frame ranges as the supervisor meets them: a 20-term placement
// condition parsed and evaluated against a resolver, and a 10,000-frame range expanded,
// printed back and cut into chunks. Figures are conditions or frames per second.

#include <benchmark/benchmark.h>

#include "core/TnExpression.h"
#include "core/TnRange.h"
#include "core/TnScalar.h"
#include "core/TnStringList.h"

namespace {

// host.v0 .. host.v19 stand for 0 .. 19; anything else is a literal.
void hostvalues(const TnString& name, TnString& out) {
    if (name.length() > 6 && name.value()[0] == 'h' && name.value()[5] == 'v') {
        out = TnString(name.value() + 6);
        return;
    }
    out = name;
}

// Twenty comparisons joined by and/or, with arithmetic, unary not and a list membership.
TnString condition() {
    TnString text("");
    for (int i = 0; i < 20; ++i) {
        if (i > 0) text += (i % 5 == 0) ? " or " : " and ";
        switch (i % 4) {
        case 0: text += "host.v"; text += i; text += " >= "; text += i; break;
        case 1: text += "(host.v"; text += i; text += " * 2 + 1) > "; text += i; break;
        case 2: text += "not host.v"; text += i; text += " == 0"; break;
        default: text += "host.v"; text += i; text += " in \"1,3,7,11,15,19\""; break;
        }
    }
    return text;
}

}  // namespace

static void BM_ParseEvalCondition(benchmark::State& state) {
    TnString text = condition();
    for (auto _ : state) {
        TnExpression e;
        e.valuereq(hostvalues);
        e.parse(text, 0);
        TnScalar s;
        e.eval(s);
        benchmark::DoNotOptimize(s.integervalue());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseEvalCondition);

static void BM_ParseCondition(benchmark::State& state) {
    TnString text = condition();
    for (auto _ : state) {
        TnExpression e;
        benchmark::DoNotOptimize(e.parse(text, 0));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseCondition);

static void BM_EvalCondition(benchmark::State& state) {
    TnExpression e;
    e.valuereq(hostvalues);
    e.parse(condition(), 0);
    for (auto _ : state) {
        TnScalar s;
        e.eval(s);
        benchmark::DoNotOptimize(s.integervalue());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvalCondition);

static void BM_ExpandRange10000(benchmark::State& state) {
    TnString text("1-10000");
    for (auto _ : state) {
        TnRange r(text);
        benchmark::DoNotOptimize(r.get(9999));
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_ExpandRange10000);

static void BM_ExpandMixedRange10000(benchmark::State& state) {
    // 2,500 + 2,500 + 5,000 frames in three stepped and reversed items.
    TnString text("1-5000x2,5001-10000X2,20000-15001");
    for (auto _ : state) {
        TnRange r(text);
        benchmark::DoNotOptimize(r.length());
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_ExpandMixedRange10000);

static void BM_CompactAndChunkRange10000(benchmark::State& state) {
    TnRange source("10000-1x1,20001-30000x2");
    for (auto _ : state) {
        TnRange r(source);
        TnString text = r.value();
        TnStringList chunks;
        r.chunk(25, chunks);
        benchmark::DoNotOptimize(text.length());
    }
    state.SetItemsProcessed(state.iterations() * source.length());
}
BENCHMARK(BM_CompactAndChunkRange10000);

static void BM_HostPattern1000(benchmark::State& state) {
    TnString text("render[0001-1000].farm.local");
    for (auto _ : state) {
        TnStringList names;
        TnRange::patternsplit(0, text, names);
        benchmark::DoNotOptimize(names.length());
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_HostPattern1000);

BENCHMARK_MAIN();
