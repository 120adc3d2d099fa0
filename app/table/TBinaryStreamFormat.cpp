#include "TBinaryStreamFormat.h"

#include "TMemTable.h"
#include "uByteCoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <limits>

namespace {

// The format versions at which parts of the layout appeared.
constexpr int VersionWithoutNumber = 100;
constexpr int VersionIndexList = 200;
constexpr int VersionRowStatus = 230;
constexpr int VersionEmptyFlags = 249;
constexpr int VersionFieldKind = 250;
constexpr int VersionDefaultExpression = 251;

constexpr char Signature[] = "TPF0";

QString FullPath(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

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

void PutText(TByteWriter& out, const QString& text) {
    const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (!ascii) {
        const QByteArray utf8 = text.toUtf8();
        out.PutByte(tagUtf8String);
        out.PutInt32(static_cast<std::int32_t>(utf8.size()));
        out.PutBytes(utf8);
        return;
    }
    const QByteArray bytes = text.toLatin1();
    if (bytes.size() <= 255) {
        out.PutByte(tagString);
        out.PutByte(static_cast<std::uint8_t>(bytes.size()));
    } else {
        out.PutByte(tagLongString);
        out.PutInt32(static_cast<std::int32_t>(bytes.size()));
    }
    out.PutBytes(bytes);
}

void PutExtended(TByteWriter& out, double value) {
    out.PutByte(tagExtended);
    const TExtendedBytes bytes = ExtendedFromDouble(value);
    out.PutBytes(QByteArrayView(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
}

// The empty flag, then the value in the column type's encoding.
void PutFieldValue(TByteWriter& out, TValueKind kind, const TFieldValue& value) {
    const auto* integer = std::get_if<qint64>(&value);
    const auto* flag = std::get_if<bool>(&value);
    const auto* number = std::get_if<double>(&value);
    const auto* text = std::get_if<QString>(&value);
    const bool present = (kind == TValueKind::Integer && integer) || (kind == TValueKind::Boolean && flag) ||
                         (kind == TValueKind::Extended && (number || integer)) || (kind == TValueKind::Text && text);
    PutBoolean(out, !present);
    if (!present) {
        return;
    }
    switch (kind) {
    case TValueKind::Integer:
        PutInteger(out, *integer);
        break;
    case TValueKind::Boolean:
        PutBoolean(out, *flag);
        break;
    case TValueKind::Extended:
        PutExtended(out, number ? *number : static_cast<double>(*integer));
        break;
    case TValueKind::Text:
        PutText(out, *text);
        break;
    }
}

// --- Reading

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

    QString ReadText() {
        switch (GetByte()) {
        case tagString: {
            const QByteArrayView bytes = GetBytes(GetByte());
            return QString::fromLatin1(bytes);
        }
        case tagLongString:
            return QString::fromLatin1(GetBytes(GetLength()));
        case tagUtf8String:
            return QString::fromUtf8(GetBytes(GetLength()));
        case tagWideString: {
            // The count is checked against the bytes left before any text is allocated.
            const QByteArrayView bytes = GetBytes(2 * static_cast<qint64>(GetLength()));
            QString text(bytes.size() / 2, Qt::Uninitialized);
            for (qsizetype i = 0; i < text.size(); ++i) {
                const auto low = static_cast<std::uint8_t>(bytes[2 * i]);
                const auto high = static_cast<std::uint8_t>(bytes[2 * i + 1]);
                text[i] = QChar(static_cast<char16_t>(low | (high << 8)));
            }
            return text;
        }
        default:
            FailValue();
        }
    }

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
        GetByte();
        return true;
    }

private:
    TByteReader FIn;
};

TFieldDef ReadFieldDef(TTagReader& in, int version) {
    TFieldDef def;
    def.Name = in.ReadText();
    def.TypeName = in.ReadText();
    TFieldType type{};
    if (!FieldTypeFromName(def.TypeName, type)) {
        throw TFailure(QStringLiteral("Unknown field type (%1)").arg(def.TypeName));
    }
    def.Size = in.ReadInteger();
    def.DisplayLabel = in.ReadText();
    def.EditMask = in.ReadText();
    def.DisplayWidth = in.ReadInteger();
    def.Required = in.ReadBoolean();
    def.ReadOnly = in.ReadBoolean();
    if (version >= VersionFieldKind && !FieldKindFromName(in.ReadText(), def.Kind)) {
        def.Kind = TFieldKind::Data;
    }
    if (version >= VersionDefaultExpression) {
        def.DefaultExpression = in.ReadText();
    }
    return def;
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

// Reads one file into a table, which lets it use its private loading hooks.
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
    void ReadColumns() {
        FIn.ReadListBegin();
        if (FIn.AtListEnd()) {
            return; // the table keeps its own columns
        }
        // From the first entry on the table's columns are replaced, also by the entries read before a failure.
        std::vector<TFieldDef> fields;
        try {
            do {
                fields.push_back(ReadFieldDef(FIn, FVersion));
            } while (!FIn.AtListEnd());
        } catch (...) {
            FTable.LoadReplaceFields(std::move(fields));
            throw;
        }
        FTable.LoadReplaceFields(std::move(fields));
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
        const bool withStatus = FVersion >= VersionRowStatus;
        while (!FIn.AtListEnd()) {
            TRowData current;
            std::vector<TRowData> older;
            if (withStatus) {
                FIn.ReadListBegin();
                current.Status = FIn.ReadInteger();
                current.Values = ReadValues();
                while (!FIn.AtListEnd()) {
                    TRowData version;
                    version.Status = FIn.ReadInteger();
                    version.Values = ReadValues();
                    older.push_back(std::move(version));
                }
            } else {
                // Without columns such an entry would be empty and the list could never end.
                if (FColumns.empty()) {
                    FailValue();
                }
                current.Values = ReadValues();
            }
            FTable.LoadAddRow(std::move(current), std::move(older));
        }
    }

    std::vector<TFieldValue> ReadValues() {
        std::vector<TFieldValue> values(FColumns.size());
        for (std::size_t i = 0; i < FColumns.size(); ++i) {
            if (FVersion >= VersionEmptyFlags && FIn.ReadBoolean()) {
                continue;
            }
            const int field = static_cast<int>(i);
            TFieldValue& value = values[i];
            switch (FColumns[i].Kind) {
            case TValueKind::Integer:
                value.emplace<qint64>(FIn.ReadInteger());
                break;
            case TValueKind::Boolean:
                value.emplace<bool>(FIn.ReadBoolean());
                break;
            case TValueKind::Extended:
                if (const double number = FIn.ReadFloat(); !(FColumns[i].ZeroIsEmpty && number == 0.0)) {
                    value.emplace<double>(FTable.StoredNumber(field, number));
                }
                break;
            case TValueKind::Text:
                // An empty text is no value, as when it is assigned.
                if (QString text = FIn.ReadText(); !text.isEmpty()) {
                    value.emplace<QString>(FTable.StoredText(field, std::move(text)));
                }
                break;
            }
        }
        return values;
    }

    // How each column's values are read, fixed once the columns are known.
    void PrepareColumns() {
        FColumns.clear();
        for (int i = 0; i < FTable.FieldCount(); ++i) {
            const TFieldType type = FTable.FieldType(i);
            FColumns.push_back({ValueKindOf(type),
                                type == TFieldType::Date || type == TFieldType::Time || type == TFieldType::DateTime});
        }
    }

    struct TColumnReading {
        TValueKind Kind;
        bool ZeroIsEmpty; // a date or time of exactly 0.0 is no value
    };

    TMemTable& FTable;
    TTagReader FIn;
    int& FVersion;
    std::vector<TColumnReading> FColumns;
};

QByteArray TBinaryStreamFormat::EncodeTable(const TMemTable& table) const {
    TByteWriter out;
    out.PutBytes(QByteArrayView(Signature, 4));
    PutInteger(out, WrittenVersion);

    out.PutByte(tagListBegin);
    for (int i = 0; i < table.FieldCount(); ++i) {
        const TFieldDef& def = table.Field(i);
        PutText(out, def.Name);
        PutText(out, FieldTypeName(table.FieldType(i)));
        PutInteger(out, def.Size);
        PutText(out, def.DisplayName());
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

    out.PutByte(tagListBegin);
    for (int r = 0; r < table.RecordCount(); ++r) {
        const TRowData& row = table.Row(r);
        out.PutByte(tagListBegin);
        PutInteger(out, row.Status);
        for (int i = 0; i < table.FieldCount(); ++i) {
            const auto field = static_cast<std::size_t>(i);
            PutFieldValue(out, ValueKindOf(table.FieldType(i)),
                          field < row.Values.size() ? row.Values[field] : TFieldValue{});
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
    if (!file.open(QIODevice::WriteOnly)) {
        throw TFailure(QStringLiteral("Cannot create file \"%1\". %2").arg(FullPath(path), file.errorString()));
    }
    WriteTable(table, file); // on failure the unfinished temporary file is discarded with `file`
    if (!file.commit()) {
        FailWrite();
    }
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
        throw TFailure(QStringLiteral("Cannot open file \"%1\". %2").arg(FullPath(path), file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        FailRead();
    }
    ReadTable(table, bytes);
}
