#include "DetailModel.h"

#include "RowOrder.h"

#include <algorithm>

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

void DetailModel::setrows(DetailRows rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_rows[i].rank = static_cast<std::uint32_t>(i);
    m_ranked = true;
    endResetModel();
}

DetailRows DetailModel::takerows()
{
    beginResetModel();
    DetailRows rows = std::move(m_rows);
    m_rows = {};
    endResetModel();
    return rows;
}

void DetailModel::rank()
{
    const MappedArray<std::uint32_t> order = nameorder(m_rows);
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
    // Sorted as small self-contained entries, then the rows are moved into place once.
    struct Entry
    {
        double key;
        std::uint32_t rank;
        std::uint32_t row;
    };
    MappedArray<Entry> entries;
    entries.resize(m_rows.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i] = { key(m_rows[i]), m_rows[i].rank, static_cast<std::uint32_t>(i) };
    const auto less = [](const Entry& x, const Entry& y) { return x.key != y.key ? x.key < y.key : x.rank < y.rank; };
    if (order == Qt::AscendingOrder)
        std::sort(entries.begin(), entries.end(), less);
    else
        std::sort(entries.begin(), entries.end(), [&](const Entry& x, const Entry& y) { return less(y, x); });
    MappedArray<std::uint32_t> sorted; // old row numbers in the new order
    sorted.resize(entries.size());
    std::vector<int> moved(entries.size()); // new row number of each old one
    for (std::size_t i = 0; i < entries.size(); ++i) {
        sorted[i] = entries[i].row;
        moved[entries[i].row] = static_cast<int>(i);
    }
    entries.clear();
    m_rows.permute(std::move(sorted));
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
            return m_rows.caption(row);
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
    m_rows.setcaption(static_cast<std::size_t>(index.row()), value.toString());
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
