// Port scan over COM1 to COM255, as the port selection dialog runs it on every opening.

#include "bench_gbench.h"
#include "link/portnaming.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Pseudo-terminals registered as COM ports, the way the simulated radio registers itself.
class PortsFolder {
public:
    explicit PortsFolder(const std::vector<int> &numbers)
    {
        for (int number : numbers) {
            const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
            if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
                if (master >= 0)
                    ::close(master);
                continue;
            }
            m_masters.push_back(master);
            const QString link = QDir(m_dir.path()).filePath(QStringLiteral("com%1").arg(number));
            QFile::link(QString::fromLocal8Bit(::ptsname(master)), link);
        }
    }
    ~PortsFolder()
    {
        for (int fd : m_masters)
            ::close(fd);
    }
    QString path() const { return m_dir.path(); }
    int linked() const { return int(m_masters.size()); }

private:
    QTemporaryDir m_dir;
    std::vector<int> m_masters;
};

void scanBenchmark(benchmark::State &state, const PortsFolder &folder)
{
    const quenda::PortNaming naming(folder.path());
    qsizetype found = 0;
    for (auto _ : state) {
        const QList<quenda::PortEntry> entries = naming.scan();
        found = entries.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["ports_listed"] = double(found);
}

void BM_ScanNoLinks(benchmark::State &state)
{
    static const PortsFolder folder({});
    scanBenchmark(state, folder);
}
BENCHMARK(BM_ScanNoLinks)->Unit(benchmark::kMillisecond);

void BM_ScanFourSimulatedPorts(benchmark::State &state)
{
    static const PortsFolder folder({1, 3, 100, 255});
    if (folder.linked() != 4) {
        state.SkipWithError("no pseudo-terminals");
        return;
    }
    scanBenchmark(state, folder);
}
BENCHMARK(BM_ScanFourSimulatedPorts)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return quenda::bench::runBenchmarks(
        argc, argv,
        {{"BM_ScanNoLinks", "scan_ms", "PortNaming::scan(), 255 numbers, system devices only",
          false},
         {"BM_ScanFourSimulatedPorts", "scan_sim_ms",
          "PortNaming::scan(), 255 numbers, 4 of them pseudo-terminal links", false}});
}
