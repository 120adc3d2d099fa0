#include "TBinaryStreamFormat.h"

#include "TMemTable.h"
#include "uByteCoding.h"
#include "uSaveFile.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <limits>
#include <span>
#include <vector>

namespace {

// The format versions at which parts of the layout appeared.
constexpr int VersionWithoutNumber = 100;
constexpr int VersionIndexList = 200;
constexpr int VersionRowStatus = 230;
constexpr int VersionEmptyFlags = 249;
constexpr int VersionFieldKind = 250;
constexpr int VersionDefaultExpression = 251;

constexpr char Signature[] = "TPF0";

[[noreturn]] void FailRead() {
    throw TFailure(QStringLiteral("Stream read error"));
}
[[noreturn]] void FailValue() {
    throw TFailure(QStringLiteral("Invalid property value"));
}
[[noreturn]] void FailWrite() {
    throw TFailure(QStringLiteral("Stream write error"));
}

// --- Writing

void PutInteger(TByteWriter& out, qint64 value) {
    if (value >= -128 && value <= 127) {
        out.PutByte(tagInt8);
        out.PutByte(static_cast<std::uint8_t>(static_cast<std::int8_t>(value)));
    } else if (value >= -32768 && value <= 32767) {
        out.PutByte(tagInt16);
        out.PutInt16(static_cast<std::int16_t>(value));
    } else {
        // Tables hold no integer beyond 32 bits: SetValue and the reader keep them in range.
        out.PutByte(tagInt32);
        out.PutInt32(static_cast<std::int32_t>(
            std::clamp<qint64>(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max())));
    }
}

void PutBoolean(TByteWriter& out, bool value) {
    out.PutByte(value ? tagTrue : tagFalse);
}

void PutText(TByteWriter& out, QStringView text) {
    const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (!ascii) {
        const QByteArray utf8 = text.toUtf8();
        out.PutByte(tagUtf8String);
        out.PutInt32(static_cast<std::int32_t>(utf8.size()));
        out.PutBytes(utf8);
        return;
    }
    if (text.size() <= 255) {
        out.PutByte(tagString);
        out.PutByte(static_cast<std::uint8_t>(text.size()));
    } else {
        out.PutByte(tagLongString);
        out.PutInt32(static_cast<std::int32_t>(text.size()));
    }
    // 7-bit ASCII: each character is its own byte.
    char* bytes = out.Room(text.size());
    std::transform(text.begin(), text.end(), bytes, [](QChar c) { return static_cast<char>(c.unicode()); });
}

void PutExtended(TByteWriter& out, double value) {
    char* bytes = out.Room(11);
    bytes[0] = static_cast<char>(tagExtended);
    WriteExtended(value, bytes + 1);
}

// The empty flag, then the value in the column type's encoding.
void PutCell(TByteWriter& out, TValueKind kind, const TCell& cell) {
    const bool present = (kind == TValueKind::Integer && cell.IsInteger()) ||
                         (kind == TValueKind::Boolean && cell.IsBoolean()) ||
                         (kind == TValueKind::Extended && (cell.IsNumber() || cell.IsInteger())) ||
                         (kind == TValueKind::Text && cell.IsText());
    PutBoolean(out, !present);
    if (!present) {
        return;
    }
    switch (kind) {
    case TValueKind::Integer:
        PutInteger(out, cell.Integer());
        break;
    case TValueKind::Boolean:
        PutBoolean(out, cell.Boolean());
        break;
    case TValueKind::Extended:
        PutExtended(out, cell.IsNumber() ? cell.Number() : static_cast<double>(cell.Integer()));
        break;
    case TValueKind::Text:
        PutText(out, cell.Text());
        break;
    }
}

// The writer reserves room from these, so that a program file is written without growing its buffer: a column entry
// takes about FieldEntryBytesEstimate bytes, a value at most ValueBytesEstimate unless it is a long text.
constexpr qsizetype FieldEntryBytesEstimate = 64;
constexpr qsizetype ValueBytesEstimate = 12; // empty flag, tagExtended and ten bytes

// --- Reading

// A text as the file holds it, not yet converted: Latin-1 (tagString and tagLongString), UTF-8 or UTF-16LE bytes.
struct TFileText {
    enum class TEncoding { Latin1, Utf8, Utf16LE };

