#include "shell/ordered_workers.hpp"

#include "base/process.hpp"
#include "shell/debug_log.hpp"

#include <algorithm>

namespace pixtrail::shell {

int workersFor(int setting) {
    if (setting >= 1)
        return std::min(setting, kMaxWorkers);
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(cores, 1, kMaxWorkers);
}

OrderedWorkers::OrderedWorkers(int workers) : m_workers(std::clamp(workers, 1, kMaxWorkers)) {
    // Pictures take blocks of megabytes, which threads would otherwise keep for themselves.
    static std::once_flag once;
    std::call_once(once, base::returnLargeBlocksToSystem);
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
                            std::size_t held, std::size_t working) {
    if (m_workers == 1) {
        if (work)
            work();
        finish();
        return;
    }
    const auto full = [&] {
        const std::lock_guard lock(m_mutex);
        return static_cast<int>(m_unfinished.size()) >= kJobsPerWorker * m_workers ||
               m_held + m_working + held > kWorkersMemory;
    };
    while (!m_unfinished.empty() && full())
        finishOldest();
    if (m_threads.empty())
        for (int i = 0; i < m_workers; ++i)
            m_threads.emplace_back([this] { workerLoop(); });
    auto job = std::make_shared<Job>();
    job->work = std::move(work);
    job->finish = std::move(finish);
    job->held = held;
    job->working = working;
    m_unfinished.push_back(job);
    // This thread's lines now belong after the job's, until the next submit.
    captureDebugLines(&job->after);
    const std::lock_guard lock(m_mutex);
    m_held += held;
    if (!job->work) {
        job->done = true;
        return;
    }
    m_queue.push_back(job);
    m_wake.notify_all();
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
    {
        const std::lock_guard lock(m_mutex);
        m_held -= job->held;
    }
    m_wake.notify_all(); // a work waiting for room may start
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
            // The next work starts when nothing runs or the bytes taken leave room for it.
            m_wake.wait(lock, [&] {
                return m_stopping ||
                       (!m_queue.empty() &&
                        (m_working == 0 ||
                         m_held + m_working + m_queue.front()->working <= kWorkersMemory));
            });
            if (m_stopping)
                return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
            m_working += job->working;
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
            m_working -= job->working;
        }
        m_done.notify_all();
        m_wake.notify_all();
    }
}

} // namespace pixtrail::shell
