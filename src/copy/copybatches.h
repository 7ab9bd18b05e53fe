#pragma once

#include "copy/foldercopy.h"
#include "platform/error.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarnwell {

// The last stage of the folder copy: files written under temporary names are gathered in
// batches, and one thread of its own flushes each batch, renames its files over the old copies
// and flushes their folders, while the writers go on with the next files. A batch whose flush
// fails replaces nothing.
class CopyBatches
{
public:
    struct Written
    {
        std::string temp;
        std::string destination;
        std::string folder;   // destination's folder
        std::string relative; // the entry's path below the copy's source
        std::uint64_t bytes = 0;
    };
    // Called on the flushing thread: a file put in place, or one that failed.
    using PlacedCallback = std::function<void(const Written&)>;
    using FailedCallback = std::function<void(const Written&, const RuntimeError&)>;
    // Called on the flushing thread after each batch, when idle() may have changed.
    using DoneCallback = std::function<void()>;

    CopyBatches(CopyPrimitives& primitives, const CopyOptions& options, PlacedCallback placed,
                FailedCallback failed, DoneCallback batchDone);
    ~CopyBatches();
    CopyBatches(const CopyBatches&) = delete;
    CopyBatches& operator=(const CopyBatches&) = delete;

    // Adds a written file (any thread); waits while too many sealed batches wait for the disk.
    void add(Written file);
    // Hands over what has been gathered, full or not.
    void seal();
    // True when nothing is gathered, waiting or being flushed.
    bool idle();
    // Wakes the callers of add() and flushes nothing more; what is left replaces nothing.
    void abandon();
    // Ends the flushing thread after the waiting batches (or at once when abandoned), then
    // discards whatever was not put in place.
    void finish();

private:
    struct Batch
    {
        std::vector<Written> files;
        std::uint64_t bytes = 0;
    };

    void sealLocked(std::unique_lock<std::mutex>& lock);
    void flushLoop();
    void flush(const Batch& batch);
    void discard(const Written& file);

    CopyPrimitives& m_primitives;
    const CopyOptions& m_options;
    PlacedCallback m_placed;
    FailedCallback m_failed;
    DoneCallback m_batchDone;

    std::mutex m_mutex;
    std::condition_variable m_batchReady; // the flusher: a batch was sealed or the copy ended
    std::condition_variable m_batchTaken; // writers: the flusher took a batch
    Batch m_open;
    std::deque<Batch> m_sealed;
    bool m_flushing = false;
    bool m_finished = false;
    bool m_abandoned = false;
    std::thread m_flusher;
};

} // namespace tarnwell
