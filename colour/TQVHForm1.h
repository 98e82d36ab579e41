#pragma once

#include <QIcon>
#include <QList>
#include <QWidget>

class QRect;
class QTreeWidget;

namespace qv {

class ColourRangeTable;

// The colour legend: the eight ranges with their lower (exclusive) and upper (inclusive) limits in KB
// and the disc each one shows. Created once and reused; closing it only hides it. It shows the table
// as it was when it was last filled.
class TQVHForm1 : public QWidget
{
    Q_OBJECT

public:
    // The colour number a row's disc stands for, under this role of column 0.
    static constexpr int StateImageRole = Qt::UserRole + 1;

    explicit TQVHForm1(const ColourRangeTable& table, QWidget* parent = nullptr);

    // Refills the list from the table as it is now, with the list's repainting suspended meanwhile.
    void fill();
    // What the Options menu's "Show Colour Ranges" does: fill, place 120 right of and 90 below the main
    // window's top-left corner (mainbounds: its outer bounds), show without making it modal, bring it to
    // the front.
    void open(const QRect& mainbounds);

private:
    const ColourRangeTable& m_table;
    QList<QIcon> m_images; // QVHImageList: the nine state images, indexed by colour number
    QTreeWidget* m_list; // QVHList1
};

} // namespace qv
