#include "batch/WorkerCall.h"

#include "platform/engine/Engine.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace WorkerCall {

namespace {
int onWorker(const std::function<int()>& job) {
    QFutureWatcher<int> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcher<int>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run(job));
    if (!watcher.isFinished())
        loop.exec();
    return watcher.future().result();
}
} // namespace

int run(long long inputBytes, const std::function<int()>& job) {
    if (inputBytes >= WorkerThreshold)
        return onWorker(job);
    // A small file runs here, unless its key must first be derived: that goes to a worker like a large file.
    zq4e::set_no_derivation_on_this_thread(true);
    const int code = job();
    zq4e::set_no_derivation_on_this_thread(false);
    return code == zq4e::DerivationNeeded ? onWorker(job) : code;
}

} // namespace WorkerCall
