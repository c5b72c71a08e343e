// Report parser throughput on a full report as the receive handler hands it over (the settings
// report with every register and a 64-channel listing, with line ends after it), and on 1 MB
// of report text, of line noise and of repeated register tags: all must parse in linear time.

#include "bench_gbench.h"
#include "protocol/reportparser.h"
#include "simsession.h"

#include <cstdio>
#include <cstdlib>

namespace {

QByteArray fullChunk()
{
    QByteArray chunk = quenda::tools::SimSession::fullReport();
    // Line ends after the listing's final OK, as a radio that keeps talking would send them.
    while (chunk.size() < 4096)
        chunk += "\r\n";
    chunk.truncate(4096);
    return chunk;
}

const QByteArray &chunk()
{
    static const QByteArray bytes = fullChunk();
    return bytes;
}

void BM_ParseFullReport(benchmark::State &state)
{
    const QByteArray &bytes = chunk();
    for (auto _ : state) {
        quenda::RadioConfig config;
        quenda::ParseReport(bytes.constData(), int(bytes.size()), config);
        benchmark::DoNotOptimize(config);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}
BENCHMARK(BM_ParseFullReport);

// Parsing into a record that already holds the same report, as every later read does.
void BM_ParseIntoFilledRecord(benchmark::State &state)
{
    const QByteArray &bytes = chunk();
    quenda::RadioConfig config;
    quenda::ParseReport(bytes.constData(), int(bytes.size()), config);
    for (auto _ : state) {
        quenda::ParseReport(bytes.constData(), int(bytes.size()), config);
        benchmark::DoNotOptimize(config);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}
BENCHMARK(BM_ParseIntoFilledRecord);

constexpr int kMegabyte = 1 << 20;

QByteArray megabyteOf(const QByteArray &unit)
{
    QByteArray out;
    out.reserve(kMegabyte);
    while (out.size() < kMegabyte)
        out += unit;
    out.truncate(kMegabyte);
    return out;
}

QByteArray noise()
{
    QByteArray out(kMegabyte, '\0');
    quint32 x = 2463534242u; // xorshift: the same noise every run
    for (char &c : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x);
    }
    return out;
}

void parseMegabyte(benchmark::State &state, const QByteArray &bytes)
{
    for (auto _ : state) {
        quenda::RadioConfig config;
        quenda::ParseReport(bytes.constData(), int(bytes.size()), config);
        benchmark::DoNotOptimize(config);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

void BM_ParseMegabyteOfReports(benchmark::State &state)
{
    static const QByteArray bytes = megabyteOf(quenda::tools::SimSession::fullReport());
    parseMegabyte(state, bytes);
}
BENCHMARK(BM_ParseMegabyteOfReports)->Unit(benchmark::kMillisecond);

void BM_ParseMegabyteOfNoise(benchmark::State &state)
{
    static const QByteArray bytes = noise();
    parseMegabyte(state, bytes);
}
BENCHMARK(BM_ParseMegabyteOfNoise)->Unit(benchmark::kMillisecond);

// Tags without separators, and listing headings: each value and listing runs to the end.
void BM_ParseMegabyteOfTags(benchmark::State &state)
{
    static const QByteArray bytes = megabyteOf("S131=S101=1S/N:S105=--\r\n\r\n");
    parseMegabyte(state, bytes);
}
BENCHMARK(BM_ParseMegabyteOfTags)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    // A benchmark of a parser that fails on its input would measure nothing useful.
    quenda::RadioConfig check;
    quenda::ParseReport(chunk().constData(), int(chunk().size()), check);
    if (check.channelCount != quenda::kChannelSlots || check.serialNumber.isEmpty() ||
        check.outputPower.isEmpty()) {
        std::fprintf(stderr, "bench_parse: the report did not parse (%d channels)\n",
                     check.channelCount);
        return EXIT_FAILURE;
    }
    std::printf("report: %lld bytes of radio output, padded to %lld\n",
                static_cast<long long>(quenda::tools::SimSession::fullReport().size()),
                static_cast<long long>(chunk().size()));
    return quenda::bench::runBenchmarks(
        argc, argv,
        {{"BM_ParseFullReport", "parse_mb_s", "ParseReport, full 4 KB report, fresh record", true},
         {"BM_ParseIntoFilledRecord", "parse_refill_mb_s",
          "ParseReport, full 4 KB report, record already filled", true},
         {"BM_ParseMegabyteOfReports", "parse_1mb_reports_ms", "ParseReport, 1 MB of reports", false},
         {"BM_ParseMegabyteOfNoise", "parse_1mb_noise_ms", "ParseReport, 1 MB of line noise", false},
         {"BM_ParseMegabyteOfTags", "parse_1mb_tags_ms", "ParseReport, 1 MB of repeated tags", false}});
}
