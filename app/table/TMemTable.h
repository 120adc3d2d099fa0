#pragma once

// An in-memory table of typed columns and rows with a cursor, a maintained sort order and notifications for
// attached displays. The program keeps one per opened currency pair; its file format is TBinaryStreamFormat.

#include "TFailure.h"
#include "uDisplayFormat.h"

#include <QCollator>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QtEndian>

#include <cmath>
#include <memory>
#include <span>
#include <type_traits>
#include <variant>
#include <vector>

class TBinaryStreamFormat;

// The column types a table can hold. Files name them by FieldTypeName; the names never change.
enum class TFieldType {
    SmallInt,
    Integer,
    Word,
    AutoInc,
    Boolean,
    Float,
    Currency,
    BCD,
    LargeInt,
    Date,
    Time,
    DateTime,
    String,
    FixedChar,
    Bytes,
    VarBytes,
    Blob,
    Memo,
    Graphic,
    FmtMemo,
    ParadoxOle,
    DBaseOle,
    TypedBinary,
    ADT,
    Array,
    SQLTimeStamp,
    FMTBcd,
};

// How a column's non-empty value is held: Integer as qint64, Boolean as bool, Extended as double (a Date is a
// whole day count since 30 December 1899, a Time a fraction of a day), Text as QString.
enum class TValueKind { Integer, Boolean, Extended, Text };

// The name a file stores for type, e.g. "Date", "String", "Float".
QString FieldTypeName(TFieldType type);
// Exact, case-sensitive match; false for every name a table cannot hold ("Guid", "float", ...).
bool FieldTypeFromName(QAnyStringView name, TFieldType& type);
TValueKind ValueKindOf(TFieldType type);

// A column's value; std::monostate is the empty value (no value), which sorts before every value.
using TFieldValue = std::variant<std::monostate, qint64, bool, double, QString>;

enum class TFieldKind { Data, Calculated, Lookup, InternalCalc, Aggregate };

QString FieldKindName(TFieldKind kind);
// False for any other name.
bool FieldKindFromName(QAnyStringView name, TFieldKind& kind);

struct TFieldDef {
    QString Name{};
    QString TypeName{};     // a name FieldTypeFromName accepts: "Date", "String", "Float", ...
    int Size = 0;           // text columns: most characters kept (0: no limit); other types: always 0
    bool Required = false;  // a posted row must have a value here
    QString DisplayLabel{}; // empty: the name is shown
    QString EditMask{};     // e.g. "!90:00;0; " for TIME; shapes the display text of a text column
    int DisplayWidth = 0;   // 0: the type's default
    bool ReadOnly = false;
    TFieldKind Kind = TFieldKind::Data;
    QString DefaultExpression{};
    QString DisplayFormat{}; // e.g. "###,##0.0000" for number columns; empty: the default number display

    QString DisplayName() const { return DisplayLabel.isEmpty() ? Name : DisplayLabel; }
    // The set width, or the type's default: the size for text columns, 10 for all others.
    int EffectiveDisplayWidth() const;
};

// An index definition as a file stores it. The table keeps and writes these; its row order comes from
// SetSortOrder alone.
struct TIndexDef {
    QString Name{};
    QString Fields{};
    QString DisplayName{};
    bool Descending = false;
    bool CaseInsensitive = false;
    bool NonMaintained = false;
    bool Unique = false;
};

// Row statuses as files store them. Rows the program creates or changes are unchanged (0); a row read from a
// file keeps its status, and a deleted one (3) is never shown.
enum TRowStatus : int { rsUnchanged = 0, rsModified = 1, rsInserted = 2, rsDeleted = 3 };

// One version of a row: its status and one value per column, in column order.
struct TRowData {
    int Status = rsUnchanged;
    std::vector<TFieldValue> Values;
};

