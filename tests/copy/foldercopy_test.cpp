// The copy engine's walk and worker pool, on scripted file operations.
#include "copy/foldercopy.h"
#include "platform/error.h"

#include <cctype>
#include <condition_variable>
#include <future>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace tarnwell {
namespace {

using ::testing::Contains;
using ::testing::Not;

// Folders and files by their "/" paths. A folder may be an alias of another (a link): it
// lists and identifies as that one.
class ScriptedPrimitives : public CopyPrimitives
{
public:
    void addFolder(const std::string& path, std::uint32_t flags = 0755)
    {
        std::lock_guard lock(m_mutex);
        m_folders[path] = FolderId{1, m_nextId++, flags};
        addToParent(path, FolderEntry::Type::Folder);
    }
    void addLink(const std::string& path, const std::string& target)
    {
        m_aliases[path] = target;
        addToParent(path, FolderEntry::Type::Folder, true);
    }
    void addFile(const std::string& path, const std::string& content)
    {
        m_files[path] = content;
        addToParent(path, FolderEntry::Type::File);
    }
    void failCopyOf(const std::string& path, int number) { m_copyFailures[path] = number; }
    void failListingOf(const std::string& path, int number) { m_listFailures[path] = number; }
    // Each listing takes this long; the most listings seen at once.
    void slowListings(std::chrono::milliseconds delay) { m_listingDelay = delay; }
    int listingsAtOnce() const { return m_mostListings; }
    void keepOnly(std::uint32_t flags) { m_kept.flags = flags; }
    void closeGate() { m_gateOpen = false; }
    void openGate()
    {
        {
            std::lock_guard lock(m_mutex);
            m_gateOpen = true;
        }
        m_gate.notify_all();
    }

    std::vector<std::string> listed() const
    {
        std::lock_guard lock(m_mutex);
        return m_listed;
    }
    std::vector<std::string> copied() const
    {
        std::lock_guard lock(m_mutex);
        return m_copied;
    }
    std::size_t copiesStarted() const
    {
        std::lock_guard lock(m_mutex);
        return m_started;
    }
    bool hasFile(const std::string& path) const
    {
        std::lock_guard lock(m_mutex);
        return m_files.count(path) > 0;
    }
    bool hasFolder(const std::string& path) const { return m_folders.count(path) > 0; }

    PathStyle pathStyle() const override { return PathStyle::Posix; }

