#pragma once

#include "RecolourTree.h"
#include "dirrec.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace qv {

class ColourRangeTable;

// The tree view's read-only model over the records of one scan. It keeps no table of nodes: an index
// carries its record, and a record's children get an array of their own (one pointer each) only when a
// view first asks for them, that is when the record is expanded. Showing a tree therefore takes constant
// time and memory whatever its size; what the model holds grows with what has been shown. Labels and
// discs are made when the view paints them. The children of a record show in the records' own (name)
// order, or by request largest first; either way only the view's order changes, never the records.
class ScanTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    explicit ScanTreeModel(QObject* parent = nullptr);

    // Shows root and every record below it, with label width W and the discs of table. root may be null:
    // nothing is shown. Constant time: nothing below the root is visited.
    void build(dirrec* root, int W, const ColourRangeTable& table);
    // Shows nothing; the records shown so far may be released afterwards.
    void clear();
    // The colour table the discs are drawn with; after RecolourTree on it, refreshstateimages repaints.
    TreeColours& colours() { return m_colours; }
    std::int8_t stateimage(const dirrec& r) const { return m_colours.colourof(r); }
    // Has every view repaint every node's disc (nothing moves, nothing is laid out again).
    void refreshstateimages();
    // A rescan's result: puts fresh's subtree in place of dir's (splicesubtree) and shows it with label
    // width W, as a layout change that keeps the view's state: expanded nodes, the selection and the current
    // node stay with their records, those below dir with the new record of the same name and kind (and go
    // when there is none). Takes time in proportion to the old subtree, the children shown of dir's
    // ancestors and the persistent indexes, not to the tree.
    void replacesubtree(dirrec* dir, dirrec* fresh, int W);

    // The decorations, by state image (0 = no disc) and kind (0 directory, 1 file-type group); each icon
    // holds the normal and the selected picture.
    void setdecorations(const std::array<std::array<QIcon, 2>, 9>& icons) { m_icons = icons; }
    // The volume's and the what-if cluster size that the figures of the next build were computed with,
    // named in each node's tooltip.
    void setclusters(std::uint32_t clustersize, std::int32_t whatifkb);

    // Largest first: every record's children by descending disc space, ties in the name order; off: the
    // name order. Re-orders the children shown so far in place (a layout change: expanded nodes, the
    // selection and the current node stay with their records) and applies to every later build. Off at
    // the start.
    void setlargestfirst(bool on);
    bool largestfirst() const { return m_largestfirst; }

    dirrec* root() const { return m_root; }
    dirrec* record(const QModelIndex& index) const;
    // The index of r, laying out the children of its ancestors as needed; invalid when r is not shown.
    QModelIndex indexof(const dirrec* r) const;
    // The nodes laid out so far: the root and the children of every record a view has opened.
    std::size_t nodecount() const { return m_root ? 1 + m_rowsmade : 0; }
    int labelwidth() const { return m_labelwidth; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The discs are to be painted again (after a recolouring).
    void discschanged();

private:
    // The children of one record in the view's order, and that record's own row under its parent.
    struct Children
    {
        std::vector<dirrec*> rows;
        int row = 0;
    };

    // r's children, laid out when first asked for; row is r's own row under its parent.
    const Children& childrenof(const dirrec* r, int row) const;
    void arrange(std::vector<dirrec*>& rows, const dirrec* parent) const;
    int level(const dirrec* r) const;

    dirrec* m_root = nullptr;
    mutable std::unordered_map<const dirrec*, Children> m_children;
    mutable std::size_t m_rowsmade = 0;
    int m_labelwidth = 32;
    std::uint32_t m_clustersize = 4096;
    std::int32_t m_whatifkb = 4;
    bool m_largestfirst = false;
    TreeColours m_colours;
    std::array<std::array<QIcon, 2>, 9> m_icons;
};

} // namespace qv