// One stored value in 16 bytes. Numbers, flags and texts of up to ShortTextCapacity UTF-16 units sit in the cell
// itself; a longer text is a QString owned by the TRowStore that holds the cell, the cell only pointing at it. A cell
// holds exactly what a TFieldValue holds, the empty text included. Cells are plain bytes: TCell{} is the empty value,
// and the store makes, moves and drops its cells without running any code for them.
//
// A number read from a file may also be kept as the file stores it, an 80-bit extended number, and become a double
// only when asked for (Number, Value): reading the prices of a file then copies their bytes instead of converting
// each of them, which is most of what reading a file would cost. Asked for, it is the double the file's bytes
// round to, as DoubleFromExtended gives it.
class TCell {
public:
    // The program's only text column, TIME, holds at most four characters.
    static constexpr qsizetype ShortTextCapacity = 4;

    bool IsEmpty() const { return FKind == TKind::Empty; }
    bool IsInteger() const { return FKind == TKind::Integer; }
    bool IsBoolean() const { return FKind == TKind::Boolean; }
    bool IsNumber() const { return FKind == TKind::Number || FKind == TKind::Extended; }
    bool IsText() const { return FKind == TKind::ShortText || FKind == TKind::LongText; }
    // The index of the TFieldValue alternative the cell holds: 0 empty, 1 integer, 2 boolean, 3 number, 4 text.
    std::size_t ValueIndex() const {
        return IsText() ? 4 : (FKind == TKind::Extended ? 3 : static_cast<std::size_t>(FKind));
    }

    // Each getter needs the cell to hold that kind.
    qint64 Integer() const { return FInteger; }
    bool Boolean() const { return FBoolean; }
    double Number() const { return FKind == TKind::Number ? FNumber : ExtendedNumber(); }
    QStringView Text() const {
        return FKind == TKind::LongText ? QStringView(*FLongText) : QStringView(FShortText, FShortLength);
    }

    TFieldValue Value() const;

    // Fill a cell that holds no long text, whatever else it holds; texts are filled through TRowStore::FillText.
    void FillInteger(qint64 value) {
        FKind = TKind::Integer;
        FInteger = value;
    }
    void FillBoolean(bool value) {
        FKind = TKind::Boolean;
        FBoolean = value;
    }
    void FillNumber(double value) {
        FKind = TKind::Number;
        FNumber = value;
    }
    // Keeps the extended number at tenBytes, as a file stores it (significand, then sign and exponent,
    // little-endian), for Number to convert.
    void FillExtended(const char* tenBytes) {
        FKind = TKind::Extended;
        FExtendedTop = qFromLittleEndian<quint16>(tenBytes + 8);
        FSignificand = qFromLittleEndian<quint64>(tenBytes);
    }

private:
    friend class TRowStore;

    // Ordered as TFieldValue's alternatives, so that ValueIndex is the kind for all but texts and extended numbers.
    enum class TKind : quint8 { Empty, Integer, Boolean, Number, ShortText, LongText, Extended };

    double ExtendedNumber() const;

    TKind FKind;
    quint8 FShortLength;
    quint16 FExtendedTop; // an extended number's sign and exponent
    union {
        qint64 FInteger;
        bool FBoolean;
        double FNumber;
        char16_t FShortText[ShortTextCapacity];
        const QString* FLongText; // owned by the row store
        quint64 FSignificand;     // an extended number's significand
    };
};
static_assert(sizeof(TCell) == 16 && std::is_trivial_v<TCell>);

// The rows of a table in row order: the cells of all rows in one flat array, Width() cells per row, and beside it
// each row's status and the earlier versions a file carried for it. The store owns the long texts of its cells.
class TRowStore {
public:
    struct TRowHead {
        int Status = rsUnchanged;
        std::vector<TRowData> Older;
    };

    TRowStore() = default;
    TRowStore(const TRowStore&) = delete;
    TRowStore& operator=(const TRowStore&) = delete;
    ~TRowStore() { ReleaseTexts(0, CellIndex(Count())); }