    std::vector<FolderEntry> listFolder(const std::string& folder, bool) override
    {
        std::unique_lock lock(m_mutex);
        m_listed.push_back(folder);
        m_mostListings = std::max(m_mostListings, ++m_listings);
        lock.unlock();
        std::this_thread::sleep_for(m_listingDelay);
        lock.lock();
        --m_listings;
        if (auto failure = m_listFailures.find(folder); failure != m_listFailures.end())
            throw RuntimeError(failure->second);
        return m_entries[resolve(folder)];
    }
    FolderId folderId(const std::string& folder) override
    {
        std::lock_guard lock(m_mutex);
        auto it = m_folders.find(resolve(folder));
        if (it == m_folders.end())
            throw RuntimeError(ErrorNumber::PathNotFound);
        return it->second;
    }
    TargetKeeps targetKeeps(const std::string&, const std::string&) override { return m_kept; }
    std::size_t openTempLimit() override { return 1 << 16; }
    MadeFolder makeFolder(const std::string& path) override
    {
        if (auto it = m_folders.find(path); it != m_folders.end())
            return MadeFolder{false, it->second.flags};
        addFolder(path);
        return MadeFolder{true, 0755};
    }
    void setFolderFlags(const std::string& path, std::uint32_t flags) override
    {
        std::lock_guard lock(m_mutex);
        m_folders.at(path).flags = flags;
        m_log.push_back("flags " + path + " " + std::to_string(flags));
    }
    void removeStaleTemp(const std::string& path) override
    {
        std::lock_guard lock(m_mutex);
        m_files.erase(path);
    }
    bool isReadOnlyFile(const std::string&) override { return false; }
    std::uint64_t copyToTemp(const std::string& source, const std::string& temp,
                             const std::string& destination, bool) override
    {
        std::unique_lock lock(m_mutex);
        ++m_started;
        m_gate.wait(lock, [this] { return m_gateOpen; });
        EXPECT_EQ(temp.substr(0, temp.rfind('/')), destination.substr(0, destination.rfind('/')));
        EXPECT_TRUE(isCopyTempName(temp.substr(temp.rfind('/') + 1)));
        if (auto failure = m_copyFailures.find(source); failure != m_copyFailures.end())
            throw RuntimeError(failure->second);
        m_temps[temp] = {source, m_files.at(resolve(source))};
        m_log.push_back("write " + destination);
        return m_temps[temp].content.size();
    }
    FlushFailures flush(const std::vector<std::string>& temps,
                        const std::vector<std::string>& folders) override
    {
        std::unique_lock lock(m_mutex);
        m_flushGate.wait(lock, [this] { return m_flushGateOpen; });
        if (m_flushFailures > 0) {
            --m_flushFailures;
            throw RuntimeError(ErrorNumber::DeviceIo);
        }
        FlushFailures failures;
        for (std::size_t i = 0; i < temps.size(); ++i) {
            if (m_unflushable.count(m_temps.at(temps[i]).source))
                failures.files.push_back({i, RuntimeError(ErrorNumber::DeviceIo)});
            else
                m_log.push_back("flush " + temps[i]);
        }
        for (const std::string& folder : folders)
            m_log.push_back("flush folder " + folder);
        return failures;
    }
    void replace(const std::string& temp, const std::string& destination) override
    {
        std::lock_guard lock(m_mutex);
        const Written written = m_temps.at(temp);
        m_temps.erase(temp);
        m_files[destination] = written.content;
        m_copied.push_back(written.source);
        m_log.push_back("replace " + temp + " " + destination);
    }
    void discard(const std::string& temp) override
    {
        std::lock_guard lock(m_mutex);
        m_temps.erase(temp);
        m_log.push_back("discard " + temp);
    }
    Kept keepVersion(const std::string& copy, const std::string& version) override
    {
        std::lock_guard lock(m_mutex);
        if (!m_files.count(copy))
            return Kept::Nothing;
        m_files[version] = m_files[copy];
        m_log.push_back("keep " + version);
        return Kept::Linked;
    }
    void removeTree(const std::string&) override { ADD_FAILURE() << "nothing is removed"; }
    void failFlushes(int count) { m_flushFailures = count; }
    // The flush reports the data of this source's copy as not on the disk.
    void failFlushOf(const std::string& source) { m_unflushable.insert(source); }
    void closeFlushGate() { m_flushGateOpen = false; }
    void openFlushGate()
    {
        {
            std::lock_guard lock(m_mutex);
            m_flushGateOpen = true;
        }
        m_flushGate.notify_all();
    }
    // "write D", "flush T", "replace T D", "discard T", "flush folder F", in the order done.
    std::vector<std::string> log() const
    {
        std::lock_guard lock(m_mutex);
        return m_log;
    }
    std::size_t tempsLeft() const
    {
        std::lock_guard lock(m_mutex);
        return m_temps.size();
    }

private:
    std::string resolve(const std::string& path) const
    {
        // Replace the longest aliased prefix by its target.
        for (std::string prefix = path; !prefix.empty();
             prefix =
                 prefix.substr(0, prefix.rfind('/') == std::string::npos ? 0 : prefix.rfind('/'))) {
            if (auto it = m_aliases.find(prefix); it != m_aliases.end())
                return resolve(it->second + path.substr(prefix.size()));
        }
        return path;
    }
    void addToParent(const std::string& path, FolderEntry::Type type, bool link = false)
    {
        const auto slash = path.rfind('/');
        if (slash != std::string::npos)
            m_entries[path.substr(0, slash)].push_back({path.substr(slash + 1), type, link});
    }

