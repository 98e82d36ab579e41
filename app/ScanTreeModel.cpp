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
    m_children = {};
    m_rowsmade = 0;
    m_root = root;
    m_labelwidth = W;
    RecolourTree(m_colours, table);
    endResetModel();
}

void ScanTreeModel::clear()
{
    beginResetModel();
    m_children = {};
    m_rowsmade = 0;
    m_root = nullptr;
    endResetModel();
}

void ScanTreeModel::setclusters(std::uint32_t clustersize, std::int32_t whatifkb)
{
    m_clustersize = clustersize;
    m_whatifkb = whatifkb;
}

void ScanTreeModel::refreshstateimages()
{
    // The discs are looked up when painted: a repaint is all a recolouring needs.
    if (m_root)
        emit discschanged();
}

void ScanTreeModel::arrange(std::vector<dirrec*>& rows, const dirrec* parent) const
{
    rows.clear();
    for (dirrec* c = parent->child; c; c = c->next)
        rows.push_back(c);
    if (m_largestfirst)
        std::stable_sort(
            rows.begin(), rows.end(), [](const dirrec* a, const dirrec* b) { return a->space > b->space; });
}

const ScanTreeModel::Children& ScanTreeModel::childrenof(const dirrec* r, int row) const
{
    const auto [at, made] = m_children.try_emplace(r);
    Children& children = at->second;
    if (made) {
        std::size_t n = 0;
        for (const dirrec* c = r->child; c; c = c->next)
            ++n;
        children.rows.reserve(n);
        arrange(children.rows, r);
        children.row = row;
        m_rowsmade += n;
    }
    return children;
}

void ScanTreeModel::setlargestfirst(bool on)
{
    if (on == m_largestfirst)
        return;
    m_largestfirst = on;
    if (!m_root)
        return;
    emit layoutAboutToBeChanged();
    // Every persistent index (expanded nodes, selection, current node) follows its record.
    const QModelIndexList before = persistentIndexList();
    std::vector<const dirrec*> records;
    records.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        records.push_back(record(index));
    // Only the children laid out so far are re-ordered; the others are laid out in the new order when
    // they are first shown.
    for (auto& [parent, children] : m_children)
        arrange(children.rows, parent);
    for (auto& [parent, children] : m_children) {
        for (std::size_t row = 0; row < children.rows.size(); ++row) {
            const auto it = m_children.find(children.rows[row]);
            if (it != m_children.end())
                it->second.row = static_cast<int>(row);
        }
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (const dirrec* r : records)
        after.push_back(indexof(r));
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void ScanTreeModel::replacesubtree(dirrec* dir, dirrec* fresh, int W)
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

    // The old subtree's records lose their child arrays, and so does dir, whose children change.
    const auto forget = [this](const dirrec* r) {
        const auto it = m_children.find(r);
        if (it != m_children.end()) {
            m_rowsmade -= it->second.rows.size();
            m_children.erase(it);
        }
    };
    forget(dir);
    for (const dirrec* c = dir->child; c;) {
        forget(c);
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
    if (m_largestfirst) {
        // The ancestors' figures changed too, and with them their places among their siblings.
        for (const dirrec* a = dir->parent; a; a = a->parent) {
            const auto it = m_children.find(a);
            if (it == m_children.end())
                continue;
            arrange(it->second.rows, a);
            for (std::size_t row = 0; row < it->second.rows.size(); ++row) {
                const auto own = m_children.find(it->second.rows[row]);
                if (own != m_children.end())
                    own->second.row = static_cast<int>(row);
            }
        }
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

dirrec* ScanTreeModel::record(const QModelIndex& index) const
{
    if (!m_root || !index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<dirrec*>(index.internalPointer());
}

QModelIndex ScanTreeModel::indexof(const dirrec* r) const
{
    if (!r || !m_root)
        return {};
    std::vector<const dirrec*> chain;
    for (const dirrec* at = r; at != m_root; at = at->parent) {
        if (!at)
            return {}; // not below the root shown
        chain.push_back(at);
    }
    // Down from the root, each record's row among its parent's children.
    const dirrec* parent = m_root;
    int row = 0;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const std::vector<dirrec*>& rows = childrenof(parent, row).rows;
        const auto own = m_children.find(*it);
        if (own != m_children.end())
            row = own->second.row;
        else
            row = static_cast<int>(std::find(rows.begin(), rows.end(), *it) - rows.begin());
        parent = *it;
    }
    return createIndex(row, 0, const_cast<dirrec*>(r));
}

QModelIndex ScanTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 && m_root ? createIndex(0, 0, m_root) : QModelIndex();
    const dirrec* p = record(parent);
    if (!p || parent.column() != 0)
        return {};
    const std::vector<dirrec*>& rows = childrenof(p, parent.row()).rows;
    if (static_cast<std::size_t>(row) >= rows.size())
        return {};
    return createIndex(row, 0, rows[static_cast<std::size_t>(row)]);
}

QModelIndex ScanTreeModel::parent(const QModelIndex& child) const
{
    const dirrec* r = record(child);
    if (!r || r == m_root || !r->parent)
        return {};
    dirrec* p = r->parent;
    if (p == m_root)
        return createIndex(0, 0, p);
    // The child's index was made from its parent's children, so the parent's row is known.
    const auto it = m_children.find(p);
    return it != m_children.end() ? createIndex(it->second.row, 0, p) : indexof(p);
}

int ScanTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return m_root ? 1 : 0;
    const dirrec* p = record(parent);
    if (!p || parent.column() != 0 || !p->child)
        return 0;
    return static_cast<int>(childrenof(p, parent.row()).rows.size());
}

int ScanTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

bool ScanTreeModel::hasChildren(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return m_root != nullptr;
    const dirrec* p = record(parent);
    return p && parent.column() == 0 && p->child;
}

int ScanTreeModel::level(const dirrec* r) const
{
    int n = 0;
    for (; r && r != m_root; r = r->parent)
        ++n;
    return n;
}

QVariant ScanTreeModel::data(const QModelIndex& index, int role) const
{
    const dirrec* r = record(index);
    if (!r)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return buildlabel(*r, 2 * level(r), m_labelwidth);
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        return figurewords(*r, m_clustersize, m_whatifkb);
    case Qt::DecorationRole: {
        const int state = m_colours.colourof(*r);
        return m_icons[state >= 0 && state <= 8 ? state : 0][r->kind == KindGroup ? 1 : 0];
    }
    default:
        return {};
    }
}

Qt::ItemFlags ScanTreeModel::flags(const QModelIndex& index) const
{
    const dirrec* r = record(index);
    if (!r)
        return Qt::NoItemFlags;
    // A group never has children: the view need not ask.
    const Qt::ItemFlags leaf = r->kind == KindGroup ? Qt::ItemNeverHasChildren : Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | leaf;
}

} // namespace qv
