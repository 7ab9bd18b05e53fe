#include "support/memoryfilesystem.h"

#include "platform/error.h"
#include "support/text.h"

#include <algorithm>
#include <cstdint>

namespace tarnwell::test {

namespace {

bool isWildcard(const std::string& name)
{
    return name == "*" || name == "*.*";
}

} // namespace

struct MemoryFileSystem::Node
{
    std::string name; // as it was created
    bool folder = true;
    int attributes = Attribute::Normal;
    std::string content;
    std::int64_t modified = 0; // nanoseconds since 1970
    Hold hold = Hold::None;
    int changesWhileRead = 0;
    bool alias = false;
    std::map<std::string, NodePtr> children; // upper-case name -> node

    int flags() const { return attributes | (folder ? Attribute::Directory : 0); }
};

MemoryFileSystem::MemoryFileSystem()
{
    addDrive('C');
    addFolder("C:\\Windows");
    addFolder("C:\\Work");
}

void MemoryFileSystem::addDrive(char letter)
{
    m_drives[static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))] =
        std::make_shared<Node>();
}

void MemoryFileSystem::addShare(const std::string& uncRoot)
{
    m_shares[upper(splitPath(PathStyle::Windows, uncRoot).root)] = std::make_shared<Node>();
}

void MemoryFileSystem::connectDrive(char letter, const std::string& uncRoot)
{
    NodePtr share = rootOf(splitPath(PathStyle::Windows, uncRoot).root);
    if (!share)
        throw RuntimeError(ErrorNumber::PathNotFound);
    m_drives[static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))] = share;
}

void MemoryFileSystem::disconnectDrive(char letter)
{
    m_drives.erase(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
}

bool MemoryFileSystem::hasDrive(char letter) const
{
    return m_drives.count(static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))) > 0;
}

void MemoryFileSystem::addFolder(const std::string& path, int attributes)
{
    SplitPath split = splitPath(PathStyle::Windows, absolute(path));
    NodePtr node = rootOf(split.root);
    if (!node)
        throw RuntimeError(ErrorNumber::PathNotFound, "no such root: " + split.root);
    for (const std::string& name : split.components) {
        NodePtr& child = node->children[upper(name)];
        if (!child) {
            child = std::make_shared<Node>();
            child->name = name;
        }
        node = child;
    }
    node->attributes = attributes;
}

void MemoryFileSystem::addFile(const std::string& path, const std::string& content, int attributes)
{
    std::string name;
    std::string full = absolute(path);
    SplitPath split = splitPath(PathStyle::Windows, full);
    split.components.pop_back();
    std::string parent = split.root;
    for (const std::string& part : split.components)
        parent = joinPath(PathStyle::Windows, parent, part);
    addFolder(parent, find(parent) ? find(parent)->attributes : Attribute::Normal);
    NodePtr folder = parentOf(full, name);
    auto node = std::make_shared<Node>();
    node->name = name;
    node->folder = false;
    node->attributes = attributes;
    node->content = content;
    m_lastModified += 1'000'000'000;
    node->modified = m_lastModified;
    folder->children[upper(name)] = node;
}

void MemoryFileSystem::setCurrentDirectory(const std::string& path)
{
    m_currentDirectory = normalizePath(PathStyle::Windows, path);
}

void MemoryFileSystem::failOn(Operation operation, const std::string& path, int number, int times,
                              int skip)
{
    m_failures.push_back(
        {operation, upper(normalizePath(PathStyle::Windows, absolute(path))), number, times, skip});
}

void MemoryFileSystem::setModified(const std::string& path, std::int64_t nanoseconds)
{
    requireNode(path)->modified = nanoseconds;
}

std::int64_t MemoryFileSystem::modifiedOf(const std::string& path) const
{
    NodePtr node = find(path);
    return node ? node->modified : -1;
}

void MemoryFileSystem::setTimeResolution(char drive, std::chrono::nanoseconds resolution)
{
    m_timeResolutions[static_cast<char>(std::toupper(static_cast<unsigned char>(drive)))] =
        resolution;
}

