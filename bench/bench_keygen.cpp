// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Times key generation with the shipped dict.txt and the system random source, and beside it the floor
// that dictionary keys cannot beat: opening dict.txt and scanning, in the same pieces, the very bytes each
// GetWord call of a real generation read. Run with e.g. --benchmark_repetitions=5
// --benchmark_report_aggregates_only=true.
#include "common/MessageSink.h"
#include "keygen/KeyAssembly.h"
#include "keygen/RandomSource.h"
#include "keygen/WordSource.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cstring>
#include <optional>
#include <sys/resource.h>
#include <vector>

using namespace tavrix;

namespace {

const QString kFolder = QStringLiteral(TAVRIX_SOURCE_DATA_DIR);

class CountingSink final : public MessageSink {
public:
    void show(const Message&) override { ++count; }
    int count = 0;
};

// Passes the system source through and notes, at every draw, how many dictionary bytes the word source had
// read by then. Every draw of a dictionary key starts a GetWord call, so the notes part the bytes the calls
// read.
class ReadMarkingRandomSource final : public RandomSource {
public:
    void reseed(float seconds) override { m_system.reseed(seconds); }
    double next() override {
        if (words)
            marks.push_back(words->bytesRead());
        return m_system.next();
    }
    // The bytes each GetWord call read, once the generation is over.
    std::vector<qint64> bytesPerCall() const {
        std::vector<qint64> bytes;
        for (size_t i = 0; i < marks.size(); ++i)
            bytes.push_back((i + 1 < marks.size() ? marks[i + 1] : words->bytesRead()) - marks[i]);
        return bytes;
    }

