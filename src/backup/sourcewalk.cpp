#include "backup/sourcewalk.h"

#include <algorithm>

namespace tarnwell {

namespace {

class SourceWalk
{
public:
    SourceWalk(CopyPrimitives& primitives, const std::vector<FolderId>& avoided,
               SourceVisitor& visitor)
        : m_primitives(primitives), m_style(primitives.pathStyle()), m_avoided(avoided),
          m_visitor(visitor)
    {
    }

    void enter(const std::string& path, const std::string& relative)
    {
        FolderId id;
        try {
            id = m_primitives.folderId(path);
        } catch (RuntimeError& error) {
            m_visitor.failed(relative, error.concerning(path));
            return;
        }
        if (std::find(m_avoided.begin(), m_avoided.end(), id) != m_avoided.end())
            return;
        if (std::find(m_open.begin(), m_open.end(), id) != m_open.end()) {
            m_visitor.leftOut({CopyNote::Kind::LinkLoop, path, {}});
            return;
        }
        m_open.push_back(id);
        contents(path, relative);
        m_open.pop_back();
    }

private:
    void contents(const std::string& path, const std::string& relative)
    {
        std::vector<std::string> subfolders;
        {
            std::vector<FolderEntry> entries;
            try {
                entries = m_primitives.listFolder(path, true);
            } catch (RuntimeError& error) {
                m_visitor.failed(relative, error.concerning(path));
                return;
            }
            m_visitor.folder(relative);
            for (FolderEntry& entry : entries) {
                const std::string full = joinPath(m_style, path, entry.name);
                switch (entryRole(entry)) {
                case EntryRole::Enter:
                    subfolders.push_back(std::move(entry.name));
                    break;
                case EntryRole::Fail:
                    m_visitor.failed(below(relative, entry.name),
                                     entryFailure(entry).concerning(full));
                    break;
                case EntryRole::LeaveOut:
                    m_visitor.leftOut(leftOutNote(entry, full));
                    break;
                case EntryRole::Skip:
                    break;
                case EntryRole::Copy:
                    m_visitor.file(below(relative, entry.name), entry);
                    break;
                }
            }
        }
        for (const std::string& name : subfolders)
            enter(joinPath(m_style, path, name), below(relative, name));
    }

    std::string below(const std::string& relative, const std::string& name) const
    {
        return relative.empty() ? name : joinPath(m_style, relative, name);
    }

    CopyPrimitives& m_primitives;
    PathStyle m_style;
    const std::vector<FolderId>& m_avoided;
    SourceVisitor& m_visitor;
    std::vector<FolderId> m_open; // the folders on the current path
};

} // namespace

void walkSource(CopyPrimitives& primitives, const std::string& source,
                const std::vector<FolderId>& avoided, SourceVisitor& visitor)
{
    SourceWalk(primitives, avoided, visitor).enter(source, {});
}

} // namespace tarnwell
