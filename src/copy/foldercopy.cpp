#include "copy/foldercopy.h"

#include "copy/copybatches.h"
#include "platform/error.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <random>
#include <thread>

namespace tarnwell {

namespace {

constexpr std::string_view kTempPrefix = ".tarnwell-";
constexpr std::string_view kTempSuffix = ".tmp";
constexpr std::size_t kTempDigits = 16;

struct FileJob
{
    std::string source;
    std::string temp;
    std::string destination;
    std::string folder;   // destination's folder
    std::string relative; // source's path below the copy's source, for the failure list
};

// One copy: the calling thread walks the source tree one folder at a time and hands files to
// a few workers through a bounded queue; the workers write each file under a temporary name
// and hand it to the batches, which make it durable and put it in place. The calling thread
// reports progress while it walks and waits. A file or folder that fails is noted and skipped;
// only a failure that is not a run-time error stops everything.
class CopyRun
{
public:
    CopyRun(CopyPrimitives& primitives, const CopyProgressCallback& progress,
            const CopyOptions& options);
    ~CopyRun();
    CopyRun(const CopyRun&) = delete;
    CopyRun& operator=(const CopyRun&) = delete;

    void run(const std::string& source, const std::string& destination,
             const std::vector<std::string>& only, const std::vector<std::string>& avoid);

private:
    void copyAgain(const std::string& source, const std::string& destination,
                   const std::string& relative);
    void copyContents(const std::string& source, const std::string& destination,
                      const std::string& relative);
    void enterFolder(const std::string& source, const std::string& destination,
                     const std::string& relative);
    void removeStaleTemps(const std::string& folder);
    void enqueue(const std::string& source, const std::string& destination,
                 const std::string& folder, const std::string& relative);
    void waitUntilDone();
    // Waits on the walk's thread until done() or a fatal failure, reporting progress meanwhile.
    template <typename Condition> void waitFor(std::unique_lock<std::mutex>& lock, Condition done);
    void stopWorkers();

    void work();
    void copyOne(const FileJob& job);

    void fail(const std::string& relative, const RuntimeError& error);
    void failFatally(std::exception_ptr error);
    void reportIfDue();
    void report();
    std::string join(const std::string& folder, const std::string& name) const;

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
    std::chrono::steady_clock::time_point m_lastReport;

    std::vector<FolderId> m_openFolders; // the source folders on the current path
    std::vector<FolderId> m_avoided;     // the destination and the folders never to enter
    std::vector<std::string> m_skippedTemps;
    std::uint64_t m_nextTemp = 0;

