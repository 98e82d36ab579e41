#include "ExportDirectory.h"

#include "ExportReader.h"
#include "PathJoin.h"

#include <vector>

namespace qv {
namespace {

struct Item
{
    std::string name;
    DirEntry entry; // everything but the name
};

class ItemListing final : public DirListing
{
public:
    explicit ItemListing(std::vector<Item> items)
        : m_items(std::move(items))
    {
    }
    bool next(DirEntry& entry) override
    {
        if (m_pos == m_items.size())
            return false;
        const Item& item = m_items[m_pos++];
        entry = item.entry;
        entry.name = item.name;
        return true;
    }

private:
    std::vector<Item> m_items;
    std::size_t m_pos = 0;
};

// Finds the directory at target and takes its entries.
class Collector : public ExportVisitor
{
public:
    explicit Collector(const std::string& target)
        : m_target(target)
    {
    }
    bool found = false;
    std::vector<Item> items;

    Step enter(const ExportEntry& dir) override
    {
        std::string path = m_paths.empty() ? rootname(dir.name) : joinpath(m_paths.back(), dir.name);
        if (m_collecting) {
            add(dir, true);
            return Skip;
        }
        if (path == m_target) {
            if (dir.readerror || dir.excluded)
                return Stop;
            found = m_collecting = true;
        } else if (!pathatorunder(m_target, path)) {
            return Skip;
        }
        m_paths.push_back(std::move(path));
        return Continue;
    }
    Step file(const ExportEntry& f) override
    {
        if (m_collecting)
            add(f, f.excluded);
        return Continue;
    }
    Step leave() override
    {
        if (m_collecting)
            return Stop; // the target is done
        m_paths.pop_back();
        return Continue;
    }

private:
    void add(const ExportEntry& e, bool isdir)
    {
        Item item { std::string(e.name), {} };
        item.entry.isdir = isdir;
        item.entry.mountpoint = isdir && e.excluded;
        item.entry.size = e.asize;
        item.entry.mtime = e.mtime;
        item.entry.compressed = e.compressed;
        item.entry.ondisc = e.compressed ? e.dsize : -1;
        item.entry.notregular = e.notregular;
        items.push_back(std::move(item));
    }

    const std::string& m_target;
    std::vector<std::string> m_paths;
    bool m_collecting = false;
};

} // namespace

ExportDirectory::ExportDirectory(std::string exportpath)
    : m_export(std::move(exportpath))
{
}

std::unique_ptr<DirListing> ExportDirectory::open(const std::string& path)
{
    Collector collect(path);
    const ExportResult r = readexport(m_export, collect);
    if (!r.ok || !collect.found)
        return nullptr;
    return std::make_unique<ItemListing>(std::move(collect.items));
}

std::unique_ptr<DirLister> ExportDirectory::another()
{
    return std::make_unique<ExportDirectory>(m_export);
}

} // namespace qv
