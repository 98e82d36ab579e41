#include "DetailModel.h"

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

DetailModel::DetailModel(const QList<QPixmap>& images, QObject* parent)
    : QAbstractTableModel(parent)
    , m_images(images)
{
}

void DetailModel::setrows(std::vector<DetailRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
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
