#include "TTableGridModel.h"

#include "TMemTable.h"

#include <QBrush>
#include <QPainter>
#include <QPixmap>

namespace {

// The row indicator: a small black triangle pointing at the current row.
QPixmap IndicatorPicture() {
    QPixmap pixmap(8, 10);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygonF({QPointF(1, 1), QPointF(7, 5), QPointF(1, 9)}));
    return pixmap;
}

} // namespace

TTableGridModel::TTableGridModel(TMemTable& table, QList<TGridColumn> columns, QFont titleFont, QObject* parent)
    : QAbstractTableModel(parent), FTable(table), FColumns(std::move(columns)), FTitleFont(std::move(titleFont)) {
    Refresh();
}

int TTableGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FTable.RecordCount();
}

int TTableGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(FColumns.size());
}

int TTableGridModel::FieldOf(int column) const {
    return FFields.value(column, -1);
}

QVariant TTableGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= FTable.RecordCount()) {
        return {};
    }
    const TGridColumn& column = FColumns.at(index.column());
    switch (role) {
    case Qt::DisplayRole: {
        const int field = FieldOf(index.column());
        return field >= 0 ? FTable.RowDisplayText(index.row(), field) : QString();
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column.Alignment | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        return column.Background.isValid() ? QVariant(QBrush(column.Background)) : QVariant();
    case Qt::ForegroundRole:
        return column.TextColor.isValid() ? QVariant(QBrush(column.TextColor)) : QVariant();
    case Qt::FontRole:
        if (column.BoldCell) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    default:
        return {};
    }
}

QVariant TTableGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        if (role == Qt::DecorationRole && section == FIndicatorRow) {
            static const QPixmap indicator = IndicatorPicture();
            return indicator;
        }
        if (role == Qt::DisplayRole) {
            return QString();
        }
        return {};
    }
    if (section < 0 || section >= FColumns.size()) {
        return {};
    }
    const TGridColumn& column = FColumns.at(section);
    switch (role) {
    case Qt::DisplayRole:
        return column.Title;
    case Qt::FontRole: {
        QFont font = FTitleFont;
        font.setBold(column.BoldTitle);
        return font;
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

Qt::ItemFlags TTableGridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void TTableGridModel::Refresh() {
    beginResetModel();
    FFields.clear();
    for (const TGridColumn& column : FColumns) {
        FFields.append(FTable.FieldIndex(column.FieldName));
    }
    FIndicatorRow = FTable.RecNo() - 1;
    endResetModel();
}

void TTableGridModel::CurrentRowMoved() {
    const int previous = FIndicatorRow;
    FIndicatorRow = FTable.RecNo() - 1;
    if (previous >= 0) {
        emit headerDataChanged(Qt::Vertical, previous, previous);
    }
    if (FIndicatorRow >= 0) {
        emit headerDataChanged(Qt::Vertical, FIndicatorRow, FIndicatorRow);
    }
}