    TEncoding Encoding = TEncoding::Latin1;
    QByteArrayView Bytes;

    bool IsEmpty() const { return Bytes.isEmpty(); }

    QString ToString() const {
        switch (Encoding) {
        case TEncoding::Latin1:
            return QString::fromLatin1(Bytes);
        case TEncoding::Utf8:
            return QString::fromUtf8(Bytes);
        case TEncoding::Utf16LE:
            break;
        }
        QString text(Bytes.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const auto low = static_cast<std::uint8_t>(Bytes[2 * i]);
            const auto high = static_cast<std::uint8_t>(Bytes[2 * i + 1]);
            text[i] = QChar(static_cast<char16_t>(low | (high << 8)));
        }
        return text;
    }

    // The text for comparing and looking up, made without a QString unless it is UTF-16, which only old files
    // hold; storage keeps such a text for as long as the view is used.
    QAnyStringView View(QString& storage) const {
        switch (Encoding) {
        case TEncoding::Latin1:
            return QLatin1StringView(Bytes);
        case TEncoding::Utf8:
            return QUtf8StringView(Bytes);
        case TEncoding::Utf16LE:
            break;
        }
        storage = ToString();
        return storage;
    }

    bool Equals(const QString& text) const {
        if (Encoding != TEncoding::Latin1) {
            QString storage;
            return QAnyStringView::equal(View(storage), text);
        }
        if (Bytes.size() != text.size()) {
            return false;
        }
        // Column properties are short: comparing here beats a call into Qt's general comparison.
        const QChar* chars = text.constData();
        for (qsizetype i = 0; i < Bytes.size(); ++i) {
            if (static_cast<unsigned char>(Bytes[i]) != chars[i].unicode()) {
                return false;
            }
        }
        return true;
    }
};

// Reads the tagged values of one file. Every getter throws the file's failure message instead of returning
// a value it could not read.
class TTagReader {
public:
    explicit TTagReader(QByteArrayView bytes) : FIn(bytes) {}

    std::uint8_t GetByte() {
        std::uint8_t byte = 0;
        if (!FIn.GetByte(byte)) {
            FailRead();
        }
        return byte;
    }

    std::uint8_t PeekByte() const {
        std::uint8_t byte = 0;
        if (!FIn.PeekByte(byte)) {
            FailRead();
        }
        return byte;
    }

    QByteArrayView GetBytes(qint64 count) {
        QByteArrayView bytes;
        if (!FIn.GetBytes(count, bytes)) {
            FailRead();
        }
        return bytes;
    }

    qint32 GetLength() {
        std::int32_t length = 0;
        if (!FIn.GetInt32(length)) {
            FailRead();
        }
        return length;
    }

    qint64 Position() const { return FIn.Position(); }
    qint64 Remaining() const { return FIn.Remaining(); }

    bool ReadSignature() {
        const QByteArrayView signature = GetBytes(4);
        return signature == QByteArrayView(Signature, 4);
    }

    qint32 ReadInteger() {
        switch (GetByte()) {
        case tagInt8:
            return static_cast<std::int8_t>(GetByte());
        case tagInt16: {
            std::int16_t value = 0;
            if (!FIn.GetInt16(value)) {
                FailRead();
            }
            return value;
        }
        case tagInt32:
            return GetLength();
        default:
            FailValue();
        }
    }

    double ReadFloat() {
        switch (PeekByte()) {
        case tagExtended: {
            GetByte();
            return DoubleFromExtended(GetBytes(10).data());
        }
        case tagInt64: {
            GetByte();
            std::int64_t value = 0;
            if (!FIn.GetInt64(value)) {
                FailRead();
            }
            return static_cast<double>(value);
        }
        default:
            return ReadInteger();
        }
    }

    // Any byte but tagTrue is false, as the format has always read booleans.
    bool ReadBoolean() { return GetByte() == tagTrue; }

    // The values of files with empty flags nearly all come in the form the program writes: the empty flag false,
    // then for a number tagExtended and ten bytes, for a text tagString, a length byte and the Latin-1 bytes. The
    // ReadPresent functions read that form in one step; for anything else they return false, or stop, without
    // moving.