    int Width() const { return FWidth; }
    int Count() const { return static_cast<int>(FHeads.size()); }
    bool IsEmpty() const { return FHeads.empty(); }

    // Drops every row; rows added from now on have width cells. The memory stays for the next rows.
    void Reset(int width);
    void Clear() { Reset(FWidth); }
    void Reserve(std::size_t rows);

    // row must be 0..Count()-1. Cells are changed only through the Fill functions, on cells that hold no long text.
    std::span<const TCell> Cells(int row) const { return {FCells.data() + CellIndex(row), CellIndex(1)}; }
    std::span<TCell> Cells(int row) { return {FCells.data() + CellIndex(row), CellIndex(1)}; }
    const TRowHead& Head(int row) const { return FHeads[static_cast<std::size_t>(row)]; }
    TRowHead& Head(int row) { return FHeads[static_cast<std::size_t>(row)]; }
    // The row's status and values as TFieldValues.
    TRowData Data(int row) const;

    // Appends a row with the unchanged status and returns its cells, which the caller must fill, every one of them:
    // they may still hold values of rows gone before, though never a long text. A file's rows are read straight
    // into them this way, without clearing them first.
    std::span<TCell> AppendRowToFill() {
        if (FCells.size() < CellIndex(Count() + 1)) {
            GrowCells();
        }
        FHeads.emplace_back();
        return Cells(Count() - 1);
    }
    // Appends a row that holds values, one per column.
    void AppendRow(const std::vector<TFieldValue>& values);
    void RemoveLast();
    // Removes the row at position and hands back its head.
    TRowHead Remove(int position);
    // Moves the row at from to position to; the rows between shift by one.
    void Move(int from, int to);
    // Puts the rows in a new order: row i becomes the row that was at order[i].
    void Reorder(const std::vector<std::size_t>& order);

    // Fill a cell of this store that holds no long text with a text; one too long for the cell itself becomes a
    // QString the store owns.
    void FillText(TCell& cell, QStringView text);
    void FillText(TCell& cell, QLatin1StringView text) {
        if (text.size() > TCell::ShortTextCapacity) {
            FillLongText(cell, QString(text));
            return;
        }
        // Latin-1 is the first 256 code points of UTF-16.
        for (qsizetype i = 0; i < text.size(); ++i) {
            cell.FShortText[i] = text[i].unicode();
        }
        cell.FShortLength = static_cast<quint8>(text.size());
        cell.FKind = TCell::TKind::ShortText;
    }
    void FillText(TCell& cell, QString&& text);
    void FillValue(TCell& cell, const TFieldValue& value);

private:
    std::size_t CellIndex(int row) const { return static_cast<std::size_t>(row) * static_cast<std::size_t>(FWidth); }
    // Makes room for at least one more row.
    void GrowCells();
    void FillLongText(TCell& cell, QString&& text);
    // Deletes the long texts of cells first..last-1, which become empty.
    void ReleaseTexts(std::size_t first, std::size_t last);

    int FWidth = 0;
    // The cells of the rows, then spare cells for rows to come. Spare cells may hold values of rows gone before, but
    // never a long text: the store owns only the long texts of its rows.
    std::vector<TCell> FCells;
    std::vector<TRowHead> FHeads;
    // The long texts of the rows' cells; stores without any (every program table) skip looking for them.
    std::vector<std::unique_ptr<QString>> FLongTexts;
};

enum class TTableState { Inactive, Browse, Edit, Insert };

class TMemTable : public QObject {
    Q_OBJECT
public:
    explicit TMemTable(QObject* parent = nullptr);
    ~TMemTable() override;

    // --- Columns. Columns are defined while the table is closed.

