#pragma once
// What the benchmarks measure: CPU time of this thread and resident memory.

#include <QByteArray>
#include <QFile>
#include <ctime>

namespace kestro::bench {

// CPU time of this thread: on a busy machine the wall time also counts the
// time other processes had the processor.
inline double threadCpuUs() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e6 + double(t.tv_nsec) / 1e3;
}

// Resident memory of this process in MB (Linux); 0 where it cannot be read.
inline double residentMb() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

}  // namespace kestro::bench
