// The table file format: exact bytes written, every version branch and tag read, the read failures, hostile input
// and failing writes.

#include "TBinaryStreamFormat.h"
#include "TMemTable.h"
#include "uTableFixtures.h"

#include "TFileSizeLimit.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <bit>
#include <functional>
#include <tuple>

namespace {

constexpr double Day = 37472.0; // 4 August 2002

const QStringList ReadMessages{"Invalid stream format", "Stream read error", "Invalid property value"};

// The message a read ends with, "" for a normal read.
QString ReadFailure(TMemTable& table, QByteArrayView bytes) {
    try {
        table.DefaultFormat().ReadTable(table, bytes);
    } catch (const TFailure& failure) {
        return failure.Message();
    }
    return QString();
}

bool IsReadMessage(const QString& message) {
    return message.isEmpty() || ReadMessages.contains(message) ||
           (message.startsWith("Unknown field type (") && message.endsWith(")"));
}

QByteArray ProgramTableBytes(int rows) {
    TMemTable table;
    OpenProgramTable(table);
    table.SetSortOrder({"DATE", "TIME"}, true, true);
    for (int i = 0; i < rows; ++i) {
        PostProgramRow(table, Day - i / 4, QString("%1").arg(900 + (i % 4) * 100, 4, 10, QChar('0')), 1.2345 + i);
    }
    return table.DefaultFormat().EncodeTable(table);
}

TEST(WriteTable, EmptyProgramTableHasTheDocumentedLayout) {
    const QByteArray bytes = ProgramTableBytes(0);
    ASSERT_EQ(bytes.size(), 607);
    EXPECT_EQ(bytes.left(7), QByteArray::fromHex("54504630"
                                                 "03fb00"));
    EXPECT_EQ(bytes[7], tagListBegin);
    EXPECT_EQ(bytes.mid(8, 34), TFileBuilder()
                                    .Text("DATE")
                                    .Text("Date")
                                    .Raw({0x02, 0x00})
                                    .Text("DATE")
                                    .Text("")
                                    .Raw({0x02, 0x0A, 0x09, 0x08})
                                    .Text("Data")
                                    .Text("")
                                    .Bytes());
    EXPECT_EQ(bytes[602], tagListEnd);
    EXPECT_EQ(bytes.mid(603), QByteArray::fromHex("01000100"));
}

TEST(WriteTable, ColumnEntriesHaveTheDocumentedSizes) {
    // A file of one column is the 13 bytes around its entry.
    const std::pair<const char*, int> entries[] = {
        {"DATE", 34},      {"TIME", 46},     {"CURRENT", 41},   {"HIGHEST", 41},    {"LOWEST", 39},
        {"PRICE_24", 43},  {"PRICE_48", 43}, {"PRICE_64", 43},  {"BUY_SIG", 41},    {"BUY_STOP", 43},
        {"BUY_LIMIT", 45}, {"SELL_SIG", 43}, {"SELL_STOP", 45}, {"SELL_LIMIT", 47},
    };
    TMemTable program;
    DefineProgramColumns(program);
    for (const auto& [name, size] : entries) {
        TMemTable table;
        table.AddField(program.Field(program.FieldByName(name)));
        EXPECT_EQ(table.DefaultFormat().EncodeTable(table).size() - 13, size) << name;
    }
}

TEST(WriteTable, ProgramRowsTake167BytesEach) {
    EXPECT_EQ(ProgramTableBytes(128).size(), 21983);

    TMemTable table;
    OpenProgramTable(table);
    PostProgramRow(table, Day, "0930", 1.0);
    TFileBuilder row;
    row.Begin().Int(0).Bool(false).Extended(Day).Bool(false).Text("0930");
    for (int i = 0; i < 12; ++i) {
        row.Bool(false).Extended(1.0 + i);
    }
    row.End().End();
    const QByteArray bytes = table.DefaultFormat().EncodeTable(table);
    EXPECT_EQ(bytes.mid(605), QByteArray::fromHex("01") + row.Bytes());
    EXPECT_EQ(bytes.mid(610, 11), QByteArray::fromHex("05 000000000000 6092 0e40")) << "4 August 2002 as an extended";
}

TEST(WriteTable, TextsPickTheirTag) {
    TMemTable table;
    table.AddField({.Name = "NOTE", .TypeName = "Memo"});
    table.Open();
    const QString long300(300, u'x');
    for (const QString& text : {QString("plain"), long300, QString("Währung €")}) {
        table.Append();
        table.SetValue(0, text);
        table.Post();
    }
    const QByteArray bytes = table.DefaultFormat().EncodeTable(table);
    EXPECT_TRUE(bytes.contains(QByteArray::fromHex("0605") + "plain"));
    EXPECT_TRUE(bytes.contains(QByteArray::fromHex("0c2c010000") + long300.toLatin1()));
    EXPECT_TRUE(bytes.contains(QByteArray::fromHex("140c000000") + QString("Währung €").toUtf8()));

    TMemTable back;
    back.DefaultFormat().ReadTable(back, bytes);
    EXPECT_EQ(back.RowValue(1, 0), TFieldValue(long300));
    EXPECT_EQ(back.RowValue(2, 0), TFieldValue(QString("Währung €")));
}

TEST(ReadTable, GoldenFileReadsAndWritesBackByteForByte) {
    const QByteArray golden = ReadBytes(TableDataPath("program-3rows.kvt"));
    ASSERT_EQ(golden.size(), 607 + 3 * 167);
    TMemTable table;
    table.DefaultFormat().ReadTable(table, golden);
    EXPECT_EQ(table.DefaultFormat().LastReadVersion(), 251);
    EXPECT_EQ(Times(table), QStringList({"1100", "1000", "0930"}));
    EXPECT_EQ(table.DefaultFormat().EncodeTable(table), golden);
}

TEST(ReadTable, WrittenFileReadsBackIntoTheSameColumnsAndRows) {
    QTemporaryDir folder;
    const QString path = folder.filePath("EURUSD.kvt");
    TMemTable written;
    OpenProgramTable(written);
    written.SetDisplayLabel(3, "Höchst");
    written.SetDisplayWidth(4, 12);
    written.SetSortOrder({"DATE", "TIME"}, true, true);
    PostProgramRow(written, Day, "930", 1.5);
    PostProgramRow(written, Day, "1015", 0.1);
    PostProgramRow(written, Day - 1, "0930", 1e-300);
    written.DefaultFormat().WriteTableFile(written, path);

    TMemTable read;
    read.DefaultFormat().ReadTableFile(read, path);
    ASSERT_EQ(read.FieldCount(), 14);
    for (int i = 0; i < 14; ++i) {
        const TFieldDef& a = written.Field(i);
        const TFieldDef& b = read.Field(i);
        EXPECT_EQ(b.Name, a.Name);
        EXPECT_EQ(b.TypeName, a.TypeName);
        EXPECT_EQ(b.Size, a.Size);
        EXPECT_EQ(b.DisplayName(), a.DisplayName());
        EXPECT_EQ(b.EditMask, a.EditMask);
        EXPECT_EQ(b.EffectiveDisplayWidth(), a.EffectiveDisplayWidth());
        EXPECT_EQ(b.Required, a.Required);
    }
    ASSERT_EQ(read.RecordCount(), 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(read.Row(row).Values, written.Row(row).Values) << row;
    }
    EXPECT_EQ(read.RecNo(), 1);
    EXPECT_EQ(read.DefaultFormat().EncodeTable(read), ReadBytes(path));
}

// --- Hand-built files

// Two columns, DATE and TIME, and rows of a day and a time, as a file of the given version lays them out.
TFileBuilder SmallFile(int version, const std::vector<std::pair<double, QByteArray>>& rows) {
    TFileBuilder file;
    file.Signature();
    if (version != 100) {
        file.Int(version);
    }
    file.Begin().Column(version, "DATE", "Date", 0, true).Column(version, "TIME", "String", 4, true).End();
    if (version >= 200) {
        file.Begin().End();
    }
    file.Begin();
    for (const auto& [day, time] : rows) {
        if (version >= 230) {
            file.Begin().Int(0);
        }
        if (version >= 249) {
            file.Bool(false);
        }
        file.Extended(day);
        if (version >= 249) {
            file.Bool(false);
        }
        file.Text(time);
        if (version >= 230) {
            file.End();
        }
    }
    return file.End();
}

TFileBuilder SmallHeader(int version = 251) {
    return TFileBuilder()
        .Signature()
        .Int(version)
        .Begin()
        .Column(version, "DATE", "Date")
        .Column(version, "TIME", "String", 4);
}

struct TReadCase {
    const char* Name; // also the seed file tests/data/table/cases/<Name>.kvt
    QByteArray Bytes;
    QString Message; // "" for a normal read
    int Rows;        // rows in the table afterwards
    std::function<void(const TMemTable&)> Check = {};
};

QString TextAt(const TMemTable& table, int row, const char* field) {
    const TFieldValue value = table.RowValue(row, table.FieldByName(field));
    return std::holds_alternative<QString>(value) ? std::get<QString>(value) : QStringLiteral("<empty>");
}

std::vector<TReadCase> ReadCases() {
    const std::vector<std::pair<double, QByteArray>> twoRows{{Day, "0930"}, {Day - 1, "1015"}};
    const auto twoRowsRead = [](int version) {
        return [version](const TMemTable& t) {
            EXPECT_EQ(t.DefaultFormat().LastReadVersion(), version);
            EXPECT_EQ(t.FieldCount(), 2);
            EXPECT_EQ(t.RowValue(1, 0), TFieldValue(Day - 1));
            EXPECT_EQ(TextAt(t, 1, "TIME"), "1015");
        };
    };
    std::vector<TReadCase> cases{
        {"v100-no-version", SmallFile(100, twoRows).Bytes(), "", 2, twoRowsRead(100)},
        {"v230-row-status", SmallFile(230, twoRows).Bytes(), "", 2, twoRowsRead(230)},
        {"v249-empty-flags", SmallFile(249, twoRows).Bytes(), "", 2, twoRowsRead(249)},
        {"v250-field-kind", SmallFile(250, twoRows).Bytes(), "", 2, twoRowsRead(250)},
        {"v251-default-expression", SmallFile(251, twoRows).Bytes(), "", 2, twoRowsRead(251)},
        {"v300-later-version", SmallFile(300, twoRows).Bytes(), "", 2, twoRowsRead(300)},
    };

    cases.push_back({"v200-index-list",
                     TFileBuilder()
                         .Signature()
                         .Int(200)
                         .Begin()
                         .Column(200, "DATE", "Date")
                         .End()
                         .Begin()
                         .Text("ixDate")
                         .Text("DATE")
                         .Text("By day")
                         .Bool(true)
                         .Bool(false)
                         .Bool(false)
                         .Bool(true)
                         .End()
                         .Begin()
                         .Extended(Day)
                         .End()
                         .Bytes(),
                     "", 1, [](const TMemTable& t) {
                         ASSERT_EQ(t.IndexDefs().size(), 1u);
                         EXPECT_EQ(t.IndexDefs()[0].DisplayName, "By day");
                         EXPECT_TRUE(t.IndexDefs()[0].Descending && t.IndexDefs()[0].Unique);
                     }});

    // Column properties: kinds, defaults, labels in every text tag, integers in every width.
    cases.push_back({"tag-variants-in-columns",
                     TFileBuilder()
                         .Signature()
                         .Raw({tagInt32, 0xFB, 0, 0, 0})
                         .Begin()
                         .Raw({tagLongString, 4, 0, 0, 0})
                         .Raw("NOTE")
                         .Text("Memo")
                         .Raw({tagInt16, 0x00, 0x01})
                         .Raw({tagWideString, 3, 0, 0, 0, 'Z', 0, 0xE4, 0, 0xAC, 0x20})
                         .Raw({tagUtf8String, 3, 0, 0, 0, 0xE2, 0x82, 0xAC})
                         .Raw({tagInt32, 0x20, 0, 0, 0})
                         .Raw({0x05}) // required: any byte but tagTrue is false
                         .Raw({tagTrue})
                         .Text("Calculated")
                         .Text("'x'")
                         .Text("AMOUNT")
                         .Text("Currency")
                         .Int(0)
                         .Text("")
                         .Text("")
                         .Int(0)
                         .Bool(true)
                         .Bool(false)
                         .Text("Bogus")
                         .Text("")
                         .End()
                         .Begin()
                         .End()
                         .Begin()
                         .End()
                         .Bytes(),
                     "", 0, [](const TMemTable& t) {
                         ASSERT_EQ(t.FieldCount(), 2);
                         const TFieldDef& note = t.Field(0);
                         EXPECT_EQ(note.Name, "NOTE");
                         EXPECT_EQ(note.Size, 256);
                         EXPECT_EQ(note.DisplayLabel, QString::fromUtf8("Zä€"));
                         EXPECT_EQ(note.EditMask, QString::fromUtf8("€"));
                         EXPECT_EQ(note.DisplayWidth, 32);
                         EXPECT_FALSE(note.Required);
                         EXPECT_TRUE(note.ReadOnly);
                         EXPECT_EQ(note.Kind, TFieldKind::Calculated);
                         EXPECT_EQ(note.DefaultExpression, "'x'");
                         EXPECT_EQ(t.Field(1).Kind, TFieldKind::Data) << "an unknown kind counts as Data";
                         EXPECT_TRUE(t.Field(1).Required);
                     }});

    // Values: floats from integers and tagInt64, texts from wide and UTF-8 tags, a Date of 0.0, a cut text.
    TFileBuilder values = SmallHeader().End().Begin().End().Begin();
    values.Begin()
        .Int(0)
        .Bool(false)
        .Raw({tagInt32, 0x60, 0x92, 0, 0})
        .Bool(false)
        .Raw({tagWideString, 4, 0, 0, 0, '0', 0, '9', 0, '3', 0, '0', 0});
    values.End();
    values.Begin()
        .Int(0)
        .Bool(false)
        .Raw({tagInt64, 0x5F, 0x92, 0, 0, 0, 0, 0, 0})
        .Bool(false)
        .Raw({tagUtf8String, 6, 0, 0, 0, '1', '2', '3', '4', '5', '6'});
    values.End();
    values.Begin().Int(0).Raw({0x01}).Extended(0.0).Bool(false).Raw({tagLongString, 2, 0, 0, 0, 'a', 'b'}).End();
    values.Begin().Int(0).Bool(false).Raw({tagInt8, 0x7F}).Bool(true).End();
    values.End();
    cases.push_back({"tag-variants-in-values", values.Bytes(), "", 4, [](const TMemTable& t) {
                         EXPECT_EQ(t.RowValue(0, 0), TFieldValue(Day));
                         EXPECT_EQ(TextAt(t, 0, "TIME"), "0930");
                         EXPECT_EQ(t.RowValue(1, 0), TFieldValue(Day - 1));
                         EXPECT_EQ(TextAt(t, 1, "TIME"), "1234") << "cut to the column's size";
                         EXPECT_EQ(t.RowValue(2, 0).index(), 0u) << "a Date of 0.0 is empty";
                         EXPECT_EQ(TextAt(t, 2, "TIME"), "ab");
                         EXPECT_EQ(t.RowValue(3, 0), TFieldValue(127.0));
                         EXPECT_EQ(TextAt(t, 3, "TIME"), "<empty>");
                     }});

    TFileBuilder statuses = SmallHeader().End().Begin().End().Begin();
    for (const int status : {0, 3, 2}) {
        statuses.Begin().Int(status).Bool(false).Extended(Day - status).Bool(true).End();
    }
    cases.push_back({"status-3-deleted", statuses.End().Bytes(), "", 2, [](const TMemTable& t) {
                         EXPECT_EQ(t.DeletedRowCount(), 1);
                         EXPECT_EQ(t.RowValue(1, 0), TFieldValue(Day - 2));
                         EXPECT_EQ(t.Row(1).Status, rsInserted);
                     }});

    TFileBuilder older = SmallHeader().End().Begin().End().Begin();
    older.Begin().Int(1).Bool(false).Extended(Day).Bool(false).Text("1100");
    older.Int(0).Bool(false).Extended(Day).Bool(false).Text("1000");
    older.Int(0).Bool(true).Bool(true);
    older.End().End();
    cases.push_back({"older-versions", older.Bytes(), "", 1, [](const TMemTable& t) {
                         EXPECT_EQ(t.Row(0).Status, rsModified);
                         ASSERT_EQ(t.OlderVersions(0).size(), 2u);
                         EXPECT_EQ(t.OlderVersions(0)[0].Values[1], TFieldValue(QString("1000")));
                         EXPECT_EQ(t.OlderVersions(0)[1].Values[0].index(), 0u);
                     }});

    // The table's own 14 columns stay and read the rows.
    TFileBuilder ownColumns;
    ownColumns.Signature().Int(251).Begin().End().Begin().End().Begin().Begin().Int(0).Bool(false).Extended(Day);
    ownColumns.Bool(false).Text("0930");
    for (int i = 0; i < 12; ++i) {
        ownColumns.Bool(false).Extended(i);
    }
    ownColumns.End().End();
    cases.push_back({"empty-column-list", ownColumns.Bytes(), "", 1, [](const TMemTable& t) {
                         EXPECT_EQ(t.FieldCount(), 14);
                         EXPECT_EQ(t.RowValue(0, 13), TFieldValue(11.0));
                     }});

    // Failures, from the signature to the last row.
    const QByteArray good = SmallFile(251, twoRows).Bytes();
    const auto columnsReplaced = [](const TMemTable& t) {
        EXPECT_EQ(t.FieldCount(), 2);
    };
    cases.push_back({"fail-empty-file", "", "Stream read error", 0});
    cases.push_back({"fail-short-signature", "TPF", "Stream read error", 0});
    cases.push_back({"fail-wrong-signature", "TPF1" + good.mid(4), "Invalid stream format", 0});
    cases.push_back({"fail-signature-only", "TPF0", "Stream read error", 0});
    cases.push_back(
        {"fail-version-as-text", TFileBuilder().Signature().Text("251").Bytes(), "Invalid property value", 0});
    cases.push_back({"fail-type-guid", SmallHeader().Column(251, "ID", "Guid").Bytes(), "Unknown field type (Guid)", 0,
                     columnsReplaced});
    cases.push_back({"fail-type-variant", SmallHeader().Column(251, "V", "Variant").Bytes(),
                     "Unknown field type (Variant)", 0, columnsReplaced});
    cases.push_back({"fail-type-lower-case",
                     TFileBuilder().Signature().Int(251).Begin().Column(251, "P", "float").Bytes(),
                     "Unknown field type (float)", 0, [](const TMemTable& t) {
                         EXPECT_EQ(t.FieldCount(), 0) << "replaced by the entries read";
                     }});
    cases.push_back({"fail-size-as-text",
                     TFileBuilder().Signature().Int(251).Begin().Text("P").Text("Float").Text("0").Bytes(),
                     "Invalid property value", 0});
    cases.push_back({"fail-size-as-int64",
                     TFileBuilder()
                         .Signature()
                         .Int(251)
                         .Begin()
                         .Text("P")
                         .Text("Float")
                         .Raw({tagInt64, 0, 0, 0, 0, 0, 0, 0, 0})
                         .Bytes(),
                     "Invalid property value", 0});
    cases.push_back({"fail-date-as-text",
                     SmallHeader().End().Begin().End().Begin().Begin().Int(0).Bool(false).Text("37472").Bytes(),
                     "Invalid property value", 0, columnsReplaced});
    cases.push_back({"fail-row-without-list-begin", SmallHeader().End().Begin().End().Begin().Int(0).Bytes(),
                     "Invalid property value", 0});
    cases.push_back(
        {"fail-truncated-second-row", good.left(good.size() - 5), "Stream read error", 1, [](const TMemTable& t) {
             EXPECT_EQ(TextAt(t, 0, "TIME"), "0930");
         }});
    cases.push_back({"fail-missing-list-end", good.chopped(1), "Stream read error", 2});

    // Lengths that point beyond the file are refused before anything is allocated.
    const QByteArray padding(1000, '\0');
    const auto hostileLabel = [&](std::initializer_list<int> tagAndLength) {
        return TFileBuilder()
            .Signature()
            .Int(251)
            .Begin()
            .Text("P")
            .Text("Float")
            .Int(0)
            .Raw(tagAndLength)
            .Raw(padding);
    };
    cases.push_back({"hostile-long-string-2gb", hostileLabel({tagLongString, 0xFF, 0xFF, 0xFF, 0x7F}).Bytes(),
                     "Stream read error", 0});
    cases.push_back({"hostile-long-string-negative", hostileLabel({tagLongString, 0xFF, 0xFF, 0xFF, 0xFF}).Bytes(),
                     "Stream read error", 0});
    cases.push_back({"hostile-wide-string-count", hostileLabel({tagWideString, 0x00, 0x00, 0x00, 0x80}).Bytes(),
                     "Stream read error", 0});
    cases.push_back(
        {"hostile-utf8-length", hostileLabel({tagUtf8String, 0x01, 0x10, 0x00, 0x00}).Bytes(), "Stream read error", 0});
    cases.push_back({"hostile-short-string", hostileLabel({tagString, 0xFF}).Bytes().left(30), "Stream read error", 0});
    return cases;
}

TEST(ReadTable, HandBuiltFiles) {
    for (const TReadCase& c : ReadCases()) {
        SCOPED_TRACE(c.Name);
        TMemTable table;
        OpenProgramTable(table);
        EXPECT_EQ(ReadFailure(table, c.Bytes), c.Message);
        EXPECT_EQ(table.RecordCount(), c.Rows);
        EXPECT_TRUE(table.IsOpen());
        if (c.Check) {
            c.Check(table);
        }
        // The fuzzer's seeds are these files; keep them in step with the cases.
        EXPECT_EQ(ReadBytes(TableDataPath(QString("cases/%1.kvt").arg(c.Name))), c.Bytes)
            << "tests/data/table/cases/" << c.Name << ".kvt should hold " << c.Bytes.toHex().constData();
    }
}

TEST(ReadTable, ADateOfZeroIsWrittenBackAsEmpty) {
    const QByteArray file = SmallHeader()
                                .End()
                                .Begin()
                                .End()
                                .Begin()
                                .Begin()
                                .Int(0)
                                .Bool(false)
                                .Extended(0.0)
                                .Bool(false)
                                .Text("0930")
                                .End()
                                .End()
                                .Bytes();
    TMemTable table;
    table.DefaultFormat().ReadTable(table, file);
    const QByteArray written = table.DefaultFormat().EncodeTable(table);
    EXPECT_TRUE(written.endsWith(QByteArray::fromHex("01 0200 09 08 0604 30393330 00 00")));
}

TEST(ReadTable, ATableWithoutColumnsRefusesRowsOfOldFilesInsteadOfLoopingForever) {
    // Before version 230 a row is just its values; with no columns such a row would read no bytes.
    TMemTable table;
    EXPECT_EQ(
        ReadFailure(table, TFileBuilder().Signature().Int(200).Begin().End().Begin().End().Begin().Int(5).Bytes()),
        "Invalid property value");
    EXPECT_EQ(
        ReadFailure(
            table,
            TFileBuilder().Signature().Int(251).Begin().End().Begin().End().Begin().Begin().Int(0).End().End().Bytes()),
        "");
    EXPECT_EQ(table.RecordCount(), 1) << "a row of no values is still a row";
}

TEST(ReadTable, RowsReadBeforeAFailureStayAndTheTableIsBackInUse) {
    const QByteArray good = ProgramTableBytes(3);
    TMemTable table;
    OpenProgramTable(table);
    int refreshes = 0;
    QObject::connect(&table, &TMemTable::DataChanged, [&] { ++refreshes; });
    EXPECT_EQ(ReadFailure(table, good.left(good.size() - 100)), "Stream read error");
    EXPECT_FALSE(table.ControlsDisabled());
    EXPECT_EQ(refreshes, 1) << "displays hear once, after the read";
    ASSERT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(table.RecNo(), 1);

    PostProgramRow(table, Day + 5, "1200");
    EXPECT_EQ(table.RecNo(), 3) << "no order after a failed read: appended at the end";
    TMemTable back;
    back.DefaultFormat().ReadTable(back, table.DefaultFormat().EncodeTable(table));
    EXPECT_EQ(back.RecordCount(), 3);
}

TEST(ReadTable, ARereadKeepsTheTablesOrder) {
    TMemTable table;
    OpenProgramTable(table);
    table.SetSortOrder({"DATE", "TIME"}, true, true);
    TMemTable unordered;
    OpenProgramTable(unordered);
    for (const char* time : {"0930", "1015", "930"}) {
        PostProgramRow(unordered, Day, time);
    }
    table.DefaultFormat().ReadTable(table, unordered.DefaultFormat().EncodeTable(unordered));
    EXPECT_EQ(Times(table), QStringList({"930", "1015", "0930"}));
    EXPECT_EQ(Times(unordered), QStringList({"0930", "1015", "930"}));
}

TEST(ReadTable, EveryKeptInputEndsInAReadMessage) {
    // Inputs the fuzzer found troublesome and the hand-built cases, read as the fuzzer reads them: into a table
    // without columns and into one with the program's columns and order.
    for (const char* folder : {"fuzz-regressions", "cases"}) {
        const QDir dir(TableDataPath(folder));
        const QStringList files = dir.entryList(QDir::Files);
        EXPECT_FALSE(files.isEmpty()) << folder;
        for (const QString& name : files) {
            for (const bool program : {false, true}) {
                SCOPED_TRACE(name.toStdString() + (program ? " into the program table" : " into a bare table"));
                TMemTable table;
                if (program) {
                    OpenProgramTable(table);
                    table.SetSortOrder({"DATE", "TIME"}, true, true);
                }
                EXPECT_TRUE(IsReadMessage(ReadFailure(table, ReadBytes(dir.filePath(name)))));
                EXPECT_TRUE(table.IsOpen());
                // Whatever was read can be written and read again.
                TMemTable again;
                EXPECT_EQ(ReadFailure(again, table.DefaultFormat().EncodeTable(table)), "");
                EXPECT_EQ(again.RecordCount(), table.RecordCount());
            }
        }
    }
}

TEST(ReadTable, RereadingATablesOwnFileLeavesItsColumnsAsAFirstReadMakesThem) {
    const QByteArray bytes = ProgramTableBytes(3);
    TMemTable fresh;
    fresh.DefaultFormat().ReadTable(fresh, bytes);
    TMemTable table;
    table.DefaultFormat().ReadTable(table, bytes);
    table.SetDisplayFormat(2, "###,##0.00");
    table.DefaultFormat().ReadTable(table, bytes);
    ASSERT_EQ(table.FieldCount(), fresh.FieldCount());
    for (int i = 0; i < fresh.FieldCount(); ++i) {
        const TFieldDef& a = fresh.Field(i);
        const TFieldDef& b = table.Field(i);
        EXPECT_EQ(std::tie(b.Name, b.TypeName, b.Size, b.Required, b.DisplayLabel, b.EditMask, b.DisplayWidth,
                           b.ReadOnly, b.Kind, b.DefaultExpression, b.DisplayFormat),
                  std::tie(a.Name, a.TypeName, a.Size, a.Required, a.DisplayLabel, a.EditMask, a.DisplayWidth,
                           a.ReadOnly, a.Kind, a.DefaultExpression, a.DisplayFormat))
            << i;
    }
    EXPECT_EQ(table.Field(2).DisplayFormat, "") << "files hold no display formats";

    // A column that differs in one property takes the file's.
    table.SetDisplayWidth(4, 12);
    table.DefaultFormat().ReadTable(table, bytes);
    EXPECT_EQ(table.Field(4).DisplayWidth, 10);
    EXPECT_EQ(table.DefaultFormat().EncodeTable(table), bytes);
}

TEST(ReadTable, EveryValueOfARowComesFromItsOwnEntry) {
    // Rows are read into the memory of the rows read before; nothing of those may show through.
    TMemTable written;
    written.AddField({.Name = "NOTE", .TypeName = "Memo"});
    written.AddField({.Name = "PRICE", .TypeName = "Float"});
    written.Open();
    for (const char* note : {"a note longer than a cell", "ab"}) {
        written.Append();
        written.SetValue(0, QString(note));
        written.SetValue(1, 1.5);
        written.Post();
    }
    const QByteArray full = written.DefaultFormat().EncodeTable(written);
    TFileBuilder blank = TFileBuilder()
                             .Signature()
                             .Int(251)
                             .Begin()
                             .Column(251, "NOTE", "Memo")
                             .Column(251, "PRICE", "Float")
                             .End()
                             .Begin()
                             .End()
                             .Begin();
    for (int row = 0; row < 3; ++row) {
        blank.Begin().Int(0).Bool(true).Bool(true).End();
    }
    blank.End();

    TMemTable table;
    for (const QByteArray& bytes : {full, blank.Bytes(), full}) {
        table.DefaultFormat().ReadTable(table, bytes);
        const bool empty = bytes.size() == blank.Bytes().size();
        ASSERT_EQ(table.RecordCount(), empty ? 3 : 2);
        for (int row = 0; row < table.RecordCount(); ++row) {
            EXPECT_EQ(table.RowValue(row, 0).index(), empty ? 0u : 4u) << row;
            EXPECT_EQ(table.RowValue(row, 1), empty ? TFieldValue{} : TFieldValue(1.5)) << row;
        }
    }
    EXPECT_EQ(table.RowValue(0, 0), TFieldValue(QString("a note longer than a cell")));

    // A row cut off after its long text is dropped, and its text with it.
    const qsizetype cut = full.indexOf("a note longer than a cell") + 27;
    EXPECT_EQ(ReadFailure(table, full.left(cut)), "Stream read error");
    EXPECT_EQ(table.RecordCount(), 0);
}

TEST(ReadTable, NumbersKeptAsTheFileStoresThemAreTheDoublesTheyRoundTo) {
    // A table keeps a file's prices as the file's extended numbers and converts them when asked for. What it gives,
    // orders by and writes must be the doubles the numbers round to, as if each had been converted on reading.
    const std::vector<std::pair<std::uint64_t, int>> encodings{
        {0x8000000000000C00ull, 0x3FFF},        // a tie, which rounds up to the even neighbour
        {0x4000000000000000ull, 0x3FFF},        // an unnormal, which the x87 refuses: NaN
        {0x00000000FFFFFFFFull, 0x0000},        // an extended denormal, far below the doubles: 0
        {0x8000000000000000ull, 0x3FFF + 1024}, // beyond the doubles: infinity
        {0xA000000000000000ull, 0xC000},        // -2.5
    };
    const auto header = [] {
        return TFileBuilder().Signature().Int(251).Begin().Column(251, "PRICE", "Float").End().Begin().End().Begin();
    };
    TFileBuilder file = header();
    TFileBuilder rewritten = header();
    std::vector<double> doubles;
    for (const auto& [significand, signAndExponent] : encodings) {
        QByteArray bytes(10, '\0');
        qToLittleEndian(significand, bytes.data());
        qToLittleEndian(static_cast<quint16>(signAndExponent), bytes.data() + 8);
        doubles.push_back(DoubleFromExtended(bytes.constData()));
        file.Begin().Int(0).Bool(false).Raw({tagExtended}).Raw(bytes).End();
        rewritten.Begin().Int(0).Bool(false).Extended(doubles.back()).End();
    }
    TMemTable table;
    table.DefaultFormat().ReadTable(table, file.End().Bytes());
    ASSERT_EQ(table.RecordCount(), static_cast<int>(doubles.size()));
    for (int row = 0; row < table.RecordCount(); ++row) {
        const TFieldValue value = table.RowValue(row, 0);
        ASSERT_TRUE(std::holds_alternative<double>(value)) << row;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(std::get<double>(value)), std::bit_cast<std::uint64_t>(doubles[row]))
            << row;
    }
    EXPECT_EQ(table.DefaultFormat().EncodeTable(table), rewritten.End().Bytes());

