#pragma once

// The grid's view of a table: one row per table row in the table's order, one column per grid column, the
// cells showing the fields' display texts. It follows the table's notifications, so a table whose display
// updates are suspended leaves the grid as it was.

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QList>

class TMemTable;

struct TGridColumn {
    QString FieldName;
    QString Title;
    bool BoldTitle = false;
    int Width = 88;
    Qt::Alignment Alignment = Qt::AlignLeft;
    QColor Background; // invalid: the window colour
    bool BoldCell = false;
    QColor TextColor; // invalid: the normal text colour
};

class TTableGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TTableGridModel(TMemTable& table, QList<TGridColumn> columns, QFont titleFont, QObject* parent = nullptr);

    const TGridColumn& Column(int column) const { return FColumns.at(column); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Shows the table's rows afresh.
    void Refresh();
    // Moves the row indicator to the table's current row.
    void CurrentRowMoved();

private:
    int FieldOf(int column) const;

    TMemTable& FTable;
    QList<TGridColumn> FColumns;
    QFont FTitleFont;
    QList<int> FFields; // table field per grid column, -1 when the table lacks it
    int FIndicatorRow = -1;
};
