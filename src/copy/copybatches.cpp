#include "copy/copybatches.h"

#include <algorithm>

namespace tarnwell {

CopyBatches::CopyBatches(CopyPrimitives& primitives, const CopyOptions& options,
                         PlacedCallback placed, FailedCallback failed, DoneCallback batchDone)
    : m_primitives(primitives), m_options(options), m_placed(std::move(placed)),
      m_failed(std::move(failed)), m_batchDone(std::move(batchDone))
{
    m_flusher = std::thread([this] { flushLoop(); });
}

CopyBatches::~CopyBatches()
{
    abandon();
    finish();
}

void CopyBatches::add(Written file)
{
    std::unique_lock lock(m_mutex);
    m_open.bytes += file.bytes;
    m_open.files.push_back(std::move(file));
    if (m_open.files.size() >= m_options.batchFiles || m_open.bytes >= m_options.batchBytes)
        sealLocked(lock);
}

void CopyBatches::seal()
{
    std::unique_lock lock(m_mutex);
    if (!m_open.files.empty())
        sealLocked(lock);
}

bool CopyBatches::idle()
{
    std::lock_guard lock(m_mutex);
    return m_open.files.empty() && m_sealed.empty() && !m_flushing;
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
    m_sealed.push_back(std::move(m_open));
    m_open = Batch{};
    for (const Batch& batch : m_sealed) {
        for (const Written& file : batch.files)
            discard(file);
    }
    m_sealed.clear();
}

void CopyBatches::sealLocked(std::unique_lock<std::mutex>& lock)
{
    m_sealed.push_back(std::move(m_open));
    m_open = Batch{};
    m_batchReady.notify_one();
    // The writers wait for the disk rather than pile up written files without end.
    m_batchTaken.wait(lock, [this] {
        return m_sealed.size() <= std::max<std::size_t>(1, m_options.batchesWaiting) || m_abandoned;
    });
}

void CopyBatches::flushLoop()
{
    for (;;) {
        Batch batch;
        {
            std::unique_lock lock(m_mutex);
            m_batchReady.wait(lock,
                              [this] { return !m_sealed.empty() || m_finished || m_abandoned; });
            if (m_sealed.empty() || m_abandoned)
                return;
            batch = std::move(m_sealed.front());
            m_sealed.pop_front();
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

void CopyBatches::flush(const Batch& batch)
{
    std::vector<std::string> temps;
    for (const Written& file : batch.files)
        temps.push_back(file.temp);
    try {
        m_primitives.flushFiles(temps);
    } catch (const RuntimeError& error) {
        // Data that may not be on the disk never replaces a good copy.
        for (const Written& file : batch.files) {
            discard(file);
            m_failed(file, error);
        }
        return;
    }
    std::vector<std::string> folders;
    std::vector<const Written*> placed;
    for (const Written& file : batch.files) {
        try {
            m_primitives.replace(file.temp, file.destination);
        } catch (const RuntimeError& error) {
            discard(file);
            m_failed(file, error);
            continue;
        }
        if (std::find(folders.begin(), folders.end(), file.folder) == folders.end())
            folders.push_back(file.folder);
        placed.push_back(&file);
    }
    try {
        if (!folders.empty())
            m_primitives.flushFolders(folders);
    } catch (const RuntimeError& error) {
        // The new copies are in place but may not stay there: they are copied again.
        for (const Written* file : placed)
            m_failed(*file, RuntimeError(error).concerning(file->folder));
        return;
    }
    for (const Written* file : placed)
        m_placed(*file);
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