    bool ReadPresentNumber(double& value) {
        const char* bytes = FIn.Peek(PresentNumberBytes);
        if (bytes == nullptr || TByteReader::LoadUInt16(bytes) != PresentNumberTags) {
            return false;
        }
        value = DoubleFromExtended(bytes + 2);
        FIn.Skip(PresentNumberBytes);
        return true;
    }

    // Reads numbers into cells, from the first on, for as long as they come in the present form; returns how many it
    // read. The cells keep the numbers as extended numbers, which become doubles when asked for.
    std::size_t ReadPresentNumbers(std::span<TCell> cells) {
        const char* next = FIn.Peek(0);
        const auto fit = static_cast<std::size_t>(FIn.Remaining() / PresentNumberBytes);
        const std::size_t count = std::min(cells.size(), fit);
        std::size_t read = 0;
        while (read < count && TByteReader::LoadUInt16(next) == PresentNumberTags) {
            cells[read].FillExtended(next + 2);
            ++read;
            next += PresentNumberBytes;
        }
        FIn.Skip(static_cast<qint64>(read) * PresentNumberBytes);
        return read;
    }

    bool ReadPresentLatin1(QLatin1StringView& text) {
        const char* bytes = FIn.Peek(3);
        if (bytes == nullptr || TByteReader::LoadUInt16(bytes) != PresentLatin1Tags) {
            return false;
        }
        const qint64 length = static_cast<std::uint8_t>(bytes[2]);
        if (length > FIn.Remaining() - 3) {
            return false;
        }
        text = QLatin1StringView(bytes + 3, length);
        FIn.Skip(3 + length);
        return true;
    }

    // Reads a text into text. Every length is checked against the bytes left before anything is made from it. The
    // text is filled in place rather than returned: a TFileText put together in one place and copied whole to
    // another keeps the processor waiting, and column lists are mostly texts.
    void ReadFileText(TFileText& text) {
        // A short Latin-1 text, nearly every text of a file, is read here; ReadAnyText reads all others.
        if (const char* bytes = FIn.Peek(2); bytes != nullptr && static_cast<std::uint8_t>(bytes[0]) == tagString) {
            if (const qint64 length = static_cast<std::uint8_t>(bytes[1]); length <= FIn.Remaining() - 2) {
                FIn.Skip(2 + length);
                text.Encoding = TFileText::TEncoding::Latin1;
                text.Bytes = QByteArrayView(bytes + 2, length);
                return;
            }
        }
        ReadAnyText(text);
    }

    TFileText ReadFileText() {
        TFileText text;
        ReadFileText(text);
        return text;
    }

    // Out of line, so that ReadFileText stays small enough to be inlined where texts are read.
    Q_NEVER_INLINE void ReadAnyText(TFileText& text) {
        switch (GetByte()) {
        case tagString:
            text = {TFileText::TEncoding::Latin1, GetBytes(GetByte())};
            break;
        case tagLongString:
            text = {TFileText::TEncoding::Latin1, GetBytes(GetLength())};
            break;
        case tagUtf8String:
            text = {TFileText::TEncoding::Utf8, GetBytes(GetLength())};
            break;
        case tagWideString:
            text = {TFileText::TEncoding::Utf16LE, GetBytes(2 * static_cast<qint64>(GetLength()))};
            break;
        default:
            FailValue();
        }
    }

    QString ReadText() { return ReadFileText().ToString(); }

    void ReadListBegin() {
        if (GetByte() != tagListBegin) {
            FailValue();
        }
    }

    // Consumes the list's end tag when it comes next.
    bool AtListEnd() {
        if (PeekByte() != tagListEnd) {
            return false;
        }
        FIn.Skip(1);
        return true;
    }

private:
    static constexpr std::uint16_t PresentNumberTags = tagFalse | (tagExtended << 8); // as LoadUInt16 reads them
    static constexpr qint64 PresentNumberBytes = 12;
    static constexpr std::uint16_t PresentLatin1Tags = tagFalse | (tagString << 8);

