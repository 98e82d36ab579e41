#pragma once

#include <QPersistentModelIndex>
#include <QPoint>
#include <QTreeView>

class QAction;
class QMenu;

namespace qv {

class ScanTreeModel;

// The main window's tree: read-only, uniform rows, a fixed-pitch font, and an indentation of exactly two
// character advances, so that the figure columns of the labels of all levels line up. Keeps a light ground
// (white base, black text) under any desktop palette. Remembers where the last mouse press in it was.
// Its context menu (right button or the Menu key) offers "Largest First", "Copy Path", "Show in File
// Manager" and "Rescan This Directory"; the last two are the main window's to carry out and to enable.
// "*" expands the current node's subtree breadth first up to ExpandAllRows rows, so that it never freezes
// the window.
class ScanTreeView : public QTreeView
{
    Q_OBJECT
public:
    // The most rows "*" shows below a node: the nearest levels of the subtree open first, and the
    // expansion stops at the first node whose children would pass the bound.
    static constexpr int ExpandAllRows = 20000;

    explicit ScanTreeView(QWidget* parent = nullptr);

    // "Courier" at 13 pixels when that resolves to a fixed-pitch font, else the system's fixed font.
    static QFont treefont();

    void setscanmodel(ScanTreeModel* model);
    // After the model was built: the root expanded by one level, every other node collapsed, the column
    // as wide as the longest label.
    void showroot();
    // The column as wide as the longest label of the model's label width, nothing else changed.
    void fitcolumn();
    // The last mouse press, in the tree's client (viewport) coordinates; after Enter on a file-type
    // group, the centre of that node's row.
    QPoint lastpress() const { return m_lastpress; }

    // The context menu, with its actions "Largest First" (a check item) and "Copy Path".
    QMenu* contextmenu() const { return m_menu; }
    QAction* largestfirstaction() const { return m_largestfirst; }
    QAction* copypathaction() const { return m_copypath; }
    // Signalled with menunode(); enabled by whoever handles them, when the menu is about to show.
    QAction* showinfilemanageraction() const { return m_showinfilemanager; }
    QAction* rescanaction() const { return m_rescan; }
    // The node the context menu was last opened for (invalid when it was opened over no node).
    QModelIndex menunode() const { return m_menunode; }
    // Puts the node's path on the clipboard as display text: a directory's path, or for a file-type
    // group its pattern (the directory, "/" and the group's name).
    void copypath(const QModelIndex& index) const;
    // What "*" does: expands index and then the nodes below it, breadth first, in one layout pass, until
    // the rows shown below index would pass limit. Returns the number of rows shown below index.
    int expandbelow(const QModelIndex& index, int limit = ExpandAllRows);

signals:
    // A double-click anywhere in the tree, or Enter on a file-type group node, sent after the view has
    // handled it (the node under a double-click is selected by its first click; Enter selects its node).
    void dblclick();
    // "Show in File Manager" and "Rescan This Directory" for this node.
    void showinfilemanager(const QModelIndex& node);
    void rescan(const QModelIndex& node);

protected:
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    ScanTreeModel* m_model = nullptr;
    QPoint m_lastpress;
    QMenu* m_menu;
    QAction* m_largestfirst;
    QAction* m_copypath;
    QAction* m_showinfilemanager;
    QAction* m_rescan;
    QPersistentModelIndex m_menunode;
};

} // namespace qv
