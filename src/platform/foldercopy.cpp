#include "platform/foldercopy.h"

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
};

// One copy: the calling thread walks the source tree one folder at a time and hands files to
// a few workers through a bounded queue; it reports progress while it walks and waits.
class CopyRun
{
  public:
    CopyRun(CopyPrimitives& primitives, const CopyProgressCallback& progress,
            const CopyOptions& options);
    ~CopyRun();
    CopyRun(const CopyRun&) = delete;
    CopyRun& operator=(const CopyRun&) = delete;

    void run(const std::string& source, const std::string& destination);

  private:
    void copyContents(const std::string& source, const std::string& destination);
    void enterFolder(const std::string& source, const std::string& destination);
    void removeStaleTemps(const std::string& folder);
    void enqueue(FileJob job);
    void waitUntilDone();
    void stopWorkers();
    void work();
    void copyOne(const FileJob& job);
    void recordFailure(std::exception_ptr error);
    void reportIfDue();
    void report();
    std::string join(const std::string& folder, const std::string& name) const;

    CopyPrimitives& m_primitives;
    const CopyProgressCallback& m_progress;
    CopyOptions m_options;

    std::mutex m_mutex;
    std::condition_variable m_jobReady;     // workers: a job was queued or the queue closed
    std::condition_variable m_stateChanged; // walker: a job finished or something failed
    std::deque<FileJob> m_queue;
    std::size_t m_busy = 0;
    bool m_closed = false;
    std::exception_ptr m_error;
    std::atomic<bool> m_failed{false};
    std::vector<std::thread> m_workers;

    std::atomic<std::uint64_t> m_files{0};
    std::atomic<std::uint64_t> m_bytes{0};
    std::chrono::steady_clock::time_point m_lastReport;

    std::vector<FolderId> m_openFolders; // the source folders on the current path
    FolderId m_destinationId;
    std::uint64_t m_nextTemp = 0;
};

CopyRun::CopyRun(CopyPrimitives& primitives, const CopyProgressCallback& progress,
                 const CopyOptions& options)
    : m_primitives(primitives), m_progress(progress), m_options(options)
{
    m_options.workers = std::max(1, m_options.workers);
    m_options.queueLimit = std::max<std::size_t>(1, m_options.queueLimit);
    std::random_device entropy;
    m_nextTemp = (std::uint64_t{entropy()} << 32) ^ entropy();
}

CopyRun::~CopyRun()
{
    stopWorkers();
}

void CopyRun::run(const std::string& source, const std::string& destination)
{
    const FolderId sourceId = m_primitives.folderId(source);
    m_destinationId = m_primitives.folderId(destination);
    m_lastReport = std::chrono::steady_clock::now();
    for (int i = 0; i < m_options.workers; ++i)
        m_workers.emplace_back([this] { work(); });
    try {
        // A folder copied onto itself has nothing to gain.
        if (!(sourceId == m_destinationId)) {
            removeStaleTemps(destination);
            m_openFolders.push_back(sourceId);
            copyContents(source, destination);
        }
        waitUntilDone();
    } catch (...) {
        recordFailure(std::current_exception());
    }
    stopWorkers();
    if (m_error)
        std::rethrow_exception(m_error);
    report();
}

void CopyRun::copyContents(const std::string& source, const std::string& destination)
{
    std::vector<std::string> subfolders;
    {
        // Only this folder's listing is held; files go to the workers as they come.
        std::vector<FolderEntry> entries = m_primitives.listFolder(source);
        for (FolderEntry& entry : entries) {
            if (m_failed)
                return;
            if (entry.type == FolderEntry::Type::Folder) {
                subfolders.push_back(std::move(entry.name));
            } else if (entry.type == FolderEntry::Type::File && !isCopyTempName(entry.name)) {
                enqueue({join(source, entry.name), join(destination, copyTempName(m_nextTemp++)),
                         join(destination, entry.name)});
            }
            reportIfDue();
        }
    }
    for (const std::string& name : subfolders) {
        if (m_failed)
            return;
        enterFolder(join(source, name), join(destination, name));
    }
}

void CopyRun::enterFolder(const std::string& source, const std::string& destination)
{
    const FolderId id = m_primitives.folderId(source);
    // A link back to a folder on the current path would never end; the destination inside
    // the source would copy the copy.
    if (id == m_destinationId ||
        std::find(m_openFolders.begin(), m_openFolders.end(), id) != m_openFolders.end())
        return;
    if (!m_primitives.makeFolder(destination))
        removeStaleTemps(destination);
    m_openFolders.push_back(id);
    copyContents(source, destination);
    m_openFolders.pop_back();
}

void CopyRun::removeStaleTemps(const std::string& folder)
{
    for (const FolderEntry& entry : m_primitives.listFolder(folder)) {
        if (entry.type != FolderEntry::Type::Folder && isCopyTempName(entry.name))
            m_primitives.removeFile(join(folder, entry.name));
    }
}

void CopyRun::enqueue(FileJob job)
{
    std::unique_lock lock(m_mutex);
    while (m_queue.size() >= m_options.queueLimit && !m_failed) {
        m_stateChanged.wait_for(lock, m_options.progressInterval);
        lock.unlock();
        reportIfDue();
        lock.lock();
    }
    if (m_failed)
        return;
    m_queue.push_back(std::move(job));
    lock.unlock();
    m_jobReady.notify_one();
}

void CopyRun::waitUntilDone()
{
    std::unique_lock lock(m_mutex);
    while ((!m_queue.empty() || m_busy > 0) && !m_failed) {
        m_stateChanged.wait_for(lock, m_options.progressInterval);
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
        {
            std::unique_lock lock(m_mutex);
            m_jobReady.wait(lock, [this] { return !m_queue.empty() || m_closed; });
            if (m_queue.empty())
                return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
            ++m_busy;
        }
        if (!m_failed) {
            try {
                copyOne(job);
            } catch (...) {
                recordFailure(std::current_exception());
            }
        }
        {
            std::lock_guard lock(m_mutex);
            --m_busy;
        }
        m_stateChanged.notify_all();
    }
}

void CopyRun::copyOne(const FileJob& job)
{
    // Replacing by rename would pass over a read-only copy; it must refuse like an overwrite.
    if (m_primitives.isReadOnlyFile(job.destination))
        throw RuntimeError(ErrorNumber::PermissionDenied);
    const std::uint64_t bytes = m_primitives.copyFile(job.source, job.temp, job.destination);
    m_bytes += bytes;
    ++m_files;
}

void CopyRun::recordFailure(std::exception_ptr error)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_error)
            m_error = std::move(error);
        m_failed = true;
    }
    m_stateChanged.notify_all();
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
        m_progress(CopyProgress{m_files.load(), m_bytes.load()});
}

std::string CopyRun::join(const std::string& folder, const std::string& name) const
{
    return joinPath(m_primitives.pathStyle(), folder, name);
}

} // namespace

void copyFolderTree(CopyPrimitives& primitives, const std::string& source,
                    const std::string& destination, const CopyProgressCallback& progress,
                    const CopyOptions& options)
{
    CopyRun(primitives, progress, options).run(source, destination);
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
