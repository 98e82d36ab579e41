#include "DetailModel.h"

#include "RowOrder.h"

#include <algorithm>
#include <numeric>

namespace qv {
namespace {

struct ColumnInfo
{
    const char* caption;
    int width;
    Qt::Alignment alignment;
};

constexpr ColumnInfo Columns[DetailModel::ColumnCount] = {
    { "File Name", 140, Qt::AlignLeft },
    { "Size", 80, Qt::AlignRight },
    { "Space Used", 80, Qt::AlignRight },
    { "What If", 80, Qt::AlignRight },
    { "Modified", 150, Qt::AlignLeft },
};

} // namespace

DetailModel::DetailModel(const QList<QIcon>& images, QObject* parent)
    : QAbstractTableModel(parent)
    , m_images(images)
{
}

void DetailModel::setrows(std::vector<DetailRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_rows[i].rank = static_cast<std::uint32_t>(i);
    m_ranked = true;
    endResetModel();
}

std::vector<DetailRow> DetailModel::takerows()
{
    beginResetModel();
    std::vector<DetailRow> rows = std::move(m_rows);
    m_rows.clear();
    endResetModel();
    return rows;
}

void DetailModel::rank()
{
    NameOrder names;
    for (const DetailRow& row : m_rows)
        names.add(row.caption);
    const std::vector<std::size_t> order = names.order(m_rows);
    for (std::size_t i = 0; i < order.size(); ++i)
        m_rows[order[i]].rank = static_cast<std::uint32_t>(i);
    m_ranked = true;
}

void DetailModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    if (!m_ranked)
        rank();
    const auto key = [column](const DetailRow& r) {
        switch (column) {
        case SizeColumn:
            return r.size;
        case SpaceColumn:
            return r.space;
        case WhatIfColumn:
            return r.whatif;
        case ModifiedColumn:
            return static_cast<double>(r.mtime);
        }
        return 0.0; // names: the rank alone
    };
    std::vector<std::size_t> sorted(m_rows.size()); // old row numbers in the new order
    std::iota(sorted.begin(), sorted.end(), std::size_t(0));
    std::sort(sorted.begin(), sorted.end(), [&](std::size_t a, std::size_t b) {
        const DetailRow& x = m_rows[order == Qt::AscendingOrder ? a : b];
        const DetailRow& y = m_rows[order == Qt::AscendingOrder ? b : a];
        const double kx = key(x), ky = key(y);
        return kx != ky ? kx < ky : x.rank < y.rank;
    });
    std::vector<DetailRow> rows;
    rows.reserve(m_rows.size());
    std::vector<int> moved(m_rows.size()); // new row number of each old one
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        rows.push_back(std::move(m_rows[sorted[i]]));
        moved[sorted[i]] = static_cast<int>(i);
    }
    m_rows = std::move(rows);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before)
        after.push_back(index(moved[static_cast<std::size_t>(i.row())], i.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int DetailModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int DetailModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DetailModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const DetailRow& row = m_rows[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (column) {
        case NameColumn:
            return row.caption;
        case SizeColumn:
            return row.sizetext();
        case SpaceColumn:
            return row.spacetext();
        case WhatIfColumn:
            return row.whatiftext();
        case ModifiedColumn:
            return row.modifiedtext();
        }
        return {};
    case Qt::DecorationRole:
        if (column == NameColumn && row.stateimage > 0 && row.stateimage < m_images.size())
            return m_images[row.stateimage];
        return {};
    case Qt::TextAlignmentRole:
        return int(alignment(column) | Qt::AlignVCenter);
    case StateImageRole:
        return column == NameColumn ? QVariant(int(row.stateimage)) : QVariant();
    }
    return {};
}

bool DetailModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != NameColumn || role != Qt::EditRole || index.row() >= rowCount())
        return false;
    m_rows[static_cast<std::size_t>(index.row())].caption = value.toString();
    m_ranked = false;
    emit dataChanged(index, index, { Qt::DisplayRole, Qt::EditRole });
    return true;
}

Qt::ItemFlags DetailModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == NameColumn)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant DetailModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return caption(section);
    if (role == Qt::TextAlignmentRole)
        return int(alignment(section) | Qt::AlignVCenter);
    return {};
}

QString DetailModel::caption(int column)
{
    return QString::fromLatin1(Columns[column].caption);
}

int DetailModel::width(int column)
{
    return Columns[column].width;
}

Qt::Alignment DetailModel::alignment(int column)
{
    return Columns[column].alignment;
}

} // namespace qv
