#pragma once

#include "copy/foldercopy.h"
#include "copy/versionkeeper.h"
#include "platform/error.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tarnwell {

// The last stage of the folder copy: files written under temporary names are gathered in
// batches, and one thread of its own flushes each batch, renames its files over the old copies
// and flushes their folders, while the writers go on with the next files. The renames of a
// batch are flushed after the data of the next batch, whose flush has by then put them on the
// disk as well, so that a batch costs the disk one flush rather than two. A file whose data
// may not be on the disk replaces nothing. Where old copies are kept, each is kept before that
// flush, which then also puts the versions' new names on the disk: no extra flush.
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
        bool replacing = true; // an old copy may be at destination
    };
    // Called on the flushing thread: a file put in place, or one that failed.
    using PlacedCallback = std::function<void(const Written&)>;
    using FailedCallback = std::function<void(const Written&, const RuntimeError&)>;
    // Called on the flushing thread after each batch, when idle() may have changed.
    using DoneCallback = std::function<void()>;

    // At most fileLimit written files are gathered while another batch is flushed.
    CopyBatches(CopyPrimitives& primitives, const CopyOptions& options, std::size_t fileLimit,
                PlacedCallback placed, FailedCallback failed, DoneCallback batchDone);
    ~CopyBatches();
    CopyBatches(const CopyBatches&) = delete;
    CopyBatches& operator=(const CopyBatches&) = delete;

    // Adds a written file (any thread); waits while a full batch waits for the disk.
    void add(Written file);
    // No more files for now: what has been gathered is flushed and put in place at once.
    void drain();
    // True when nothing is gathered, being flushed or waiting for its folder flush.
    bool idle();
    // Wakes the callers of add() and flushes nothing more; what is left replaces nothing.
    void abandon();
    // Ends the flushing thread after the gathered files (or at once when abandoned), then
    // discards whatever was not put in place.
    void finish();

private:
    struct Batch
    {
        std::vector<Written> files;
        std::uint64_t bytes = 0;
        std::chrono::steady_clock::time_point started;
    };

    bool full() const;
    bool ready() const;
    void flushLoop();
    void flush(Batch& batch);
    // Flushes the data of written, the renames of renamed and the folders in extra in one go;
    // the folder failures count the folders of renamed first.
    FlushFailures flushBoth(const std::vector<Written>& written,
                            const std::vector<Written>& renamed,
                            const std::vector<std::string>& extra = {});
    // Keeps the old copies of the batch's files; those that fail are taken out of it. Which
    // files kept one, in the order they are left.
    std::vector<bool> keepVersions(std::vector<Written>& files);
    static std::vector<std::string> foldersOf(const std::vector<Written>& renamed);
    // Reports each renamed file as placed, or as failed where its folder's flush failed.
    void settleRenames(const std::vector<Written>& renamed,
                       const std::vector<FlushFailure>& folderFailures);
    void discard(const Written& file);

    CopyPrimitives& m_primitives;
    const CopyOptions& m_options;
    std::size_t m_fileLimit;
    PlacedCallback m_placed;
    FailedCallback m_failed;
    DoneCallback m_batchDone;
    std::optional<VersionKeeper> m_keeper;

    std::mutex m_mutex;
    std::condition_variable m_batchReady; // the flusher: files arrived, or a change of state
    std::condition_variable m_batchTaken; // writers: the flusher took the gathered batch
    Batch m_open;
    std::vector<Written> m_renamed; // in place, their folders not flushed yet
    bool m_flushing = false;
    bool m_draining = false;
    bool m_finished = false;
    bool m_abandoned = false;
    std::thread m_flusher;
};

} // namespace tarnwell