    table.SetSortOrder({"PRICE"}, false, true);
    QStringList order;
    for (int row = 0; row < table.RecordCount(); ++row) {
        order << QString::number(std::get<double>(table.RowValue(row, 0)));
    }
    EXPECT_EQ(order, QStringList({"-2.5", "0", "1", "inf", "nan"})) << "NaN sorts after every number";
}

TEST(ReadTableFile, MissingFileCannotBeOpened) {
    QTemporaryDir folder;
    const QString path = folder.filePath("GBPJPY.kvt");
    TMemTable table;
    try {
        table.DefaultFormat().ReadTableFile(table, path);
        FAIL() << "no failure";
    } catch (const TFailure& failure) {
        const QString prefix = QString("Cannot open file \"%1\". ").arg(QFileInfo(path).absoluteFilePath());
        EXPECT_TRUE(failure.Message().startsWith(prefix)) << failure.what();
        EXPECT_GT(failure.Message().size(), prefix.size()) << "the system's reason follows";
    }
}

// --- Failing writes

// Takes the first Limit bytes, then refuses.
class TFailingDevice : public QIODevice {
public:
    explicit TFailingDevice(qint64 limit) : FLimit(limit) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    QByteArray Data;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override {
        const qint64 taken = std::min(length, FLimit - Data.size());
        if (taken <= 0) {
            return -1;
        }
        Data.append(data, taken);
        return taken;
    }

private:
    qint64 FLimit;
};