    CopyBatches m_batches; // last: its thread ends before what it reports to goes
};

CopyRun::CopyRun(CopyPrimitives& primitives, const CopyProgressCallback& progress,
                 const CopyOptions& options)
    : m_primitives(primitives), m_progress(progress), m_options(options),
      m_batches(
          primitives, m_options,
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
    m_options.batchFiles = std::max<std::size_t>(1, m_options.batchFiles);
    std::random_device entropy;
    m_nextTemp = (std::uint64_t{entropy()} << 32) ^ entropy();
}

CopyRun::~CopyRun()
{
    stopWorkers();
}

void CopyRun::run(const std::string& source, const std::string& destination,
                  const std::vector<std::string>& only, const std::vector<std::string>& avoid)
{
    // Without both ends there is nothing to copy at all: that fails at once.
    const FolderId sourceId = m_primitives.folderId(source);
    const FolderId destinationId = m_primitives.folderId(destination);
    m_avoided.push_back(destinationId);
    for (const std::string& folder : avoid) {
        try {
            m_avoided.push_back(m_primitives.folderId(folder));
        } catch (const RuntimeError&) {
            // Not there, so not in the source either.
        }
    }
    m_lastReport = std::chrono::steady_clock::now();
    for (int i = 0; i < m_options.workers; ++i)
        m_workers.emplace_back([this] { work(); });
    try {
        // A folder copied onto itself has nothing to gain.
        if (!(sourceId == destinationId)) {
            m_openFolders.push_back(sourceId);
            if (only.empty()) {
                removeStaleTemps(destination);
                copyContents(source, destination, {});
            }
            for (const std::string& relative : only)
                copyAgain(source, destination, relative);
        }
        waitUntilDone();
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

void CopyRun::copyAgain(const std::string& source, const std::string& destination,
                        const std::string& relative)
{
    if (relative.empty()) {
        removeStaleTemps(destination);
        copyContents(source, destination, {});
        return;
    }
    const std::string from = join(source, relative);
    const std::string to = join(destination, relative);
    bool isFolder = true;
    try {
        m_primitives.folderId(from);
    } catch (const RuntimeError&) {
        isFolder = false; // a file, or gone: copying it says which
    }
    if (isFolder) {
        enterFolder(from, to, relative);
    } else {
        const bool windows = m_primitives.pathStyle() == PathStyle::Windows;
        enqueue(from, to, to.substr(0, to.find_last_of(windows ? "\\/" : "/")), relative);
    }
}

void CopyRun::copyContents(const std::string& source, const std::string& destination,
                           const std::string& relative)
{
    std::vector<std::string> subfolders;
    {
        // Only this folder's listing is held; files go to the workers as they come.
        std::vector<FolderEntry> entries;
        try {
            entries = m_primitives.listFolder(source);
        } catch (RuntimeError& error) {
            fail(relative, error.concerning(source));
            return;
        }
        for (FolderEntry& entry : entries) {
            if (m_stop)
                return;
            if (entry.type == FolderEntry::Type::Folder) {
                subfolders.push_back(std::move(entry.name));
            } else if (entry.type == FolderEntry::Type::File && isCopyTempName(entry.name)) {
                m_skippedTemps.push_back(join(source, entry.name));
            } else if (entry.type == FolderEntry::Type::File) {
                enqueue(join(source, entry.name), join(destination, entry.name), destination,
                        relative.empty() ? entry.name : join(relative, entry.name));
            }
            reportIfDue();
        }
    }
    for (const std::string& name : subfolders) {
        if (m_stop)
            return;
        enterFolder(join(source, name), join(destination, name),
                    relative.empty() ? name : join(relative, name));
    }
}

void CopyRun::enterFolder(const std::string& source, const std::string& destination,
                          const std::string& relative)
{
    FolderId id;
    try {
        id = m_primitives.folderId(source);
    } catch (RuntimeError& error) {
        fail(relative, error.concerning(source));
        return;
    }
    // A link back to a folder on the current path would never end; a destination inside the
    // source would copy the copy.
    if (std::find(m_avoided.begin(), m_avoided.end(), id) != m_avoided.end() ||
        std::find(m_openFolders.begin(), m_openFolders.end(), id) != m_openFolders.end())
        return;
    try {
        if (!m_primitives.makeFolder(destination))
            removeStaleTemps(destination);
    } catch (RuntimeError& error) {
        fail(relative, error.concerning(destination));
        return;
    }
    m_openFolders.push_back(id);
    copyContents(source, destination, relative);
    m_openFolders.pop_back();
}

void CopyRun::removeStaleTemps(const std::string& folder)
{
    // Housekeeping only: a folder that cannot be listed here shows its trouble when its files
    // are written.
    try {
        for (const FolderEntry& entry : m_primitives.listFolder(folder)) {
            if (entry.type != FolderEntry::Type::Folder && isCopyTempName(entry.name))
                m_primitives.removeStaleTemp(join(folder, entry.name));
        }
    } catch (const RuntimeError&) {
    }
}

void CopyRun::enqueue(const std::string& source, const std::string& destination,
                      const std::string& folder, const std::string& relative)
{
    FileJob job{source, join(folder, copyTempName(m_nextTemp++)), destination, folder, relative};
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

void CopyRun::waitUntilDone()
{
    std::unique_lock lock(m_mutex);
    waitFor(lock, [this] { return m_queue.empty() && m_busy == 0 && m_batches.idle(); });
}

template <typename Condition>
void CopyRun::waitFor(std::unique_lock<std::mutex>& lock, Condition done)
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

void CopyRun::stopWorkers()
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

void CopyRun::work()
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
        bool runDry = false;
        {
            std::lock_guard lock(m_mutex);
            --m_busy;
            runDry = m_queue.empty() && m_busy == 0;
            wakeWalk = m_walkWaits && runDry;
        }
        // Nothing more to copy for now: what was gathered is flushed rather than kept waiting
        // for the walk.
        if (runDry)
            m_batches.seal();
        if (wakeWalk)
            m_stateChanged.notify_one();
    }
}

void CopyRun::copyOne(const FileJob& job)
{
    std::uint64_t bytes = 0;
    try {
        // Replacing by rename would pass over a read-only copy; it must refuse like an
        // overwrite.
        if (m_primitives.isReadOnlyFile(job.destination)) {
            RuntimeError denied(ErrorNumber::PermissionDenied);
            throw denied.concerning(job.destination);
        }
        bytes = m_primitives.copyToTemp(job.source, job.temp, job.destination);
    } catch (RuntimeError& error) {
        fail(job.relative, error.concerning(job.source));
        return;
    } catch (...) {
        failFatally(std::current_exception());
        return;
    }
    m_batches.add({job.temp, job.destination, job.folder, job.relative, bytes});
}

void CopyRun::fail(const std::string& relative, const RuntimeError& error)
{
    std::lock_guard lock(m_mutex);
    m_failures.push_back({relative, error});
}

void CopyRun::failFatally(std::exception_ptr error)
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

void CopyRun::reportIfDue()
{
    if (std::chrono::steady_clock::now() - m_lastReport >= m_options.progressInterval)
        report();
}

void CopyRun::report()
{
    m_lastReport = std::chrono::steady_clock::now();
    if (m_progress)
        m_progress(CopyProgress{m_files.load(), m_bytes.load(), m_skippedTemps});
}

std::string CopyRun::join(const std::string& folder, const std::string& name) const
{
    return joinPath(m_primitives.pathStyle(), folder, name);
}

} // namespace

void copyFolderTree(CopyPrimitives& primitives, const std::string& source,
                    const std::string& destination, const CopyProgressCallback& progress,
                    const CopyOptions& options, const std::vector<std::string>& only,
                    const std::vector<std::string>& avoid)
{
    CopyRun(primitives, progress, options).run(source, destination, only, avoid);
}

std::vector<std::string> FolderCopyError::failedEntries() const
{
    std::vector<std::string> entries;
    for (const CopyFailure& failure : m_failures)
        entries.push_back(failure.entry);
    return entries;
}

std::string copyTempName(std::uint64_t unique)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string name(kTempPrefix);
    for (int shift = 60; shift >= 0; shift -= 4)
        name += kDigits[(unique >> shift) & 0xF];
    name += kTempSuffix;
    return name;
}

bool isCopyTempName(std::string_view name)
{
    if (name.size() != kTempPrefix.size() + kTempDigits + kTempSuffix.size() ||
        !name.starts_with(kTempPrefix) || !name.ends_with(kTempSuffix))
        return false;
    const std::string_view digits = name.substr(kTempPrefix.size(), kTempDigits);
    return std::all_of(digits.begin(), digits.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

} // namespace tarnwell
