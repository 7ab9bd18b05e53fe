#include "copy/copybatches.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace tarnwell {

CopyBatches::CopyBatches(CopyPrimitives& primitives, const CopyOptions& options,
                         std::size_t fileLimit, PlacedCallback placed, FailedCallback failed,
                         DoneCallback batchDone)
    : m_primitives(primitives), m_options(options),
      m_fileLimit(std::max<std::size_t>(1, fileLimit)), m_placed(std::move(placed)),
      m_failed(std::move(failed)), m_batchDone(std::move(batchDone))
{
    if (!m_options.versionsFolder.empty())
        m_keeper.emplace(primitives, m_options.versionsBase, m_options.versionsFolder);
    m_flusher = std::thread([this] { flushLoop(); });
}

CopyBatches::~CopyBatches()
{
    abandon();
    finish();
}

bool CopyBatches::full() const
{
    return m_open.files.size() >= m_fileLimit || m_open.bytes >= m_options.batchBytes;
}

bool CopyBatches::ready() const
{
    return full() || m_open.files.size() >= m_options.readyFiles ||
           m_open.bytes >= m_options.readyBytes;
}

void CopyBatches::add(Written file)
{
    std::unique_lock lock(m_mutex);
    // The writers wait for the disk rather than pile up written files without end.
    m_batchTaken.wait(lock, [this] { return !full() || m_abandoned; });
    if (m_open.files.empty())
        m_open.started = std::chrono::steady_clock::now();
    m_open.bytes += file.bytes;
    m_open.files.push_back(std::move(file));
    // The flusher learns when the batch is due from its first file.
    if (m_open.files.size() == 1 || ready())
        m_batchReady.notify_one();
}

void CopyBatches::drain()
{
    {
        std::lock_guard lock(m_mutex);
        m_draining = true;
    }
    m_batchReady.notify_one();
}

bool CopyBatches::idle()
{
    std::lock_guard lock(m_mutex);
    return m_open.files.empty() && !m_flushing && m_renamed.empty();
}

void CopyBatches::abandon()
{
    {
        std::lock_guard lock(m_mutex);
        m_abandoned = true;
    }
    m_batchTaken.notify_all();
    m_batchReady.notify_all();
}

void CopyBatches::finish()
{
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_batchReady.notify_all();
    if (m_flusher.joinable())
        m_flusher.join();
    // Left only when the copy was abandoned: what was written replaces nothing.
    for (const Written& file : m_open.files)
        discard(file);
    m_open = Batch{};
}

void CopyBatches::flushLoop()
{
    for (;;) {
        Batch batch;
        {
            std::unique_lock lock(m_mutex);
            for (;;) {
                if (m_abandoned)
                    return;
                const bool ending = m_draining || m_finished;
                if (m_open.files.empty()) {
                    if (ending && !m_renamed.empty())
                        break;
                    if (m_finished)
                        return;
                    m_batchReady.wait(lock);
                    continue;
                }
                const auto due = m_open.started + m_options.batchInterval;
                if (ending || ready() || std::chrono::steady_clock::now() >= due)
                    break;
                m_batchReady.wait_until(lock, due);
            }
            batch = std::move(m_open);
            m_open = Batch{};
            m_flushing = true;
        }
        m_batchTaken.notify_all();
        try {
            flush(batch);
        } catch (const std::exception& error) {
            for (const Written& file : batch.files) {
                discard(file);
                m_failed(file, toRuntimeError(error));
            }
        }
        {
            std::lock_guard lock(m_mutex);
            m_flushing = false;
        }
        m_batchDone();
    }
}

