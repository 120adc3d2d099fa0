// sigtool's commands run in process: data files dumped as JSON, exported to and imported from CSV, and the
// errors of the engine run.

#include "CoreTestSupport.h"
#include "TBinaryStreamFormat.h"
#include "TSignalRec.h"
#include "TestFiles.h"
#include "TestPaths.h"
#include "uDM.h"
#include "uSigTool.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

void PrintTo(const QJsonArray& array, std::ostream* os) {
    *os << QJsonDocument(array).toJson(QJsonDocument::Compact).toStdString();
}

void PrintTo(const QJsonValue& value, std::ostream* os) {
    *os << QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).toStdString();
}

namespace {

using TEngine = TProgramFolder::TEngine;

struct TRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

TRun RunTool(const QStringList& args) {
    char* outText = nullptr;
    char* errText = nullptr;
    std::size_t outSize = 0;
    std::size_t errSize = 0;
    std::FILE* out = open_memstream(&outText, &outSize);
    std::FILE* err = open_memstream(&errText, &errSize);
    TRun run;
    run.Status = RunSigTool(args, out, err);
    std::fclose(out);
    std::fclose(err);
    run.Out.assign(outText, outSize);
    run.Err.assign(errText, errSize);
    std::free(outText);
    std::free(errText);
    return run;
}

// The record prices in column order.
constexpr double TSignalRec::*PriceFields[] = {
    &TSignalRec::Current,  &TSignalRec::Highest, &TSignalRec::Lowest,   &TSignalRec::Price24,
    &TSignalRec::Price48,  &TSignalRec::Price64, &TSignalRec::BuySig,   &TSignalRec::BuyStop,
    &TSignalRec::BuyLimit, &TSignalRec::SellSig, &TSignalRec::SellStop, &TSignalRec::SellLimit,
};

TSignalRec Record(double day, const char* time, std::vector<double> prices = {}) {
    TSignalRec rec = MakeEmptySignalRec("EUR/USD");
    rec.Date = day;
    WriteShortText(rec.Time, time);
    for (std::size_t i = 0; i < std::size(PriceFields); ++i) {
        rec.*PriceFields[i] = i < prices.size() ? prices[i] : static_cast<double>(i + 1);
    }
    return rec;
}

void WriteText(const QString& path, const std::string& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(text.data(), static_cast<qint64>(text.size())), static_cast<qint64>(text.size()));
}

// The pair's data file after StoreRecord of every record, in order, in a program folder without the engine.
QByteArray StoredBytes(const std::vector<TSignalRec>& records) {
    TProgramFolder folder(TEngine::Missing);
    Tdm dm;
    TMemTable* table = dm.OpenCurrencyTable(QStringLiteral("EUR/USD"));
    for (const TSignalRec& rec : records) {
        EXPECT_TRUE(dm.StoreRecord(*table, rec));
    }
    EXPECT_TRUE(folder.Errors.isEmpty());
    return ReadBytes(table->PersistentFile);
}

QJsonObject ParseJson(const std::string& text) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << " in " << text;
    return document.object();
}

QString CasePath(const char* name) {
    return QString::fromUtf8(TestDataDir) + QStringLiteral("/table/cases/") + QString::fromLatin1(name);
}

const std::string CsvHeader =
    "date,time,current,highest,lowest,price24,price48,price72,buy_sig,buy_stop,buy_limit,sell_sig,sell_stop,sell_limit";

std::string IsoDate(int day) {
    return QDate(1899, 12, 30).addDays(day).toString(Qt::ISODate).toStdString();
}

// ---------------------------------------------------------------------------------------------------------------
// dump