    TByteReader FIn;
};

// A column entry as the file holds it. Its texts become QStrings only when the entry replaces a column.
struct TFieldEntry {
    TFileText Name;
    TFieldType Type{};
    int Size = 0;
    TFileText DisplayLabel;
    TFileText EditMask;
    int DisplayWidth = 0;
    bool Required = false;
    bool ReadOnly = false;
    TFieldKind Kind = TFieldKind::Data;
    TFileText DefaultExpression;

    // The column a table defines from the entry.
    TFieldDef FieldDef() const {
        TFieldDef def;
        def.Name = Name.ToString();
        def.TypeName = FieldTypeName(Type);
        def.Size = Size;
        def.Required = Required;
        // Files give every column its display label, mostly the name itself: such a label shares the name's text.
        def.DisplayLabel = DisplayLabel.Encoding == Name.Encoding && DisplayLabel.Bytes == Name.Bytes
                               ? def.Name
                               : DisplayLabel.ToString();
        def.EditMask = EditMask.ToString();
        def.DisplayWidth = DisplayWidth;
        def.ReadOnly = ReadOnly;
        def.Kind = Kind;
        def.DefaultExpression = DefaultExpression.ToString();
        return def;
    }
};

// Reads a column entry into entry, all of which it sets.
void ReadFieldEntry(TTagReader& in, int version, TFieldEntry& entry) {
    in.ReadFileText(entry.Name);
    TFileText name;
    in.ReadFileText(name);
    QString storage;
    if (!FieldTypeFromName(name.View(storage), entry.Type)) {
        throw TFailure(QStringLiteral("Unknown field type (%1)").arg(name.ToString()));
    }
    entry.Size = in.ReadInteger();
    in.ReadFileText(entry.DisplayLabel);
    in.ReadFileText(entry.EditMask);
    entry.DisplayWidth = in.ReadInteger();
    entry.Required = in.ReadBoolean();
    entry.ReadOnly = in.ReadBoolean();
    entry.Kind = TFieldKind::Data; // also for a kind name that is none of the kinds
    if (version >= VersionFieldKind) {
        in.ReadFileText(name);
        FieldKindFromName(name.View(storage), entry.Kind);
    }
    entry.DefaultExpression = TFileText{};
    if (version >= VersionDefaultExpression) {
        in.ReadFileText(entry.DefaultExpression);
    }
}

TIndexDef ReadIndexDef(TTagReader& in) {
    TIndexDef def;
    def.Name = in.ReadText();
    def.Fields = in.ReadText();
    def.DisplayName = in.ReadText();
    def.Descending = in.ReadBoolean();
    def.CaseInsensitive = in.ReadBoolean();
    def.NonMaintained = in.ReadBoolean();
    def.Unique = in.ReadBoolean();
    return def;
}

} // namespace

// Reads one file into a table, which lets it use its private loading hooks. Rows are decoded straight into the
// table's cells.
class TTableLoader {
public:
    TTableLoader(TMemTable& table, QByteArrayView bytes, int& version) : FTable(table), FIn(bytes), FVersion(version) {}

    void Run() {
        if (!FIn.ReadSignature()) {
            throw TFailure(QStringLiteral("Invalid stream format"));
        }
        FVersion = FIn.PeekByte() == tagListBegin ? VersionWithoutNumber : FIn.ReadInteger();
        ReadColumns();
        if (FVersion >= VersionIndexList) {
            ReadIndexes();
        }
        ReadRows();
    }

private:
    // How the values of a column are read, fixed once the columns are known.
    struct TColumnReading {
        TFieldType Type;
        TValueKind Kind;
        bool ZeroIsEmpty; // a date or time of exactly 0.0 is no value
        bool PresentForm; // a number or text column of a file with empty flags, which ReadPresent... may read
        // The number of columns from this one on that ReadPresentNumbers can read in one go: number columns whose
        // numbers are stored as read (StoredNumber changes only dates) and need not be looked at on reading,
        // neither dates nor times. 0 for others.
        std::size_t NumberRun;
    };

