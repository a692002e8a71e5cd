#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// SIGINT, SIGTERM and SIGHUP become a call of onStop on the event loop, like a press of the Stop button.
// The handler itself only writes a byte into a pipe (the self-pipe), which the loop notices between files
// and while a large file is being processed. SIGPIPE is ignored: a reader that went away must not cut a file
// short. Everything is restored when the object goes.
class StopSignals : public QObject {
public:
    explicit StopSignals(std::function<void(int signal)> onStop);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Whether a signal has come that the event loop has not handed on yet: a loop that has nothing else to wait
    // for turns only then.
    static bool waiting();

private:
    void drain();

    std::function<void(int)> m_onStop;
    QSocketNotifier* m_notifier = nullptr;
};