TEST(SigToolDump, AProgramFileShowsItsVersionColumnsAndRows) {
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("EURUSD.kvt"));
    WriteText(path,
              StoredBytes({Record(37472, "0930", {0.1 + 0.2, 1.0 / 3.0, -0.5}), Record(0, "1000")}).toStdString());

    const TRun run = RunTool({QStringLiteral("dump"), path});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Err, "");
    const QJsonObject dump = ParseJson(run.Out);
    EXPECT_EQ(dump[u"version"], QJsonValue(251));
    EXPECT_TRUE(dump[u"error"].isNull());

    const QJsonArray columns = dump[u"columns"].toArray();
    const QStringList names = SignalColumnNames();
    ASSERT_EQ(columns.size(), 14);
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const QJsonObject column = columns[i].toObject();
        const bool date = i == 0;
        const bool time = i == 1;
        SCOPED_TRACE(names[i].toStdString());
        EXPECT_EQ(column[u"name"], names[i]);
        EXPECT_EQ(column[u"type"], date   ? QStringLiteral("Date")
                                   : time ? QStringLiteral("String")
                                          : QStringLiteral("Float"));
        EXPECT_EQ(column[u"size"], QJsonValue(time ? 4 : 0));
        EXPECT_EQ(column[u"label"], names[i]);
        EXPECT_EQ(column[u"mask"], time ? QStringLiteral("!90:00;0; ") : QString());
        EXPECT_EQ(column[u"width"], QJsonValue(time ? 4 : 10));
        EXPECT_EQ(column[u"required"], QJsonValue(true));
        EXPECT_EQ(column[u"readonly"], QJsonValue(false));
        EXPECT_EQ(column[u"kind"], QStringLiteral("Data"));
        EXPECT_EQ(column[u"default"], QString());
        EXPECT_EQ(column.size(), 10);
    }

    // Numbers read back to the same doubles; day 0 reads as no date.
    QJsonArray first{37472, QStringLiteral("0930"), 0.1 + 0.2, 1.0 / 3.0, -0.5};
    QJsonArray second{QJsonValue(), QStringLiteral("1000")};
    for (int i = 3; i < 12; ++i) {
        first.append(i + 1);
    }
    for (int i = 0; i < 12; ++i) {
        second.append(i + 1);
    }
    EXPECT_EQ(dump[u"rows"].toArray(), (QJsonArray{first, second}));
    EXPECT_NE(run.Out.find("0.30000000000000004"), std::string::npos) << "the shortest text of the double";
}

TEST(SigToolDump, AFileThatFailsShowsWhatWasReadAndTheMessage) {
    struct TCase {
        const char* File;
        QJsonValue Version;
        int Columns; // -1: not checked
        QJsonArray Rows;
        const char* Error;
    };
    const TCase cases[] = {
        {"fail-truncated-second-row.kvt", 251, 2, QJsonArray{QJsonArray{37472, QStringLiteral("0930")}},
         "Stream read error"},
        {"fail-type-guid.kvt", 251, 2, QJsonArray{}, "Unknown field type (Guid)"},
        {"fail-wrong-signature.kvt", QJsonValue(), -1, QJsonArray{}, "Invalid stream format"},
        {"v100-no-version.kvt", 100, 2,
         QJsonArray{QJsonArray{37472, QStringLiteral("0930")}, QJsonArray{37471, QStringLiteral("1015")}}, nullptr},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        const TRun run = RunTool({QStringLiteral("dump"), CasePath(c.File)});
        EXPECT_EQ(run.Status, c.Error ? 1 : 0);
        EXPECT_EQ(run.Err, "");
        const QJsonObject dump = ParseJson(run.Out);
        EXPECT_EQ(dump[u"version"], c.Version);
        if (c.Columns >= 0) {
            EXPECT_EQ(dump[u"columns"].toArray().size(), c.Columns);
        }
        EXPECT_EQ(dump[u"rows"].toArray(), c.Rows);
        EXPECT_EQ(dump[u"error"], c.Error ? QJsonValue(QString::fromLatin1(c.Error)) : QJsonValue());
    }

    const QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.kvt"));
    const TRun run = RunTool({QStringLiteral("dump"), missing});
    EXPECT_EQ(run.Status, 1);
    const QJsonObject dump = ParseJson(run.Out);
    EXPECT_TRUE(dump[u"version"].isNull());
    EXPECT_TRUE(dump[u"error"].toString().startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(missing)))
        << run.Out;
}

