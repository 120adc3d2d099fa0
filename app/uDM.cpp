#include "uDM.h"

#include "TBinaryStreamFormat.h"
#include "TSignalRec.h"
#include "uForexAPI.h"

#include <QDate>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

const QString DateColumn = QStringLiteral("DATE");
const QString TimeColumn = QStringLiteral("TIME");

// Runs one table operation: a failure is shown and becomes false; nothing done before it is undone.
template <typename TOperation> bool Guarded(TOperation&& operation) {
    try {
        operation();
        return true;
    } catch (const TFailure& failure) {
        ShowError(failure);
    } catch (const std::exception& error) {
        ShowError(QString::fromLocal8Bit(error.what()));
    }
    return false;
}

// As Guarded, for an operation that edits a row of table. A row whose post failed is not left in edit: the
// table would try to post it again before every later store and update and fail each of them the same way,
// and a delete would only drop the pending row while reporting success.
template <typename TOperation> bool GuardedEdit(TMemTable& table, TOperation&& operation) {
    if (Guarded(std::forward<TOperation>(operation))) {
        return true;
    }
    table.Cancel();
    return false;
}

// The row key: the record's whole day and its time text.
std::vector<TFieldValue> RowKey(const TSignalRec& r) {
    return {std::trunc(r.Date), ShortTextString(r.Time)};
}

QString AsText(const TFieldValue& value) {
    if (const QString* text = std::get_if<QString>(&value)) {
        return *text;
    }
    return {};
}

// Never more than four decimals, also for an engine that answers an absurd number.
QString PriceFormat(int decimals) {
    return QStringLiteral("###,##0.0000").left(std::min(decimals, 4) + 8);
}

} // namespace

QString ShortTextString(const TShortText& field) {
    const std::optional<std::string_view> text = ReadShortText(field);
    return text ? QString::fromLatin1(text->data(), static_cast<qsizetype>(text->size())) : QString();
}

double AsDouble(const TFieldValue& value) {
    if (const double* number = std::get_if<double>(&value)) {
        return *number;
    }
    if (const qint64* integer = std::get_if<qint64>(&value)) {
        return static_cast<double>(*integer);
    }
    return 0.0;
}

QString CurrencyFilePath(const QString& name) {
    QString kept;
    for (const QChar c : name) {
        const char16_t upper = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c.unicode() - 32) : c.unicode();
        if ((upper >= u'0' && upper <= u'9') || (upper >= u'A' && upper <= u'Z') || upper == u'_') {
            kept += c;
        }
    }
    return AppFilePath(kept + QStringLiteral(".kvt"));
}

QStringList SignalColumnNames() {
    QStringList names{DateColumn, TimeColumn};
    for (const TPriceColumn& column : PriceColumns) {
        names << QString::fromLatin1(column.Name);
    }
    return names;
}

void DefineSignalColumns(TMemTable& table) {
    table.ClearFields();
    table.AddField({.Name = DateColumn, .TypeName = QStringLiteral("Date"), .Required = true});
    table.AddField({.Name = TimeColumn, .TypeName = QStringLiteral("String"), .Size = 4, .Required = true});
    for (const TPriceColumn& column : PriceColumns) {
        table.AddField(
            {.Name = QString::fromLatin1(column.Name), .TypeName = QStringLiteral("Float"), .Required = true});
    }
}

void PrepareSignalTable(TMemTable& table, const QString& path) {
    table.PersistentFile = path;
    table.DefaultFormat().SetBufferSize(TableBufferSize);
    DefineSignalColumns(table);
    table.Open();
}

void LoadSignalTable(TMemTable& table) {
    // A folder in the file's place is no data file: the table opens empty and in order, and the first store
    // reports that the file cannot be created.
    if (QFileInfo(table.PersistentFile).isFile()) {
        table.DefaultFormat().ReadTableFile(table, table.PersistentFile);
    }
    if (table.Tag > 0) {
        for (int i = 0; i < table.FieldCount(); ++i) {
            if (table.Field(i).TypeName == QLatin1String("Float")) {
                table.Field(i).DisplayFormat = PriceFormat(table.Tag);
            }
        }
    }
    table.Field(table.FieldByName(TimeColumn)).EditMask = QString::fromLatin1(TimeEditMask);
    table.SetSortOrder({DateColumn, TimeColumn}, /*descending=*/true, /*caseInsensitive=*/true);
    table.First();
}

int LocalDayNumber() {
    return static_cast<int>(QDate(1899, 12, 30).daysTo(platform::LocalNow().date()));
}

void PlaceRecord(TMemTable& table, const TSignalRec& r, int today) {
    const std::vector<TFieldValue> key = RowKey(r);
    if (table.Locate({DateColumn, TimeColumn}, key)) {
        table.Edit();
    } else {
        table.Append();
        table.SetValue(DateColumn, r.Date);
        table.SetValue(TimeColumn, ShortTextString(r.Time));
    }
    Tdm::AssignPrices(table, r);
    table.Post();

    if (table.RecordCount() > MaxTableRows) {
        // The newest row dated before the cutoff day goes first; without one, the oldest row.
        const double cutoffDay = today - PruneAgeDays;
        const int newerRows = table.CountBefore({cutoffDay, QString()});
        table.SetRecNo(newerRows < table.RecordCount() ? newerRows + 1 : table.RecordCount());
        table.Delete();
    }
}

Tdm::Tdm(QObject* parent) : QObject(parent) {}

TMemTable* Tdm::OpenCurrencyTable(const QString& name) {
    auto* table = new TMemTable(this);
    Guarded([&] {
        table->Tag = GetCurrencyDecimals(name);
        PrepareSignalTable(*table, CurrencyFilePath(name));
        LoadSignalTable(*table);
    });
    return table;
}

bool Tdm::StoreRecord(TMemTable& table, const TSignalRec& r) {
    return GuardedEdit(table, [&] {
        PlaceRecord(table, r, LocalDayNumber());
        table.DefaultFormat().WriteTableFile(table, table.PersistentFile);
        table.Locate({DateColumn, TimeColumn}, RowKey(r)); // the stored row becomes current unless the prune took it
    });
}

bool Tdm::UpdateCurrentRecord(TMemTable& table, const TSignalRec& r) {
    return GuardedEdit(table, [&] {
        table.Edit();
        AssignPrices(table, r);
        table.Post();
        table.DefaultFormat().WriteTableFile(table, table.PersistentFile);
    });
}

bool Tdm::DeleteCurrentRecord(TMemTable& table) {
    return Guarded([&] {
        table.Delete();
        table.DefaultFormat().WriteTableFile(table, table.PersistentFile);
    });
}

bool Tdm::ReadCurrentRecord(TMemTable& table, TSignalRec& r, const QString& name) {
    return Guarded([&] {
        r.Date = std::trunc(AsDouble(table.Value(DateColumn)));
        WriteShortText(r.Time, AsText(table.Value(TimeColumn)).toLatin1().toStdString());
        WriteShortText(r.Currency, name.left(8).toLatin1().toStdString());
        for (const TPriceColumn& column : PriceColumns) {
            r.*column.Field = AsDouble(table.Value(QString::fromLatin1(column.Name)));
        }
    });
}

void Tdm::AssignPrices(TMemTable& table, const TSignalRec& r) {
    for (const TPriceColumn& column : PriceColumns) {
        table.SetValue(QString::fromLatin1(column.Name), r.*column.Field);
    }
}