void CopyBatches::flush(Batch& batch)
{
    std::vector<Written> before;
    {
        std::lock_guard lock(m_mutex);
        before.swap(m_renamed);
    }
    const std::vector<bool> kept = keepVersions(batch.files);
    const std::vector<std::string> versionFolders =
        m_keeper ? m_keeper->takeFoldersToFlush() : std::vector<std::string>{};
    // One flush puts this batch's data, its versions' names and the batch before's renames on
    // the disk.
    const FlushFailures failures = flushBoth(batch.files, before, versionFolders);
    const std::size_t renamedFolders = foldersOf(before).size();
    std::vector<FlushFailure> renameFailures;
    std::optional<RuntimeError> versionFailure;
    for (const FlushFailure& failure : failures.folders) {
        if (failure.index < renamedFolders)
            renameFailures.push_back(failure);
        else if (!versionFailure)
            versionFailure = failure.error;
    }
    settleRenames(before, renameFailures);

    // Data that may not be on the disk never replaces a good copy, nor does a copy whose
    // old one may not be among the versions.
    std::vector<bool> unflushed(batch.files.size(), false);
    for (const FlushFailure& failure : failures.files) {
        if (failure.index < batch.files.size() && !unflushed[failure.index]) {
            unflushed[failure.index] = true;
            discard(batch.files[failure.index]);
            m_failed(batch.files[failure.index], failure.error);
        }
    }
    for (std::size_t i = 0; versionFailure && i < batch.files.size(); ++i) {
        if (kept[i] && !unflushed[i]) {
            unflushed[i] = true;
            discard(batch.files[i]);
            m_failed(batch.files[i], *versionFailure);
        }
    }
    std::vector<Written> renamed;
    for (std::size_t i = 0; i < batch.files.size(); ++i) {
        if (unflushed[i])
            continue;
        Written& file = batch.files[i];
        try {
            m_primitives.replace(file.temp, file.destination);
        } catch (const RuntimeError& error) {
            discard(file);
            m_failed(file, error);
            continue;
        }
        renamed.push_back(std::move(file));
    }
    bool flushNow = false;
    {
        std::lock_guard lock(m_mutex);
        m_renamed.swap(renamed);
        // Nothing is coming whose flush would take these renames along: the copy is ending.
        flushNow = (m_draining || m_finished) && m_open.files.empty();
    }
    if (flushNow) {
        std::vector<Written> last;
        {
            std::lock_guard lock(m_mutex);
            last.swap(m_renamed);
        }
        settleRenames(last, flushBoth({}, last).folders);
    }
}

std::vector<bool> CopyBatches::keepVersions(std::vector<Written>& files)
{
    std::vector<bool> kept;
    if (!m_keeper)
        return std::vector<bool>(files.size(), false);
    std::vector<Written> left;
    left.reserve(files.size());
    for (Written& file : files) {
        bool keptNow = false;
        try {
            keptNow = file.replacing && m_keeper->keep(file.destination, file.relative);
        } catch (const RuntimeError& error) {
            // Without its old copy kept, the new copy replaces nothing.
            discard(file);
            m_failed(file, error);
            continue;
        }
        kept.push_back(keptNow);
        left.push_back(std::move(file));
    }
    files.swap(left);
    return kept;
}

FlushFailures CopyBatches::flushBoth(const std::vector<Written>& written,
                                     const std::vector<Written>& renamed,
                                     const std::vector<std::string>& extra)
{
    std::vector<std::string> temps;
    temps.reserve(written.size());
    for (const Written& file : written)
        temps.push_back(file.temp);
    std::vector<std::string> folders = foldersOf(renamed);
    folders.insert(folders.end(), extra.begin(), extra.end());
    if (temps.empty() && folders.empty())
        return {};
    try {
        return m_primitives.flush(temps, folders);
    } catch (const RuntimeError& error) {
        FlushFailures all;
        for (std::size_t i = 0; i < temps.size(); ++i)
            all.files.push_back({i, error});
        for (std::size_t i = 0; i < folders.size(); ++i)
            all.folders.push_back({i, error});
        return all;
    }
}

std::vector<std::string> CopyBatches::foldersOf(const std::vector<Written>& renamed)
{
    std::vector<std::string> folders;
    std::unordered_set<std::string> seen;
    for (const Written& file : renamed) {
        if (seen.insert(file.folder).second)
            folders.push_back(file.folder);
    }
    return folders;
}

void CopyBatches::settleRenames(const std::vector<Written>& renamed,
                                const std::vector<FlushFailure>& folderFailures)
{
    const std::vector<std::string> folders = foldersOf(renamed);
    std::unordered_map<std::string, const RuntimeError*> failed;
    for (const FlushFailure& failure : folderFailures) {
        if (failure.index < folders.size())
            failed.emplace(folders[failure.index], &failure.error);
    }
    for (const Written& file : renamed) {
        // The new copy is in place but may not stay there: it is copied again.
        if (const auto found = failed.find(file.folder); found != failed.end())
            m_failed(file, RuntimeError(*found->second).concerning(file.folder));
        else
            m_placed(file);
    }
}

void CopyBatches::discard(const Written& file)
{
    try {
        m_primitives.discard(file.temp);
    } catch (const RuntimeError&) {
        // A leftover the next copy into this folder removes.
    }
}

} // namespace tarnwell