    // From the first entry on the table's columns are replaced, also by the entries read before a failure. Reading
    // a table's own file again, the entries define the very columns the table has: the table then keeps its
    // definitions, and nothing is made from the entries. Otherwise the entries are read a second time, to make the
    // new columns.
    void ReadColumns() {
        FIn.ReadListBegin();
        if (FIn.AtListEnd()) {
            return; // the table keeps its own columns
        }
        const TTagReader list = FIn;
        int read = 0;     // entries read in full
        bool same = true; // every entry read defines the table's column at its place
        try {
            TFieldEntry entry;
            do {
                ReadFieldEntry(FIn, FVersion, entry);
                same = same && read < FTable.FieldCount() && Defines(entry, read);
                ++read;
            } while (!FIn.AtListEnd());
        } catch (...) {
            ReplaceColumns(list, read);
            throw;
        }
        if (same && read == FTable.FieldCount()) {
            FTable.LoadKeepFields();
        } else {
            ReplaceColumns(list, read);
        }
    }

    // Replaces the table's columns by the first count entries of the column list at list, entries read before.
    void ReplaceColumns(TTagReader list, int count) {
        std::vector<TFieldDef> fields;
        fields.reserve(static_cast<std::size_t>(count));
        TFieldEntry entry;
        for (int i = 0; i < count; ++i) {
            ReadFieldEntry(list, FVersion, entry);
            fields.push_back(entry.FieldDef());
        }
        FTable.LoadReplaceFields(std::move(fields));
    }

    // True when the table's column is what entry defines; the display format, which files do not hold, is not
    // compared.
    bool Defines(const TFieldEntry& entry, int column) const {
        const TFieldDef& def = FTable.Field(column);
        return entry.Type == FTable.FieldType(column) && TMemTable::StoredSize(entry.Type, entry.Size) == def.Size &&
               entry.DisplayWidth == def.DisplayWidth && entry.Required == def.Required &&
               entry.ReadOnly == def.ReadOnly && entry.Kind == def.Kind && entry.Name.Equals(def.Name) &&
               entry.DisplayLabel.Equals(def.DisplayLabel) && entry.EditMask.Equals(def.EditMask) &&
               entry.DefaultExpression.Equals(def.DefaultExpression);
    }

    void ReadIndexes() {
        FIn.ReadListBegin();
        if (FIn.AtListEnd()) {
            return;
        }
        std::vector<TIndexDef> indexes;
        try {
            do {
                indexes.push_back(ReadIndexDef(FIn));
            } while (!FIn.AtListEnd());
        } catch (...) {
            FTable.SetIndexDefs(std::move(indexes));
            throw;
        }
        FTable.SetIndexDefs(std::move(indexes));
    }

    void ReadRows() {
        FIn.ReadListBegin();
        FTable.LoadClearRows();
        PrepareColumns();
        TRowStore& rows = FTable.LoadedRows();
        if (FIn.AtListEnd()) {
            return;
        }
        // The rows to come are about as long as the first, which took at least a byte: what is reserved after it
        // stays within a few cells for each byte of the file.
        const qint64 start = FIn.Position();
        ReadRowEntry(rows);
        const qint64 rowBytes = std::max<qint64>(FIn.Position() - start, 1);
        rows.Reserve(static_cast<std::size_t>(rows.Count()) + static_cast<std::size_t>(FIn.Remaining() / rowBytes));
        while (!FIn.AtListEnd()) {
            ReadRowEntry(rows);
        }
    }

    // Appends a row to rows and reads an entry into it. A row counts only once its entry is read in full.
    void ReadRowEntry(TRowStore& rows) {
        const std::span<TCell> cells = rows.AppendRowToFill();
        try {
            ReadRow(rows, cells);
        } catch (...) {
            rows.RemoveLast();
            throw;
        }
    }

    // Reads one row entry into the last row of rows, whose cells are given.
    void ReadRow(TRowStore& rows, std::span<TCell> cells) {
        if (FVersion < VersionRowStatus) {
            // Without columns such an entry would be empty and the list could never end.
            if (FColumns.empty()) {
                FailValue();
            }
            ReadValues(rows, cells);
            return;
        }
        FIn.ReadListBegin();
        const int status = FIn.ReadInteger();
        ReadValues(rows, cells);
        if (!FIn.AtListEnd()) {
            ReadOlderVersions(rows.Head(rows.Count() - 1));
        }
        if (status != rsUnchanged) {
            rows.Head(rows.Count() - 1).Status = status;
        }
        if (status == rsDeleted) {
            FTable.LoadSetAsideLastRow();
        }
    }

