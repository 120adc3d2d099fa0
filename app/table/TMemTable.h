#pragma once

// An in-memory table of typed columns and rows with a cursor, a maintained sort order and notifications for
// attached displays. The program keeps one per opened currency pair; its file format is TBinaryStreamFormat.
//
// DRAFT INTERFACE: the implementation may refine names and signatures; keep the roles.

#include "TFailure.h"

#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <variant>
#include <vector>

class TBinaryStreamFormat;

// How a column's non-empty value is held.
enum class TValueKind { Integer, Boolean, Extended, Text };

// A column's value; std::monostate is the empty value (no value), which sorts before every value.
using TFieldValue = std::variant<std::monostate, qint64, bool, double, QString>;

enum class TFieldKind { Data, Calculated, Lookup, InternalCalc, Aggregate };

struct TFieldDef {
    QString Name;
    QString TypeName;          // as stored in files: "Date", "String", "Float", ...
    int Size = 0;              // text length for String columns, else 0
    bool Required = false;
    QString DisplayLabel;      // empty: the name is shown
    QString EditMask;          // e.g. "!90:00;0; " for TIME
    int DisplayWidth = 0;      // 0: the type's default (10 Date, Size for String, 10 Float)
    bool ReadOnly = false;
    TFieldKind Kind = TFieldKind::Data;
    QString DefaultExpression;
    QString DisplayFormat;     // e.g. "###,##0.0000" for Float columns; empty: default number display
};

enum class TTableState { Inactive, Browse, Edit, Insert };

class TMemTable : public QObject {
    Q_OBJECT
public:
    explicit TMemTable(QObject* parent = nullptr);
    ~TMemTable() override;

    // --- Columns
    void ClearFields();
    void AddField(const TFieldDef& def);
    int FieldCount() const;
    const TFieldDef& Field(int index) const;
    TFieldDef& Field(int index);
    int FieldIndex(const QString& name) const;          // -1 when missing
    int FieldByName(const QString& name) const;         // throws TFailure "Field '%s' not found"

    // --- Open / close
    void Open();
    void Close();
    bool IsOpen() const;
    TTableState State() const;

    // --- Rows and cursor (positions are 1-based in row order)
    int RecordCount() const;
    bool IsEmpty() const;
    void First();
    void Last();
    void Next();
    void Prior();
    bool Bof() const;
    bool Eof() const;
    int RecNo() const;              // -1 when empty
    void SetRecNo(int recNo);        // ignored unless 1..RecordCount()

    // --- Values of the current row (or of the row being edited)
    TFieldValue Value(int field) const;
    TFieldValue Value(const QString& name) const;
    void SetValue(int field, const TFieldValue& value); // needs Edit/Insert state; String cut to Size,
    void SetValue(const QString& name, const TFieldValue& value); // Date keeps the whole day

    // --- Random access for displays (0-based position in row order), no cursor move
    TFieldValue RowValue(int position, int field) const;
    QString RowDisplayText(int position, int field) const;
    QString DisplayText(int field) const; // of the current row

    // --- Editing
    void Append();   // new row in the edit buffer
    void Edit();     // edit the current row
    void Post();     // checks Required ("Field '%s' must have a value"), places the row in the order
    void Cancel();
    void Delete();   // "Cannot perform this operation on an empty dataset"

    // --- Maintained order
    void SetSortOrder(const QStringList& fields, bool descending, bool caseInsensitive);
    bool HasSortOrder() const;
    // Moves to the first row whose key columns equal key (texts compared as the order compares them).
    bool Locate(const std::vector<TFieldValue>& key);
    // Number of rows that sort before key in the maintained order.
    int CountBefore(const std::vector<TFieldValue>& key) const;

    // --- Display updates
    void DisableControls();  // nested
    void EnableControls();   // displays refresh when the last suspension ends
    bool ControlsDisabled() const;

    // --- Locale for display texts and collation (the system locale by default)
    void SetLocale(const QLocale& locale);

    // --- The file format object (owned)
    TBinaryStreamFormat& DefaultFormat();
    QString PersistentFile;
    int Tag = 0;

signals:
    void DataChanged();     // rows, values or columns changed
    void CurrentChanged();  // the current row moved
};
