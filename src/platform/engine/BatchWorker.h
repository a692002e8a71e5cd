#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace zq4e {

// A second thread for a large file. One job at a time; the thread starts with the first job, so a file that
// never posts one costs no thread.
class BatchWorker {
public:
    BatchWorker() = default;
    ~BatchWorker(); // waits for the job in progress, then ends the thread
    BatchWorker(const BatchWorker&) = delete;
    BatchWorker& operator=(const BatchWorker&) = delete;

    // Runs job on the second thread; false (and job not run) when no thread can be had. The previous job must
    // have been waited for.
    bool post(std::function<void()> job);
    // Returns once the posted job is done; everything it wrote is then visible to the caller.
    void wait();

private:
    void loop();

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::function<void()> m_job;
    bool m_busy = false;
    bool m_quit = false;
};

// The turns of two threads that take the batches of one file alternately, each batch read, sealed or opened,
// and written by one thread so that its data stays in that core's cache: reads go in batch order, and so do
// writes, so the file is read and written front to back as by one thread.
class BatchTurns {
public:
    // Waits until batch k may be read; false when the file has no batch k or the stream has stopped.
    bool awaitRead(std::uint64_t k);
    // Batch k has been read; `last`: nothing after it is read (the end of the file, or a failure).
    void readDone(bool last);
    // Waits until batch k may be written; false when the stream has stopped before it.
    bool awaitWrite(std::uint64_t k);
    // Batch k is settled; `stop`: the stream's outcome is decided, no later batch is written.
    void writeDone(bool stop);

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::uint64_t m_read = 0, m_write = 0;
    bool m_readsEnded = false, m_stopped = false;
};

} // namespace zq4e