    // Reads the earlier versions that follow a row's values, up to the end of the row's entry.
    void ReadOlderVersions(TRowStore::TRowHead& head) {
        do {
            head.Older.push_back(ReadOlderVersion());
        } while (!FIn.AtListEnd());
    }

    TRowData ReadOlderVersion() {
        const int status = FIn.ReadInteger();
        TRowStore version;
        version.Reset(static_cast<int>(FColumns.size()));
        ReadValues(version, version.AppendRowToFill());
        version.Head(0).Status = status;
        return version.Data(0);
    }

    // Reads one set of values into cells, the cells of a row of rows, which it fills, each of them. Values in the
    // form the program writes take the short way: numbers of consecutive columns in one go, other values one by one.
    void ReadValues(TRowStore& rows, std::span<TCell> cells) {
        for (std::size_t i = 0; i < cells.size();) {
            const TColumnReading& column = FColumns[i];
            if (column.NumberRun > 0) {
                const std::size_t read = FIn.ReadPresentNumbers(cells.subspan(i, column.NumberRun));
                i += read;
                if (read == column.NumberRun) {
                    continue;
                }
            } else if (column.PresentForm && ReadPresentValue(rows, cells[i], column, static_cast<int>(i))) {
                ++i;
                continue;
            }
            ReadValue(rows, cells[i], FColumns[i], static_cast<int>(i));
            ++i;
        }
    }

    // Reads the value of column field into cell, a cell of rows, if it comes in the form the program writes; returns
    // false, without moving or filling cell, when it does not.
    bool ReadPresentValue(TRowStore& rows, TCell& cell, const TColumnReading& column, int field) {
        if (double number = 0; column.Kind == TValueKind::Extended && FIn.ReadPresentNumber(number)) {
            StoreNumber(cell, column, number);
            return true;
        }
        if (QLatin1StringView text; column.Kind == TValueKind::Text && FIn.ReadPresentLatin1(text)) {
            StoreText(rows, cell, field, text);
            return true;
        }
        return false;
    }

    // Reads the value of column field into cell, a cell of rows, whatever form the file gives it.
    void ReadValue(TRowStore& rows, TCell& cell, const TColumnReading& column, int field) {
        cell = TCell{};
        if (FVersion >= VersionEmptyFlags && FIn.ReadBoolean()) {
            return;
        }
        switch (column.Kind) {
        case TValueKind::Integer:
            cell.FillInteger(FIn.ReadInteger());
            break;
        case TValueKind::Boolean:
            cell.FillBoolean(FIn.ReadBoolean());
            break;
        case TValueKind::Extended:
            StoreNumber(cell, column, FIn.ReadFloat());
            break;
        case TValueKind::Text:
            if (const TFileText text = FIn.ReadFileText(); text.Encoding == TFileText::TEncoding::Latin1) {
                StoreText(rows, cell, field, QLatin1StringView(text.Bytes));
            } else if (!text.IsEmpty()) {
                rows.FillText(cell, FTable.StoredText(field, text.ToString()));
            }
            break;
        }
    }

    void StoreText(TRowStore& rows, TCell& cell, int field, QLatin1StringView text) {
        // An empty text is no value, as when it is assigned.
        if (text.isEmpty()) {
            cell = TCell{};
        } else {
            rows.FillText(cell, FTable.StoredText(field, text));
        }
    }

    static void StoreNumber(TCell& cell, const TColumnReading& column, double number) {
        if (column.ZeroIsEmpty && number == 0.0) {
            cell = TCell{};
        } else {
            cell.FillNumber(TMemTable::StoredNumber(column.Type, number));
        }
    }

    void PrepareColumns() {
        FColumns.clear();
        FColumns.reserve(static_cast<std::size_t>(FTable.FieldCount()));
        for (int i = 0; i < FTable.FieldCount(); ++i) {
            const TFieldType type = FTable.FieldType(i);
            const bool moment = type == TFieldType::Date || type == TFieldType::Time || type == TFieldType::DateTime;
            const TValueKind kind = ValueKindOf(type);
            const bool present =
                (kind == TValueKind::Extended || kind == TValueKind::Text) && FVersion >= VersionEmptyFlags;
            FColumns.push_back({type, kind, moment, present, 0});
        }
        if (FVersion >= VersionEmptyFlags) {
            std::size_t run = 0;
            for (auto column = FColumns.rbegin(); column != FColumns.rend(); ++column) {
                run = column->Kind == TValueKind::Extended && !column->ZeroIsEmpty ? run + 1 : 0;
                column->NumberRun = run;
            }
        }
    }