void MemoryFileSystem::holdOpen(const std::string& path, Hold hold)
{
    requireNode(path)->hold = hold;
}

void MemoryFileSystem::changeWhileRead(const std::string& path, int times)
{
    requireNode(path)->changesWhileRead = times;
}

void MemoryFileSystem::addAppAlias(const std::string& path)
{
    addFile(path, "", Attribute::ReparsePoint);
    requireNode(path)->alias = true;
}

void MemoryFileSystem::setKeptFlags(char drive, int flags)
{
    m_keptFlags[static_cast<char>(std::toupper(static_cast<unsigned char>(drive)))] = flags;
}

void MemoryFileSystem::setNoHardLinks(char drive)
{
    m_noHardLinks.insert(static_cast<char>(std::toupper(static_cast<unsigned char>(drive))));
}

bool MemoryFileSystem::exists(const std::string& path) const
{
    return find(path) != nullptr;
}

bool MemoryFileSystem::isFolder(const std::string& path) const
{
    NodePtr node = find(path);
    return node && node->folder;
}

std::string MemoryFileSystem::contentOf(const std::string& path) const
{
    NodePtr node = find(path);
    return node ? node->content : std::string();
}

int MemoryFileSystem::attributesOf(const std::string& path) const
{
    NodePtr node = find(path);
    return node ? node->flags() : -1;
}

std::vector<std::string> MemoryFileSystem::namesIn(const std::string& folder) const
{
    std::vector<std::string> names;
    if (NodePtr node = find(folder)) {
        for (const auto& [key, child] : node->children)
            names.push_back(child->name);
    }
    return names;
}

void MemoryFileSystem::clearRecords()
{
    m_probes.clear();
    m_changes.clear();
}

std::string MemoryFileSystem::absolute(const std::string& path) const
{
    // "C:" and "C:name" are relative to the current folder of that drive, as on Windows; the
    // current folder of any drive but the working one's is its root here.
    if (const char drive = driveLetterOf(path);
        drive && (path.size() == 2 || !isSeparator(PathStyle::Windows, path[2]))) {
        const std::string base = driveLetterOf(m_currentDirectory) == drive
                                     ? m_currentDirectory
                                     : std::string{drive, ':', '\\'};
        return path.size() == 2 ? base : joinPath(PathStyle::Windows, base, path.substr(2));
    }
    SplitPath split = splitPath(PathStyle::Windows, path);
    if (split.root.empty())
        return joinPath(PathStyle::Windows, m_currentDirectory, path);
    if (split.root == "\\")
        return m_currentDirectory.substr(0, 2) + path;
    return path;
}

MemoryFileSystem::NodePtr MemoryFileSystem::rootOf(const std::string& root) const
{
    if (char letter = driveLetterOf(root)) {
        auto it = m_drives.find(letter);
        return it == m_drives.end() ? nullptr : it->second;
    }
    auto it = m_shares.find(upper(root));
    return it == m_shares.end() ? nullptr : it->second;
}

MemoryFileSystem::NodePtr MemoryFileSystem::find(const std::string& path) const
{
    if (path.empty())
        return nullptr;
    SplitPath split = splitPath(PathStyle::Windows, absolute(path));
    NodePtr node = rootOf(split.root);
    for (const std::string& name : split.components) {
        if (!node || !node->folder)
            return nullptr;
        auto it = node->children.find(upper(name));
        node = it == node->children.end() ? nullptr : it->second;
    }
    return node;
}

MemoryFileSystem::NodePtr MemoryFileSystem::parentOf(const std::string& path,
                                                     std::string& name) const
{
    SplitPath split = splitPath(PathStyle::Windows, absolute(path));
    if (split.components.empty())
        return nullptr;
    name = split.components.back();
    split.components.pop_back();
    NodePtr node = rootOf(split.root);
    for (const std::string& part : split.components) {
        if (!node || !node->folder)
            return nullptr;
        auto it = node->children.find(upper(part));
        node = it == node->children.end() ? nullptr : it->second;
    }
    return node && node->folder ? node : nullptr;
}

