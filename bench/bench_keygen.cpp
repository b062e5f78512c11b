// Times key generation with the shipped dict.txt and the system random source, and beside it the floor
// that dictionary keys cannot beat: opening dict.txt and scanning, in the same pieces, the very bytes each
// GetWord call has to read. Run with e.g. --benchmark_repetitions=5 --benchmark_report_aggregates_only=true.
#include "keygen/KeyAssembly.h"
#include "keygen/RandomSource.h"
#include "keygen/WordSource.h"
#include "shell/MessageSink.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

using namespace tavrix;

namespace {

const QString kFolder = QStringLiteral(TAVRIX_DATA_DIR);

class CountingSink final : public MessageSink {
public:
    void show(const Message&) override { ++count; }
    int count = 0;
};

// Passes the system source through and keeps every draw, so that a generation can be replayed.
class RecordingRandomSource final : public RandomSource {
public:
    void reseed(float seconds) override { m_system.reseed(seconds); }
    double next() override { return draws.emplace_back(m_system.next()); }
    std::vector<double> draws;

private:
    SystemRandomSource m_system;
};

// One draw of the system source: the floor of every hexadecimal and random-letter key.
void RandomDrawBench(benchmark::State& state) {
    SystemRandomSource random;
    for (auto _ : state)
        benchmark::DoNotOptimize(random.next());
}

// Times AssembleKey drawing from a Source; a message shown means the case measured a failure.
template <typename Source>
void TimeAssembly(benchmark::State& state, qint32 hexDigits, const char* type, const char* method) {
    Source random;
    CountingSink sink;
    WordSource words(random, sink, {kFolder});
    const QString keyType = QString::fromLatin1(type);
    const QString methodTag = QString::fromLatin1(method);
    for (auto _ : state) {
        QString key = AssembleKey(words, hexDigits, keyType, methodTag);
        benchmark::DoNotOptimize(key);
    }
    if (sink.count > 0)
        state.SkipWithError("a message was shown");
}

void AssembleKeyBench(benchmark::State& state, qint32 hexDigits, const char* type, const char* method) {
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

// dict.txt in memory: where each line ends and where the next one starts.
struct Dictionary {
    QByteArray bytes;
    std::vector<qint64> ends;  // offset of each line's end (line end excluded)
    std::vector<qint64> nexts; // offset just after each line's end

    Dictionary() {
        QFile file(kFolder + QStringLiteral("/dict.txt"));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read dict.txt");
        bytes = file.readAll();
        for (qint64 at = 0; at < bytes.size();) {
            const qint64 cr = bytes.indexOf('\r', at);
            ends.push_back(cr);
            nexts.push_back(cr + 2);
            at = cr + 2;
        }
    }
    qint64 length(size_t line) const { return ends[line] - (line == 0 ? 0 : nexts[line - 1]); }
};

const Dictionary& SharedDictionary() {
    static const Dictionary dictionary;
    return dictionary;
}

// Replays one dictionary key from its draws on the in-memory word list and notes, per GetWord call, how
// many bytes of the file that call has to read (up to the end of the line it returns).
class KeyReplay {
public:
    KeyReplay(const Dictionary& dictionary, const std::vector<double>& draws) : m_dict(dictionary), m_draws(draws) {}

    QString key(qint32 keyLength) {
        for (;;) {
            QString key;
            while (key.size() < keyLength - 9)
                key += word(0) + '-';
            const auto shortfall = keyLength - key.size();
            if (shortfall >= 3 && shortfall <= 6)
                return key + word(shortfall);
            if (shortfall >= 7 && shortfall <= 9) {
                const QString front = word(shortfall == 7 ? 3 : 4);
                return front + '-' + key + word(shortfall == 9 ? 4 : 3);
            }
        }
    }
    std::vector<qint64> bytesPerCall;

private:
    QString word(qint64 required) {
        auto line = static_cast<size_t>(m_draws.at(m_next++) * 27000.0);
        if (required > 0) {
            do
                ++line;
            while (m_dict.length(line) != required);
        }
        bytesPerCall.push_back(m_dict.nexts[line]);
        const qint64 start = line == 0 ? 0 : m_dict.nexts[line - 1];
        return QString::fromLatin1(m_dict.bytes.mid(start, m_dict.ends[line] - start));
    }

    const Dictionary& m_dict;
    const std::vector<double>& m_draws;
    size_t m_next = 0;
};

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

void DictionaryFloorBench(benchmark::State& state, qint32 hexDigits) {
    constexpr int kKeys = 2000;
    // Draws and reads of real generations, so the floor covers the same mix of calls the key bench makes.
    std::vector<std::vector<qint64>> reads;
    size_t calls = 0;
    for (int i = 0; i < kKeys; ++i) {
        RecordingRandomSource random;
        CountingSink sink;
        WordSource words(random, sink, {kFolder});
        const QString key = AssembleKey(words, hexDigits, QStringLiteral("ASCII"), QStringLiteral("1"));
        KeyReplay replay(SharedDictionary(), random.draws);
        if (replay.key(hexDigits / 2) != key || sink.count > 0) {
            state.SkipWithError("the replay does not match the generated key");
            return;
        }
        calls += replay.bytesPerCall.size();
        reads.push_back(std::move(replay.bytesPerCall));
    }
    std::vector<char> buffer(WordSource::kReadChunkBytes);
    size_t next = 0;
    for (auto _ : state) {
        for (const qint64 wanted : reads[next])
            benchmark::DoNotOptimize(ScanPrefix(wanted, buffer));
        next = (next + 1) % reads.size();
    }
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

// The floor of one GetWord call: the bytes it reads for a uniformly drawn starting line.
void GetWordFloorBench(benchmark::State& state) {
    const Dictionary& dict = SharedDictionary();
    const auto required = static_cast<qint64>(state.range(0));
    SystemRandomSource random;
    std::vector<char> buffer(WordSource::kReadChunkBytes);
    for (auto _ : state) {
        state.PauseTiming();
        auto line = static_cast<size_t>(random.next() * 27000.0);
        if (required > 0) {
            do
                ++line;
            while (dict.length(line) != required);
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(ScanPrefix(dict.nexts[line], buffer));
    }
}

// A dictionary no key can come from: 27,000 lines of 7,800 letters, so every first word overshoots a
// 128-bit key. One generation ends in the GenerateKey() box once it has read its byte budget; this is the
// time from the press of the button to that box.
void LongLineDictionaryBench(benchmark::State& state) {
    QTemporaryDir folder;
    {
        QFile file(QDir(folder.path()).filePath(QStringLiteral("dict.txt")));
        if (!file.open(QIODevice::WriteOnly)) {
            state.SkipWithError("cannot write dict.txt");
            return;
        }
        const QByteArray line = QByteArray(7800, 'w') + "\r\n";
        for (int n = 0; n < 27000; ++n)
            file.write(line);
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

} // namespace

BENCHMARK(RandomDrawBench);
BENCHMARK_CAPTURE(AssembleKeyBench, hex_64, 10, "HEX", "0");
BENCHMARK_CAPTURE(AssembleKeyBench, hex_128, 26, "HEX", "0");
BENCHMARK_CAPTURE(AssembleKeyBench, hex_256, 58, "HEX", "0");
BENCHMARK_CAPTURE(AssembleKeyBench, letters_64, 10, "ASCII", "0");
BENCHMARK_CAPTURE(AssembleKeyBench, letters_128, 26, "ASCII", "0");
BENCHMARK_CAPTURE(AssembleKeyBench, letters_256, 58, "ASCII", "0");
BENCHMARK_CAPTURE(AssembleKeyBench, words_64, 10, "ASCII", "1");
BENCHMARK_CAPTURE(AssembleKeyBench, words_128, 26, "ASCII", "1");
BENCHMARK_CAPTURE(AssembleKeyBench, words_256, 58, "ASCII", "1");
BENCHMARK_CAPTURE(AssemblyOnlyBench, hex_256, 58, "HEX", "0");
BENCHMARK_CAPTURE(AssemblyOnlyBench, letters_256, 58, "ASCII", "0");
BENCHMARK_CAPTURE(DictionaryFloorBench, words_64, 10);
BENCHMARK_CAPTURE(DictionaryFloorBench, words_128, 26);
BENCHMARK_CAPTURE(DictionaryFloorBench, words_256, 58);
BENCHMARK(GetWordBench)->Arg(0)->Arg(3)->Arg(4)->Arg(5)->Arg(6);
BENCHMARK(GetWordFloorBench)->Arg(0)->Arg(3)->Arg(4)->Arg(5)->Arg(6);
BENCHMARK(LongLineDictionaryBench)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
