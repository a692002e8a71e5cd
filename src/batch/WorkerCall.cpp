#include "batch/WorkerCall.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace WorkerCall {

int run(long long inputBytes, const std::function<int()>& job) {
    if (inputBytes < WorkerThreshold)
        return job();
    QFutureWatcher<int> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcher<int>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run(job));
    if (!watcher.isFinished())
        loop.exec();
    return watcher.future().result();
}

} // namespace WorkerCall