TEST(SigToolDump, HostileTextsAreEscapedAndEveryKindOfValueShows) {
    const QString label = QStringLiteral("Time \"hh\\nn\"\n\t\u00e9\x01");
    const QString time = QStringLiteral("\"\\\x01\n\x1f\x7f");
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kinds.kvt"));
    {
        TMemTable table;
        table.AddField({.Name = QStringLiteral("DATE"), .TypeName = QStringLiteral("Date")});
        table.AddField(
            {.Name = QStringLiteral("TIME"), .TypeName = QStringLiteral("String"), .Size = 8, .DisplayLabel = label});
        table.AddField({.Name = QStringLiteral("FLAG"), .TypeName = QStringLiteral("Boolean")});
        table.AddField({.Name = QStringLiteral("COUNT"), .TypeName = QStringLiteral("Integer")});
        table.AddField({.Name = QStringLiteral("PRICE"), .TypeName = QStringLiteral("Float")});
        table.Open();
        const std::vector<std::vector<TFieldValue>> rows = {
            {37472.0, time, true, qint64{-7}, 1.1},
            {std::monostate{}, QStringLiteral("0930"), false, std::monostate{}, std::monostate{}},
        };
        for (const auto& row : rows) {
            table.Append();
            for (int i = 0; i < 5; ++i) {
                table.SetValue(i, row[static_cast<std::size_t>(i)]);
            }
            table.Post();
        }
        table.DefaultFormat().WriteTableFile(table, path);
    }

    const TRun run = RunTool({QStringLiteral("dump"), path});
    EXPECT_EQ(run.Status, 0);
    for (std::size_t i = 0; i + 1 < run.Out.size(); ++i) {
        ASSERT_GE(static_cast<unsigned char>(run.Out[i]), 0x20) << "raw control character at " << i;
    }
    EXPECT_NE(run.Out.find(R"(\"\\\u0001\n\u001f)"), std::string::npos) << run.Out;
    const QJsonObject dump = ParseJson(run.Out);
    EXPECT_EQ(dump[u"columns"].toArray()[1].toObject()[u"label"], label);
    EXPECT_EQ(dump[u"rows"].toArray(),
              (QJsonArray{QJsonArray{37472, time, true, -7, 1.1},
                          QJsonArray{QJsonValue(), QStringLiteral("0930"), false, QJsonValue(), QJsonValue()}}));
}

// ---------------------------------------------------------------------------------------------------------------
// export

TEST(SigToolExport, RowsNewestFirstWithIsoDatesShortestNumbersAndQuotedTexts) {
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("EURUSD.kvt"));
    WriteText(path, StoredBytes({
                                    Record(37472, "0930", {0.1 + 0.2, 1.0, 1e-7, 123456.789, -0.5, 2.5}),
                                    Record(37473, "9,30"),
                                    Record(37472, "1015"),
                                    Record(37472, "9\"3"),
                                })
                        .toStdString());

    const TRun run = RunTool({QStringLiteral("export"), path});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(run.Out, CsvHeader + "\n"
                                   "2002-08-05,\"9,30\",1,2,3,4,5,6,7,8,9,10,11,12\n"
                                   "2002-08-04,\"9\"\"3\",1,2,3,4,5,6,7,8,9,10,11,12\n"
                                   "2002-08-04,1015,1,2,3,4,5,6,7,8,9,10,11,12\n"
                                   "2002-08-04,0930,0.30000000000000004,1,1e-07,123456.789,-0.5,2.5,7,8,9,10,11,12\n");
}

