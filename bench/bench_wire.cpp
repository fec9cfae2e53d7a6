// The wire end to end. Round trips: a TnConnection client against TnServer::service in another
// thread over loopback TCP, one framed message each way and a fresh connection per exchange, as
// the farm's programs talk. Throughput: pack + compress + frame header of a message carrying a
// list of 100 host names, and the reverse (inflate + unpack); figures are bytes of packed
// envelope per second.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "diag/TnDebug.h"
#include "protocol/TnCompress.h"
#include "protocol/TnConnection.h"
#include "protocol/TnHostnameList.h"
#include "protocol/TnMessage.h"
#include "server/TnServer.h"

namespace {

TnHostnameList* hundredHosts() {
    TnHostnameList* list = new TnHostnameList;
    for (int i = 0; i < 100; ++i) {
        char name[64];
        snprintf(name, sizeof name, "render-node-%03d.west.farm.example", i);
        list->push(new TnHostname(TnString(name), 50011, i % 7));
    }
    return list;
}

TnMessage stamped(int tag) {
    TnMessage m(tag);
    m.user("farm");
    m.domain("farm.example");
    m.macaddress(TnMacAddress(TnString("00:11:22:33:44:55")));
    m.tarndomain("west");
    return m;
}

}  // namespace

static void BM_FramedRoundTrip(benchmark::State& state) {
    tn_debug_verbosity(0);
    TnServer server;
    server.timeout(100);
    if (!server.openport(0x7F000001, 0, TnServer::kTcp)) {
        state.SkipWithError("cannot open a loopback port");
        return;
    }
    std::atomic<bool> stop{false};
    std::thread serving([&] {
        TnMessage reply = stamped(0);
        reply.content(new TnHostname(TnString("supervisor"), 50001));
        reply.pack();
        while (!stop) {
            TnConnection* c = server.service(-1);
            if (!c) continue;
            int length = 0;
            char* bytes = c->receive(length);
            if (bytes) {
                TnMessage request;
                request.unpack(bytes, length);
                c->send(reply.packContents(), reply.packSize());
            }
            delete[] bytes;
            delete c;
        }
    });

    TnMessage request = stamped(107);
    request.content(new TnHostname(TnString("node7"), 50011));
    request.pack();
    for (auto _ : state) {
        TnConnection c("127.0.0.1", server.port(0), TnConnection::kTcp, 5000);
        if (c.send(request.packContents(), request.packSize()) <= 0) {
            state.SkipWithError("send failed");
            break;
        }
        int length = 0;
        char* bytes = c.receive(length);
        if (!bytes) {
            state.SkipWithError("no reply");
            break;
        }
        TnMessage reply;
        reply.unpack(bytes, length);
        delete[] bytes;
        benchmark::DoNotOptimize(reply.content());
    }
    stop = true;
    serving.join();
    state.counters["round_trips_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                             benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FramedRoundTrip)->UseRealTime();

static void BM_PackCompressFrame(benchmark::State& state) {
    TnMessage m = stamped(3);
    m.content(hundredHosts());
    TnCompress zip;
    std::vector<char> frame;
    long long packed = 0;
    for (auto _ : state) {
        m.pack();
        int z = 0;
        char* compressed = zip.compact(z, m.packContents(), m.packSize());
        frame.resize(TnConnection::kTcpHeaderBytes + z);
        TnConnection::tcpheader(frame.data(), z, m.packSize());
        std::copy(compressed, compressed + z, frame.begin() + TnConnection::kTcpHeaderBytes);
        delete[] compressed;
        packed += m.packSize();
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetBytesProcessed(packed);
    state.counters["envelope_bytes"] = m.packSize();
    state.counters["frame_bytes"] = static_cast<double>(frame.size());
}
BENCHMARK(BM_PackCompressFrame);

static void BM_InflateUnpack(benchmark::State& state) {
    TnMessage m = stamped(3);
    m.content(hundredHosts());
    m.pack();
    TnCompress zip;
    int z = 0;
    char* compressed = zip.compact(z, m.packContents(), m.packSize());
    for (auto _ : state) {
        int expected = m.packSize(), produced = 0;
        char* plain = zip.uncompact(expected, compressed, z, &produced);
        TnMessage back;
        back.unpack(plain, produced);
        delete[] plain;
        benchmark::DoNotOptimize(back.content());
    }
    delete[] compressed;
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(m.packSize()));
}
BENCHMARK(BM_InflateUnpack);

BENCHMARK_MAIN();
