#pragma once

#include "BackgroundCall.h"
#include "dirrec.h"

#include <QWidget>
#include <functional>
#include <memory>

class QRect;
class QTreeView;
class QVBoxLayout;

namespace qv {

class ColourRangeTable;
class DetailModel;
class DirLister;
struct ScanValues;

// Makes the lister a fill reads the directory with: the same kind the walker uses.
using DirListerFactory = std::function<std::unique_ptr<DirLister>()>;

// The detail list: the files of one file-type group of one directory, read afresh from the disc at each
// fill. Created once and reused; closing it hides it and releases its rows (and drops a fill still being
// read): it is shown again only by a fill, which makes new ones. Once a big group's rows go, the list
// control itself (QVList1) is made anew, keeping its column widths, since a tree view holds on to the
// layout of every row it has shown.
class TQVForm4 : public QWidget
{
    Q_OBJECT

public:
    TQVForm4(ScanValues& values, const ColourRangeTable& table, DirListerFactory listers, QWidget* parent = nullptr);
    ~TQVForm4() override;

    // Replaces the rows with the files of the group record's directory that belong to the group, sorted by
    // name, using the scan's cluster size, the current what-if size and the current colour table. The old
    // rows go at once; the directory is read on a worker, so one that never answers costs a parked
    // thread, never the window, and the new rows appear together, in name order, when they are complete
    // (filled() then). A further fill replaces one in flight, whose rows never appear. The record chain
    // is read during the call only.
    void fill(const dirrec& group);
    // True while a fill's rows are still being read.
    bool filling() const { return m_fill.pending(); }

    // A double-click on a file-type group: fills the list with the group's files, places the window's
    // left edge at the middle of the main window (mainbounds: its outer bounds) and its top 60 pixels
    // below the height of the last mouse press in the tree (pressy, tree client coordinates), shows it
    // without making it modal and brings it to the front.
    void open(const dirrec& group, const QRect& mainbounds, int pressy);

    DetailModel* model() const { return m_model; }

signals:
    // The rows of the latest fill are in the list.
    void filled();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QTreeView* makelist();
    void renewlist();

    ScanValues& m_values;
    const ColourRangeTable& m_table;
    DirListerFactory m_listers;
    DetailModel* m_model;
    QVBoxLayout* m_layout;
    QTreeView* m_list; // QVList1
    int m_listrows = 0; // the most rows m_list has laid out
    BackgroundCall m_fill;
};

} // namespace qv
