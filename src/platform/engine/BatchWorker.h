#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// A second thread for the cipher work of a large file: it seals or opens one batch of segments while the
// calling thread writes the previous batch and reads the next. One job at a time; the thread starts with the
// first job, so a file that never posts one costs no thread.
namespace zq4e {

class BatchWorker {
public:
    BatchWorker() = default;
    ~BatchWorker(); // waits for the job in progress, then ends the thread
    BatchWorker(const BatchWorker&) = delete;
    BatchWorker& operator=(const BatchWorker&) = delete;

    // Runs job on the second thread, or here when no thread can be had. The previous job must have been waited.
    void post(std::function<void()> job);
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

} // namespace zq4e
