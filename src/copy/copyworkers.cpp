#include "copy/copyworkers.h"

#include <algorithm>

namespace tarnwell {

namespace {

// How often a file that changed while it was copied is copied again.
constexpr int kChangedFileRetries = 1;

// One batch is gathered while the one before is flushed, and the workers each hold one more.
std::size_t batchFileLimit(CopyPrimitives& primitives, const CopyOptions& options)
{
    const std::size_t open = primitives.openTempLimit();
    const std::size_t workers = static_cast<std::size_t>(std::max(1, options.workers));
    const std::size_t perBatch = open > 2 * workers ? (open - workers) / 2 : 1;
    return std::max<std::size_t>(1, std::min(options.batchFiles, perBatch));
}

} // namespace

CopyWorkers::CopyWorkers(CopyPrimitives& primitives, const CopyProgressCallback& progress,
                         const CopyOptions& options)
    : m_primitives(primitives), m_progress(progress), m_options(options),
      m_batches(
          primitives, m_options, batchFileLimit(primitives, options),
          [this](const CopyBatches::Written& file) {
              m_bytes += file.bytes;
              ++m_files;
          },
          [this](const CopyBatches::Written& file, const RuntimeError& error) {
              fail(file.relative, RuntimeError(error).concerning(file.destination));
          },
          [this] {
              // Taken and let go, so that the walk is either waiting or sees the change.
              {
                  std::lock_guard lock(m_mutex);
              }
              m_stateChanged.notify_all();
          })
{
    m_options.workers = std::max(1, m_options.workers);
    m_options.queueLimit = std::max<std::size_t>(1, m_options.queueLimit);
    m_lastReport = std::chrono::steady_clock::now();
    for (int i = 0; i < m_options.workers; ++i)
        m_workers.emplace_back([this] { work(); });
}

CopyWorkers::~CopyWorkers()
{
    stopWorkers();
}

void CopyWorkers::add(FileJob job)
{
    if (job.replacing) {
        ++m_changed;
        if (m_options.holdMassChange) {
            m_held.push_back(std::move(job.relative));
            return;
        }
    }
    std::unique_lock lock(m_mutex);
    // A full queue is let drain to half before the walk goes on, so that the walk and the
    // workers do not wake each other for every file.
    if (m_queue.size() >= m_options.queueLimit)
        waitFor(lock, [this] { return m_queue.size() <= m_options.queueLimit / 2; });
    if (m_stop)
        return;
    m_queue.push_back(std::move(job));
    lock.unlock();
    m_jobReady.notify_one();
}

void CopyWorkers::finish(const std::function<void()>& whenPlaced)
{
    try {
        std::unique_lock lock(m_mutex);
        waitFor(lock, [this] { return m_queue.empty() && m_busy == 0; });
        lock.unlock();
        // No more files are coming: what is gathered is flushed now.
        m_batches.drain();
        lock.lock();
        waitFor(lock, [this] { return m_batches.idle(); });
        lock.unlock();
        if (whenPlaced && !m_stop)
            whenPlaced();
    } catch (...) {
        failFatally(std::current_exception());
    }
    stopWorkers();
    m_batches.finish();
    if (m_fatal)
        std::rethrow_exception(m_fatal);
    report();
    if (!m_failures.empty())
        throw FolderCopyError(std::move(m_failures));
}

template <typename Condition>
void CopyWorkers::waitFor(std::unique_lock<std::mutex>& lock, Condition done)
{
    while (!done() && !m_stop) {
        m_walkWaits = true;
        m_stateChanged.wait_for(lock, m_options.progressInterval);
        m_walkWaits = false;
        lock.unlock();
        reportIfDue();
        lock.lock();
    }
}

void CopyWorkers::stopWorkers()
{
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_jobReady.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
    m_workers.clear();
}

void CopyWorkers::work()
{
    for (;;) {
        FileJob job;
        bool wakeWalk = false;
        {
            std::unique_lock lock(m_mutex);
            m_jobReady.wait(lock, [this] { return !m_queue.empty() || m_closed; });
            if (m_queue.empty())
                return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
            ++m_busy;
            wakeWalk = m_walkWaits && m_queue.size() <= m_options.queueLimit / 2;
        }
        if (wakeWalk)
            m_stateChanged.notify_one();
        if (!m_stop)
            copyOne(job);
        {
            std::lock_guard lock(m_mutex);
            --m_busy;
            wakeWalk = m_walkWaits && m_queue.empty() && m_busy == 0;
        }
        if (wakeWalk)
            m_stateChanged.notify_one();
    }
}

void CopyWorkers::copyOne(FileJob& job)
{
    // Replacing by rename would pass over a read-only copy; it must refuse like an overwrite.
    try {
        if (job.replacing && m_primitives.isReadOnlyFile(job.destination)) {
            RuntimeError denied(ErrorNumber::PermissionDenied);
            fail(job.relative, denied.concerning(job.destination), true);
            return;
        }
    } catch (RuntimeError& error) {
        fail(job.relative, error.concerning(job.destination));
        return;
    } catch (...) {
        failFatally(std::current_exception());
        return;
    }
    std::uint64_t bytes = 0;
    // A file that changed while it was read (a document being saved) is read once more; one
    // that changes again is being written all the time and counts as failed.
    for (int attempt = 0;; ++attempt) {
        try {
            bytes = m_primitives.copyToTemp(job.source, job.temp, job.destination, job.replacing);
            break;
        } catch (FileChangedError& error) {
            if (attempt < kChangedFileRetries)
                continue;
            fail(job.relative, error.concerning(job.source));
            return;
        } catch (RuntimeError& error) {
            fail(job.relative, error.concerning(job.source));
            return;
        } catch (...) {
            failFatally(std::current_exception());
            return;
        }
    }
    m_batches.add({std::move(job.temp), std::move(job.destination), std::move(job.folder),
                   std::move(job.relative), bytes, job.replacing});
}

void CopyWorkers::fail(const std::string& relative, const RuntimeError& error, bool refusedByFlags)
{
    std::lock_guard lock(m_mutex);
    m_failures.push_back({relative, error, refusedByFlags});
}

void CopyWorkers::failFatally(std::exception_ptr error)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_fatal)
            m_fatal = std::move(error);
        m_stop = true;
    }
    m_stateChanged.notify_all();
    m_batches.abandon();
}

void CopyWorkers::reportIfDue()
{
    if (std::chrono::steady_clock::now() - m_lastReport >= m_options.progressInterval)
        report();
}

void CopyWorkers::report()
{
    m_lastReport = std::chrono::steady_clock::now();
    if (m_progress)
        m_progress(CopyProgress{m_files.load(), m_bytes.load(), m_upToDate, m_changed, 0,
                                std::move(m_notes)});
    m_notes.clear();
}

} // namespace tarnwell