    // Closes the table (its rows go) and removes every column; the sort order goes with them.
    void ClearFields();
    // Throws TFailure "Unknown field type (%s)" for a type name FieldTypeFromName refuses, and when the table
    // is open. Sizes of non-text columns and negative sizes become 0.
    void AddField(TFieldDef def);
    int FieldCount() const { return static_cast<int>(FFields.size()); }
    // index must be 0..FieldCount()-1. Through the non-const reference only the display properties (label,
    // mask, width, format) and the Required and ReadOnly flags may change, and attached displays are not told;
    // the setters below tell them. A column's name, type and size are fixed once added.
    const TFieldDef& Field(int index) const { return FFields.at(static_cast<std::size_t>(index)); }
    TFieldDef& Field(int index) { return FFields.at(static_cast<std::size_t>(index)); }
    TFieldType FieldType(int index) const { return FTypes.at(static_cast<std::size_t>(index)); }
    // Case-insensitive; -1 when missing.
    int FieldIndex(const QString& name) const;
    // As FieldIndex, but throws TFailure "Field '%s' not found" when missing.
    int FieldByName(const QString& name) const;
    // Display properties may change at any time; attached displays are told.
    void SetDisplayLabel(int field, const QString& label);
    void SetEditMask(int field, const QString& mask);
    void SetDisplayFormat(int field, const QString& format);
    void SetDisplayWidth(int field, int width);
    void SetRequired(int field, bool required);
    void SetReadOnly(int field, bool readOnly);

    const std::vector<TIndexDef>& IndexDefs() const { return FIndexDefs; }
    void SetIndexDefs(std::vector<TIndexDef> defs) { FIndexDefs = std::move(defs); }

    // --- Open / close. Closing discards the rows; columns, index definitions and sort order stay.
    void Open();
    void Close();
    bool IsOpen() const { return FState != TTableState::Inactive; }
    TTableState State() const { return FState; }

    // --- Rows and cursor, all in row order. Moving the cursor while a row is edited posts it first.
    int RecordCount() const { return FRows.Count(); }
    bool IsEmpty() const { return FRows.IsEmpty(); }
    void First(); // sets Bof
    void Last();  // sets Eof
    void Next();  // at the last row only sets Eof
    void Prior(); // at the first row only sets Bof
    bool Bof() const { return FBof; }
    bool Eof() const { return FEof; }
    int RecNo() const;        // 1 for the first row in order; -1 when empty or while a new row is appended
    void SetRecNo(int recNo); // ignored unless 1..RecordCount()

    // --- Values of the current row, or of the row being edited.
    TFieldValue Value(int field) const;
    TFieldValue Value(const QString& name) const;
    // Needs the Edit or Insert state. Stores value as the column holds it: a text cut to the column's size
    // (an empty text is the empty value), a Date as its whole day, an integer in a number column as a double.
    // Throws TFailure for a read-only column or a value of the wrong kind.
    void SetValue(int field, const TFieldValue& value);
    void SetValue(const QString& name, const TFieldValue& value);
    // The current row's text as displays show it (see RowDisplayText).
    QString DisplayText(int field) const;

    // --- Random access for displays and for the file writer; position is 0-based in row order and the
    // cursor does not move.

    // The empty value outside the rows or columns.
    TFieldValue RowValue(int position, int field) const;
    // Date in the locale's short date format, a text column through its edit mask, a number through its
    // display format; empty for the empty value and outside the rows or columns.
    QString RowDisplayText(int position, int field) const;
    // A copy of the row's status and values. Throws TFailure when position is not 0..RecordCount()-1.
    TRowData Row(int position) const;
    // Earlier versions of the row a file carried; kept in memory, never written again.
    const std::vector<TRowData>& OlderVersions(int position) const;
    // Rows a file marked deleted: kept out of the rows, the count and the written file.
    int DeletedRowCount() const { return static_cast<int>(FDeletedRows.size()); }

    // --- Editing.