    struct Written
    {
        std::string source;
        std::string content;
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_gate;
    bool m_gateOpen = true;
    std::condition_variable m_flushGate;
    bool m_flushGateOpen = true;
    int m_flushFailures = 0;
    std::set<std::string> m_unflushable;
    std::map<std::string, Written> m_temps;
    std::vector<std::string> m_log;
    std::map<std::string, FolderId> m_folders;
    std::map<std::string, std::string> m_aliases;
    std::map<std::string, std::vector<FolderEntry>> m_entries;
    std::map<std::string, std::string> m_files;
    std::map<std::string, int> m_copyFailures;
    std::map<std::string, int> m_listFailures;
    std::vector<std::string> m_listed;
    std::vector<std::string> m_copied;
    std::size_t m_started = 0;
    std::uint64_t m_nextId = 1;
    std::chrono::milliseconds m_listingDelay{0};
    int m_listings = 0;
    int m_mostListings = 0;
    TargetKeeps m_kept;
};

class CopyEngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fake.addFolder("src");
        fake.addFolder("dst");
    }
    void addFolderOfFiles(const std::string& folder, int count)
    {
        fake.addFolder(folder);
        for (int i = 0; i < count; ++i)
            fake.addFile(folder + "/" + std::to_string(i), std::string(i + 1, 'x'));
    }
    // The copy's error number (0: none); failed gets the entries it names.
    int copyError(const CopyOptions& options = {}, const CopyProgressCallback& progress = {},
                  const std::vector<std::string>& only = {})
    {
        failed.clear();
        try {
            copyFolderTree(fake, "src", "dst", progress, options, only);
        } catch (const FolderCopyError& error) {
            failed = error.failedEntries();
            return error.number();
        } catch (const RuntimeError& error) {
            return error.number();
        }
        return 0;
    }

    ScriptedPrimitives fake;
    std::vector<std::string> failed;
};

TEST_F(CopyEngineTest, CallerKeepsGettingProgressWhileWorkersAreBusy)
{
    addFolderOfFiles("src/First", 100);
    addFolderOfFiles("src/Second", 3);
    fake.closeGate();

    CopyOptions options;
    options.workers = 2;
    options.queueLimit = 4;
    options.listingsAhead = 0; // the walk's own listings alone
    options.progressInterval = std::chrono::milliseconds(5);
    const auto caller = std::this_thread::get_id();
    int calls = 0;
    bool secondListedWhileStuck = false;
    std::size_t startedWhileStuck = 0;
    CopyProgress last;
    // A safety net: without progress while stuck, the gate opens late and the checks fail.
    std::promise<void> finished;
    std::thread rescue([&, done = finished.get_future()] {
        if (done.wait_for(std::chrono::seconds(5)) == std::future_status::timeout)
            fake.openGate();
    });
    EXPECT_EQ(copyError(options,
                        [&](const CopyProgress& progress) {
                            EXPECT_EQ(std::this_thread::get_id(), caller);
                            last = progress;
                            if (++calls == 5) {
                                const auto listed = fake.listed();
                                secondListedWhileStuck = std::find(listed.begin(), listed.end(),
                                                                   "src/Second") != listed.end();
                                startedWhileStuck = fake.copiesStarted();
                                fake.openGate();
                            }
                        }),
              0);
    finished.set_value();
    rescue.join();
    EXPECT_GE(calls, 6) << "progress while stuck, and once at the end";
    // The walk waits for the workers instead of queueing the whole folder.
    EXPECT_FALSE(secondListedWhileStuck);
    EXPECT_EQ(startedWhileStuck, 2u);
    EXPECT_EQ(last.files, 103u);
    EXPECT_EQ(last.bytes, 100u * 101 / 2 + 6);
}

TEST_F(CopyEngineTest, FailingFilesAndFoldersAreSkippedAndCopiedAgainAlone)
{
    addFolderOfFiles("src/A", 20);
    addFolderOfFiles("src/A/Locked", 2);
    addFolderOfFiles("src/B", 20);
    fake.failCopyOf("src/A/3", ErrorNumber::DiskFull);
    fake.failCopyOf("src/B/7", ErrorNumber::PermissionDenied);
    fake.failListingOf("src/A/Locked", ErrorNumber::PermissionDenied);
    CopyOptions options;
    options.workers = 1;
    options.queueLimit = 1;

    EXPECT_EQ(copyError(options), ErrorNumber::DiskFull) << "the first failure's number";
    EXPECT_THAT(failed, ::testing::UnorderedElementsAre("A/3", "A/Locked", "B/7"));
    EXPECT_EQ(fake.copied().size(), 38u) << "everything else is copied";
    EXPECT_FALSE(fake.hasFile("dst/A/3"));
    EXPECT_TRUE(fake.hasFile("dst/B/19"));

    // The repeat, after the causes are gone.
    ScriptedPrimitives repeat;
    for (const char* folder : {"src", "dst", "src/A", "src/A/Locked", "src/B"})
        repeat.addFolder(folder);
    for (const char* file : {"src/A/3", "src/A/4", "src/A/Locked/0", "src/B/7"})
        repeat.addFile(file, "x");
    copyFolderTree(repeat, "src", "dst", {}, options, failed);
    EXPECT_THAT(repeat.copied(),
                ::testing::UnorderedElementsAre("src/A/3", "src/A/Locked/0", "src/B/7"))
        << "a repeat copies only what failed";
    EXPECT_TRUE(repeat.hasFile("dst/A/Locked/0"));
}

