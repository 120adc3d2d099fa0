#include "TMemTable.h"

#include "TBinaryStreamFormat.h"

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
    const char16_t* Name;
};

// The names files use. Compared exactly: "float" is not "Float".
constexpr std::array<TTypeName, 27> TypeNames{{
    {TFieldType::SmallInt, u"SmallInt"},
    {TFieldType::Integer, u"Integer"},
    {TFieldType::Word, u"Word"},
    {TFieldType::AutoInc, u"AutoInc"},
    {TFieldType::Boolean, u"Boolean"},
    {TFieldType::Float, u"Float"},
    {TFieldType::Currency, u"Currency"},
    {TFieldType::BCD, u"BCD"},
    {TFieldType::LargeInt, u"LargeInt"},
    {TFieldType::Date, u"Date"},
    {TFieldType::Time, u"Time"},
    {TFieldType::DateTime, u"DateTime"},
    {TFieldType::String, u"String"},
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
    const char16_t* Name;
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

bool CutsToSize(TFieldType type) {
    return type == TFieldType::String || type == TFieldType::FixedChar;
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

int CompareNonEmpty(const TFieldValue& a, const TFieldValue& b, const QCollator& collator) {
    if (const auto* x = std::get_if<QString>(&a)) {
        if (const auto* y = std::get_if<QString>(&b)) {
            const int c = collator.compare(*x, *y);
            return c < 0 ? -1 : (c > 0 ? 1 : 0);
        }
    }
    if (const auto* x = std::get_if<bool>(&a)) {
        if (const auto* y = std::get_if<bool>(&b)) {
            return *x == *y ? 0 : (*x ? 1 : -1);
        }
    }
    if (const auto* x = std::get_if<qint64>(&a)) {
        if (const auto* y = std::get_if<qint64>(&b)) {
            return *x < *y ? -1 : (*x > *y ? 1 : 0);
        }
    }
    const auto asNumber = [](const TFieldValue& v, double& number) {
        if (const auto* d = std::get_if<double>(&v)) {
            number = *d;
            return true;
        }
        if (const auto* i = std::get_if<qint64>(&v)) {
            number = static_cast<double>(*i);
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
    return a.index() < b.index() ? -1 : (a.index() > b.index() ? 1 : 0);
}

// Empty first, then by value.
int CompareValues(const TFieldValue& a, const TFieldValue& b, const QCollator& collator) {
    const bool aEmpty = IsEmptyValue(a);
    const bool bEmpty = IsEmptyValue(b);
    if (aEmpty || bEmpty) {
        return aEmpty == bEmpty ? 0 : (aEmpty ? -1 : 1);
    }
    return CompareNonEmpty(a, b, collator);
}

QChar TimeSeparatorOf(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    for (const QChar c : format) {
        if (!c.isLetter() && !c.isSpace() && c != u'\'') {
            return c;
        }
    }
    return u':';
}

TNumberSeparators NumberSeparatorsOf(const QLocale& locale) {
    TNumberSeparators separators;
    if (!locale.decimalPoint().isEmpty()) {
        separators.Decimal = locale.decimalPoint().front();
    }
    if (!locale.groupSeparator().isEmpty()) {
        separators.Group = locale.groupSeparator().front();
    }
    return separators;
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
            return QString::fromUtf16(entry.Name);
        }
    }
    return QString();
}

bool FieldTypeFromName(const QString& name, TFieldType& type) {
    for (const TTypeName& entry : TypeNames) {
        if (name == QStringView(entry.Name)) {
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
            return QString::fromUtf16(entry.Name);
        }
    }
    return QStringLiteral("Data");
}

bool FieldKindFromName(const QString& name, TFieldKind& kind) {
    for (const TKindName& entry : KindNames) {
        if (name == QStringView(entry.Name)) {
            kind = entry.Kind;
            return true;
        }
    }
    return false;
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
    FSortFields.clear();
    FSortColumns.clear();
    NotifyData();
}

void TMemTable::AddField(const TFieldDef& def) {
    Require(!IsOpen(), [&] { return QStringLiteral("Cannot perform this operation on an open dataset"); });
    TFieldType type{};
    Require(FieldTypeFromName(def.TypeName, type),
            [&] { return QStringLiteral("Unknown field type (%1)").arg(def.TypeName); });
    TFieldDef added = def;
    if (ValueKindOf(type) != TValueKind::Text || added.Size < 0) {
        added.Size = 0;
    }
    FFields.push_back(std::move(added));
    FTypes.push_back(type);
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
    MoveCursor(FRows.empty() ? -1 : 0, true, FRows.empty());
    NotifyData();
}

void TMemTable::Close() {
    if (!IsOpen()) {
        return;
    }
    FRows.clear();
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
    MoveCursor(FRows.empty() ? -1 : 0, true, FRows.empty());
}

void TMemTable::Last() {
    CheckOpen();
    CheckBrowseMode();
    MoveCursor(RecordCount() - 1, FRows.empty(), true);
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
        MoveCursor(FCurrent, FRows.empty(), true);
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
        MoveCursor(FCurrent, true, FRows.empty());
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
    const std::vector<TFieldValue>& values = FRows[static_cast<std::size_t>(position)].Current.Values;
    return static_cast<std::size_t>(field) < values.size() ? values[static_cast<std::size_t>(field)] : TFieldValue{};
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

const TRowData& TMemTable::Row(int position) const {
    Require(position >= 0 && position < RecordCount(),
            [&] { return QStringLiteral("List index out of bounds (%1)").arg(position); });
    return FRows[static_cast<std::size_t>(position)].Current;
}

const std::vector<TRowData>& TMemTable::OlderVersions(int position) const {
    Require(position >= 0 && position < RecordCount(),
            [&] { return QStringLiteral("List index out of bounds (%1)").arg(position); });
    return FRows[static_cast<std::size_t>(position)].Older;
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
    if (FRows.empty()) {
        Append();
        return;
    }
    FBuffer = FRows[static_cast<std::size_t>(FCurrent)].Current.Values;
    FBuffer.resize(FFields.size());
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
    TRow row;
    if (FState == TTableState::Edit) {
        row = std::move(FRows[static_cast<std::size_t>(FCurrent)]);
        FRows.erase(FRows.begin() + FCurrent);
    }
    row.Current.Status = rsUnchanged;
    row.Current.Values = std::move(FBuffer);
    FBuffer.clear();
    int position = RecordCount();
    if (HasSortOrder()) {
        position = PlaceFor(row.Current);
    } else if (FState == TTableState::Edit) {
        position = FCurrent; // an unordered table keeps the row where it was
    }
    FRows.insert(FRows.begin() + position, std::move(row));
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
    Require(!FRows.empty(), [&] { return QStringLiteral("Cannot perform this operation on an empty dataset"); });
    if (FState == TTableState::Edit) {
        FBuffer.clear();
        SetState(TTableState::Browse);
    }
    FRows.erase(FRows.begin() + FCurrent);
    MoveCursor(std::min(FCurrent, RecordCount() - 1), FRows.empty(), FRows.empty(), true);
    NotifyData();
}

// --- Order

int TMemTable::CompareRows(const TRowData& a, const TRowData& b) const {
    for (const int column : FSortColumns) {
        const auto index = static_cast<std::size_t>(column);
        const TFieldValue& x = a.Values[index];
        const TFieldValue& y = b.Values[index];
        int c = CompareValues(x, y, FCollator);
        if (c != 0) {
            // The empty value stays first in a descending order too.
            if (FSortDescending && !IsEmptyValue(x) && !IsEmptyValue(y)) {
                c = -c;
            }
            return c;
        }
    }
    return 0;
}

int TMemTable::CompareRowToKey(const TRowData& row, const std::vector<TFieldValue>& key) const {
    for (std::size_t i = 0; i < key.size(); ++i) {
        const TFieldValue& x = row.Values[static_cast<std::size_t>(FSortColumns[i])];
        int c = CompareValues(x, key[i], FCollator);
        if (c != 0) {
            if (FSortDescending && !IsEmptyValue(x) && !IsEmptyValue(key[i])) {
                c = -c;
            }
            return c;
        }
    }
    return 0;
}

std::vector<TFieldValue> TMemTable::KeyFor(const std::vector<int>& columns, const std::vector<TFieldValue>& key) const {
    std::vector<TFieldValue> stored;
    const std::size_t count = std::min(columns.size(), key.size());
    stored.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        stored.push_back(StoredValue(columns[i], key[i], true));
    }
    return stored;
}

int TMemTable::PlaceFor(const TRowData& row) const {
    const auto place = std::upper_bound(FRows.begin(), FRows.end(), row, [this](const TRowData& r, const TRow& other) {
        return CompareRows(r, other.Current) < 0;
    });
    return static_cast<int>(place - FRows.begin());
}

void TMemTable::SortRows() {
    if (!HasSortOrder() || FRows.size() < 2) {
        return;
    }
    std::vector<std::size_t> order(FRows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
        return CompareRows(FRows[a].Current, FRows[b].Current) < 0;
    });
    std::vector<TRow> sorted;
    sorted.reserve(FRows.size());
    int current = FCurrent;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (static_cast<int>(order[i]) == FCurrent) {
            current = static_cast<int>(i);
        }
        sorted.push_back(std::move(FRows[order[i]]));
    }
    FRows = std::move(sorted);
    if (current != FCurrent) {
        MoveCursor(current, false, false, true);
    }
}

void TMemTable::SetSortOrder(const QStringList& fields, bool descending, bool caseInsensitive) {
    std::vector<int> columns;
    for (const QString& name : fields) {
        columns.push_back(FieldByName(name.trimmed()));
    }
    CheckBrowseMode();
    FSortFields.clear();
    for (const QString& name : fields) {
        FSortFields.append(name.trimmed());
    }
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
    const std::vector<TFieldValue> stored = KeyFor(columns, key);

    const bool leadsOrder = HasSortOrder() && FSortCaseInsensitive && columns.size() <= FSortColumns.size() &&
                            std::equal(columns.begin(), columns.end(), FSortColumns.begin());
    int found = -1;
    if (leadsOrder) {
        const auto first = std::lower_bound(FRows.begin(), FRows.end(), stored, [this](const TRow& row, const auto& k) {
            return CompareRowToKey(row.Current, k) < 0;
        });
        if (first != FRows.end() && CompareRowToKey(first->Current, stored) == 0) {
            found = static_cast<int>(first - FRows.begin());
        }
    } else {
        for (std::size_t r = 0; r < FRows.size() && found < 0; ++r) {
            bool equal = true;
            for (std::size_t i = 0; i < columns.size() && equal; ++i) {
                const TFieldValue& value = FRows[r].Current.Values[static_cast<std::size_t>(columns[i])];
                equal = CompareValues(value, stored[i], FLocateCollator) == 0;
            }
            if (equal) {
                found = static_cast<int>(r);
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
    const std::vector<TFieldValue> stored = KeyFor(FSortColumns, key);
    const auto first = std::lower_bound(FRows.begin(), FRows.end(), stored, [this](const TRow& row, const auto& k) {
        return CompareRowToKey(row.Current, k) < 0;
    });
    return static_cast<int>(first - FRows.begin());
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
    for (const TFieldDef& def : fields) {
        AddField(def);
    }
}

void TMemTable::LoadClearRows() {
    FRows.clear();
    FDeletedRows.clear();
    FCurrent = -1;
    NotifyData();
}

void TMemTable::LoadAddRow(TRowData current, std::vector<TRowData> older) {
    std::vector<TRow>& rows = current.Status == rsDeleted ? FDeletedRows : FRows;
    rows.push_back(TRow{std::move(current), std::move(older)});
}

void TMemTable::LoadFinish() {
    ResolveSortOrder();
    FCurrent = -1; // the rows are new: no current row to follow through the sort
    SortRows();
    if (!IsOpen()) {
        SetState(TTableState::Browse);
    }
    MoveCursor(FRows.empty() ? -1 : 0, true, FRows.empty(), true);
    NotifyData();
}