MemoryFileSystem::NodePtr MemoryFileSystem::requireParent(const std::string& path,
                                                          std::string& name) const
{
    NodePtr parent = parentOf(path, name);
    if (!parent)
        throw RuntimeError(ErrorNumber::PathNotFound);
    return parent;
}

MemoryFileSystem::NodePtr MemoryFileSystem::requireNode(const std::string& path) const
{
    std::string name;
    NodePtr parent = requireParent(path, name);
    auto it = parent->children.find(upper(name));
    if (it == parent->children.end())
        throw RuntimeError(ErrorNumber::FileNotFound);
    return it->second;
}

void MemoryFileSystem::checkFailure(Operation operation, const std::string& path)
{
    const std::string key = upper(normalizePath(PathStyle::Windows, absolute(path)));
    for (auto it = m_failures.begin(); it != m_failures.end(); ++it) {
        if (it->operation != operation || it->path != key)
            continue;
        if (it->skip > 0) {
            --it->skip;
            return;
        }
        const int number = it->number;
        if (it->times > 0 && --it->times == 0)
            m_failures.erase(it);
        throw RuntimeError(number).concerning(absolute(path));
    }
}

std::string MemoryFileSystem::probe(const std::string& path, int mask)
{
    m_probes.push_back(path);
    m_listing.clear();
    checkFailure(Operation::Probe, path);
    if (path.empty())
        return {};

    SplitPath split = splitPath(PathStyle::Windows, path);
    if (!split.components.empty() && isWildcard(split.components.back())) {
        std::string folderPath = path.substr(0, path.find_last_of("\\/") + 1);
        NodePtr folder = find(folderPath);
        if (!folder || !folder->folder)
            return {};
        std::vector<std::string> names;
        if (!isRootPath(PathStyle::Windows, folderPath)) {
            names.emplace_back(".");
            names.emplace_back("..");
        }
        for (const auto& [key, child] : folder->children) {
            const int hiddenOrSystem = child->attributes & (Attribute::Hidden | Attribute::System);
            if (hiddenOrSystem && (hiddenOrSystem & ~mask))
                continue;
            if (child->folder && !(mask & Attribute::Directory))
                continue;
            names.push_back(child->name);
        }
        std::reverse(names.begin(), names.end());
        m_listing = std::move(names);
        return next();
    }

    if (split.components.empty()) {
        // A drive or share root: present when it can be reached, empty or not.
        return rootOf(split.root) ? split.root : std::string();
    }
    NodePtr node = find(path);
    return node ? node->name : std::string();
}

std::string MemoryFileSystem::next()
{
    if (m_listing.empty())
        return {};
    std::string name = m_listing.back();
    m_listing.pop_back();
    return name;
}

int MemoryFileSystem::attributes(const std::string& path)
{
    checkFailure(Operation::Attributes, path);
    SplitPath split = splitPath(PathStyle::Windows, absolute(path));
    if (split.components.empty()) {
        if (!rootOf(split.root))
            throw RuntimeError(ErrorNumber::PathNotFound);
        return Attribute::Directory;
    }
    return requireNode(path)->flags();
}

void MemoryFileSystem::setAttributes(const std::string& path, int attributes)
{
    checkFailure(Operation::SetAttributes, path);
    NodePtr node = requireNode(path);
    node->attributes = attributes & ~Attribute::Directory;
    m_changes.push_back("attrib " + path + " " + std::to_string(attributes));
}

void MemoryFileSystem::makeDirectory(const std::string& path)
{
    checkFailure(Operation::MakeDirectory, path);
    std::string name;
    NodePtr parent = requireParent(path, name);
    if (parent->children.count(upper(name)))
        throw RuntimeError(ErrorNumber::FileAlreadyExists);
    auto node = std::make_shared<Node>();
    node->name = name;
    parent->children[upper(name)] = node;
    m_changes.push_back("mkdir " + path);
}