TEST(SigToolExport, AFileThatCannotBeExportedGivesOneLineAndNoRows) {
    const QTemporaryDir dir;
    const QString farDate = dir.filePath(QStringLiteral("far.kvt"));
    {
        TMemTable table;
        DefineSignalColumns(table);
        table.Open();
        PlaceRecord(table, Record(37472, "0930"), 37472);
        PlaceRecord(table, Record(1e9, "0930"), 37472);
        table.DefaultFormat().WriteTableFile(table, farDate);
    }
    const QString missing = dir.filePath(QStringLiteral("missing.kvt"));
    const std::pair<QString, std::string> cases[] = {
        {missing, "sigtool: no such data file: " + missing.toStdString() + "\n"},
        {dir.path(), "sigtool: no such data file: " + dir.path().toStdString() + "\n"},
        {CasePath("fail-truncated-second-row.kvt"), "sigtool: Stream read error\n"},
        {farDate, "sigtool: " + farDate.toStdString() + " row 1: DATE 1e+09 is not a date of the years 1 to 9999\n"},
    };
    for (const auto& [path, message] : cases) {
        const TRun run = RunTool({QStringLiteral("export"), path});
        EXPECT_EQ(run.Status, 1) << path.toStdString();
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err, message);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// import

TEST(SigToolImport, StoresByTheProgramsRulesIntoTheBytesStoreRecordWrites) {
    // More rows than a table keeps, a replaced day and time, and one row past the prune cutoff.
    const int today = LocalDayNumber();
    std::vector<TSignalRec> records;
    std::vector<std::string> lines;
    auto add = [&](int day, const char* time, double first) {
        std::vector<double> prices;
        for (int i = 0; i < 12; ++i) {
            prices.push_back(first + i / 8.0);
        }
        records.push_back(Record(day, time, prices));
        std::string line = IsoDate(day) + ',' + time;
        for (const double price : prices) {
            line += ',' + QString::number(price, 'g', 17).toStdString();
        }
        lines.push_back(line);
    };
    add(today - 7000, "1200", 1.5);
    for (int age = 0; age < 128; ++age) {
        add(today - age, age % 2 ? "0930" : "1415", 1.0 + age);
    }
    add(today - 4, "1415", 99.25); // replaces the prices of an earlier line
    add(today, "930", 0.125);

    const QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("EURUSD.kvt"));
    const QString csv = dir.filePath(QStringLiteral("rows.csv"));
    const std::size_t split = 60; // the second import adds to the file the first one created
    for (const auto& [from, to] : {std::pair<std::size_t, std::size_t>{0, split}, {split, lines.size()}}) {
        std::string text = CsvHeader + "\r\n\r\n";
        for (std::size_t i = from; i < to; ++i) {
            text += lines[i] + "\r\n";
        }
        WriteText(csv, text);
        const TRun run = RunTool({QStringLiteral("import"), file, csv});
        ASSERT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err, "");
    }
    const QByteArray imported = ReadBytes(file);
    EXPECT_EQ(imported.size(), 607 + 128 * 167 - 1) << "128 rows, one with the three-character time 930";
    EXPECT_EQ(imported, StoredBytes(records));
}

TEST(SigToolImport, ABadLineIsNamedAndTheFileStaysAsItWas) {
    const QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("EURUSD.kvt"));
    const QString csv = dir.filePath(QStringLiteral("rows.csv"));
    WriteText(file, StoredBytes({Record(40000, "0930"), Record(40001, "1000")}).toStdString());
    const QByteArray before = ReadBytes(file);
    const std::string good = "2010-01-01,1200,1,2,3,4,5,6,7,8,9,10,11,12\n";
    const std::string prices = ",1,2,3,4,5,6,7,8,9,10,11,12\n";
    const std::string at = "sigtool: " + csv.toStdString() + " line ";

    const std::pair<std::string, std::string> cases[] = {
        {"", at + "1: the header must be " + CsvHeader},
        {"date,time,current\n" + good, at + "1: the header must be " + CsvHeader},
        // The bad line is line 4: a good line and an empty one come before it.
        {"2024-13-01,1200" + prices, at + "4: date \"2024-13-01\" is not YYYY-MM-DD"},
        {"2024/01/05,1200" + prices, at + "4: date \"2024/01/05\" is not YYYY-MM-DD"},
        {"2024-01-05x,1200" + prices, at + "4: date \"2024-01-05x\" is not YYYY-MM-DD"},
        {"2024-01-05,1200,1,2,3\n", at + "4: expected 14 comma-separated values"},
        {"2024-01-05,\"1200" + prices, at + "4: expected 14 comma-separated values"},
        {"2024-01-05,1200,1,5" + prices, at + "4: expected 14 comma-separated values"},
        {"2024-01-05, " + prices, at + "4: time \" \" must have 1 to 8 characters"},
        {"2024-01-05,123456789" + prices, at + "4: time \"123456789\" must have 1 to 8 characters"},
        {"2024-01-05,1200,1,abc,3,4,5,6,7,8,9,10,11,12\n", at + "4: highest \"abc\" is not a number"},
        {"2024-01-05,1200,inf,2,3,4,5,6,7,8,9,10,11,12\n", at + "4: current \"inf\" is not a number"},
        {"2024-01-05,1200,1,2,3,4,5,6,7,8,9,10,11,\n", at + "4: sell_limit \"\" is not a number"},
    };
    for (const auto& [line, message] : cases) {
        SCOPED_TRACE(line);
        const bool headerCase = message.find(" line 1: ") != std::string::npos;
        WriteText(csv, headerCase ? line : CsvHeader + "\n" + good + "\n" + line);
        const TRun run = RunTool({QStringLiteral("import"), file, csv});
        EXPECT_EQ(run.Status, 1);
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err, message + "\n");
        EXPECT_EQ(ReadBytes(file), before);
    }
}

