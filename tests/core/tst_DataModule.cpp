// The data module's store rules with real data files in a program folder of the test's own.

#include "CoreTestSupport.h"
#include "TBinaryStreamFormat.h"
#include "TSignalRec.h"
#include "TestFiles.h"
#include "uDM.h"
#include "uForexAPI.h"

#include "TFileSizeLimit.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

using TEngine = TProgramFolder::TEngine;

struct TPriceField {
    const char* Column;
    double TSignalRec::*Field;
};

// The column of every record price, as the program's files name them.
constexpr TPriceField PriceFields[] = {
    {"CURRENT", &TSignalRec::Current},  {"HIGHEST", &TSignalRec::Highest},    {"LOWEST", &TSignalRec::Lowest},
    {"PRICE_24", &TSignalRec::Price24}, {"PRICE_48", &TSignalRec::Price48},   {"PRICE_64", &TSignalRec::Price64},
    {"BUY_SIG", &TSignalRec::BuySig},   {"BUY_STOP", &TSignalRec::BuyStop},   {"BUY_LIMIT", &TSignalRec::BuyLimit},
    {"SELL_SIG", &TSignalRec::SellSig}, {"SELL_STOP", &TSignalRec::SellStop}, {"SELL_LIMIT", &TSignalRec::SellLimit},
};

// A EUR/USD record whose twelve prices are first, first + 1, ... in column order, so a swapped column shows.
TSignalRec Record(double day, const char* time, double first = 1.0) {
    TSignalRec rec = MakeEmptySignalRec("EUR/USD");
    rec.Date = day;
    WriteShortText(rec.Time, time);
    double price = first;
    for (const TPriceField& field : PriceFields) {
        rec.*field.Field = price++;
    }
    return rec;
}

std::vector<double> PricesFrom(double first) {
    std::vector<double> prices;
    for (std::size_t i = 0; i < std::size(PriceFields); ++i) {
        prices.push_back(first + static_cast<double>(i));
    }
    return prices;
}

// The twelve prices of the row at position, read by column name.
std::vector<double> Prices(const TMemTable& table, int position) {
    std::vector<double> prices;
    for (const TPriceField& field : PriceFields) {
        const TFieldValue value = table.RowValue(position, table.FieldIndex(QString::fromLatin1(field.Column)));
        prices.push_back(std::holds_alternative<double>(value) ? std::get<double>(value) : -1.0);
    }
    return prices;
}

std::string Key(int day, const char* time) {
    return std::to_string(day) + '/' + time;
}

// "day/time" of the row at position; an empty DATE shows as "-".
std::string RowKey(const TMemTable& table, int position) {
    const TFieldValue day = table.RowValue(position, table.FieldIndex(QStringLiteral("DATE")));
    const TFieldValue time = table.RowValue(position, table.FieldIndex(QStringLiteral("TIME")));
    const std::string dayText =
        std::holds_alternative<double>(day) ? std::to_string(static_cast<int>(std::get<double>(day))) : "-";
    return dayText + '/' + (std::holds_alternative<QString>(time) ? std::get<QString>(time).toStdString() : "-");
}

// The keys of all rows in row order.
std::vector<std::string> Keys(const TMemTable& table) {
    std::vector<std::string> keys;
    for (int row = 0; row < table.RecordCount(); ++row) {
        keys.push_back(RowKey(table, row));
    }
    return keys;
}

