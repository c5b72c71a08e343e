// Report parser throughput on a full report as the receive handler hands it over: the settings
// report with every register and a 64-channel listing, filled up to the handler's 4 KB buffer.

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
    while (chunk.size() < quenda::kChunkBufferSize)
        chunk += "\r\n";
    chunk.truncate(quenda::kChunkBufferSize);
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
          "ParseReport, full 4 KB report, record already filled", true}});
}
