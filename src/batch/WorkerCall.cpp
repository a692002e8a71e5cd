#include "batch/WorkerCall.h"

#include "platform/engine/Engine.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace WorkerCall {

namespace {
int onWorker(const std::function<int(bool)>& job) {
    QFutureWatcher<int> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcher<int>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run([&job] { return job(true); }));
    if (!watcher.isFinished())
        loop.exec();
    return watcher.future().result();
}
} // namespace

int run(long long inputBytes, const std::function<int(bool mayDerive)>& job) {
    if (inputBytes >= WorkerThreshold)
        return onWorker(job);
    // A small file runs here, unless its key must first be derived: that goes to a worker like a large file.
    const int code = job(false);
    return code == zq4e::DerivationNeeded ? onWorker(job) : code;
}

} // namespace WorkerCall
