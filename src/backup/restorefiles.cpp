#include "backup/restorefiles.h"

#include "backup/backuppaths.h"
#include "copy/foldercopy.h"
#include "platform/error.h"

#include <random>
#include <set>

namespace tarnwell {

namespace {

// Files written under temporary names are put on the disk together, then renamed.
constexpr std::size_t kBatchFiles = 32;

class Restorer
{
public:
    Restorer(CopyPrimitives& primitives, RestoreReport& report, bool overwrite)
        : m_primitives(primitives), m_style(primitives.pathStyle()), m_report(report),
          m_overwrite(overwrite)
    {
        std::random_device entropy;
        m_nextTemp = (std::uint64_t{entropy()} << 32) ^ entropy();
    }

    void restore(const KeptFile& content, const std::string& to, const std::string& relative)
    {
        const SplitPath names = splitPath(m_style, relative);
        std::string folder = to;
        for (std::size_t i = 0; i + 1 < names.components.size(); ++i)
            folder = joinPath(m_style, folder, names.components[i]);
        const std::string destination = joinPath(m_style, folder, names.components.back());
        try {
            enterFolder(to, folder, names.components);
        } catch (RuntimeError& error) {
            m_report.failed.push_back(destination + ": " + errorReportWithPath(error));
            return;
        }
        const bool there = m_names.count(nameKey(m_style, names.components.back())) > 0;
        if (there && !m_overwrite) {
            m_report.existing.push_back(destination);
            return;
        }
        const std::string temp = joinPath(m_style, folder, copyTempName(m_nextTemp++));
        try {
            const std::uint64_t bytes =
                m_primitives.copyToTemp(content.path, temp, destination, there);
            m_batch.push_back({temp, destination, bytes});
        } catch (RuntimeError& error) {
            m_report.failed.push_back(destination + ": " + errorReportWithPath(error));
            return;
        }
        if (m_batch.size() >= kBatchFiles)
            finishBatch();
    }

    // Puts the batch on the disk and in place, then makes the renames durable.
    void finishBatch()
    {
        if (m_batch.empty())
            return;
        std::vector<std::string> temps;
        for (const Pending& pending : m_batch)
            temps.push_back(pending.temp);
        FlushFailures failures = m_primitives.flush(temps, {});
        std::set<std::size_t> unflushed;
        for (const FlushFailure& failure : failures.files) {
            unflushed.insert(failure.index);
            m_report.failed.push_back(m_batch[failure.index].destination + ": " +
                                      errorReportWithPath(failure.error));
        }
        for (std::size_t i = 0; i < m_batch.size(); ++i) {
            const Pending& pending = m_batch[i];
            try {
                if (unflushed.count(i)) {
                    m_primitives.discard(pending.temp);
                    continue;
                }
                m_primitives.replace(pending.temp, pending.destination);
                m_report.written.push_back(pending.destination);
                m_report.bytes += pending.bytes;
                m_folders.insert(folderOf(pending.destination));
            } catch (RuntimeError& error) {
                m_report.failed.push_back(pending.destination + ": " + errorReportWithPath(error));
                try {
                    m_primitives.discard(pending.temp);
                } catch (const RuntimeError&) {
                }
            }
        }
        m_batch.clear();
        const std::vector<std::string> folders(m_folders.begin(), m_folders.end());
        m_folders.clear();
        for (const FlushFailure& failure : m_primitives.flush({}, folders).folders)
            m_report.failed.push_back(folders[failure.index] + ": " +
                                      errorReportWithPath(failure.error));
    }

private:
    struct Pending
    {
        std::string temp;
        std::string destination;
        std::uint64_t bytes;
    };

    // Makes the folders down to folder and learns which names it holds.
    void enterFolder(const std::string& to, const std::string& folder,
                     const std::vector<std::string>& names)
    {
        if (folder == m_folder)
            return;
        m_folder.clear();
        m_names.clear();
        std::string path = to;
        bool made = false;
        for (std::size_t i = 0; i + 1 < names.size(); ++i) {
            path = joinPath(m_style, path, names[i]);
            made = m_primitives.makeFolder(path).created;
        }
        if (!made) {
            for (const FolderEntry& entry : m_primitives.listFolder(folder, false))
                m_names.insert(nameKey(m_style, entry.name));
        }
        m_folder = folder;
    }

    std::string folderOf(const std::string& path) const
    {
        const std::size_t end = path.find_last_of(m_style == PathStyle::Windows ? "\\/" : "/");
        return path.substr(0, end == 0 ? 1 : end);
    }

    CopyPrimitives& m_primitives;
    PathStyle m_style;
    RestoreReport& m_report;
    bool m_overwrite;
    std::uint64_t m_nextTemp = 0;
    std::string m_folder;          // the folder whose names are known
    std::set<std::string> m_names; // its names, as nameKey gives them
    std::vector<Pending> m_batch;
    std::set<std::string> m_folders; // where the batch renamed files
};

} // namespace

RestoreReport restoreFiles(CopyPrimitives& primitives, const Clock& clock,
                           const std::vector<FileHistory>& files,
                           const std::optional<LocalDateTime>& asOf, const std::string& to,
                           bool overwrite)
{
    RestoreReport report;
    primitives.makeFolder(to);
    Restorer restorer(primitives, report, overwrite);
    for (const FileHistory& file : files) {
        const KeptFile* content = contentAsOf(file, asOf, clock);
        if (content)
            restorer.restore(*content, to, file.relative);
        else
            ++report.absent;
    }
    restorer.finishBatch();
    return report;
}

} // namespace tarnwell
