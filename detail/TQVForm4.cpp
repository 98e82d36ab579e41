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

namespace qv {

TQVForm4::TQVForm4(ScanValues& values, const ColourRangeTable& table, DirListerFactory listers, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_values(values)
    , m_table(table)
    , m_listers(std::move(listers))
    , m_model(new DetailModel(RangePalette::stateicons(), this)) // QVImageList2a
    , m_list(new QTreeView(this))
    , m_fill(this)
{
    setObjectName(QStringLiteral("QVForm4"));
    setWindowTitle(QStringLiteral("Quorvane Detail List"));
    setFont(formfont());
    resize(561, 300);

    m_list->setObjectName(QStringLiteral("QVList1"));
    m_list->setModel(m_model);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true); // row heights are never measured row by row
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    m_list->setIconSize(QSize(16, 16));
    m_list->setSortingEnabled(false);
    QHeaderView* header = m_list->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    for (int c = 0; c < DetailModel::ColumnCount; ++c)
        header->resizeSection(c, DetailModel::width(c));
    // A click on a caption sorts by its column, a second click on it the other way round. No column is
    // marked while the rows are in the fill's name order.
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    connect(header, &QHeaderView::sortIndicatorChanged, m_model, &DetailModel::sort);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
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
    m_list->viewport()->unsetCursor();
    QWidget::closeEvent(event);
}

void TQVForm4::open(const dirrec& group, const QRect& mainbounds, int pressy)
{
    fill(group);
    showplaced(this, { mainbounds.left() + mainbounds.width() / 2, mainbounds.top() + pressy + 60 });
}

} // namespace qv