std::string CurrentKey(const TMemTable& table) {
    return table.RecNo() > 0 ? RowKey(table, table.RecNo() - 1) : "none";
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

std::string ShortText(const TShortText& field) {
    const auto text = ReadShortText(field);
    return text ? std::string(*text) : "<damaged>";
}

constexpr qsizetype EmptyFileSize = 607;
constexpr qsizetype RowSize = 167;

// A data module in a program folder without the engine (decimals fall back), and the EUR/USD data file there.
class DataModule : public testing::Test {
protected:
    TMemTable* Open() { return Dm.OpenCurrencyTable(QStringLiteral("EUR/USD")); }

    // Places one row per age (days before today), all at time, without writing the file.
    void Fill(TMemTable& table, const std::vector<int>& ages, const char* time = "1200") {
        for (const int age : ages) {
            PlaceRecord(table, Record(Today - age, time), Today);
        }
    }

    TProgramFolder Folder{TEngine::Missing};
    Tdm Dm;
    const int Today = LocalDayNumber();
    const QString DataFile = Folder.FilePath(QStringLiteral("EURUSD.kvt"));
};

std::vector<int> Ages(int first, int count) {
    std::vector<int> ages(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        ages[static_cast<std::size_t>(i)] = first + i;
    }
    return ages;
}

TEST_F(DataModule, OpeningWithoutAFileCreatesNoneAndTheFirstStoreDoes) {
    TMemTable* table = Open();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->parent(), &Dm);
    EXPECT_TRUE(table->IsOpen());
    EXPECT_EQ(table->RecordCount(), 0);
    EXPECT_EQ(table->RecNo(), -1);
    EXPECT_EQ(table->PersistentFile, DataFile);
    EXPECT_FALSE(QFileInfo::exists(DataFile));

    ASSERT_TRUE(Dm.StoreRecord(*table, Record(Today, "0930")));
    EXPECT_EQ(ReadBytes(DataFile).size(), EmptyFileSize + RowSize);
    const TMemTable* reopened = Open();
    EXPECT_EQ(Keys(*reopened), std::vector{Key(Today, "0930")});
    EXPECT_EQ(Prices(*reopened, 0), PricesFrom(1.0));
    EXPECT_TRUE(Folder.Errors.isEmpty());
}

TEST_F(DataModule, CurrencyFilePathKeepsLettersDigitsAndUnderscoresInTheirCase) {
    const std::pair<const char*, const char*> cases[] = {
        {"EUR/USD", "EURUSD.kvt"},
        {"eur/usd", "eurusd.kvt"},
        {"GBP/JPY", "GBPJPY.kvt"},
        {"a_b-1 2.x/", "a_b12x.kvt"},
    };
    for (const auto& [pair, file] : cases) {
        EXPECT_EQ(CurrencyFilePath(QString::fromLatin1(pair)), Folder.Path() + u'/' + QString::fromLatin1(file))
            << pair;
    }
}

TEST_F(DataModule, StoringTheSameDayAndTimeReplacesThePricesAlsoInAFullTable) {
    TMemTable* table = Open();
    Fill(*table, Ages(0, 128));
    const std::vector<std::string> before = Keys(*table);

    // The oldest row: the one a prune would take.
    ASSERT_TRUE(Dm.StoreRecord(*table, Record(Today - 127, "1200", 500.0)));
    EXPECT_EQ(Keys(*table), before);
    EXPECT_EQ(table->RecNo(), 128);
    EXPECT_EQ(Prices(*table, 127), PricesFrom(500.0));
    EXPECT_EQ(Prices(*table, 126), PricesFrom(1.0));
    EXPECT_EQ(ReadBytes(DataFile).size(), 21983);
    EXPECT_TRUE(Folder.Errors.isEmpty());
}

