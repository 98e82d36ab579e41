#pragma once

#include "dirrec.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <array>
#include <cstdint>
#include <vector>

namespace qv {

class ColourRangeTable;

// The tree view's read-only model over the records of one scan. build() lays the records out breadth
// first (a rescanned subtree goes at the end, the same way), so that the children of every record are
// contiguous: index(), parent() and rowCount() take
// constant time, and building is one pass without recursion, at 16 bytes per record. Each record's
// treenode is its place in that layout. Labels are made when the view asks for them. The children of a
// record show in the records' own (name) order, or by request largest first; either way only the view's
// order changes, never the records.
class ScanTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    explicit ScanTreeModel(QObject* parent = nullptr);

    // Shows root and every record below it, with label width W. Sets each record's treenode and its
    // stateimage (ColourOfSize of its space in table). root may be null: nothing is shown.
    void build(dirrec* root, int W, const ColourRangeTable& table);
    // Shows nothing; the records shown so far may be released afterwards.
    void clear();
    // A rescan's result: puts fresh's subtree in place of dir's (splicesubtree) and shows it with label
    // width W, as a layout change that keeps the view's state: expanded nodes, the selection and the current
    // node stay with their records, those below dir with the new record of the same name and kind (and go
    // when there is none). dir's new subtree and its ancestors get their discs from table. Takes time in
    // proportion to the old and new subtrees and the depth of dir, not to the tree.
    void replacesubtree(dirrec* dir, dirrec* fresh, int W, const ColourRangeTable& table);
    // After the records' stateimage fields were changed (recolouring): has every view repaint every
    // node's disc (a layout change without any move), at a cost independent of the number of directories.
    void refreshstateimages();

    // The decorations, by state image (0 = no disc) and kind (0 directory, 1 file-type group); each icon
    // holds the normal and the selected picture.
    void setdecorations(const std::array<std::array<QIcon, 2>, 9>& icons) { m_icons = icons; }
    // The volume's and the what-if cluster size that the figures of the next build were computed with,
    // named in each node's tooltip.
    void setclusters(std::uint32_t clustersize, std::int32_t whatifkb);

    // Largest first: every record's children by descending disc space, ties in the name order; off: the
    // name order. Re-orders the shown tree in place (a layout change: expanded nodes, the selection and
    // the current node stay with their records) and applies to every later build. Off at the start.
    void setlargestfirst(bool on);
    bool largestfirst() const { return m_largestfirst; }

    dirrec* record(const QModelIndex& index) const;
    QModelIndex indexof(const dirrec* r) const;
    std::size_t nodecount() const { return m_nodes.size(); }
    int labelwidth() const { return m_labelwidth; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    int level(std::uint32_t node) const;
    void arrangechildren(); // lays every sibling block out in the current order
    void arrangeblock(std::uint32_t p); // lays out node p's children in the current order

    std::vector<dirrec*> m_nodes; // breadth-first: the root, then level 1, ...
    std::vector<std::uint32_t> m_first; // per node: the node index of its first child
    std::vector<std::uint32_t> m_count; // per node: its number of children
    int m_labelwidth = 32;
    std::uint32_t m_clustersize = 4096;
    std::int32_t m_whatifkb = 4;
    bool m_largestfirst = false;
    std::array<std::array<QIcon, 2>, 9> m_icons;
};

} // namespace qv