    TMemTable& FTable;
    TTagReader FIn;
    int& FVersion;
    std::vector<TColumnReading> FColumns;
};

QByteArray TBinaryStreamFormat::EncodeTable(const TMemTable& table) const {
    const int fields = table.FieldCount();
    const TRowStore& rows = table.FRows;
    TByteWriter out;
    out.Reserve(fields * FieldEntryBytesEstimate + qsizetype{rows.Count()} * (4 + fields * ValueBytesEstimate) + 16);
    out.PutBytes(QByteArrayView(Signature, 4));
    PutInteger(out, WrittenVersion);

    out.PutByte(tagListBegin);
    for (int i = 0; i < fields; ++i) {
        const TFieldDef& def = table.Field(i);
        PutText(out, def.Name);
        PutText(out, FieldTypeName(table.FieldType(i)));
        PutInteger(out, def.Size);
        PutText(out, def.DisplayLabel.isEmpty() ? def.Name : def.DisplayLabel);
        PutText(out, def.EditMask);
        PutInteger(out, def.EffectiveDisplayWidth());
        PutBoolean(out, def.Required);
        PutBoolean(out, def.ReadOnly);
        PutText(out, FieldKindName(def.Kind));
        PutText(out, def.DefaultExpression);
    }
    out.PutByte(tagListEnd);

    out.PutByte(tagListBegin);
    for (const TIndexDef& index : table.IndexDefs()) {
        PutText(out, index.Name);
        PutText(out, index.Fields);
        PutText(out, index.DisplayName);
        PutBoolean(out, index.Descending);
        PutBoolean(out, index.CaseInsensitive);
        PutBoolean(out, index.NonMaintained);
        PutBoolean(out, index.Unique);
    }
    out.PutByte(tagListEnd);

    std::vector<TValueKind> kinds;
    kinds.reserve(static_cast<std::size_t>(fields));
    for (int i = 0; i < fields; ++i) {
        kinds.push_back(ValueKindOf(table.FieldType(i)));
    }
    out.PutByte(tagListBegin);
    for (int r = 0; r < rows.Count(); ++r) {
        out.PutByte(tagListBegin);
        PutInteger(out, rows.Head(r).Status);
        const std::span<const TCell> cells = rows.Cells(r);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            PutCell(out, kinds[i], cells[i]);
        }
        out.PutByte(tagListEnd);
    }
    out.PutByte(tagListEnd);
    return out.TakeBytes();
}

void TBinaryStreamFormat::WriteTable(const TMemTable& table, QIODevice& device) const {
    const QByteArray bytes = EncodeTable(table);
    for (qsizetype offset = 0; offset < bytes.size(); offset += FBufferSize) {
        const qsizetype chunk = std::min<qsizetype>(FBufferSize, bytes.size() - offset);
        if (device.write(bytes.constData() + offset, chunk) != chunk) {
            FailWrite();
        }
    }
}

void TBinaryStreamFormat::WriteTableFile(const TMemTable& table, const QString& path) const {
    QSaveFile file(path);
    OpenReplacement(file);
    WriteTable(table, file); // on failure the unfinished temporary file is discarded with `file`
    CommitReplacement(file);
}

void TBinaryStreamFormat::ReadTable(TMemTable& table, QByteArrayView bytes) {
    FLastReadVersion = 0;
    TControlsSuspension suspension(table);
    table.LoadBegin();
    try {
        TTableLoader(table, bytes, FLastReadVersion).Run();
    } catch (...) {
        table.LoadFinish();
        throw;
    }
    table.LoadFinish();
}

void TBinaryStreamFormat::ReadTableFile(TMemTable& table, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw TFailure(QStringLiteral("Cannot open file \"%1\". %2").arg(MessagePath(path), file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        FailRead();
    }
    ReadTable(table, bytes);
}
