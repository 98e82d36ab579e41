#include "TQVForm4.h"

#include "DetailModel.h"
#include "DirLister.h"
#include "Forms.h"
#include "Placement.h"
#include "RangePalette.h"
#include "ScanValues.h"

#include <QHeaderView>
#include <QRect>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

namespace qv {

TQVForm4::TQVForm4(ScanValues& values, const ColourRangeTable& table, DirListerFactory listers, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_values(values)
    , m_table(table)
    , m_listers(std::move(listers))
    , m_model(new DetailModel(RangePalette::stateicons(), this)) // QVImageList2a
    , m_layout(new QVBoxLayout(this))
    , m_list(makelist())
    , m_fill(this)
{
    setObjectName(QStringLiteral("QVForm4"));
    setWindowTitle(QStringLiteral("Quorvane Detail List"));
    setFont(formfont());
    resize(561, 300);
    QHeaderView* header = m_list->header();
    for (int c = 0; c < DetailModel::ColumnCount; ++c)
        header->resizeSection(c, DetailModel::width(c));
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->addWidget(m_list);
}

QTreeView* TQVForm4::makelist()
{
    auto* list = new QTreeView(this);
    list->setObjectName(QStringLiteral("QVList1"));
    list->setModel(m_model);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true); // row heights are never measured row by row
    list->setAllColumnsShowFocus(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    list->setIconSize(QSize(16, 16));
    list->setSortingEnabled(false);
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    // A click on a caption sorts by its column, a second click on it the other way round. No column is
    // marked while the rows are in the fill's name order.
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    connect(header, &QHeaderView::sortIndicatorChanged, m_model, &DetailModel::sort);
    return list;
}

TQVForm4::~TQVForm4() = default;

void TQVForm4::fill(const dirrec& group)
{
    // Everything the worker reads is copied here: a new scan may release the records, and the what-if
    // size and the colour table may change, while it reads.
    DetailRequest request = DetailRequest::of(group, { m_values.clustersize, m_values.whatifkb.load(), m_table });
    m_list->header()->setSortIndicator(-1, Qt::AscendingOrder);
    // The old rows are freed on the worker, before the new ones are made.
    auto old = std::make_shared<DetailRows>(m_model->takerows());
    renewlist();
    m_list->viewport()->setCursor(Qt::BusyCursor);
    m_fill.start<DetailRows>(
        [old = std::move(old), request = std::move(request), listers = m_listers]() mutable {
            old.reset();
            const std::unique_ptr<DirLister> lister = listers();
            return detailrows(request, *lister);
        },
        [this](DetailRows& rows) {
            m_list->header()->setSortIndicator(-1, Qt::AscendingOrder); // a click meanwhile sorted no rows of these
            m_list->setUpdatesEnabled(false);
            m_model->setrows(std::move(rows));
            m_listrows = std::max(m_listrows, m_model->rowCount());
            m_list->setUpdatesEnabled(true);
            m_list->viewport()->unsetCursor();
            emit filled();
        });
}

void TQVForm4::closeEvent(QCloseEvent* event)
{
    m_fill.cancel();
    m_list->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_model->takerows(); // a few large blocks: freed at once
    renewlist();
    m_list->viewport()->unsetCursor();
    QWidget::closeEvent(event);
}

// A tree view keeps the layout it made for its rows (40 bytes a row) when they go, for as long as it
// lives. After a big group the list is therefore made anew, with the user's column widths, once its rows
// are gone, so that no fill and no closed window holds the last big group's layout.
void TQVForm4::renewlist()
{
    constexpr int KeptLayoutRows = 1 << 16;
    if (m_listrows < KeptLayoutRows)
        return;
    QTreeView* old = m_list;
    m_list = makelist();
    m_list->header()->restoreState(old->header()->saveState());
    m_list->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_listrows = 0;
    const bool focused = old->hasFocus();
    delete m_layout->replaceWidget(old, m_list);
    if (focused)
        m_list->setFocus();
    old->setObjectName({});
    disconnect(old->header(), nullptr, m_model, nullptr);
    old->hide();
    old->deleteLater(); // it may be the sender of the event or signal that got here
}

void TQVForm4::open(const dirrec& group, const QRect& mainbounds, int pressy)
{
    fill(group);
    showplaced(this, { mainbounds.left() + mainbounds.width() / 2, mainbounds.top() + pressy + 60 });
}

} // namespace qv
