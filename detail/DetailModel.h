#pragma once

#include "DetailRows.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <vector>

namespace qv {

// The detail list's rows as a table: File Name, Size, Space Used, What If, Modified. Texts are made when
// the view asks for them, so a fill costs one reset however many rows there are. Only the name can be
// edited, and only the text shown changes. A click on a column's caption sorts by that column (sort()).
class DetailModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { NameColumn, SizeColumn, SpaceColumn, WhatIfColumn, ModifiedColumn, ColumnCount };
    // The row's colour number (the state image's index), under this role of the name column.
    static constexpr int StateImageRole = Qt::UserRole + 1;

    // images: the nine state images, indexed by colour number.
    explicit DetailModel(const QList<QIcon>& images, QObject* parent = nullptr);

    // Replaces every row in one reset; rows come in name order, as detailrows() gives them.
    void setrows(DetailRows rows);
    // Removes every row in one reset and hands them out (to be freed where it costs the window nothing).
    DetailRows takerows();
    const DetailRows& rows() const { return m_rows; }

    // Orders the rows by a column: names in the list's name order (as edited captions now read), sizes by
    // their bytes, times by their time; rows equal there in name order. Descending reverses it all.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    static QString caption(int column);
    static int width(int column);
    static Qt::Alignment alignment(int column);

private:
    void rank();

    DetailRows m_rows;
    bool m_ranked = true; // every row's rank is its place in the name order of the captions shown
    QList<QIcon> m_images; // QVImageList2a
};

} // namespace qv
