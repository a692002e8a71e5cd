#include "platform/os/DiskTrace.h"

#include <atomic>

namespace DiskTrace {

namespace {
std::atomic<Recorder> g_recorder{nullptr};
}

void setRecorder(Recorder recorder) {
    g_recorder.store(recorder);
}

void note(Step step, const QString& path) {
    if (const Recorder r = g_recorder.load(std::memory_order_relaxed))
        r(step, path);
}

} // namespace DiskTrace
