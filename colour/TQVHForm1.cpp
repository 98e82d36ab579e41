#include "TQVHForm1.h"

#include "ColourRangeTable.h"
#include "Placement.h"
#include "RangePalette.h"
#include "SizeText.h"

#include <QHeaderView>
#include <QRect>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace qv {
TQVHForm1::TQVHForm1(const ColourRangeTable& table, QWidget* parent)
    : QWidget(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
    , m_table(table)
    , m_images(RangePalette::stateicons())
    , m_list(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("QVHForm1"));
    setWindowTitle(QStringLiteral("Quorvane Colour Ranges"));
    setFixedSize(304, 160);

    m_list->setObjectName(QStringLiteral("QVHList1"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({ QStringLiteral("                 From"), QStringLiteral("To") });
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setIconSize(QSize(16, 16));
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionsMovable(false);
    m_list->header()->resizeSection(0, 150);
    m_list->header()->resizeSection(1, 150);
    // Nothing in the list can be selected or changed: it takes no focus, so it opens without a focus
    // rectangle on its first cell that would look like a selection.
    m_list->setFocusPolicy(Qt::NoFocus);
    // The discs sit on white tiles and the texts are black: the list keeps a white ground under any
    // desktop palette.
    QPalette light = m_list->palette();
    for (const QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        light.setColor(group, QPalette::Base, Qt::white);
        light.setColor(group, QPalette::Text, Qt::black);
    }
    m_list->setPalette(light);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
}

void TQVHForm1::fill()
{
    m_list->clear();
    m_list->setUpdatesEnabled(false);
    QList<QTreeWidgetItem*> rows;
    for (int k = 1; k <= ColourRangeTable::Count; ++k) {
        const double bound = m_table.range(k).bound;
        const QString from = k == 1 ? QStringLiteral("               0") : legendkbtext(m_table.range(k - 1).bound);
        auto* item = new QTreeWidgetItem({ from, legendkbtext(bound) });
        // Right-aligned number texts: in a proportional font only right-aligned cells line the digits up.
        item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        // The disc a size equal to the upper bound gets: the row's own colour unless an earlier range
        // has the same bound.
        const int colour = ColourOfSize(m_table, bound);
        item->setData(0, StateImageRole, colour);
        if (colour >= 0 && colour < m_images.size())
            item->setIcon(0, m_images[colour]);
        rows.push_back(item);
    }
    m_list->addTopLevelItems(rows);
    // 304 x 160 holds the eight rows in the layout's font; a font with taller rows gets a window that still
    // shows them all.
    const int frame = 2 * m_list->frameWidth();
    const int height = m_list->header()->sizeHint().height() + ColourRangeTable::Count * m_list->sizeHintForRow(0);
    setFixedSize(std::max(304, 300 + frame), std::max(160, height + frame));
    m_list->setUpdatesEnabled(true);
}

void TQVHForm1::open(const QRect& mainbounds)
{
    fill();
    showplaced(this, mainbounds.topLeft() + QPoint(120, 90));
}

} // namespace qv
