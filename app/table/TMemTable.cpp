#include "TMemTable.h"

#include "TBinaryStreamFormat.h"
#include "uByteCoding.h"

#include <QDate>
#include <QTime>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <utility>

namespace {

struct TTypeName {
    TFieldType Type;
    QStringView Name;
};

// The names files use. Compared exactly: "float" is not "Float". The types of the program's own columns come first,
// so that looking up their names ends early.
constexpr std::array<TTypeName, 27> TypeNames{{
    {TFieldType::Float, u"Float"},
    {TFieldType::Date, u"Date"},
    {TFieldType::String, u"String"},
    {TFieldType::SmallInt, u"SmallInt"},
    {TFieldType::Integer, u"Integer"},
    {TFieldType::Word, u"Word"},
    {TFieldType::AutoInc, u"AutoInc"},
    {TFieldType::Boolean, u"Boolean"},
    {TFieldType::Currency, u"Currency"},
    {TFieldType::BCD, u"BCD"},
    {TFieldType::LargeInt, u"LargeInt"},
    {TFieldType::Time, u"Time"},
    {TFieldType::DateTime, u"DateTime"},
    {TFieldType::FixedChar, u"FixedChar"},
    {TFieldType::Bytes, u"Bytes"},
    {TFieldType::VarBytes, u"VarBytes"},
    {TFieldType::Blob, u"Blob"},
    {TFieldType::Memo, u"Memo"},
    {TFieldType::Graphic, u"Graphic"},
    {TFieldType::FmtMemo, u"FmtMemo"},
    {TFieldType::ParadoxOle, u"ParadoxOle"},
    {TFieldType::DBaseOle, u"dBaseOle"},
    {TFieldType::TypedBinary, u"TypedBinary"},
    {TFieldType::ADT, u"ADT"},
    {TFieldType::Array, u"Array"},
    {TFieldType::SQLTimeStamp, u"SQLTimeStamp"},
    {TFieldType::FMTBcd, u"FMTBcdField"},
}};

struct TKindName {
    TFieldKind Kind;
    QStringView Name;
};

constexpr std::array<TKindName, 5> KindNames{{
    {TFieldKind::Data, u"Data"},
    {TFieldKind::Calculated, u"Calculated"},
    {TFieldKind::Lookup, u"Lookup"},
    {TFieldKind::InternalCalc, u"InternalCalc"},
    {TFieldKind::Aggregate, u"Aggregate"},
}};

// Day counts the locale can show as dates: 1 January 0001 to 31 December 9999.
constexpr double FirstShownDay = -693593.0;
constexpr double LastShownDay = 2958465.0;

bool IsEmptyValue(const TFieldValue& value) {
    return std::holds_alternative<std::monostate>(value);
}

// The first size characters; a surrogate pair is never split.
QString CutText(QString text, int size) {
    if (size <= 0 || text.size() <= size) {
        return text;
    }
    qsizetype length = size;
    if (text[length - 1].isHighSurrogate()) {
        --length;
    }
    text.truncate(length);
    return text;
}

int CompareNumbers(double a, double b) {
    // NaN sorts after every number so that the order stays strict and weak.
    const bool aNaN = std::isnan(a);
    const bool bNaN = std::isnan(b);
    if (aNaN || bNaN) {
        return aNaN == bNaN ? 0 : (aNaN ? 1 : -1);
    }
    return a < b ? -1 : (a > b ? 1 : 0);
}

int CompareNonEmpty(const TCell& a, const TCell& b, const QCollator& collator) {
    if (a.IsText() && b.IsText()) {
        const int c = collator.compare(a.Text(), b.Text());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    if (a.IsBoolean() && b.IsBoolean()) {
        return a.Boolean() == b.Boolean() ? 0 : (a.Boolean() ? 1 : -1);
    }
    if (a.IsInteger() && b.IsInteger()) {
        return a.Integer() < b.Integer() ? -1 : (a.Integer() > b.Integer() ? 1 : 0);
    }
    const auto asNumber = [](const TCell& cell, double& number) {
        if (cell.IsNumber()) {
            number = cell.Number();
            return true;
        }
        if (cell.IsInteger()) {
            number = static_cast<double>(cell.Integer());
            return true;
        }
        return false;
    };
    double x = 0;
    double y = 0;
    if (asNumber(a, x) && asNumber(b, y)) {
        return CompareNumbers(x, y);
    }
    // Values of different kinds only meet through a caller's key; keep them apart consistently.
    return a.ValueIndex() < b.ValueIndex() ? -1 : (a.ValueIndex() > b.ValueIndex() ? 1 : 0);
}

// Empty first, then by value.
int CompareCells(const TCell& a, const TCell& b, const QCollator& collator) {
    if (a.IsEmpty() || b.IsEmpty()) {
        return a.IsEmpty() == b.IsEmpty() ? 0 : (a.IsEmpty() ? -1 : 1);
    }
    return CompareNonEmpty(a, b, collator);
}

bool DateOfDays(double days, QDate& date) {
    if (!(days >= FirstShownDay && days <= LastShownDay)) {
        return false;
    }
    date = QDate(1899, 12, 30).addDays(static_cast<qint64>(std::trunc(days)));
    return true;
}

QTime TimeOfDayFraction(double value) {
    const double fraction = std::fabs(value - std::trunc(value));
    const auto milliseconds = static_cast<int>(std::llround(fraction * 86400000.0)) % 86400000;
    return QTime::fromMSecsSinceStartOfDay(milliseconds);
}

// A name from the tables above as a QString that uses the name's own storage: nothing is allocated.
QString NameText(QStringView name) {
    return QString::fromRawData(reinterpret_cast<const QChar*>(name.utf16()), name.size());
}

// Exact match with one of the ASCII names above, in any encoding: a Latin-1 or UTF-8 text equals an ASCII name
// exactly when its bytes are the name's characters, and has as many.
bool SameName(QAnyStringView text, QStringView name) {
    return text.size() == name.size() && text.visit([name](auto view) {
        if constexpr (std::is_same_v<decltype(view), QStringView>) {
            return view == name;
        } else {
            return std::equal(view.begin(), view.end(), name.begin(),
                              [](auto byte, QChar c) { return static_cast<unsigned char>(byte) == c.unicode(); });
        }
    });
}

// The first of rows 0..count-1 for which before is false, count when there is none; before holds for the rows up to
// that one and for none after it.
template <class TBefore> int Bisect(int count, TBefore&& before) {
    int low = 0;
    int high = count;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (before(middle)) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

// Throws TFailure with the text message() makes; the text is only made on failure.
template <class TMessage> void Require(bool condition, TMessage&& message) {
    if (!condition) {
        throw TFailure(message());
    }
}

} // namespace

QString FieldTypeName(TFieldType type) {
    for (const TTypeName& entry : TypeNames) {
        if (entry.Type == type) {
            return NameText(entry.Name);
        }
    }
    return QString();
}

bool FieldTypeFromName(QAnyStringView name, TFieldType& type) {
    for (const TTypeName& entry : TypeNames) {
        if (SameName(name, entry.Name)) {
            type = entry.Type;
            return true;
        }
    }
    return false;
}

TValueKind ValueKindOf(TFieldType type) {
    switch (type) {
    case TFieldType::SmallInt:
    case TFieldType::Integer:
    case TFieldType::Word:
    case TFieldType::AutoInc:
        return TValueKind::Integer;
    case TFieldType::Boolean:
        return TValueKind::Boolean;
    case TFieldType::Float:
    case TFieldType::Currency:
    case TFieldType::BCD:
    case TFieldType::LargeInt:
    case TFieldType::Date:
    case TFieldType::Time:
    case TFieldType::DateTime:
        return TValueKind::Extended;
    default:
        return TValueKind::Text;
    }
}

QString FieldKindName(TFieldKind kind) {
    for (const TKindName& entry : KindNames) {
        if (entry.Kind == kind) {
            return NameText(entry.Name);
        }
    }
    return QStringLiteral("Data");
}

bool FieldKindFromName(QAnyStringView name, TFieldKind& kind) {
    for (const TKindName& entry : KindNames) {
        if (SameName(name, entry.Name)) {
            kind = entry.Kind;
            return true;
        }
    }
    return false;
}

// --- Cells

double TCell::ExtendedNumber() const {
    char bytes[10];
    qToLittleEndian(FSignificand, bytes);
    qToLittleEndian(FExtendedTop, bytes + 8);
    return DoubleFromExtended(bytes);
}

TFieldValue TCell::Value() const {
    switch (FKind) {
    case TKind::Integer:
        return FInteger;
    case TKind::Boolean:
        return FBoolean;
    case TKind::Number:
    case TKind::Extended:
        return Number();
    case TKind::ShortText:
        return QString(reinterpret_cast<const QChar*>(FShortText), FShortLength);
    case TKind::LongText:
        return *FLongText;
    case TKind::Empty:
        break;
    }
    return std::monostate{};
}

// --- Row store

void TRowStore::Reset(int width) {
    ReleaseTexts(0, CellIndex(Count()));
    FHeads.clear();
    FWidth = std::max(width, 0);
}

void TRowStore::Reserve(std::size_t rows) {
    FHeads.reserve(rows);
    if (FCells.size() < rows * CellIndex(1)) {
        FCells.resize(rows * CellIndex(1));
    }
}

TRowData TRowStore::Data(int row) const {
    TRowData data;
    data.Status = Head(row).Status;
    const std::span<const TCell> cells = Cells(row);
    data.Values.reserve(cells.size());
    for (const TCell& cell : cells) {
        data.Values.push_back(cell.Value());
    }
    return data;
}

void TRowStore::GrowCells() {
    FCells.resize(std::max(CellIndex(Count() + 1), 2 * FCells.size()));
}

void TRowStore::AppendRow(const std::vector<TFieldValue>& values) {
    const std::span<TCell> cells = AppendRowToFill();
    for (std::size_t i = 0; i < cells.size(); ++i) {
        FillValue(cells[i], i < values.size() ? values[i] : TFieldValue{});
    }
}

void TRowStore::RemoveLast() {
    ReleaseTexts(CellIndex(Count() - 1), CellIndex(Count()));
    FHeads.pop_back();
}

TRowStore::TRowHead TRowStore::Remove(int position) {
    const std::size_t first = CellIndex(position);
    const std::size_t end = CellIndex(Count());
    ReleaseTexts(first, first + CellIndex(1));
    // The rows after it move up; the last row's old place becomes spare, and must not keep the long texts that
    // have moved up.
    const auto at = [&](std::size_t index) {
        return FCells.begin() + static_cast<std::ptrdiff_t>(index);
    };
    std::copy(at(first + CellIndex(1)), at(end), at(first));
    std::fill(at(end - CellIndex(1)), at(end), TCell{});
    TRowHead head = std::move(FHeads[static_cast<std::size_t>(position)]);
    FHeads.erase(FHeads.begin() + position);
    return head;
}

void TRowStore::Move(int from, int to) {
    const auto rotate = [](auto& items, std::size_t from, std::size_t to, std::size_t width) {
        const auto at = [&](std::size_t index) {
            return items.begin() + static_cast<std::ptrdiff_t>(index);
        };
        if (from < to) {
            std::rotate(at(from), at(from + width), at(to + width));
        } else if (to < from) {
            std::rotate(at(to), at(from), at(from + width));
        }
    };
    rotate(FCells, CellIndex(from), CellIndex(to), CellIndex(1));
    rotate(FHeads, static_cast<std::size_t>(from), static_cast<std::size_t>(to), 1);
}

void TRowStore::Reorder(const std::vector<std::size_t>& order) {
    std::vector<TCell> cells;
    cells.reserve(FCells.size());
    std::vector<TRowHead> heads;
    heads.reserve(FHeads.size());
    for (const std::size_t row : order) {
        const std::span<const TCell> moved = Cells(static_cast<int>(row));
        cells.insert(cells.end(), moved.begin(), moved.end()); // the long texts go with their cells
        heads.push_back(std::move(FHeads[row]));
    }
    cells.resize(FCells.size());
    FCells = std::move(cells);
    FHeads = std::move(heads);
}

void TRowStore::FillText(TCell& cell, QStringView text) {
    if (text.size() > TCell::ShortTextCapacity) {
        FillLongText(cell, text.toString());
        return;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        cell.FShortText[i] = text[i].unicode();
    }
    cell.FShortLength = static_cast<quint8>(text.size());
    cell.FKind = TCell::TKind::ShortText;
}

void TRowStore::FillText(TCell& cell, QString&& text) {
    if (text.size() > TCell::ShortTextCapacity) {
        FillLongText(cell, std::move(text));
    } else {
        FillText(cell, QStringView(text));
    }
}

void TRowStore::FillLongText(TCell& cell, QString&& text) {
    FLongTexts.push_back(std::make_unique<QString>(std::move(text)));
    cell.FLongText = FLongTexts.back().get();
    cell.FKind = TCell::TKind::LongText;
}

void TRowStore::FillValue(TCell& cell, const TFieldValue& value) {
    if (std::holds_alternative<std::monostate>(value)) {
        cell = TCell{};
    } else if (const auto* integer = std::get_if<qint64>(&value)) {
        cell.FillInteger(*integer);
    } else if (const auto* flag = std::get_if<bool>(&value)) {
        cell.FillBoolean(*flag);
    } else if (const auto* number = std::get_if<double>(&value)) {
        cell.FillNumber(*number);
    } else if (const auto* text = std::get_if<QString>(&value)) {
        FillText(cell, QString(*text)); // shares the characters
    }
}

void TRowStore::ReleaseTexts(std::size_t first, std::size_t last) {
    if (FLongTexts.empty()) {
        return;
    }
    if (first == 0 && last >= CellIndex(Count())) {
        // All rows go: every long text the store holds is theirs.
        for (std::size_t i = first; i < last; ++i) {
            if (FCells[i].FKind == TCell::TKind::LongText) {
                FCells[i] = TCell{};
            }
        }
        FLongTexts.clear();
        return;
    }
    for (std::size_t i = first; i < last && !FLongTexts.empty(); ++i) {
        TCell& cell = FCells[i];
        if (cell.FKind != TCell::TKind::LongText) {
            continue;
        }
        const auto owner =
            std::find_if(FLongTexts.begin(), FLongTexts.end(),
                         [&cell](const std::unique_ptr<QString>& text) { return text.get() == cell.FLongText; });
        if (owner != FLongTexts.end()) {
            std::swap(*owner, FLongTexts.back());
            FLongTexts.pop_back();
        }
        cell = TCell{};
    }
}

int TFieldDef::EffectiveDisplayWidth() const {
    if (DisplayWidth > 0) {
        return DisplayWidth;
    }
    TFieldType type{};
    return FieldTypeFromName(TypeName, type) && ValueKindOf(type) == TValueKind::Text ? Size : 10;
}

TMemTable::TMemTable(QObject* parent)
    : QObject(parent), FLocale(QLocale::system()), FCollator(FLocale), FLocateCollator(FLocale),
      FSeparators(SystemNumberSeparators()), FTimeSeparator(SystemTimeSeparator()),
      FDefaultFormat(std::make_unique<TBinaryStreamFormat>()) {
    FLocateCollator.setCaseSensitivity(Qt::CaseInsensitive);
}

TMemTable::~TMemTable() = default;

// --- Columns

void TMemTable::ClearFields() {
    Close();
    FFields.clear();
    FTypes.clear();
    FRows.Reset(0);
    ClearSortOrder();
    NotifyData();
}

void TMemTable::AddField(TFieldDef def) {
    Require(!IsOpen(), [&] { return QStringLiteral("Cannot perform this operation on an open dataset"); });
    TFieldType type{};
    Require(FieldTypeFromName(def.TypeName, type),
            [&] { return QStringLiteral("Unknown field type (%1)").arg(def.TypeName); });
    def.Size = StoredSize(type, def.Size);
    FFields.push_back(std::move(def));
    FTypes.push_back(type);
    FRows.Reset(FieldCount()); // a closed table holds no rows
    NotifyData();
}

int TMemTable::FieldIndex(const QString& name) const {
    for (std::size_t i = 0; i < FFields.size(); ++i) {
        if (FFields[i].Name.compare(name, Qt::CaseInsensitive) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int TMemTable::FieldByName(const QString& name) const {
    const int index = FieldIndex(name);
    Require(index >= 0, [&] { return QStringLiteral("Field '%1' not found").arg(name); });
    return index;
}

void TMemTable::CheckField(int index) const {
    Require(index >= 0 && index < FieldCount(),
            [&] { return QStringLiteral("Field index out of range (%1)").arg(index); });
}

TFieldDef& TMemTable::MutableField(int index) {
    CheckField(index);
    return FFields[static_cast<std::size_t>(index)];
}

void TMemTable::SetDisplayLabel(int field, const QString& label) {
    MutableField(field).DisplayLabel = label;
    NotifyData();
}

void TMemTable::SetEditMask(int field, const QString& mask) {
    MutableField(field).EditMask = mask;
    NotifyData();
}

void TMemTable::SetDisplayFormat(int field, const QString& format) {
    MutableField(field).DisplayFormat = format;
    NotifyData();
}

void TMemTable::SetDisplayWidth(int field, int width) {
    MutableField(field).DisplayWidth = width;
    NotifyData();
}

void TMemTable::SetRequired(int field, bool required) {
    MutableField(field).Required = required;
    NotifyData();
}

void TMemTable::SetReadOnly(int field, bool readOnly) {
    MutableField(field).ReadOnly = readOnly;
    NotifyData();
}

// --- Open / close

void TMemTable::Open() {
    if (IsOpen()) {
        return;
    }
    SetState(TTableState::Browse);
    MoveCursor(IsEmpty() ? -1 : 0, true, IsEmpty());
    NotifyData();
}

void TMemTable::Close() {
    if (!IsOpen()) {
        return;
    }
    FRows.Clear();
    FDeletedRows.clear();
    FBuffer.clear();
    SetState(TTableState::Inactive);
    MoveCursor(-1, true, true);
    NotifyData();
}

void TMemTable::CheckOpen() const {
    Require(IsOpen(), [&] { return QStringLiteral("Cannot perform this operation on a closed dataset"); });
}

void TMemTable::CheckBrowseMode() {
    if (FState == TTableState::Edit || FState == TTableState::Insert) {
        Post();
    }
}

// --- Cursor

void TMemTable::MoveCursor(int position, bool bof, bool eof, bool rowChanged) {
    if (!rowChanged && position == FCurrent && bof == FBof && eof == FEof) {
        return;
    }
    FCurrent = position;
    FBof = bof;
    FEof = eof;
    NotifyCurrent();
}

void TMemTable::First() {
    CheckOpen();
    CheckBrowseMode();
    MoveCursor(IsEmpty() ? -1 : 0, true, IsEmpty());
}

void TMemTable::Last() {
    CheckOpen();
    CheckBrowseMode();
    MoveCursor(RecordCount() - 1, IsEmpty(), true);
}

void TMemTable::Next() {
    CheckOpen();
    CheckBrowseMode();
    if (FEof) {
        return;
    }
    if (FCurrent + 1 < RecordCount()) {
        MoveCursor(FCurrent + 1, false, false);
    } else {
        MoveCursor(FCurrent, IsEmpty(), true);
    }
}

void TMemTable::Prior() {
    CheckOpen();
    CheckBrowseMode();
    if (FBof) {
        return;
    }
    if (FCurrent > 0) {
        MoveCursor(FCurrent - 1, false, false);
    } else {
        MoveCursor(FCurrent, true, IsEmpty());
    }
}

int TMemTable::RecNo() const {
    if (FState == TTableState::Insert || FCurrent < 0) {
        return -1;
    }
    return FCurrent + 1;
}

void TMemTable::SetRecNo(int recNo) {
    if (!IsOpen() || recNo < 1 || recNo > RecordCount() || recNo - 1 == FCurrent) {
        return;
    }
    CheckBrowseMode();
    // Posting a new row may have moved the rows; the number still names a row in the new order.
    if (recNo <= RecordCount()) {
        MoveCursor(recNo - 1, false, false);
    }
}

// --- Values

TFieldValue TMemTable::Value(int field) const {
    CheckField(field);
    if (FState == TTableState::Edit || FState == TTableState::Insert) {
        return FBuffer[static_cast<std::size_t>(field)];
    }
    return RowValue(FCurrent, field);
}

TFieldValue TMemTable::Value(const QString& name) const {
    return Value(FieldByName(name));
}

void TMemTable::SetValue(int field, const TFieldValue& value) {
    CheckField(field);
    const TFieldDef& def = FFields[static_cast<std::size_t>(field)];
    Require(FState == TTableState::Edit || FState == TTableState::Insert,
            [&] { return QStringLiteral("Dataset not in edit or insert mode"); });
    Require(!def.ReadOnly, [&] { return QStringLiteral("Field '%1' cannot be modified").arg(def.Name); });
    TFieldValue stored = StoredValue(field, value, false);
    const TFieldType type = FTypes[static_cast<std::size_t>(field)];
    if (const auto* integer = std::get_if<qint64>(&stored)) {
        qint64 low = std::numeric_limits<qint32>::min();
        qint64 high = std::numeric_limits<qint32>::max();
        if (type == TFieldType::SmallInt) {
            low = std::numeric_limits<qint16>::min();
            high = std::numeric_limits<qint16>::max();
        } else if (type == TFieldType::Word) {
            low = 0;
            high = std::numeric_limits<quint16>::max();
        }
        Require(*integer >= low && *integer <= high, [&] {
            return QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                .arg(QString::number(*integer), def.Name, QString::number(low), QString::number(high));
        });
    }
    FBuffer[static_cast<std::size_t>(field)] = std::move(stored);
    NotifyData();
}

void TMemTable::SetValue(const QString& name, const TFieldValue& value) {
    SetValue(FieldByName(name), value);
}

TFieldValue TMemTable::StoredValue(int field, const TFieldValue& value, bool asKey) const {
    if (IsEmptyValue(value)) {
        return value;
    }
    const TFieldDef& def = FFields[static_cast<std::size_t>(field)];
    const TFieldType type = FTypes[static_cast<std::size_t>(field)];
    const auto invalid = [&] {
        return QStringLiteral("Invalid value for field '%1'").arg(def.Name);
    };
    switch (ValueKindOf(type)) {
    case TValueKind::Integer:
        if (std::holds_alternative<qint64>(value)) {
            return value;
        }
        if (const auto* number = std::get_if<double>(&value)) {
            // Only a whole number that an integer column can hold.
            Require(std::trunc(*number) == *number && std::fabs(*number) <= 4294967296.0, invalid);
            return static_cast<qint64>(*number);
        }
        break;
    case TValueKind::Boolean:
        if (std::holds_alternative<bool>(value)) {
            return value;
        }
        break;
    case TValueKind::Extended: {
        double number = 0;
        if (const auto* d = std::get_if<double>(&value)) {
            number = *d;
        } else if (const auto* i = std::get_if<qint64>(&value)) {
            number = static_cast<double>(*i);
        } else {
            break;
        }
        return StoredNumber(field, number);
    }
    case TValueKind::Text:
        if (const auto* text = std::get_if<QString>(&value)) {
            // A stored empty text is no value, so Required catches it; a key keeps "" as a text.
            if (text->isEmpty() && !asKey) {
                return std::monostate{};
            }
            return StoredText(field, *text);
        }
        break;
    }
    throw TFailure(invalid());
}

QString TMemTable::StoredText(int field, QString text) const {
    const auto index = static_cast<std::size_t>(field);
    if (CutsToSize(FTypes[index])) {
        return CutText(std::move(text), FFields[index].Size);
    }
    return text;
}

TFieldValue TMemTable::RowValue(int position, int field) const {
    if (position < 0 || position >= RecordCount() || field < 0 || field >= FieldCount()) {
        return std::monostate{};
    }
    return FRows.Cells(position)[static_cast<std::size_t>(field)].Value();
}

QString TMemTable::RowDisplayText(int position, int field) const {
    if (field < 0 || field >= FieldCount()) {
        return QString();
    }
    return FormatValue(field, RowValue(position, field));
}

QString TMemTable::DisplayText(int field) const {
    CheckField(field);
    return FormatValue(field, Value(field));
}

QString TMemTable::FormatValue(int field, const TFieldValue& value) const {
    const TFieldDef& def = FFields[static_cast<std::size_t>(field)];
    if (const auto* text = std::get_if<QString>(&value)) {
        return def.EditMask.isEmpty() ? *text : FormatMaskText(def.EditMask, *text, FTimeSeparator);
    }
    if (const auto* flag = std::get_if<bool>(&value)) {
        return *flag ? QStringLiteral("True") : QStringLiteral("False");
    }
    if (const auto* integer = std::get_if<qint64>(&value)) {
        return def.DisplayFormat.isEmpty() ? QString::number(*integer)
                                           : FormatFloat(def.DisplayFormat, static_cast<double>(*integer), FSeparators);
    }
    if (const auto* number = std::get_if<double>(&value)) {
        QDate date;
        switch (FTypes[static_cast<std::size_t>(field)]) {
        case TFieldType::Date:
            if (DateOfDays(*number, date)) {
                return FLocale.toString(date, QLocale::ShortFormat);
            }
            break;
        case TFieldType::Time:
            if (std::isfinite(*number)) {
                return FLocale.toString(TimeOfDayFraction(*number), QLocale::ShortFormat);
            }
            break;
        case TFieldType::DateTime:
            if (DateOfDays(*number, date)) {
                const QTime time = TimeOfDayFraction(*number);
                const QString dateText = FLocale.toString(date, QLocale::ShortFormat);
                return time.msecsSinceStartOfDay() == 0
                           ? dateText
                           : dateText + u' ' + FLocale.toString(time, QLocale::ShortFormat);
            }
            break;
        default:
            break;
        }
        return FormatFloat(def.DisplayFormat, *number, FSeparators);
    }
    return QString();
}

TRowData TMemTable::Row(int position) const {
    Require(position >= 0 && position < RecordCount(),
            [&] { return QStringLiteral("List index out of bounds (%1)").arg(position); });
    return FRows.Data(position);
}

const std::vector<TRowData>& TMemTable::OlderVersions(int position) const {
    Require(position >= 0 && position < RecordCount(),
            [&] { return QStringLiteral("List index out of bounds (%1)").arg(position); });
    return FRows.Head(position).Older;
}

// --- Editing

void TMemTable::SetState(TTableState state) {
    if (FState == state) {
        return;
    }
    FState = state;
    NotifyState();
}

void TMemTable::Append() {
    CheckOpen();
    CheckBrowseMode();
    FBuffer.assign(FFields.size(), TFieldValue{});
    SetState(TTableState::Insert);
    NotifyCurrent();
}

void TMemTable::Edit() {
    CheckOpen();
    if (FState == TTableState::Edit || FState == TTableState::Insert) {
        return;
    }
    if (IsEmpty()) {
        Append();
        return;
    }
    FBuffer = FRows.Data(FCurrent).Values;
    SetState(TTableState::Edit);
}

void TMemTable::Post() {
    if (FState != TTableState::Edit && FState != TTableState::Insert) {
        return;
    }
    for (std::size_t i = 0; i < FFields.size(); ++i) {
        const TFieldDef& def = FFields[i];
        Require(!(def.Required && def.Kind == TFieldKind::Data && IsEmptyValue(FBuffer[i])),
                [&] { return QStringLiteral("Field '%1' must have a value").arg(def.Name); });
    }
    if (FState == TTableState::Edit) {
        // The row keeps the earlier versions a file carried.
        TRowStore::TRowHead head = FRows.Remove(FCurrent);
        FRows.AppendRow(FBuffer);
        FRows.Head(RecordCount() - 1).Older = std::move(head.Older);
    } else {
        FRows.AppendRow(FBuffer);
    }
    FBuffer.clear();
    int position = RecordCount() - 1;
    if (HasSortOrder()) {
        position = PlaceForLast();
    } else if (FState == TTableState::Edit) {
        position = FCurrent; // an unordered table keeps the row where it was
    }
    FRows.Move(RecordCount() - 1, position);
    SetState(TTableState::Browse);
    MoveCursor(position, false, false, true);
    NotifyData();
}

void TMemTable::Cancel() {
    if (FState != TTableState::Edit && FState != TTableState::Insert) {
        return;
    }
    FBuffer.clear();
    SetState(TTableState::Browse);
    NotifyData();
    NotifyCurrent();
}

void TMemTable::Delete() {
    CheckOpen();
    if (FState == TTableState::Insert) {
        Cancel();
        return;
    }
    Require(!IsEmpty(), [&] { return QStringLiteral("Cannot perform this operation on an empty dataset"); });
    if (FState == TTableState::Edit) {
        FBuffer.clear();
        SetState(TTableState::Browse);
    }
    FRows.Remove(FCurrent);
    MoveCursor(std::min(FCurrent, RecordCount() - 1), IsEmpty(), IsEmpty(), true);
    NotifyData();
}

// --- Order

int TMemTable::CompareInOrder(const TCell& x, const TCell& y) const {
    const int c = CompareCells(x, y, FCollator);
    // The empty value stays first in a descending order too.
    return FSortDescending && !x.IsEmpty() && !y.IsEmpty() ? -c : c;
}

int TMemTable::CompareRows(std::span<const TCell> a, std::span<const TCell> b) const {
    for (const int column : FSortColumns) {
        const auto index = static_cast<std::size_t>(column);
        if (const int c = CompareInOrder(a[index], b[index]); c != 0) {
            return c;
        }
    }
    return 0;
}

int TMemTable::CompareRowToKey(std::span<const TCell> row, std::span<const TCell> key) const {
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (const int c = CompareInOrder(row[static_cast<std::size_t>(FSortColumns[i])], key[i]); c != 0) {
            return c;
        }
    }
    return 0;
}

void TMemTable::KeyFor(const std::vector<int>& columns, const std::vector<TFieldValue>& key, TRowStore& stored) const {
    const std::size_t count = std::min(columns.size(), key.size());
    std::vector<TFieldValue> values;
    values.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        values.push_back(StoredValue(columns[i], key[i], true));
    }
    stored.Reset(static_cast<int>(count));
    stored.AppendRow(values);
}

int TMemTable::FirstRowNotBefore(std::span<const TCell> key) const {
    return Bisect(RecordCount(), [&](int row) { return CompareRowToKey(FRows.Cells(row), key) < 0; });
}

int TMemTable::PlaceForLast() const {
    const std::span<const TCell> row = FRows.Cells(RecordCount() - 1);
    return Bisect(RecordCount() - 1, [&](int other) { return CompareRows(row, FRows.Cells(other)) >= 0; });
}

void TMemTable::SortRows() {
    if (!HasSortOrder() || RecordCount() < 2) {
        return;
    }
    std::vector<std::size_t> order(static_cast<std::size_t>(RecordCount()));
    std::iota(order.begin(), order.end(), std::size_t{0});
    const auto before = [this](std::size_t a, std::size_t b) {
        return CompareRows(FRows.Cells(static_cast<int>(a)), FRows.Cells(static_cast<int>(b))) < 0;
    };
    // A file holds its rows in the order they were written, which is mostly this order already.
    if (std::is_sorted(order.begin(), order.end(), before)) {
        return;
    }
    std::stable_sort(order.begin(), order.end(), before);
    int current = FCurrent;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (static_cast<int>(order[i]) == FCurrent) {
            current = static_cast<int>(i);
        }
    }
    FRows.Reorder(order);
    if (current != FCurrent) {
        MoveCursor(current, false, false, true);
    }
}

void TMemTable::SetSortOrder(const QStringList& fields, bool descending, bool caseInsensitive) {
    QStringList names;
    std::vector<int> columns;
    for (const QString& name : fields) {
        names.append(name.trimmed());
        columns.push_back(FieldByName(names.back()));
    }
    CheckBrowseMode();
    FSortFields = std::move(names);
    FSortColumns = std::move(columns);
    FSortDescending = descending;
    FSortCaseInsensitive = caseInsensitive;
    FCollator.setCaseSensitivity(caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
    SortRows();
    NotifyData();
}

void TMemTable::ClearSortOrder() {
    FSortFields.clear();
    FSortColumns.clear();
}

void TMemTable::ResolveSortOrder() {
    std::vector<int> columns;
    for (const QString& name : FSortFields) {
        const int index = FieldIndex(name);
        if (index < 0) {
            ClearSortOrder(); // the new columns lack one the order named
            return;
        }
        columns.push_back(index);
    }
    FSortColumns = std::move(columns);
}

bool TMemTable::Locate(const QStringList& fields, const std::vector<TFieldValue>& key) {
    std::vector<int> columns;
    for (const QString& name : fields) {
        columns.push_back(FieldByName(name.trimmed()));
    }
    if (!IsOpen()) {
        return false;
    }
    CheckBrowseMode();
    columns.resize(std::min(columns.size(), key.size()));
    TRowStore keyRow;
    KeyFor(columns, key, keyRow);
    const std::span<const TCell> stored = keyRow.Cells(0);

    const bool leadsOrder = HasSortOrder() && FSortCaseInsensitive && columns.size() <= FSortColumns.size() &&
                            std::equal(columns.begin(), columns.end(), FSortColumns.begin());
    int found = -1;
    if (leadsOrder) {
        const int first = FirstRowNotBefore(stored);
        if (first < RecordCount() && CompareRowToKey(FRows.Cells(first), stored) == 0) {
            found = first;
        }
    } else {
        for (int row = 0; row < RecordCount() && found < 0; ++row) {
            const std::span<const TCell> cells = FRows.Cells(row);
            bool equal = true;
            for (std::size_t i = 0; i < columns.size() && equal; ++i) {
                equal = CompareCells(cells[static_cast<std::size_t>(columns[i])], stored[i], FLocateCollator) == 0;
            }
            if (equal) {
                found = row;
            }
        }
    }
    if (found < 0) {
        return false;
    }
    MoveCursor(found, false, false);
    return true;
}

int TMemTable::CountBefore(const std::vector<TFieldValue>& key) const {
    if (!HasSortOrder()) {
        return 0;
    }
    TRowStore stored;
    KeyFor(FSortColumns, key, stored);
    return FirstRowNotBefore(stored.Cells(0));
}

// --- Display updates

void TMemTable::DisableControls() {
    ++FDisableCount;
}

void TMemTable::EnableControls() {
    if (FDisableCount == 0 || --FDisableCount > 0) {
        return;
    }
    const bool state = std::exchange(FPendingState, false);
    const bool data = std::exchange(FPendingData, false);
    const bool current = std::exchange(FPendingCurrent, false);
    if (state) {
        emit StateChanged();
    }
    if (data) {
        emit DataChanged();
    }
    if (current) {
        emit CurrentChanged();
    }
}

void TMemTable::NotifyData() {
    if (FDisableCount > 0) {
        FPendingData = true;
    } else {
        emit DataChanged();
    }
}

void TMemTable::NotifyCurrent() {
    if (FDisableCount > 0) {
        FPendingCurrent = true;
    } else {
        emit CurrentChanged();
    }
}

void TMemTable::NotifyState() {
    if (FDisableCount > 0) {
        FPendingState = true;
    } else {
        emit StateChanged();
    }
}

void TMemTable::SetLocale(const QLocale& locale) {
    FLocale = locale;
    FCollator.setLocale(locale);
    FLocateCollator.setLocale(locale);
    FSeparators = NumberSeparatorsOf(locale);
    FTimeSeparator = TimeSeparatorOf(locale);
    SortRows(); // the collation may order texts differently
    NotifyData();
}

// --- Loading

void TMemTable::LoadBegin() {
    Cancel();
    if (!IsOpen()) {
        Open();
    }
}

void TMemTable::LoadReplaceFields(std::vector<TFieldDef> fields) {
    Close();
    FFields.clear();
    FTypes.clear();
    for (TFieldDef& def : fields) {
        AddField(std::move(def));
    }
}

void TMemTable::LoadKeepFields() {
    Close();
    for (TFieldDef& def : FFields) {
        def.DisplayFormat.clear();
    }
    NotifyData();
}

void TMemTable::LoadClearRows() {
    FRows.Clear();
    FDeletedRows.clear();
    FCurrent = -1;
    NotifyData();
}

void TMemTable::LoadSetAsideLastRow() {
    const int last = RecordCount() - 1;
    TRowData current = FRows.Data(last);
    FDeletedRows.push_back(TDeletedRow{std::move(current), std::move(FRows.Head(last).Older)});
    FRows.RemoveLast();
}

void TMemTable::LoadFinish() {
    ResolveSortOrder();
    FCurrent = -1; // the rows are new: no current row to follow through the sort
    SortRows();
    if (!IsOpen()) {
        SetState(TTableState::Browse);
    }
    MoveCursor(IsEmpty() ? -1 : 0, true, IsEmpty(), true);
    NotifyData();
}
