#include "platform/engine/BatchWorker.h"

namespace zq4e {

BatchWorker::~BatchWorker() {
    if (!m_thread.joinable())
        return;
    {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [this] { return !m_busy; });
        m_quit = true;
    }
    m_cv.notify_all();
    m_thread.join();
}

void BatchWorker::post(std::function<void()> job) {
    if (!m_thread.joinable()) {
        try {
            m_thread = std::thread([this] { loop(); });
        } catch (...) {
            job();
            return;
        }
    }
    {
        std::lock_guard lock(m_mutex);
        m_job = std::move(job);
        m_busy = true;
    }
    m_cv.notify_all();
}

void BatchWorker::wait() {
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [this] { return !m_busy; });
}

void BatchWorker::loop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [this] { return m_busy || m_quit; });
        if (!m_busy)
            return;
        std::function<void()> job = std::move(m_job);
        lock.unlock();
        job();
        lock.lock();
        m_busy = false;
        m_cv.notify_all();
    }
}

} // namespace zq4e