    // Starts a new row in the edit buffer (Insert state); Post adds it.
    void Append();
    // Starts editing the current row (Edit state); on an empty table this starts a new row, as Append.
    void Edit();
    // Throws TFailure "Field '%s' must have a value" for the first required column without a value and keeps
    // the row in edit. Otherwise stores the row with status unchanged (0), moves it at once to its place in
    // the order and makes it current.
    void Post();
    void Cancel();
    // Deletes the current row; the row after it becomes current, or the new last row when it was the last.
    // While a new row is appended this only cancels it. Throws TFailure "Cannot perform this operation on
    // an empty dataset" when there is no row.
    void Delete();

    // --- Maintained order: posted rows take their place at once, rows with equal keys keep no order.

    // Orders by the named columns; texts compare in the locale's collation. The empty value sorts before
    // every value in either direction. Throws TFailure "Field '%s' not found". The current row stays current.
    void SetSortOrder(const QStringList& fields, bool descending, bool caseInsensitive);
    void ClearSortOrder();
    bool HasSortOrder() const { return !FSortColumns.empty(); }

    // Moves to the first row in order whose columns fields equal key (texts case-insensitive) and returns
    // true; returns false and stays when none does. Bisects when fields lead a case-insensitive order, else
    // walks every row. A QString key compares as text even when empty; std::monostate is the empty value.
    bool Locate(const QStringList& fields, const std::vector<TFieldValue>& key);
    // The number of rows that sort before key, compared on the first key.size() order columns; 0 when the
    // table has no order. Keys are taken as Locate takes them, e.g. {day, QString()} counts the rows of
    // later days and of that day, since "" sorts after every time in a descending order.
    int CountBefore(const std::vector<TFieldValue>& key) const;

    // --- Display updates: DataChanged, CurrentChanged and StateChanged are held back while suspended
    // (nested) and emitted when the last suspension ends, each once if it was due.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }

    // --- Locale of display texts (short date, separators) and of text collation; the system locale until set.
    void SetLocale(const QLocale& locale);
    QLocale Locale() const { return FLocale; }

    // --- The file format object, owned by the table.
    TBinaryStreamFormat& DefaultFormat() { return *FDefaultFormat; }
    const TBinaryStreamFormat& DefaultFormat() const { return *FDefaultFormat; }

    // Free for the owner: the program keeps the pair's data-file path and its number of decimals here.
    QString PersistentFile;
    int Tag = 0;

signals:
    void DataChanged();    // rows, values or columns changed
    void CurrentChanged(); // the current row or the Bof/Eof flags changed
    void StateChanged();   // the table opened, closed, or started or ended an edit

private:
    // The file reader fills the table through the loading hooks below.
    friend class TBinaryStreamFormat;
    friend class TTableLoader;

    // A row a file marked deleted, kept out of the rows.
    struct TDeletedRow {
        TRowData Current;
        std::vector<TRowData> Older;
    };

    // Loading from a file. Between LoadBegin and LoadFinish displays are suspended by the loader.
    void LoadBegin();
    // Closes the table and puts fields in place of its columns.
    void LoadReplaceFields(std::vector<TFieldDef> fields);
    // What LoadReplaceFields does for a file whose columns equal the table's own: the table closes and its columns
    // lose their display formats, which files do not hold; their definitions and names are kept as they are.
    void LoadKeepFields();
    // Drops the rows; the loader appends the file's rows straight into LoadedRows().
    void LoadClearRows();
    TRowStore& LoadedRows() { return FRows; }
    // Moves the last row to the deleted rows.
    void LoadSetAsideLastRow();
    // Rebuilds the order from the rows held, opens the table and makes the first row current.
    void LoadFinish();
    // A number as a column of type, or column field, stores it: a Date keeps its whole day.
    static double StoredNumber(TFieldType type, double number) {
        if (type == TFieldType::Date && std::isfinite(number)) {
            return std::trunc(number) + 0.0; // + 0.0 turns -0.0 into day 0
        }
        return number;
    }
    double StoredNumber(int field, double number) const {
        return StoredNumber(FTypes[static_cast<std::size_t>(field)], number);
    }
    // A text as column field stores it: a String is cut to its size.
    QString StoredText(int field, QString text) const;
    // The size a column of type keeps for size: texts keep a positive size, all others 0.
    static int StoredSize(TFieldType type, int size) {
        return ValueKindOf(type) == TValueKind::Text && size > 0 ? size : 0;
    }
    // As StoredText, for a Latin-1 text.
    QLatin1StringView StoredText(int field, QLatin1StringView text) const {
        const auto index = static_cast<std::size_t>(field);
        const int size = FFields[index].Size;
        if (CutsToSize(FTypes[index]) && size > 0 && text.size() > size) {
            text.truncate(size); // Latin-1 has no surrogate pair to keep whole
        }
        return text;
    }
    // Texts of these types keep at most their column's size.
    static bool CutsToSize(TFieldType type) { return type == TFieldType::String || type == TFieldType::FixedChar; }

