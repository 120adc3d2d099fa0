#include "uTableFixtures.h"

#include "TestPaths.h"

#include <QFile>

#include <array>

namespace {

const std::array<const char*, 12> PriceColumns{"CURRENT",   "HIGHEST",  "LOWEST",    "PRICE_24",
                                               "PRICE_48",  "PRICE_64", "BUY_SIG",   "BUY_STOP",
                                               "BUY_LIMIT", "SELL_SIG", "SELL_STOP", "SELL_LIMIT"};

} // namespace

void DefineProgramColumns(TMemTable& table) {
    table.ClearFields();
    table.AddField({.Name = "DATE", .TypeName = "Date", .Required = true});
    table.AddField({.Name = "TIME", .TypeName = "String", .Size = 4, .Required = true, .EditMask = "!90:00;0; "});
    for (const char* name : PriceColumns) {
        table.AddField({.Name = name, .TypeName = "Float", .Required = true});
    }
}

void OpenProgramTable(TMemTable& table) {
    table.SetLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    DefineProgramColumns(table);
    table.Open();
}

void PostProgramRow(TMemTable& table, double day, const QString& time, double price) {
    table.Append();
    table.SetValue("DATE", day);
    table.SetValue("TIME", time);
    for (std::size_t i = 0; i < PriceColumns.size(); ++i) {
        table.SetValue(PriceColumns[i], price + static_cast<double>(i));
    }
    table.Post();
}

QStringList Times(const TMemTable& table) {
    QStringList times;
    const int time = table.FieldIndex("TIME");
    for (int row = 0; row < table.RecordCount(); ++row) {
        const TFieldValue value = table.RowValue(row, time);
        times << (std::holds_alternative<QString>(value) ? std::get<QString>(value) : QStringLiteral("<empty>"));
    }
    return times;
}

QString TableDataPath(const QString& name) {
    return QString::fromUtf8(TestDataDir) + "/table/" + name;
}

TFileBuilder& TFileBuilder::Raw(std::initializer_list<int> bytes) {
    for (const int byte : bytes) {
        FBytes.append(static_cast<char>(byte));
    }
    return *this;
}

TFileBuilder& TFileBuilder::Raw(QByteArrayView bytes) {
    FBytes.append(bytes);
    return *this;
}

TFileBuilder& TFileBuilder::Int(qint64 value) {
    TByteWriter out;
    if (value >= -128 && value <= 127) {
        out.PutByte(tagInt8);
        out.PutByte(static_cast<std::uint8_t>(value));
    } else if (value >= -32768 && value <= 32767) {
        out.PutByte(tagInt16);
        out.PutInt16(static_cast<std::int16_t>(value));
    } else {
        out.PutByte(tagInt32);
        out.PutInt32(static_cast<std::int32_t>(value));
    }
    return Raw(out.Bytes());
}

TFileBuilder& TFileBuilder::Text(QByteArrayView latin1) {
    Raw({tagString, static_cast<int>(latin1.size())});
    return Raw(latin1);
}

TFileBuilder& TFileBuilder::Extended(double value) {
    const TExtendedBytes bytes = ExtendedFromDouble(value);
    Raw({tagExtended});
    return Raw(QByteArrayView(reinterpret_cast<const char*>(bytes.data()), 10));
}

TFileBuilder& TFileBuilder::Column(int version, QByteArrayView name, QByteArrayView type, int size, bool required) {
    Text(name).Text(type).Int(size).Text(name).Text("").Int(10).Bool(required).Bool(false);
    if (version >= 250) {
        Text("Data");
    }
    if (version >= 251) {
        Text("");
    }
    return *this;
}
