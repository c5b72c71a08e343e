#pragma once

// Shared by the benchmark programs: one machine-readable result line per figure, so that
// scripts/bench.sh can gather them into a table without parsing each program's own output.

#include <QByteArray>
#include <QFile>
#include <QList>

#include <algorithm>
#include <cstdio>

#include <sys/resource.h>

namespace quenda::bench {

// "RESULT<TAB>key<TAB>value<TAB>unit<TAB>what", value with up to three decimals.
inline void printResult(const char *key, double value, const char *unit, const char *what)
{
    std::printf("RESULT\t%s\t%.3f\t%s\t%s\n", key, value, unit, what);
    std::fflush(stdout);
}

inline double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// Peak resident set of this process in KiB: VmHWM where /proc has it, else ru_maxrss.
inline long peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace quenda::bench