TEST(WriteTable, ADeviceThatFailsAfterNBytesGivesStreamWriteError) {
    TMemTable table;
    table.DefaultFormat().ReadTable(table, ProgramTableBytes(128));
    const QByteArray whole = table.DefaultFormat().EncodeTable(table);
    for (const qint64 limit : {qint64{0}, qint64{100}, qint64{16384}, qint64{16385}, whole.size() - 1}) {
        TFailingDevice device(limit);
        EXPECT_THROW(
            {
                try {
                    table.DefaultFormat().WriteTable(table, device);
                } catch (const TFailure& failure) {
                    EXPECT_EQ(failure.Message(), "Stream write error");
                    throw;
                }
            },
            TFailure)
            << limit;
        EXPECT_EQ(device.Data, whole.left(limit));
    }
    TFailingDevice roomy(whole.size());
    table.DefaultFormat().WriteTable(table, roomy);
    EXPECT_EQ(roomy.Data, whole);
    EXPECT_EQ(table.RecordCount(), 128);
}

TEST(WriteTableFile, CannotCreateInAMissingFolder) {
    QTemporaryDir folder;
    const QString path = folder.filePath("missing/EURUSD.kvt");
    TMemTable table;
    OpenProgramTable(table);
    try {
        table.DefaultFormat().WriteTableFile(table, path);
        FAIL() << "no failure";
    } catch (const TFailure& failure) {
        const QString prefix = QString("Cannot create file \"%1\". ").arg(QFileInfo(path).absoluteFilePath());
        EXPECT_TRUE(failure.Message().startsWith(prefix)) << failure.what();
    }
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(WriteTableFile, AFailedWriteLeavesTheOldFileIntact) {
    QTemporaryDir folder;
    const QString path = folder.filePath("EURUSD.kvt");
    TMemTable table;
    OpenProgramTable(table);
    PostProgramRow(table, Day, "0930");
    table.DefaultFormat().WriteTableFile(table, path);
    const QByteArray old = ReadBytes(path);
    ASSERT_EQ(old.size(), 607 + 167);

    table.DefaultFormat().ReadTable(table, ProgramTableBytes(128));
    try {
        TFileSizeLimit limit(4096);
        table.DefaultFormat().WriteTableFile(table, path);
        FAIL() << "no failure";
    } catch (const TFailure& failure) {
        EXPECT_EQ(failure.Message(), "Stream write error");
    }
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList({"EURUSD.kvt"})) << "no temporary file left";
    EXPECT_EQ(table.RecordCount(), 128);

    table.DefaultFormat().WriteTableFile(table, path);
    EXPECT_EQ(ReadBytes(path).size(), 21983) << "the next write replaces the file";
}

} // namespace
