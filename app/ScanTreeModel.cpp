#include "ScanTreeModel.h"

#include "ColourRangeTable.h"
#include "FigureWords.h"
#include "Labels.h"
#include "Records.h"
#include "Rescan.h"

#include <algorithm>

namespace qv {

ScanTreeModel::ScanTreeModel(QObject* parent)
    : QAbstractItemModel(parent)
{
}

void ScanTreeModel::build(dirrec* root, int W, const ColourRangeTable& table)
{
    beginResetModel();
    m_nodes.clear();
    m_first.clear();
    m_count.clear();
    m_labelwidth = W;
    if (root) {
        m_nodes.push_back(root);
        for (std::size_t i = 0; i < m_nodes.size(); ++i) {
            dirrec* r = m_nodes[i];
            r->treenode = static_cast<std::int32_t>(i);
            r->stateimage = ColourOfSize(table, r->space);
            m_first.push_back(static_cast<std::uint32_t>(m_nodes.size()));
            std::uint32_t n = 0;
            for (dirrec* c = r->child; c; c = c->next, ++n)
                m_nodes.push_back(c);
            m_count.push_back(n);
        }
        if (m_largestfirst)
            arrangechildren();
    }
    endResetModel();
}

void ScanTreeModel::setclusters(std::uint32_t clustersize, std::int32_t whatifkb)
{
    m_clustersize = clustersize;
    m_whatifkb = whatifkb;
}

void ScanTreeModel::setlargestfirst(bool on)
{
    if (on == m_largestfirst)
        return;
    m_largestfirst = on;
    if (m_nodes.empty())
        return;
    emit layoutAboutToBeChanged();
    // Every persistent index (expanded nodes, selection, current node) follows its record.
    const QModelIndexList before = persistentIndexList();
    std::vector<const dirrec*> records;
    records.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        records.push_back(record(index));
    arrangechildren();
    QModelIndexList after;
    after.reserve(before.size());
    for (const dirrec* r : records)
        after.push_back(indexof(r));
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void ScanTreeModel::arrangechildren()
{
    for (std::size_t p = 0; p < m_nodes.size(); ++p)
        arrangeblock(static_cast<std::uint32_t>(p));
}

void ScanTreeModel::arrangeblock(std::uint32_t p)
{
    // Each sibling block keeps its place in the layout; its nodes are rewritten from the record's child
    // list (the name order) and, largest first, stably sorted by space. A node's first-child and count
    // entries move with it, so the blocks of the levels below stay where they are.
    struct Node
    {
        dirrec* r;
        std::uint32_t first;
        std::uint32_t count;
    };
    if (m_count[p] == 0)
        return;
    std::vector<Node> block;
    for (dirrec* c = m_nodes[p]->child; c; c = c->next) {
        const auto node = static_cast<std::uint32_t>(c->treenode);
        block.push_back({ c, m_first[node], m_count[node] });
    }
    if (m_largestfirst)
        std::stable_sort(
            block.begin(), block.end(), [](const Node& a, const Node& b) { return a.r->space > b.r->space; });
    std::uint32_t node = m_first[p];
    for (const Node& n : block) {
        m_nodes[node] = n.r;
        m_first[node] = n.first;
        m_count[node] = n.count;
        n.r->treenode = static_cast<std::int32_t>(node);
        ++node;
    }
}

void ScanTreeModel::replacesubtree(dirrec* dir, dirrec* fresh, int W, const ColourRangeTable& table)
{
    if (!indexof(dir).isValid()) {
        splicesubtree(dir, fresh);
        return;
    }
    emit layoutAboutToBeChanged();
    // Each persistent index by its record; below dir, by the names and kinds from dir down, since those
    // records are replaced.
    struct Kept
    {
        const dirrec* r;
        std::vector<const dirrec*> chain; // from just below dir down to r; empty: r itself stays
    };
    const QModelIndexList before = persistentIndexList();
    std::vector<Kept> kept;
    kept.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before) {
        Kept k { record(index), {} };
        for (const dirrec* r = k.r; r && r != dir; r = r->parent)
            k.chain.push_back(r);
        if (!k.r || k.chain.empty() || k.chain.back()->parent != dir)
            k.chain.clear();
        std::reverse(k.chain.begin(), k.chain.end());
        kept.push_back(std::move(k));
    }

    // The old subtree's nodes stay in the layout, unreachable and empty.
    for (dirrec* c = dir->child; c;) {
        const auto node = static_cast<std::uint32_t>(c->treenode);
        m_nodes[node] = nullptr;
        m_count[node] = 0;
        c->treenode = -1;
        if (c->child) {
            c = c->child;
            continue;
        }
        while (c->parent != dir && !c->next)
            c = c->parent;
        c = c->next;
    }
    splicesubtree(dir, fresh);
    m_labelwidth = W;
    for (dirrec* a = dir; a; a = a->parent)
        a->stateimage = ColourOfSize(table, a->space);
    // dir's new subtree, breadth first at the end of the layout.
    const std::size_t start = m_nodes.size();
    auto place = [&](dirrec* p) {
        const auto node = static_cast<std::uint32_t>(p->treenode);
        m_first[node] = static_cast<std::uint32_t>(m_nodes.size());
        std::uint32_t n = 0;
        for (dirrec* c = p->child; c; c = c->next, ++n) {
            c->treenode = static_cast<std::int32_t>(m_nodes.size());
            c->stateimage = ColourOfSize(table, c->space);
            m_nodes.push_back(c);
            m_first.push_back(0);
            m_count.push_back(0);
        }
        m_count[node] = n;
    };
    place(dir);
    for (std::size_t i = start; i < m_nodes.size(); ++i)
        place(m_nodes[i]);
    if (m_largestfirst) {
        // The ancestors' figures changed too, and with them their places among their siblings.
        for (const dirrec* a = dir; a->parent; a = a->parent)
            arrangeblock(static_cast<std::uint32_t>(a->parent->treenode));
        arrangeblock(static_cast<std::uint32_t>(dir->treenode));
        for (std::size_t i = start; i < m_nodes.size(); ++i)
            arrangeblock(static_cast<std::uint32_t>(i));
    }

    QModelIndexList after;
    after.reserve(before.size());
    for (const Kept& k : kept) {
        const dirrec* r = k.chain.empty() ? k.r : dir;
        for (const dirrec* old : k.chain) {
            const dirrec* c = r->child;
            while (c && (c->kind != old->kind || namecmp(c->name(), old->name()) != 0))
                c = c->next;
            r = c;
            if (!r)
                break;
        }
        after.push_back(indexof(r));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void ScanTreeModel::clear()
{
    beginResetModel();
    m_nodes = {};
    m_first = {};
    m_count = {};
    endResetModel();
}

void ScanTreeModel::refreshstateimages()
{
    if (m_nodes.empty())
        return;
    // One notice for the whole tree: a tree view answers each dataChanged range with a search through
    // its rows, so one range per directory costs rows x directories. Nothing moves, so every persistent
    // index (selection, expanded nodes) stays as it is.
    emit layoutAboutToBeChanged();
    emit layoutChanged();
}

dirrec* ScanTreeModel::record(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this || index.internalId() >= m_nodes.size())
        return nullptr;
    return m_nodes[index.internalId()];
}

QModelIndex ScanTreeModel::indexof(const dirrec* r) const
{
    if (!r || r->treenode < 0 || static_cast<std::size_t>(r->treenode) >= m_nodes.size() || m_nodes[r->treenode] != r)
        return {};
    const std::uint32_t node = static_cast<std::uint32_t>(r->treenode);
    const int row = node == 0 ? 0 : static_cast<int>(node - m_first[static_cast<std::uint32_t>(r->parent->treenode)]);
    return createIndex(row, 0, static_cast<quintptr>(node));
}

QModelIndex ScanTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 && !m_nodes.empty() ? createIndex(0, 0, quintptr(0)) : QModelIndex();
    const quintptr p = parent.internalId();
    if (p >= m_nodes.size() || static_cast<std::uint32_t>(row) >= m_count[p])
        return {};
    return createIndex(row, 0, static_cast<quintptr>(m_first[p] + static_cast<std::uint32_t>(row)));
}

QModelIndex ScanTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == 0 || child.internalId() >= m_nodes.size()
        || !m_nodes[child.internalId()])
        return {};
    return indexof(m_nodes[child.internalId()]->parent);
}

int ScanTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return m_nodes.empty() ? 0 : 1;
    if (parent.column() != 0 || parent.internalId() >= m_nodes.size())
        return 0;
    return static_cast<int>(m_count[parent.internalId()]);
}

int ScanTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

bool ScanTreeModel::hasChildren(const QModelIndex& parent) const
{
    return rowCount(parent) > 0;
}

int ScanTreeModel::level(std::uint32_t node) const
{
    // A rescanned subtree lies outside the breadth-first order of levels: counted up the records.
    return recordlevel(m_nodes[node]);
}

QVariant ScanTreeModel::data(const QModelIndex& index, int role) const
{
    const dirrec* r = record(index);
    if (!r)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return buildlabel(*r, 2 * level(static_cast<std::uint32_t>(index.internalId())), m_labelwidth);
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        return figurewords(*r, m_clustersize, m_whatifkb);
    case Qt::DecorationRole: {
        const int state = r->stateimage >= 0 && r->stateimage <= 8 ? r->stateimage : 0;
        return m_icons[state][r->kind == KindGroup ? 1 : 0];
    }
    default:
        return {};
    }
}

Qt::ItemFlags ScanTreeModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace qv
