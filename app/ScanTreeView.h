#pragma once

#include <QPoint>
#include <QTreeView>

namespace qv {

class ScanTreeModel;

// The main window's tree: read-only, uniform rows, a fixed-pitch font, and an indentation of exactly two
// character advances, so that the figure columns of the labels of all levels line up. Remembers where
// the last mouse press in it was.
class ScanTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit ScanTreeView(QWidget* parent = nullptr);

    // "Courier" at 13 pixels when that resolves to a fixed-pitch font, else the system's fixed font.
    static QFont treefont();

    void setscanmodel(ScanTreeModel* model);
    // After the model was built: the root expanded by one level, every other node collapsed, the column
    // as wide as the longest label.
    void showroot();
    // The last mouse press, in the tree's client (viewport) coordinates.
    QPoint lastpress() const { return m_lastpress; }

signals:
    // A double-click anywhere in the tree, sent after the view has handled it (the node under a
    // double-click is selected by its first click).
    void dblclick();

protected:
    bool viewportEvent(QEvent* event) override;

private:
    ScanTreeModel* m_model = nullptr;
    QPoint m_lastpress;
};

} // namespace qv