TEST(SigToolImport, ExportThenImportRebuildsTheFileByteForByte) {
    const QTemporaryDir dir;
    const QString original = dir.filePath(QStringLiteral("original.kvt"));
    const QString rebuilt = dir.filePath(QStringLiteral("rebuilt.kvt"));
    const QString csv = dir.filePath(QStringLiteral("rows.csv"));
    WriteText(original,
              StoredBytes({
                              Record(40000, "930", {0.1 + 0.2, 1.0 / 3.0, -0.0, 1e-300, 123456789.123456, 5e-324}),
                              Record(40000, "0930", {1e300, -2.5e-8, 0.1, 2.0 / 3.0}),
                              Record(39999, "9,30"),
                              Record(39999, "1\"5"),
                          })
                  .toStdString());

    const TRun exported = RunTool({QStringLiteral("export"), original});
    ASSERT_EQ(exported.Status, 0) << exported.Err;
    WriteText(csv, exported.Out);
    const TRun imported = RunTool({QStringLiteral("import"), rebuilt, csv});
    ASSERT_EQ(imported.Status, 0) << imported.Err;
    EXPECT_EQ(ReadBytes(rebuilt), ReadBytes(original));
}

// ---------------------------------------------------------------------------------------------------------------
// compute

TEST(SigToolCompute, ErrorsAreOneLineOnStandardError) {
    struct TCase {
        TEngine Engine;
        QStringList Prices; // CURRENT HIGHEST LOWEST PRICE24 PRICE48 PRICE72
        const char* Pair;
        std::string Message; // without "sigtool: " and the line end; the folder's path replaces %1
    };
    const QStringList good{"2.3", "2.312", "2.297", "2.295", "2.305", "2.29"};
    auto with = [&](int index, const char* text) {
        QStringList prices = good;
        prices[index] = QString::fromUtf8(text);
        return prices;
    };
    const TCase cases[] = {
        {TEngine::Present, good, "XXX/YYY", "unknown currency pair: \"XXX/YYY\""},
        {TEngine::Missing, good, "GBP/CHF", "engine library not found: %1/libsigeng.so"},
        {TEngine::Present, with(1, "abc"), "GBP/CHF", "HIGHEST is not a number: \"abc\""},
        {TEngine::Present, with(0, "2,3"), "GBP/CHF", "CURRENT is not a number: \"2,3\""},
        {TEngine::Present, with(5, "nan"), "GBP/CHF", "PRICE72 is not a number: \"nan\""},
        {TEngine::Missing, with(3, ""), "GBP/CHF", "PRICE24 is not a number: \"\""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Message);
        TProgramFolder folder(c.Engine);
        const TRun run = RunTool(QStringList{QStringLiteral("compute"), QString::fromLatin1(c.Pair)} + c.Prices);
        EXPECT_EQ(run.Status, 1);
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(QString::fromStdString(run.Err),
                  QStringLiteral("sigtool: ") +
                      QString::fromStdString(c.Message).replace(QStringLiteral("%1"), folder.Path()) + u'\n');
    }

    TProgramFolder folder(TEngine::Present);
    const TRun run = RunTool(QStringList{QStringLiteral("compute"), QStringLiteral("GBP/CHF")} + good);
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(std::count(run.Out.begin(), run.Out.end(), '\n'), 6) << run.Out;
}

} // namespace