TEST_F(CopyEngineTest, NewCopiesReplaceOldOnesOnlyOnceFlushedAndFoldersAreFlushedAfter)
{
    addFolderOfFiles("src/A", 7);
    addFolderOfFiles("src/B", 5);
    fake.failFlushes(1);
    fake.failFlushOf("src/B/2"); // its own flush result counts, whatever the batch's
    CopyOptions options;
    options.batchFiles = 3;

    EXPECT_EQ(copyError(options), ErrorNumber::DeviceIo);
    EXPECT_THAT(failed, Contains("B/2"));
    const std::vector<std::string> log = fake.log();
    const auto discarded = std::count_if(log.begin(), log.end(), [](const std::string& line) {
        return line.rfind("discard ", 0) == 0;
    });
    EXPECT_EQ(failed.size(), static_cast<std::size_t>(discarded)) << "only the unflushed batch";
    EXPECT_GE(discarded, 1);
    EXPECT_EQ(fake.copied().size() + failed.size(), 12u);
    EXPECT_EQ(fake.tempsLeft(), 0u);
    std::set<std::string> flushed;
    std::map<std::string, std::size_t> lastRenameIn;
    for (std::size_t i = 0; i < log.size(); ++i) {
        const std::string& line = log[i];
        if (line.rfind("flush folder ", 0) == 0) {
            lastRenameIn.erase(line.substr(13));
        } else if (line.rfind("flush ", 0) == 0) {
            flushed.insert(line.substr(6));
        } else if (line.rfind("replace ", 0) == 0) {
            const std::string temp = line.substr(8, line.find(' ', 8) - 8);
            EXPECT_TRUE(flushed.count(temp)) << "renamed before its data was flushed: " << line;
            const std::string destination = line.substr(line.find(' ', 8) + 1);
            lastRenameIn[destination.substr(0, destination.rfind('/'))] = i;
        } else if (line.rfind("discard ", 0) == 0) {
            EXPECT_FALSE(flushed.count(line.substr(8))) << "a flushed copy thrown away";
        }
    }
    EXPECT_THAT(lastRenameIn, ::testing::IsEmpty()) << "renames never followed by a folder flush";
}

TEST_F(CopyEngineTest, OldCopiesAreKeptAndTheirNamesFlushedBeforeTheyAreReplaced)
{
    addFolderOfFiles("src/A", 4);
    addFolderOfFiles("dst/A", 2);
    fake.addFolder("v");
    CopyOptions options;
    options.everyFile = true;
    options.batchFiles = 3;
    options.versionsBase = "v";
    options.versionsFolder = "v/run";
    EXPECT_EQ(copyError(options), 0);
    const std::vector<std::string> log = fake.log();
    using Line = std::vector<std::string>::const_iterator;
    const auto after = [&](Line from, const std::string& start, const std::string& end = "") {
        return std::find_if(from, log.end(), [&](const std::string& line) {
            return line.starts_with(start) && line.ends_with(end);
        });
    };
    for (const std::string file : {"0", "1"}) {
        const Line kept = after(log.begin(), "keep v/run/A/" + file);
        EXPECT_LT(after(kept, "flush folder v/run/A"), after(kept, "replace ", " dst/A/" + file));
    }
}

TEST_F(CopyEngineTest, WorkersGoOnCopyingWhileABatchIsFlushed)
{
    addFolderOfFiles("src/A", 40);
    fake.closeFlushGate();
    CopyOptions options;
    options.batchFiles = 2;
    std::promise<void> finished;
    std::thread rescue([&, done = finished.get_future()] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (fake.copiesStarted() < 6 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_GE(fake.copiesStarted(), 6u) << "copying waited for the flush";
        EXPECT_LE(fake.copiesStarted(), 16u) << "written files pile up without bound";
        fake.openFlushGate();
        done.wait();
    });
    EXPECT_EQ(copyError(options), 0);
    finished.set_value();
    rescue.join();
    EXPECT_EQ(fake.copied().size(), 40u);
}

