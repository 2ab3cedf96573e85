#include "shell/ordered_workers.hpp"

#include "shell/debug_log.hpp"

#include <algorithm>
#include <malloc.h>

namespace pixtrail::shell {

int workersFor(int setting) {
    if (setting >= 1)
        return std::min(setting, kMaxWorkers);
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(cores, 1, kMaxWorkers);
}

OrderedWorkers::OrderedWorkers(int workers) : m_workers(std::clamp(workers, 1, kMaxWorkers)) {
    // Pictures take blocks of megabytes. Left to itself, glibc serves them from a heap of
    // each thread once blocks of that size were freed, and keeps them there: with four
    // workers a run held twice the memory it used. Blocks of 1 MiB and more are mapped for
    // themselves and go back to the system when freed.
    static std::once_flag once;
    std::call_once(once, [] { mallopt(M_MMAP_THRESHOLD, 1 << 20); });
}

OrderedWorkers::~OrderedWorkers() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    for (std::thread& t : m_threads)
        t.join();
    if (!m_unfinished.empty())
        captureDebugLines(nullptr);
}

void OrderedWorkers::submit(std::function<void()> work, std::function<void()> finish,
                            std::size_t memory) {
    if (m_workers == 1) {
        if (work)
            work();
        finish();
        return;
    }
    while (!m_unfinished.empty() &&
           (static_cast<int>(m_unfinished.size()) >= kJobsPerWorker * m_workers ||
            m_memory + memory > kWorkersMemory))
        finishOldest();
    if (m_threads.empty())
        for (int i = 0; i < m_workers; ++i)
            m_threads.emplace_back([this] { workerLoop(); });
    auto job = std::make_shared<Job>();
    job->work = std::move(work);
    job->finish = std::move(finish);
    job->memory = memory;
    m_memory += memory;
    m_unfinished.push_back(job);
    // This thread's lines now belong after the job's, until the next submit.
    captureDebugLines(&job->after);
    if (!job->work) {
        job->done = true; // never queued, so no worker sees it
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back(job);
    }
    m_wake.notify_one();
}

void OrderedWorkers::drain() {
    while (!m_unfinished.empty())
        finishOldest();
}

void OrderedWorkers::finishReady() {
    while (!m_finishing && !m_unfinished.empty() && oldestIsDone())
        finishOldest();
}

bool OrderedWorkers::oldestIsDone() {
    const std::lock_guard lock(m_mutex);
    return m_unfinished.front()->done;
}

void OrderedWorkers::abandon() {
    while (!m_unfinished.empty())
        finishOldest(false);
}

void OrderedWorkers::finishOldest(bool runFinish) {
    const std::shared_ptr<Job> job = m_unfinished.front();
    {
        std::unique_lock lock(m_mutex);
        m_done.wait(lock, [&] { return job->done; });
    }
    m_unfinished.pop_front();
    m_memory -= job->memory;
    // Everything before this job has been written: its lines go straight to the trace.
    captureDebugLines(nullptr);
    for (const std::string& line : job->lines)
        WriteDebug(line);
    const auto resume = [&] {
        for (const std::string& line : job->after)
            WriteDebug(line);
        if (!m_unfinished.empty())
            captureDebugLines(&m_unfinished.back()->after);
    };
    m_finishing = true;
    try {
        if (job->error && runFinish)
            std::rethrow_exception(job->error);
        if (runFinish)
            job->finish();
    } catch (...) {
        m_finishing = false;
        resume();
        throw;
    }
    m_finishing = false;
    resume();
}

void OrderedWorkers::workerLoop() {
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
            if (m_stopping)
                return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
        }
        captureDebugLines(&job->lines);
        try {
            job->work();
        } catch (...) {
            job->error = std::current_exception();
        }
        captureDebugLines(nullptr);
        {
            const std::lock_guard lock(m_mutex);
            job->done = true;
        }
        m_done.notify_all();
    }
}

} // namespace pixtrail::shell
