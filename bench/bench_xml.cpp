// XML pack and unpack of the 40-field record and the 1,000-string list that the binary
// benchmark measures, with expat parsing the same text with no handlers beside them as the
// ceiling of the reader. Figures are bytes of XML text per second. Two more measure the
// reader on hostile shapes: one name repeated 100,000 times in a record, and 20,000 names
// that share one hash value.

#include <benchmark/benchmark.h>
#include <expat.h>

#include <string>

#include "BenchRecords.h"

namespace {

// The reader wants one root element around the version line and the object block.
std::string documentOf(TnPack& p) {
    p.packXML();
    std::string doc = "<pack>" + std::string(p.packContents(), p.packSize()) + "</pack>";
    p._clear();
    return doc;
}

std::string recordDocument() {
    BenchRecord r;
    r.fill();
    return documentOf(r);
}

std::string listDocument() {
    TnStringList list;
    fillBenchList(list);
    return documentOf(list);
}

void bareParse(benchmark::State& state, const std::string& doc) {
    for (auto _ : state) {
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_Status status = XML_Parse(parser, doc.data(), static_cast<int>(doc.size()), 1);
        XML_ParserFree(parser);
        benchmark::DoNotOptimize(status);
    }
    state.SetBytesProcessed(state.iterations() * doc.size());
}

template <class T>
void unpack(benchmark::State& state, const std::string& doc) {
    for (auto _ : state) {
        T out;
        int result = out.unpackXML(doc.data(), static_cast<int>(doc.size()));
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * doc.size());
}

}  // namespace

static void BM_PackXMLRecord(benchmark::State& state) {
    BenchRecord r;
    r.fill();
    for (auto _ : state) {
        r.packXML();
        benchmark::DoNotOptimize(r.packContents());
    }
    state.SetBytesProcessed(state.iterations() * r.packSize());
}
BENCHMARK(BM_PackXMLRecord);

static void BM_UnpackXMLRecord(benchmark::State& state) { unpack<BenchRecord>(state, recordDocument()); }
BENCHMARK(BM_UnpackXMLRecord);

static void BM_ExpatCeilingRecord(benchmark::State& state) { bareParse(state, recordDocument()); }
BENCHMARK(BM_ExpatCeilingRecord);

static void BM_PackXMLList(benchmark::State& state) {
    TnStringList list;
    fillBenchList(list);
    for (auto _ : state) {
        list.packXML();
        benchmark::DoNotOptimize(list.packContents());
    }
    state.SetBytesProcessed(state.iterations() * list.packSize());
}
BENCHMARK(BM_PackXMLList);

static void BM_UnpackXMLList(benchmark::State& state) { unpack<TnStringList>(state, listDocument()); }
BENCHMARK(BM_UnpackXMLList);

static void BM_ExpatCeilingList(benchmark::State& state) { bareParse(state, listDocument()); }
BENCHMARK(BM_ExpatCeilingList);

// A record receiving one of its field names 100,000 times: numbered int_0, int_01, ...
static void BM_UnpackXMLRepeated100k(benchmark::State& state) {
    std::string doc = "<pack><version>1</version><object type = 'bench'>";
    for (int i = 0; i < 100000; ++i) doc += "<int_0>7</int_0>";
    doc += "</object></pack>";
    unpack<BenchRecord>(state, doc);
}
BENCHMARK(BM_UnpackXMLRepeated100k)->Unit(benchmark::kMillisecond);

// 20,000 distinct names with one hash value, from two-letter blocks of equal weight.
static void BM_UnpackXMLColliding20k(benchmark::State& state) {
    std::string doc = "<pack><version>1</version><object type = 'bench'>";
    for (int i = 0; i < 20000; ++i) {
        std::string name = "n";
        for (int b = 0; b < 15; ++b) name += ((i >> b) & 1) ? "ha" : "ab";
        doc += "<" + name + "/>";
    }
    doc += "</object></pack>";
    unpack<BenchRecord>(state, doc);
}
BENCHMARK(BM_UnpackXMLColliding20k)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
