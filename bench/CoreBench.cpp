// Throughput of the locked queue with two producers, and the cost of one log write when the log
// already holds its 1000 lines.
#include "HandlerMsg.h"
#include "LogFile.h"
#include "MsgKinds.h"
#include "ThreadQueue.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

static void BM_ThreadQueueTwoProducers(benchmark::State& state) {
    const int perProducer = static_cast<int>(state.range(0));
    for (auto _ : state) {
        CThreadQueue q;
        auto produce = [&] {
            for (int i = 0; i < perProducer; ++i) {
                q.Push(std::make_unique<CHandlerMsg>(MsgKind::TEL_STATUS, 1));
            }
        };
        std::thread a(produce);
        std::thread b(produce);
        int received = 0;
        while (received < 2 * perProducer) {
            if (MsgPtr m = q.Pop()) {
                ++received;
            }
        }
        a.join();
        b.join();
    }
    state.SetItemsProcessed(state.iterations() * 2 * perProducer);
}
BENCHMARK(BM_ThreadQueueTwoProducers)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_LogFileWriteAtFullFile(benchmark::State& state) {
    char pattern[] = "/tmp/mora-bench-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (dir == nullptr) {
        state.SkipWithError("mkdtemp failed");
        return;
    }
    const std::string base = std::string(dir) + "/TelHandler";
    CLogFile log(base, 1000);
    const std::string text(80, 'x');
    for (int i = 0; i < 1000; ++i) {
        log.Write("CBench::Fill", text);
    }
    for (auto _ : state) {
        log.Write("TelHandler::ThreadMain", text);
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LogFileWriteAtFullFile)->Unit(benchmark::kMicrosecond);