    void CheckOpen() const;
    void CheckBrowseMode();
    TFieldValue StoredValue(int field, const TFieldValue& value, bool asKey) const;
    QString FormatValue(int field, const TFieldValue& value) const;
    // Cells of a sort column in the table's order: empty first, then by value, reversed when descending.
    int CompareInOrder(const TCell& x, const TCell& y) const;
    int CompareRowToKey(std::span<const TCell> row, std::span<const TCell> key) const;
    int CompareRows(std::span<const TCell> a, std::span<const TCell> b) const;
    // key's values as the columns store them, in the one row of the store given.
    void KeyFor(const std::vector<int>& columns, const std::vector<TFieldValue>& key, TRowStore& stored) const;
    // The first row, in order, that does not sort before key (the order's leading columns); RecordCount() if none.
    int FirstRowNotBefore(std::span<const TCell> key) const;
    // Where the last row goes among the others: after the rows that sort before it or with it.
    int PlaceForLast() const;
    void ResolveSortOrder();
    void SortRows();
    // Notifies CurrentChanged when anything changed, or always when rowChanged (another row is under the cursor).
    void MoveCursor(int position, bool bof, bool eof, bool rowChanged = false);
    void SetState(TTableState state);
    void NotifyData();
    void NotifyCurrent();
    void NotifyState();
    void CheckField(int index) const;
    TFieldDef& MutableField(int index);

    std::vector<TFieldDef> FFields;
    std::vector<TFieldType> FTypes; // resolved from the type names, one per column
    std::vector<TIndexDef> FIndexDefs;
    TRowStore FRows; // always FieldCount() cells wide
    std::vector<TDeletedRow> FDeletedRows;
    TTableState FState = TTableState::Inactive;
    int FCurrent = -1;
    bool FBof = true;
    bool FEof = true;
    std::vector<TFieldValue> FBuffer;

    QStringList FSortFields;
    std::vector<int> FSortColumns;
    bool FSortDescending = false;
    bool FSortCaseInsensitive = false;

    QLocale FLocale;
    QCollator FCollator;       // the order's collation
    QCollator FLocateCollator; // always case-insensitive, for Locate's equality
    TNumberSeparators FSeparators;
    QChar FTimeSeparator;

    int FDisableCount = 0;
    bool FPendingData = false;
    bool FPendingCurrent = false;
    bool FPendingState = false;

    std::unique_ptr<TBinaryStreamFormat> FDefaultFormat;
};

// Suspends a table's display updates for a scope; they resume even when the scope ends with an exception.
class TControlsSuspension {
public:
    explicit TControlsSuspension(TMemTable& table) : FTable(table) { FTable.DisableControls(); }
    ~TControlsSuspension() { FTable.EnableControls(); }
    TControlsSuspension(const TControlsSuspension&) = delete;
    TControlsSuspension& operator=(const TControlsSuspension&) = delete;

private:
    TMemTable& FTable;
};
