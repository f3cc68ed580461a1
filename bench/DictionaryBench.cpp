// The dictionary's cost at start-up (digest and parse of the built-in word list) and per lookup.
#include "BuiltInWordList.h"
#include "Dictionary.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void BM_DictionaryLoad(benchmark::State& state) {
    for (auto _ : state) {
        CDictionary dictionary;
        benchmark::DoNotOptimize(dictionary.Load());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(CBuiltInWordList::Bytes().size()));
}
BENCHMARK(BM_DictionaryLoad)->Unit(benchmark::kMillisecond);

void BM_DictionaryDigest(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(CDictionary::CheckDigest(CBuiltInWordList::Bytes()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(CBuiltInWordList::Bytes().size()));
}
BENCHMARK(BM_DictionaryDigest)->Unit(benchmark::kMicrosecond);

CDictionary& Loaded() {
    static CDictionary dictionary;
    static const bool ready = dictionary.Load() && dictionary.SetLanguage("de");
    (void)ready;
    return dictionary;
}

void BM_DictionaryTranslate(benchmark::State& state) {
    CDictionary& dictionary = Loaded();
    const std::string tag = "IDS_TELMGR_MSG_17";
    for (auto _ : state) {
        benchmark::DoNotOptimize(dictionary.Translate(tag));
    }
}
BENCHMARK(BM_DictionaryTranslate);
BENCHMARK(BM_DictionaryTranslate)->Threads(4);

void BM_DictionaryTranslateMissing(benchmark::State& state) {
    CDictionary& dictionary = Loaded();
    const std::string tag = "IDS_NOT_IN_THE_LIST";
    for (auto _ : state) {
        benchmark::DoNotOptimize(dictionary.Translate(tag));
    }
}
BENCHMARK(BM_DictionaryTranslateMissing);

} // namespace