// A folder's copy gets its source's flags where the target keeps them, once its files are in
// place; the listings of the folders entered next are made ahead, several at once.
TEST_F(CopyEngineTest, FolderFlagsComeAfterTheFilesAndListingsAreMadeAhead)
{
    for (const std::uint32_t kept : {0777u, 0u}) {
        ScriptedPrimitives fake;
        fake.keepOnly(kept);
        for (const char* folder : {"src", "dst", "src/Private", "src/Sealed", "dst/Sealed"})
            fake.addFolder(folder, std::string(folder) == "src/Sealed" ? 0555 : 0755);
        fake.setFolderFlags("src/Private", 0700);
        fake.addFile("src/Private/a", "a");
        fake.addFile("src/Sealed/b", "b");
        for (int i = 0; i < 12; ++i)
            fake.addFolder("src/Open" + std::to_string(i));
        fake.slowListings(std::chrono::milliseconds(20));
        copyFolderTree(fake, "src", "dst", {});

        std::vector<std::string> order;
        for (const std::string& line : fake.log()) {
            if (line.starts_with("flags dst"))
                order.push_back(line);
            else if (line.starts_with("replace"))
                order.push_back("replace" + line.substr(line.rfind(' ')));
        }
        ASSERT_GE(order.size(), 2u);
        EXPECT_THAT(
            std::vector(order.begin(), order.begin() + 2),
            ::testing::UnorderedElementsAre("replace dst/Private/a", "replace dst/Sealed/b"));
        const std::vector<std::string> deepestFirst = {"flags dst/Sealed " + std::to_string(0555),
                                                       "flags dst/Private " + std::to_string(0700)};
        EXPECT_EQ(std::vector(order.begin() + 2, order.end()),
                  kept == 0 ? std::vector<std::string>{} : deepestFirst);
        EXPECT_GE(fake.listingsAtOnce(), 2);
        EXPECT_LE(fake.listingsAtOnce(), 1 + static_cast<int>(CopyOptions{}.listingsAhead));
    }
}

TEST_F(CopyEngineTest, LinkBackUpThePathIsNotEnteredButOtherLinksAreFollowed)
{
    addFolderOfFiles("src/a", 2);
    fake.addLink("src/a/up", "src");
    fake.addLink("src/a/self", "src/a");
    fake.addFolder("src/b");
    fake.addLink("src/b/toA", "src/a");

    EXPECT_EQ(copyError(), 0);
    EXPECT_TRUE(fake.hasFile("dst/a/1"));
    EXPECT_TRUE(fake.hasFile("dst/b/toA/1"));
    EXPECT_FALSE(fake.hasFolder("dst/a/up"));
    EXPECT_FALSE(fake.hasFolder("dst/a/self"));
    EXPECT_FALSE(fake.hasFolder("dst/b/toA/up"));
}

TEST_F(CopyEngineTest, DestinationReachedFromTheSourceIsSkipped)
{
    fake.addFile("src/f", "1");
    fake.addLink("src/mirror", "dst");
    EXPECT_EQ(copyError(), 0);
    EXPECT_TRUE(fake.hasFile("dst/f"));
    EXPECT_THAT(fake.listed(), Not(Contains("src/mirror")));
}

TEST_F(CopyEngineTest, MissingEndsFailBeforeAnythingIsCopied)
{
    fake.addFile("src/f", "1");
    EXPECT_THROW(copyFolderTree(fake, "nowhere", "dst", {}), RuntimeError);
    EXPECT_EQ(copyError(), 0);
    EXPECT_THROW(copyFolderTree(fake, "src", "nowhere", {}), RuntimeError);
    EXPECT_EQ(fake.copied().size(), 1u);
}

TEST(CopyTempNameTest, NamesAreRecognisedAndDistinct)
{
    std::set<std::string> names;
    for (std::uint64_t unique : {0ull, 1ull, 0xffffffffffffffffull, 0x0123456789abcdefull}) {
        const std::string name = copyTempName(unique);
        EXPECT_TRUE(isCopyTempName(name)) << name;
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 4u);
    const std::string sample = copyTempName(0xabc);
    std::string upper = sample;
    const std::size_t digits = upper.find('-') + 1;
    for (std::size_t i = digits; i < upper.rfind('.'); ++i)
        upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(upper[i])));
    ASSERT_NE(upper, sample);
    for (const std::string& name :
         {upper, sample.substr(1), sample + "x", "x" + sample, std::string(".tarnwell-.tmp"),
          std::string("notes.tmp"), std::string()})
        EXPECT_FALSE(isCopyTempName(name)) << name;
}

} // namespace
} // namespace tarnwell
