#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A few worker threads for the heavy part of storing pictures (decoding, shrinking and
// encoding), while the run's own thread goes on downloading. What a job changes in the
// folder and shows the user happens in its `finish`, on the run's thread and in the order
// the jobs were given, so that files, progress lines and the debug trace come out as a
// serial run writes them.
namespace pixtrail::shell {

/// The most workers a run uses: beyond this the downloads, not the pictures, set the pace.
constexpr int kMaxWorkers = 4;

/// The most bytes the jobs take at once, as their submits declare: a few photos at a time,
/// or one progressive 24-megapixel photo, whose decoder keeps 72 MB for it while it works.
constexpr std::size_t kWorkersMemory = std::size_t{96} << 20;

/// Unfinished jobs per worker: enough to let a cache's next photo start while the last one's
/// smaller pictures and result wait their turn.
constexpr int kJobsPerWorker = 4;

/// The workers a run uses for the "workers" setting: 1 or more asks for that many (at most
/// kMaxWorkers), anything else for as many as the machine has cores (at most kMaxWorkers).
int workersFor(int setting);

class OrderedWorkers {
public:
    /// With 1 worker every job runs at once on the calling thread, as a serial run.
    explicit OrderedWorkers(int workers);
    /// Waits for the jobs in progress; finishes not run by then are dropped.
    ~OrderedWorkers();
    OrderedWorkers(const OrderedWorkers&) = delete;
    OrderedWorkers& operator=(const OrderedWorkers&) = delete;

    int workers() const { return m_workers; }

    /// Runs `work` on a worker and later `finish` on this thread, after the finish of every
    /// job given before it: within a later submit() or drain(). The job holds `held` bytes
    /// (its picture) until its finish and takes `working` bytes more while its work runs.
    /// Blocks, finishing older jobs, while kJobsPerWorker jobs a worker are unfinished or the
    /// bytes held and worked on would pass kWorkersMemory; a work waits to start until they
    /// leave room for it (one alone may take more).
    /// Debug lines come out in serial order: those of `work`, then those of `finish`, then
    /// what this thread wrote between this submit and the next. An exception thrown by
    /// `work` is thrown here, or by drain(), in place of its finish. A job without `work`
    /// is ready as soon as the jobs before it are.
    void submit(std::function<void()> work, std::function<void()> finish, std::size_t held = 0,
                std::size_t working = 0);
    /// Runs, without waiting, the finishes whose work and predecessors are done: the run
    /// calls it while it waits anyway, so that a cache's result shows as soon as it can.
    void finishReady();
    /// Runs every finish still due, waiting for its work.
    void drain();
    /// After a failure: waits for the work of every unfinished job and drops their
    /// finishes, so that nothing of them reaches the folder. Their debug lines are kept.
    void abandon();

private:
    struct Job {
        std::function<void()> work, finish;
        std::vector<std::string> lines; ///< written by `work`
        std::vector<std::string> after; ///< written by this thread after the job's submit
        std::exception_ptr error;
        std::size_t held = 0, working = 0;
        bool done = false;
    };
    void finishOldest(bool runFinish = true);
    bool oldestIsDone();
    void workerLoop();

    int m_workers;
    std::size_t m_held = 0;                        ///< by the unfinished jobs; guarded by m_mutex
    std::size_t m_working = 0;                     ///< by the works running; guarded by m_mutex
    std::deque<std::shared_ptr<Job>> m_unfinished; ///< in order of submit; this thread's
    std::deque<std::shared_ptr<Job>> m_queue;      ///< waiting for a worker
    std::mutex m_mutex;
    std::condition_variable m_wake, m_done;
    bool m_stopping = false;
    bool m_finishing = false; ///< a finish is running: a wait inside it finishes no other
    std::vector<std::thread> m_threads;
};

} // namespace pixtrail::shell
