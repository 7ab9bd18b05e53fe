#pragma once

#include "copy/copybatches.h"
#include "copy/foldercopy.h"
#include "platform/copyprimitives.h"
#include "platform/error.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tarnwell {

// One file for the workers to copy.
struct FileJob
{
    std::string source;
    std::string temp;
    std::string destination;
    std::string folder;    // destination's folder
    std::string relative;  // source's path below the copy's source, for the failure list
    bool replacing = true; // false when the copy knows that nothing is at destination
};

// The workers of one copy: a few threads take files from a bounded queue, write each under
// its temporary name and hand it to the batches, which make it durable and put it in place.
// The walk's thread fills the queue and reports progress while it waits. A file or folder
// that fails is noted and skipped; only a failure that is not a run-time error stops
// everything.
class CopyWorkers
{
public:
    CopyWorkers(CopyPrimitives& primitives, const CopyProgressCallback& progress,
                const CopyOptions& options);
    ~CopyWorkers();
    CopyWorkers(const CopyWorkers&) = delete;
    CopyWorkers& operator=(const CopyWorkers&) = delete;

    // Queues a file; waits while the queue is full. A file that would replace a copy is held
    // back instead when the options say so. On the walk's thread.
    void add(FileJob job);
    // The files held back, by their paths below the copy's source, and how many files had a
    // copy (up to date, or to be replaced). After finish().
    std::vector<std::string> takeHeld() { return std::move(m_held); }
    std::uint64_t copies() const { return m_upToDate + m_changed; }
    // The last progress reported.
    CopyProgress totals() const
    {
        return CopyProgress{m_files.load(), m_bytes.load(), m_upToDate, m_changed, 0, {}};
    }
    // Counts a file left alone because its copy is up to date. On the walk's thread.
    void upToDate() { ++m_upToDate; }
    // Notes an entry of the source left out on purpose. On the walk's thread.
    void note(CopyNote note) { m_notes.push_back(std::move(note)); }
    // Notes an entry that failed; any thread.
    void fail(const std::string& relative, const RuntimeError& error, bool refusedByFlags = false);
    // Stops the copy for a failure that is not a run-time error.
    void failFatally(std::exception_ptr error);
    bool stopped() const { return m_stop; }
    // Reports progress when it is due. On the walk's thread.
    void reportIfDue();
    // Waits until every queued file is in place or has failed, then calls whenPlaced (which
    // may fail entries) unless the copy was stopped, and ends the threads. Throws the fatal
    // failure, or a FolderCopyError when an entry failed.
    void finish(const std::function<void()>& whenPlaced = {});

private:
    // Waits on the walk's thread until done() or a fatal failure, reporting progress meanwhile.
    template <typename Condition> void waitFor(std::unique_lock<std::mutex>& lock, Condition done);
    void stopWorkers();
    void work();
    void copyOne(FileJob& job);
    void report();

    CopyPrimitives& m_primitives;
    const CopyProgressCallback& m_progress;
    CopyOptions m_options;

    std::mutex m_mutex;
    std::condition_variable m_jobReady;     // workers: a job was queued or the queue closed
    std::condition_variable m_stateChanged; // walk: the work drained or something failed
    std::deque<FileJob> m_queue;
    std::size_t m_busy = 0;
    bool m_walkWaits = false;
    bool m_closed = false;
    std::vector<CopyFailure> m_failures;
    std::exception_ptr m_fatal;
    std::atomic<bool> m_stop{false};
    std::vector<std::thread> m_workers;

    std::atomic<std::uint64_t> m_files{0};
    std::atomic<std::uint64_t> m_bytes{0};
    std::uint64_t m_upToDate = 0;
    std::uint64_t m_changed = 0;
    std::vector<std::string> m_held;
    std::vector<CopyNote> m_notes; // since the last report
    std::chrono::steady_clock::time_point m_lastReport;

    CopyBatches m_batches; // last: its thread ends before what it reports to goes
};

} // namespace tarnwell