TEST(DataModulePrune, AStoreIntoAFullTableDeletesOneRow) {
    struct TCase {
        const char* Name;
        std::vector<int> Ages; // of the 128 rows at 1200, in days before today
        int NewAge;            // of the stored row, at 1300
        int GoneAge;           // of the deleted row
        bool NewRowGoes;       // the prune takes the stored row itself
    };
    auto withOldRows = [](int a, int b) {
        std::vector<int> ages = Ages(0, 126);
        ages.push_back(a);
        ages.push_back(b);
        return ages;
    };
    const TCase cases[] = {
        {"all recent: the oldest goes", Ages(0, 128), 0, 127, false},
        {"older than all: the stored row goes", Ages(0, 128), 200, 200, true},
        {"the newest row before the cutoff goes, not the oldest", withOldRows(7000, 8000), 0, 7000, false},
        {"a row on the cutoff day counts as newer", withOldRows(6584, 6585), 0, 6585, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TProgramFolder folder(TEngine::Missing);
        Tdm dm;
        const int today = LocalDayNumber();
        TMemTable* table = dm.OpenCurrencyTable(QStringLiteral("EUR/USD"));
        for (const int age : c.Ages) {
            PlaceRecord(*table, Record(today - age, "1200"), today);
        }
        std::vector<std::string> expected = Keys(*table);
        ASSERT_EQ(expected.size(), 128u);
        expected.push_back(Key(today - c.NewAge, "1300"));
        const auto gone =
            std::find(expected.begin(), expected.end(), Key(today - c.GoneAge, c.NewRowGoes ? "1300" : "1200"));
        ASSERT_NE(gone, expected.end());
        expected.erase(gone);

        ASSERT_TRUE(dm.StoreRecord(*table, Record(today - c.NewAge, "1300")));
        EXPECT_TRUE(folder.Errors.isEmpty());
        std::vector<std::string> keys = Keys(*table);
        const std::vector<std::string> inOrder = keys;
        std::sort(keys.begin(), keys.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(keys, expected);
        if (c.NewRowGoes) {
            EXPECT_EQ(table->RecNo(), 128) << "the new last row is current";
        } else {
            EXPECT_EQ(CurrentKey(*table), Key(today - c.NewAge, "1300")) << "the stored row is current";
        }
        EXPECT_EQ(ReadBytes(table->PersistentFile).size(), 21983);
        EXPECT_EQ(Keys(*dm.OpenCurrencyTable(QStringLiteral("EUR/USD"))), inOrder) << "the file holds the table";
    }
}

TEST_F(DataModule, ADayZeroRowReadsBackEmptyAndItsFailedUpdateLeavesTheTableUsable) {
    TMemTable* table = Open();
    ASSERT_TRUE(Dm.StoreRecord(*table, Record(0, "0930")));
    ASSERT_TRUE(Dm.StoreRecord(*table, Record(Today, "1000")));
    EXPECT_EQ(Keys(*table), (std::vector{Key(Today, "1000"), Key(0, "0930")}));

    TMemTable* reopened = Open();
    EXPECT_EQ(Keys(*reopened), (std::vector<std::string>{"-/0930", Key(Today, "1000")})) << "empty sorts first";
    ASSERT_EQ(reopened->RecNo(), 1);
    TSignalRec read = Record(-1, "x");
    ASSERT_TRUE(Dm.ReadCurrentRecord(*reopened, read, QStringLiteral("EUR/USD")));
    EXPECT_EQ(read.Date, 0.0);

    const QByteArray file = ReadBytes(DataFile);
    EXPECT_FALSE(Dm.UpdateCurrentRecord(*reopened, Record(0, "0930", 9.0)));
    EXPECT_EQ(Folder.Errors, QStringList{QStringLiteral("TALVERO error! Field 'DATE' must have a value")});
    EXPECT_EQ(ReadBytes(DataFile), file);
    EXPECT_EQ(Prices(*reopened, 0), PricesFrom(1.0));

    // Nothing of the failed update is left pending: the next store posts its own row only.
    Folder.Errors.clear();
    EXPECT_EQ(reopened->State(), TTableState::Browse);
    ASSERT_TRUE(Dm.StoreRecord(*reopened, Record(Today, "1100")));
    EXPECT_TRUE(Folder.Errors.isEmpty());
    EXPECT_EQ(Keys(*reopened), (std::vector<std::string>{"-/0930", Key(Today, "1100"), Key(Today, "1000")}));
}

TEST_F(DataModule, AStoreThatCannotPostLeavesNoPendingRowForTheNextDelete) {
    TMemTable* table = Open();
    ASSERT_TRUE(Dm.StoreRecord(*table, Record(Today, "0930")));
    EXPECT_FALSE(Dm.StoreRecord(*table, Record(Today, "")));
    EXPECT_EQ(Folder.Errors, QStringList{QStringLiteral("TALVERO error! Field 'TIME' must have a value")});
    EXPECT_EQ(table->RecordCount(), 1);

    ASSERT_TRUE(Dm.DeleteCurrentRecord(*table));
    EXPECT_EQ(table->RecordCount(), 0) << "the delete took the row, not just the unposted one";
    EXPECT_EQ(ReadBytes(DataFile).size(), EmptyFileSize);
}

TEST_F(DataModule, UpdateChangesOnlyThePricesOfTheCurrentRow) {
    TMemTable* table = Open();
    ASSERT_TRUE(Dm.StoreRecord(*table, Record(Today - 1, "0930", 1.0)));
    ASSERT_TRUE(Dm.StoreRecord(*table, Record(Today, "1000", 20.0)));
    table->SetRecNo(2);

    ASSERT_TRUE(Dm.UpdateCurrentRecord(*table, Record(Today - 5, "2359", 70.0)));
    const std::vector<std::string> keys{Key(Today, "1000"), Key(Today - 1, "0930")};
    EXPECT_EQ(Keys(*table), keys);
    EXPECT_EQ(table->RecNo(), 2);
    EXPECT_EQ(Prices(*table, 1), PricesFrom(70.0));
    EXPECT_EQ(Prices(*table, 0), PricesFrom(20.0));

    const TMemTable* reopened = Open();
    EXPECT_EQ(Keys(*reopened), keys);
    EXPECT_EQ(Prices(*reopened, 1), PricesFrom(70.0));
    EXPECT_TRUE(Folder.Errors.isEmpty());
}

TEST_F(DataModule, DeleteMovesToTheNextOlderRowAndEmptiesTheFile) {
    TMemTable* table = Open();
    for (const int age : {3, 2, 1, 0}) {
        ASSERT_TRUE(Dm.StoreRecord(*table, Record(Today - age, "1200")));
    }

    table->SetRecNo(2);
    ASSERT_TRUE(Dm.DeleteCurrentRecord(*table));
    EXPECT_EQ(Keys(*table), (std::vector{Key(Today, "1200"), Key(Today - 2, "1200"), Key(Today - 3, "1200")}));
    EXPECT_EQ(CurrentKey(*table), Key(Today - 2, "1200")) << "the next older row";

    table->Last();
    ASSERT_TRUE(Dm.DeleteCurrentRecord(*table));
    EXPECT_EQ(CurrentKey(*table), Key(Today - 2, "1200")) << "the new last row";

    table->First();
    ASSERT_TRUE(Dm.DeleteCurrentRecord(*table));
    ASSERT_TRUE(Dm.DeleteCurrentRecord(*table));
    EXPECT_EQ(table->RecordCount(), 0);
    EXPECT_EQ(table->RecNo(), -1);
    EXPECT_EQ(ReadBytes(DataFile).size(), EmptyFileSize);
    EXPECT_EQ(Open()->RecordCount(), 0);
    EXPECT_TRUE(Folder.Errors.isEmpty());

    EXPECT_FALSE(Dm.DeleteCurrentRecord(*table));
    EXPECT_EQ(Folder.Errors,
              QStringList{QStringLiteral("TALVERO error! Cannot perform this operation on an empty dataset")});
    EXPECT_EQ(ReadBytes(DataFile).size(), EmptyFileSize);
}

TEST_F(DataModule, PricesGoToTheirColumnsAndReadFillsEveryFieldOfTheRecord) {
    TMemTable* table = Open();
    const TSignalRec stored = Record(Today - 3, "0930", 1.25);
    ASSERT_TRUE(Dm.StoreRecord(*table, stored));
    ASSERT_TRUE(Dm.StoreRecord(*table, Record(Today, "1000")));
    table->SetRecNo(2);
    for (const TPriceField& field : PriceFields) {
        EXPECT_EQ(table->Value(QString::fromLatin1(field.Column)), TFieldValue(stored.*field.Field)) << field.Column;
    }

    TSignalRec r;
    std::memset(&r, 0xAB, sizeof r);
    ASSERT_TRUE(Dm.ReadCurrentRecord(*table, r, QStringLiteral("GBP/CHF-LONG")));
    EXPECT_EQ(ShortText(r.Currency), "GBP/CHF-") << "the first 8 characters of the name given";
    EXPECT_EQ(r.Date, Today - 3);
    EXPECT_EQ(ShortText(r.Time), "0930");
    for (const TPriceField& field : PriceFields) {
        EXPECT_EQ(r.*field.Field, stored.*field.Field) << field.Column;
    }
    EXPECT_TRUE(std::all_of(std::begin(r.Pad1), std::end(r.Pad1), [](std::uint8_t b) { return b == 0xAB; }));
    EXPECT_TRUE(std::all_of(std::begin(r.Pad2), std::end(r.Pad2), [](std::uint8_t b) { return b == 0xAB; }));
    EXPECT_EQ(table->RecNo(), 2);

    ASSERT_TRUE(Dm.ReadCurrentRecord(*table, r, QStringLiteral("GBP/CHF")));
    EXPECT_EQ(ShortText(r.Currency), "GBP/CHF");
}

TEST_F(DataModule, TimesOrderAsTextWithinADayAndKeepFourCharacters) {
    TMemTable* table = Open();
    for (const char* time : {"1015", "0930", "930", "123456"}) {
        ASSERT_TRUE(Dm.StoreRecord(*table, Record(Today, time)));
    }
    ASSERT_TRUE(Dm.StoreRecord(*table, Record(Today - 1, "2359")));
    const std::vector<std::string> keys{Key(Today, "930"), Key(Today, "1234"), Key(Today, "1015"), Key(Today, "0930"),
                                        Key(Today - 1, "2359")};
    EXPECT_EQ(Keys(*table), keys);

    // A longer time is matched by what is stored of it.
    ASSERT_TRUE(Dm.StoreRecord(*table, Record(Today, "123499", 40.0)));
    EXPECT_EQ(Keys(*table), keys);
    EXPECT_EQ(Prices(*table, 1), PricesFrom(40.0));

    TMemTable* reopened = Open();
    EXPECT_EQ(Keys(*reopened), keys);
    reopened->SetLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(reopened->RowDisplayText(3, reopened->FieldIndex(QStringLiteral("TIME"))), QStringLiteral("09:30"));
    EXPECT_TRUE(Folder.Errors.isEmpty());
}

TEST(DataModuleFormats, PricesAreShownWithThePairsDecimals) {
    struct TCase {
        TEngine Engine;
        const char* Pair;
        int Decimals;
        const char* Format;
        const char* Shown; // 1234.5 in CURRENT, en_US
    };
    const TCase cases[] = {
        {TEngine::Present, "USD/JPY", 2, "###,##0.00", "1,234.50"},
        {TEngine::Present, "EUR/USD", 4, "###,##0.0000", "1,234.5000"},
        {TEngine::Missing, "USD/JPY", 2, "###,##0.00", "1,234.50"},
        {TEngine::Missing, "GBP/CHF", 4, "###,##0.0000", "1,234.5000"},
        {TEngine::WithoutExports, "EUR/USD", 0, "", "1234.5"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Pair) + " engine " + std::to_string(static_cast<int>(c.Engine)));
        TProgramFolder folder(c.Engine);
        Tdm dm;
        TMemTable* table = dm.OpenCurrencyTable(QString::fromLatin1(c.Pair));
        EXPECT_EQ(table->Tag, c.Decimals);
        for (int i = 0; i < table->FieldCount(); ++i) {
            const TFieldDef& field = table->Field(i);
            const bool price = i >= 2;
            EXPECT_EQ(field.DisplayFormat, price ? QString::fromLatin1(c.Format) : QString())
                << field.Name.toStdString();
            EXPECT_EQ(field.EditMask, field.Name == QLatin1String("TIME") ? QStringLiteral("!90:00;0; ") : QString());
        }
        TSignalRec rec = Record(40000, "0930");
        rec.Current = 1234.5;
        ASSERT_TRUE(dm.StoreRecord(*table, rec));
        table->SetLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_EQ(table->DisplayText(table->FieldIndex(QStringLiteral("CURRENT"))), QString::fromLatin1(c.Shown));
        EXPECT_TRUE(folder.Errors.isEmpty());
    }
}

TEST_F(DataModule, AFileThatFailsToReadOpensWithItsRowsAsReadAndTheNextStoreRewritesIt) {
    {
        // Rows out of order, as only a table without its order writes them.
        TMemTable writer;
        DefineSignalColumns(writer);
        writer.Field(writer.FieldIndex(QStringLiteral("TIME"))).EditMask = QString::fromLatin1(TimeEditMask);
        writer.Open();
        for (const int age : {2, 0, 1}) {
            PlaceRecord(writer, Record(Today - age, "1200"), Today);
        }
        writer.DefaultFormat().WriteTableFile(writer, DataFile);
    }
    const QByteArray whole = ReadBytes(DataFile);
    ASSERT_EQ(whole.size(), EmptyFileSize + 3 * RowSize);
    WriteBytes(DataFile, whole.left(whole.size() - 100)); // cut inside the third row

    TMemTable* table = Open();
    EXPECT_EQ(Folder.Errors, QStringList{QStringLiteral("TALVERO error! Stream read error")});
    EXPECT_EQ(Keys(*table), (std::vector{Key(Today - 2, "1200"), Key(Today, "1200")})) << "in the order read";
    EXPECT_FALSE(table->HasSortOrder());
    EXPECT_EQ(table->RecNo(), 1);
    EXPECT_TRUE(table->Field(table->FieldIndex(QStringLiteral("CURRENT"))).DisplayFormat.isEmpty());

    Folder.Errors.clear();
    ASSERT_TRUE(Dm.StoreRecord(*table, Record(Today - 3, "1200")));
    EXPECT_EQ(ReadBytes(DataFile).size(), EmptyFileSize + 3 * RowSize);
    EXPECT_EQ(Keys(*Open()), (std::vector{Key(Today, "1200"), Key(Today - 2, "1200"), Key(Today - 3, "1200")}));
    EXPECT_TRUE(Folder.Errors.isEmpty());
}

TEST_F(DataModule, AFolderInTheDataFilesPlaceFailsTheStoreAndTheRowStays) {
    ASSERT_TRUE(QDir().mkpath(DataFile));
    TMemTable* table = Open();
    EXPECT_TRUE(Folder.Errors.isEmpty()) << "a folder is no data file to read";
    EXPECT_TRUE(table->HasSortOrder());

    EXPECT_FALSE(Dm.StoreRecord(*table, Record(Today, "0930")));
    ASSERT_EQ(Folder.Errors.size(), 1);
    const QString prefix = QStringLiteral("TALVERO error! Cannot create file \"%1\". ").arg(DataFile);
    EXPECT_TRUE(Folder.Errors[0].startsWith(prefix)) << Folder.Errors[0].toStdString();
    EXPECT_EQ(Keys(*table), std::vector{Key(Today, "0930")});
    EXPECT_EQ(table->RecNo(), 1);
    EXPECT_TRUE(QFileInfo(DataFile).isDir());
}

// Stores into a table of rows rows whose file is then refused beyond limit bytes, and checks that the store
// fails, the old file stays and the next successful write catches up.
void ExpectFailedWriteKeepsTheOldFile(int rows, rlim_t limit) {
    TProgramFolder folder(TEngine::Missing);
    Tdm dm;
    const int today = LocalDayNumber();
    TMemTable* table = dm.OpenCurrencyTable(QStringLiteral("EUR/USD"));
    for (int age = 1; age < rows - 1; ++age) {
        PlaceRecord(*table, Record(today - age, "1200"), today);
    }
    ASSERT_TRUE(dm.StoreRecord(*table, Record(today, "0900")));
    const QByteArray old = ReadBytes(table->PersistentFile);
    ASSERT_EQ(old.size(), EmptyFileSize + (rows - 1) * RowSize);

    {
        TFileSizeLimit sizeLimit(limit);
        EXPECT_FALSE(dm.StoreRecord(*table, Record(today, "1000")));
    }
    EXPECT_EQ(folder.Errors, QStringList{QStringLiteral("TALVERO error! Stream write error")});
    EXPECT_EQ(ReadBytes(table->PersistentFile), old);
    EXPECT_EQ(QDir(folder.Path()).entryList(QDir::Files), QStringList{QStringLiteral("EURUSD.kvt")})
        << "no temporary file is left";
    EXPECT_EQ(table->RecordCount(), rows);
    EXPECT_EQ(CurrentKey(*table), Key(today, "1000")) << "the posted row stays in memory";

    folder.Errors.clear();
    ASSERT_TRUE(dm.UpdateCurrentRecord(*table, Record(today, "1000", 3.0)));
    EXPECT_EQ(Keys(*dm.OpenCurrencyTable(QStringLiteral("EUR/USD"))), Keys(*table));
    EXPECT_TRUE(folder.Errors.isEmpty());
}

TEST(DataModuleWrite, AFailedWriteKeepsTheOldFileAndTheNextWriteCatchesUp) {
    ExpectFailedWriteKeepsTheOldFile(128, 4096);
}

// A file smaller than the format's write buffer (16 KiB) meets the full disk only when it is committed; that
// commit must fail too instead of putting the cut file in the old one's place.
TEST(DataModuleWrite, AFailedWriteOfASmallFileKeepsTheOldFile) {
    ExpectFailedWriteKeepsTheOldFile(2, 700);
}

} // namespace