    const WordSource* words = nullptr;
    std::vector<qint64> marks;

private:
    SystemRandomSource m_system;
};

// One draw of the system source: the floor of every hexadecimal and random-letter key.
void RandomDrawBench(benchmark::State& state) {
    SystemRandomSource random;
    for (auto _ : state)
        benchmark::DoNotOptimize(random.next());
}

// Times TryAssembleKey drawing from a Source; a message shown means the case measured a failure.
template <typename Source>
void TimeAssembly(benchmark::State& state, qint32 hexDigits, const char* type, const char* method) {
    Source random;
    CountingSink sink;
    WordSource words(random, sink, {kFolder});
    const QString keyType = QString::fromLatin1(type);
    const QString methodTag = QString::fromLatin1(method);
    for (auto _ : state) {
        std::optional<QString> key = TryAssembleKey(words, hexDigits, keyType, methodTag);
        benchmark::DoNotOptimize(key);
    }
    if (sink.count > 0)
        state.SkipWithError("a message was shown");
}

void KeyAssemblyBench(benchmark::State& state, qint32 hexDigits, const char* type, const char* method) {
    TimeAssembly<SystemRandomSource>(state, hexDigits, type, method);
}

// A cheap, non-cryptographic source: what is left is the cost of the assembly itself.
class XorshiftRandomSource final : public RandomSource {
public:
    void reseed(float) override {}
    double next() override {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return static_cast<double>(m_state >> 11) / 9007199254740992.0;
    }

private:
    quint64 m_state = 0x9e3779b97f4a7c15ull;
};

void AssemblyOnlyBench(benchmark::State& state, qint32 hexDigits, const char* type, const char* method) {
    TimeAssembly<XorshiftRandomSource>(state, hexDigits, type, method);
}

// Opens dict.txt, reads pieces of the GetWord size until `wanted` bytes are in, finding every line end on
// the way, and closes it.
qint64 ScanPrefix(qint64 wanted, std::vector<char>& buffer) {
    QFile file(kFolder + QStringLiteral("/dict.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return -1;
    qint64 lines = 0;
    for (qint64 done = 0; done < wanted;) {
        const qint64 n = file.read(buffer.data(), WordSource::kReadChunkBytes);
        if (n <= 0)
            break;
        done += n;
        const char* const end = buffer.data() + n;
        for (const char* p = buffer.data(); (p = static_cast<const char*>(std::memchr(p, '\n', end - p))); ++p)
            ++lines;
    }
    return lines;
}

// Scans, call by call, the bytes recorded for each round; one round per iteration.
void ScanRounds(benchmark::State& state, const std::vector<std::vector<qint64>>& rounds) {
    std::vector<char> buffer(WordSource::kReadChunkBytes);
    size_t next = 0;
    for (auto _ : state) {
        for (const qint64 wanted : rounds[next])
            benchmark::DoNotOptimize(ScanPrefix(wanted, buffer));
        next = (next + 1) % rounds.size();
    }
}

void DictionaryFloorBench(benchmark::State& state, qint32 hexDigits) {
    constexpr int kKeys = 2000;
    // The reads of real generations, so the floor covers the same mix of calls the key bench makes.
    std::vector<std::vector<qint64>> reads;
    size_t calls = 0;
    for (int i = 0; i < kKeys; ++i) {
        ReadMarkingRandomSource random;
        CountingSink sink;
        WordSource words(random, sink, {kFolder});
        random.words = &words;
        const auto key = TryAssembleKey(words, hexDigits, QStringLiteral("ASCII"), QStringLiteral("1"));
        if (!key || sink.count > 0) {
            state.SkipWithError("a generation failed");
            return;
        }
        reads.push_back(random.bytesPerCall());
        calls += reads.back().size();
    }
    ScanRounds(state, reads);
    state.counters["calls_per_key"] = double(calls) / kKeys;
}

void GetWordBench(benchmark::State& state) {
    SystemRandomSource random;
    CountingSink sink;
    WordSource words(random, sink, {kFolder});
    const auto required = static_cast<qint32>(state.range(0));
    for (auto _ : state) {
        auto word = words.GetWord(required);
        benchmark::DoNotOptimize(word);
    }
    if (sink.count > 0)
        state.SkipWithError("a message was shown");
}

// The floor of one GetWord call: the bytes real calls read, from uniformly drawn starting lines.
void GetWordFloorBench(benchmark::State& state) {
    constexpr int kCalls = 2000;
    const auto required = static_cast<qint32>(state.range(0));
    ReadMarkingRandomSource random;
    CountingSink sink;
    WordSource words(random, sink, {kFolder});
    random.words = &words;
    for (int i = 0; i < kCalls; ++i)
        words.GetWord(required);
    if (sink.count > 0) {
        state.SkipWithError("a message was shown");
        return;
    }
    std::vector<std::vector<qint64>> reads;
    for (const qint64 bytes : random.bytesPerCall())
        reads.push_back({bytes});
    ScanRounds(state, reads);
}

// Writes folder/dict.txt: piece `count` times, then tail.
bool WriteDictionary(const QTemporaryDir& folder, const QByteArray& piece, int count, const QByteArray& tail) {
    QFile file(QDir(folder.path()).filePath(QStringLiteral("dict.txt")));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (int n = 0; n < count; ++n) {
        if (file.write(piece) != piece.size())
            return false;
    }
    return file.write(tail) == tail.size();
}

// A dictionary no key can come from: 27,000 lines of 7,800 letters, so every first word overshoots a
// 128-bit key. One generation ends in the GenerateKey() box once it has read its byte budget; this is the
// time from the press of the button to that box.
void LongLineDictionaryBench(benchmark::State& state) {
    QTemporaryDir folder;
    if (!WriteDictionary(folder, QByteArray(7800, 'w') + "\r\n", 27000, QByteArray())) {
        state.SkipWithError("cannot write dict.txt");
        return;
    }
    SystemRandomSource random;
    CountingSink sink;
    WordSource words(random, sink, {folder.path()});
    qint64 bytes = 0;
    for (auto _ : state) {
        const qint64 before = words.bytesRead();
        auto key = TryAssembleKey(words, 26, QStringLiteral("ASCII"), QStringLiteral("1"));
        benchmark::DoNotOptimize(key);
        bytes += words.bytesRead() - before;
    }
    if (sink.count != static_cast<int>(state.iterations()))
        state.SkipWithError("a generation did not end in its box");
    state.counters["MiB_read_per_key"] = double(bytes) / double(state.iterations()) / (1 << 20);
}

// A dictionary of one line of 512 MiB: the time until the "GetWord() Error.." box, whose text shows only
// the start of that line, and the process's peak resident memory (run this benchmark alone, with
// --benchmark_filter=OneHugeLineDictionaryBench, for the peak to be its own).
void OneHugeLineDictionaryBench(benchmark::State& state) {
    QTemporaryDir folder;
    if (!WriteDictionary(folder, QByteArray(1 << 20, 'w'), 512, "\r\n")) {
        state.SkipWithError("cannot write dict.txt");
        return;
    }
    SystemRandomSource random;
    CountingSink sink;
    WordSource words(random, sink, {folder.path()});
    for (auto _ : state) {
        auto key = TryAssembleKey(words, 26, QStringLiteral("ASCII"), QStringLiteral("1"));
        benchmark::DoNotOptimize(key);
    }
    if (sink.count != static_cast<int>(state.iterations()))
        state.SkipWithError("a generation did not end in its box");
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_RSS_MiB"] = double(usage.ru_maxrss) / 1024;
}

} // namespace

BENCHMARK(RandomDrawBench);
BENCHMARK_CAPTURE(KeyAssemblyBench, hex_64, 10, "HEX", "0");
BENCHMARK_CAPTURE(KeyAssemblyBench, hex_128, 26, "HEX", "0");
BENCHMARK_CAPTURE(KeyAssemblyBench, hex_256, 58, "HEX", "0");
BENCHMARK_CAPTURE(KeyAssemblyBench, letters_64, 10, "ASCII", "0");
BENCHMARK_CAPTURE(KeyAssemblyBench, letters_128, 26, "ASCII", "0");
BENCHMARK_CAPTURE(KeyAssemblyBench, letters_256, 58, "ASCII", "0");
BENCHMARK_CAPTURE(KeyAssemblyBench, words_64, 10, "ASCII", "1");
BENCHMARK_CAPTURE(KeyAssemblyBench, words_128, 26, "ASCII", "1");
BENCHMARK_CAPTURE(KeyAssemblyBench, words_256, 58, "ASCII", "1");
BENCHMARK_CAPTURE(AssemblyOnlyBench, hex_256, 58, "HEX", "0");
BENCHMARK_CAPTURE(AssemblyOnlyBench, letters_256, 58, "ASCII", "0");
BENCHMARK_CAPTURE(DictionaryFloorBench, words_64, 10);
BENCHMARK_CAPTURE(DictionaryFloorBench, words_128, 26);
BENCHMARK_CAPTURE(DictionaryFloorBench, words_256, 58);
BENCHMARK(GetWordBench)->Arg(0)->Arg(3)->Arg(4)->Arg(5)->Arg(6);
BENCHMARK(GetWordFloorBench)->Arg(0)->Arg(3)->Arg(4)->Arg(5)->Arg(6);
BENCHMARK(LongLineDictionaryBench)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(OneHugeLineDictionaryBench)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