std::string MemoryFileSystem::key(const std::string& path) const
{
    return upper(normalizePath(PathStyle::Windows, absolute(path)));
}

std::vector<FolderEntry> MemoryFileSystem::listFolder(const std::string& folder, bool withStamps)
{
    std::lock_guard lock(m_copyMutex);
    checkFailure(Operation::ListFolder, folder);
    NodePtr node = find(folder);
    if (!node || !node->folder)
        throw RuntimeError(ErrorNumber::PathNotFound);
    std::vector<FolderEntry> entries;
    for (const auto& [name, child] : node->children) {
        FolderEntry entry{child->name,
                          child->folder ? FolderEntry::Type::Folder : FolderEntry::Type::File,
                          (child->attributes & Attribute::ReparsePoint) != 0};
        constexpr int kHiddenSystem = Attribute::Hidden | Attribute::System;
        entry.hiddenSystem = (child->attributes & kHiddenSystem) == kHiddenSystem;
        entry.onlineOnly = !child->folder && (child->attributes & Attribute::NotLocal) != 0;
        if (child->alias) {
            entry.type = FolderEntry::Type::Other;
            entry.what = "an app execution alias";
        }
        try {
            checkFailure(Operation::FollowLink, joinPath(PathStyle::Windows, folder, child->name));
        } catch (const RuntimeError& error) {
            entry.type = FolderEntry::Type::Failed;
            entry.failure = error;
        }
        if (withStamps && entry.type == FolderEntry::Type::File) {
            entry.stamp.size = child->content.size();
            entry.stamp.seconds = child->modified / 1'000'000'000;
            entry.stamp.nanoseconds = static_cast<std::uint32_t>(child->modified % 1'000'000'000);
            entry.stamp.flags = static_cast<std::uint32_t>(
                child->attributes & (Attribute::ReadOnly | Attribute::Hidden | Attribute::System));
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

FolderId MemoryFileSystem::folderId(const std::string& folder)
{
    std::lock_guard lock(m_copyMutex);
    NodePtr node = find(folder);
    if (!node || !node->folder)
        throw RuntimeError(ErrorNumber::PathNotFound);
    // A drive letter connected to a share leads to the same node as the share's path.
    return FolderId{0, reinterpret_cast<std::uintptr_t>(node.get())};
}

std::chrono::nanoseconds MemoryFileSystem::timeResolution(const std::string& path) const
{
    const auto found = m_timeResolutions.find(driveLetterOf(absolute(path)));
    return found == m_timeResolutions.end() ? std::chrono::nanoseconds{0} : found->second;
}

int MemoryFileSystem::keptFlags(const std::string& path) const
{
    const auto found = m_keptFlags.find(driveLetterOf(absolute(path)));
    return found == m_keptFlags.end() ? ~0 : found->second;
}

TargetKeeps MemoryFileSystem::targetKeeps(const std::string&, const std::string& probe)
{
    std::lock_guard lock(m_copyMutex);
    constexpr int kFlags = Attribute::ReadOnly | Attribute::Hidden | Attribute::System;
    std::string name;
    NodePtr folder = requireParent(probe, name);
    auto written = std::make_shared<Node>();
    written->folder = false;
    written->attributes = kFlags & keptFlags(probe);
    written->modified = kProbeSeconds * 1'000'000'000 + kProbeNanoseconds;
    if (const std::int64_t step = timeResolution(probe).count(); step > 1)
        written->modified = (written->modified + step - 1) / step * step;
    folder->children[upper(name)] = written;
    const NodePtr read = find(probe);
    folder->children.erase(upper(name));
    TargetKeeps kept;
    kept.flags = static_cast<std::uint32_t>(read->attributes);
    kept.resolution =
        resolutionReadBack(kProbeSeconds, kProbeNanoseconds, read->modified / 1'000'000'000,
                           static_cast<std::uint32_t>(read->modified % 1'000'000'000))
            .value_or(std::chrono::nanoseconds{0});
    return kept;
}

MadeFolder MemoryFileSystem::makeFolder(const std::string& path)
{
    std::lock_guard lock(m_copyMutex);
    checkFailure(Operation::MakeDirectory, path);
    std::string name;
    NodePtr parent = requireParent(path, name);
    NodePtr& node = parent->children[upper(name)];
    if (node) {
        if (!node->folder)
            throw RuntimeError(ErrorNumber::PermissionDenied);
        return MadeFolder{false};
    }
    node = std::make_shared<Node>();
    node->name = name;
    return MadeFolder{true};
}

void MemoryFileSystem::removeStaleTemp(const std::string& path)
{
    std::lock_guard lock(m_copyMutex);
    if (m_liveTemps.count(key(path)))
        return;
    std::string name;
    if (NodePtr parent = parentOf(path, name))
        parent->children.erase(upper(name));
}

bool MemoryFileSystem::isReadOnlyFile(const std::string& path)
{
    std::lock_guard lock(m_copyMutex);
    NodePtr node = find(path);
    return node && !node->folder && (node->attributes & Attribute::ReadOnly);
}

std::uint64_t MemoryFileSystem::copyToTemp(const std::string& source, const std::string& temp,
                                           const std::string& destination, bool)
{
    std::lock_guard lock(m_copyMutex);
    checkFailure(Operation::CopyFile, destination);
    NodePtr from = find(source);
    if (!from || from->folder)
        throw RuntimeError(ErrorNumber::PathNotFound);
    if (from->hold == Hold::Exclusive)
        throw RuntimeError(ErrorNumber::FileInUse).concerning(source);
    if (from->attributes & Attribute::NotLocal)
        m_changes.push_back("download " + source);
    if (from->changesWhileRead > 0) {
        --from->changesWhileRead;
        throw FileChangedError();
    }
    std::string name;
    NodePtr folder = requireParent(temp, name);
    auto copy = std::make_shared<Node>(*from);
    copy->name = name;
    // As FAT does, a coarse drive keeps the time rounded up to its resolution.
    if (const std::int64_t step = timeResolution(temp).count(); step > 1)
        copy->modified = (copy->modified + step - 1) / step * step;
    copy->attributes &=
        keptFlags(temp) | ~(Attribute::ReadOnly | Attribute::Hidden | Attribute::System);
    folder->children[upper(name)] = copy;
    m_liveTemps.insert(key(temp));
    return copy->content.size();
}

void MemoryFileSystem::replace(const std::string& temp, const std::string& destination)
{
    std::lock_guard lock(m_copyMutex);
    checkFailure(Operation::Replace, destination);
    std::string tempName;
    std::string name;
    NodePtr folder = requireParent(temp, tempName);
    NodePtr target = requireParent(destination, name);
    NodePtr& old = target->children[upper(name)];
    if (old && old->folder)
        throw RuntimeError(ErrorNumber::PermissionDenied);
    NodePtr written = folder->children.at(upper(tempName));
    folder->children.erase(upper(tempName));
    written->name = name;
    target->children[upper(name)] = written;
    m_liveTemps.erase(key(temp));
    m_changes.push_back("copy " + destination);
}

void MemoryFileSystem::discard(const std::string& temp)
{
    std::lock_guard lock(m_copyMutex);
    std::string name;
    if (NodePtr folder = parentOf(temp, name))
        folder->children.erase(upper(name));
    m_liveTemps.erase(key(temp));
}

CopyPrimitives::Kept MemoryFileSystem::keepVersion(const std::string& copy,
                                                   const std::string& version)
{
    std::lock_guard lock(m_copyMutex);
    std::string name, versionName;
    NodePtr from = requireParent(copy, name);
    NodePtr to = requireParent(version, versionName);
    const auto old = from->children.find(upper(name));
    if (old == from->children.end())
        return Kept::Nothing;
    if (old->second->folder)
        throw RuntimeError(ErrorNumber::PermissionDenied);
    if (to->children.count(upper(versionName)))
        throw RuntimeError(ErrorNumber::FileAlreadyExists);
    // A hard link is a second name of the same node; its name is the first one's.
    to->children[upper(versionName)] = old->second;
    if (!m_noHardLinks.count(driveLetterOf(absolute(copy))))
        return Kept::Linked;
    old->second->name = versionName;
    from->children.erase(old);
    return Kept::Moved;
}

void MemoryFileSystem::removeTree(const std::string& folder)
{
    std::string name;
    NodePtr parent = requireParent(folder, name);
    const auto found = parent->children.find(upper(name));
    if (found == parent->children.end() || !found->second->folder)
        throw RuntimeError(ErrorNumber::PathNotFound);
    if (found->second->attributes & Attribute::ReparsePoint)
        throw RuntimeError(ErrorNumber::PermissionDenied);
    parent->children.erase(found);
}

std::string MemoryFileSystem::readFile(const std::string& path)
{
    checkFailure(Operation::ReadFile, path);
    NodePtr node = find(path);
    if (!node)
        throw RuntimeError(ErrorNumber::FileNotFound);
    if (node->folder)
        throw RuntimeError(ErrorNumber::PermissionDenied); // as Windows refuses to open a folder
    return node->content;
}

FileRange MemoryFileSystem::readFileRange(const std::string& path, std::uint64_t offset,
                                          std::size_t length, std::uint64_t maxSize)
{
    const std::string content = readFile(path);
    FileRange range = sizedFileRange(path, content.size(), offset, length, maxSize);
    if (!range.bytes.empty())
        content.copy(range.bytes.data(), range.bytes.size(), static_cast<std::size_t>(offset));
    return range;
}

namespace {

// Reads what the file held when it was opened.
class MemoryFileReader : public FileReader
{
public:
    explicit MemoryFileReader(std::string content) : m_content(std::move(content)) {}
    std::size_t read(char* buffer, std::size_t size) override
    {
        const std::size_t count = m_content.copy(buffer, size, m_at);
        m_at += count;
        return count;
    }

private:
    std::string m_content;
    std::size_t m_at = 0;
};

} // namespace

std::unique_ptr<FileReader> MemoryFileSystem::openForReading(const std::string& path)
{
    checkFailure(Operation::ReadFile, path);
    NodePtr node = find(path);
    if (!node)
        throw RuntimeError(ErrorNumber::FileNotFound).concerning(path);
    if (node->folder)
        throw notRegularFileError(path);
    if (node->hold == Hold::Exclusive)
        throw RuntimeError(ErrorNumber::FileInUse).concerning(path);
    return std::make_unique<MemoryFileReader>(node->content);
}

void MemoryFileSystem::writeFileAtomically(const std::string& path, const std::string& content)
{
    checkFailure(Operation::WriteFile, path);
    std::string name;
    NodePtr parent = requireParent(path, name);
    NodePtr& node = parent->children[upper(name)];
    if (node && (node->folder || (node->attributes & Attribute::ReadOnly)))
        throw RuntimeError(ErrorNumber::PermissionDenied);
    if (!node) {
        node = std::make_shared<Node>();
        node->name = name;
        node->folder = false;
    }
    node->content = content;
    m_changes.push_back("write " + absolute(path));
}

} // namespace tarnwell::test

namespace tarnwell::test {

namespace {

class MemoryLock : public FileLock
{
public:
    MemoryLock(std::shared_ptr<std::set<std::string>> locks, std::string key)
        : m_locks(std::move(locks)), m_key(std::move(key))
    {
    }
    ~MemoryLock() override { m_locks->erase(m_key); }

private:
    std::shared_ptr<std::set<std::string>> m_locks;
    std::string m_key;
};

} // namespace

std::unique_ptr<FileLock> MemoryFileSystem::tryLockFile(const std::string& path)
{
    const std::string key = upper(absolute(path));
    if (!m_locks->insert(key).second)
        return nullptr;
    return std::make_unique<MemoryLock>(m_locks, key);
}

} // namespace tarnwell::test
