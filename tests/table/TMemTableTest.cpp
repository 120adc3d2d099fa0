// The in-memory table: columns, editing rules and messages, the maintained order, the cursor, display texts and
// notifications.

#include "TMemTable.h"
#include "uTableFixtures.h"

#include <gtest/gtest.h>

#include <QDate>

#include <functional>

namespace {

constexpr double Day = 37472.0; // 4 August 2002

class ProgramTable : public ::testing::Test {
protected:
    void SetUp() override { OpenProgramTable(FTable); }

    void Order() { FTable.SetSortOrder({"DATE", "TIME"}, true, true); }

    // The message of the TFailure that action throws, or "" when it throws none.
    static QString FailureOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const TFailure& failure) {
            return failure.Message();
        }
        return QString();
    }

    TMemTable FTable;
};

TEST_F(ProgramTable, OrdersByDayThenTimeAsTextDescending) {
    Order();
    PostProgramRow(FTable, Day, "0930");
    PostProgramRow(FTable, Day, "1015");
    PostProgramRow(FTable, Day + 1, "0001");
    PostProgramRow(FTable, Day - 1, "2359");
    PostProgramRow(FTable, Day, "930");
    // As text the digit 9 is above the digit 1, and 0930 is below both.
    EXPECT_EQ(Times(FTable), QStringList({"0001", "930", "1015", "0930", "2359"}));
    EXPECT_EQ(FTable.RecNo(), 2) << "the posted row is current at its place";
}

TEST_F(ProgramTable, TimesCompareCaseInsensitively) {
    FTable.SetSortOrder({"TIME"}, false, true);
    PostProgramRow(FTable, Day, "b");
    PostProgramRow(FTable, Day, "A");
    PostProgramRow(FTable, Day, "a2");
    PostProgramRow(FTable, Day, "B1");
    EXPECT_EQ(Times(FTable), QStringList({"A", "a2", "b", "B1"}));
    ASSERT_TRUE(FTable.Locate({"TIME"}, {QString("B")}));
    EXPECT_EQ(FTable.RecNo(), 3);
}

TEST_F(ProgramTable, EmptyValueSortsFirstInEitherDirection) {
    FTable.SetRequired(0, false);
    for (const bool descending : {true, false}) {
        FTable.Close();
        FTable.Open();
        FTable.SetSortOrder({"DATE", "TIME"}, descending, true);
        PostProgramRow(FTable, Day, "1000");
        PostProgramRow(FTable, Day + 1, "1000");
        FTable.Append();
        FTable.SetValue("TIME", QString("1200"));
        for (int field = 2; field < FTable.FieldCount(); ++field) {
            FTable.SetValue(field, 1.0);
        }
        FTable.Post();
        EXPECT_EQ(FTable.RowValue(0, 0).index(), 0u) << "descending " << descending;
        EXPECT_EQ(FTable.RecNo(), 1);
    }
}

TEST_F(ProgramTable, EditedRowMovesAtOnceAndKeepsTheCursor) {
    Order();
    PostProgramRow(FTable, Day, "0900");
    PostProgramRow(FTable, Day, "1000");
    PostProgramRow(FTable, Day, "1100");
    FTable.SetRecNo(3); // 0900
    FTable.Edit();
    FTable.SetValue("TIME", QString("1200"));
    EXPECT_EQ(FTable.RecNo(), 3) << "the row moves only when posted";
    FTable.Post();
    EXPECT_EQ(Times(FTable), QStringList({"1200", "1100", "1000"}));
    EXPECT_EQ(FTable.RecNo(), 1);
    EXPECT_EQ(FTable.Row(0).Status, rsUnchanged);
}

TEST_F(ProgramTable, SettingTheOrderSortsHeldRowsAndFollowsTheCurrentRow) {
    PostProgramRow(FTable, Day, "0900");
    PostProgramRow(FTable, Day + 2, "0900");
    PostProgramRow(FTable, Day + 1, "0900");
    FTable.SetRecNo(2); // Day + 2
    Order();
    EXPECT_EQ(std::get<double>(FTable.RowValue(0, 0)), Day + 2);
    EXPECT_EQ(std::get<double>(FTable.RowValue(2, 0)), Day);
    EXPECT_EQ(FTable.RecNo(), 1);
}

TEST_F(ProgramTable, CursorFlagsAndRowNumbers) {
    EXPECT_EQ(FTable.RecNo(), -1);
    EXPECT_TRUE(FTable.Bof() && FTable.Eof());
    FTable.Next();
    FTable.Prior();
    EXPECT_EQ(FTable.RecNo(), -1);

    Order();
    for (const char* time : {"1000", "1100", "1200"}) {
        PostProgramRow(FTable, Day, time);
    }
    FTable.First();
    EXPECT_TRUE(FTable.Bof());
    EXPECT_FALSE(FTable.Eof());
    FTable.Prior();
    EXPECT_TRUE(FTable.Bof());
    EXPECT_EQ(FTable.RecNo(), 1);
    FTable.Next();
    EXPECT_FALSE(FTable.Bof() || FTable.Eof());
    EXPECT_EQ(FTable.RecNo(), 2);
    FTable.Next();
    FTable.Next(); // asked at the last row: sets the end flag, stays
    EXPECT_TRUE(FTable.Eof());
    EXPECT_EQ(FTable.RecNo(), 3);
    FTable.Last();
    EXPECT_TRUE(FTable.Eof());
    EXPECT_FALSE(FTable.Bof());

    // The walk the chart and the report make.
    QStringList walked;
    for (FTable.First(); !FTable.Eof(); FTable.Next()) {
        walked << FTable.DisplayText(1);
    }
    EXPECT_EQ(walked, QStringList({"12:00", "11:00", "10:00"}));

    for (const int ignored : {0, -1, 4, 100}) {
        FTable.SetRecNo(2);
        FTable.SetRecNo(ignored);
        EXPECT_EQ(FTable.RecNo(), 2) << ignored;
    }
    FTable.SetRecNo(3);
    EXPECT_EQ(FTable.RecNo(), 3);
}

TEST_F(ProgramTable, DeleteLeavesTheFollowingRowCurrent) {
    Order();
    for (const char* time : {"1000", "1100", "1200"}) {
        PostProgramRow(FTable, Day, time);
    }
    FTable.SetRecNo(1);
    FTable.Delete();
    EXPECT_EQ(FTable.DisplayText(1), "11:00");
    FTable.Last();
    FTable.Delete();
    EXPECT_EQ(FTable.RecNo(), 1) << "the new last row";
    FTable.Delete();
    EXPECT_TRUE(FTable.IsEmpty());
    EXPECT_EQ(FTable.RecNo(), -1);
}

TEST_F(ProgramTable, MessagesOfTheTable) {
    EXPECT_EQ(FailureOf([&] { FTable.Delete(); }), "Cannot perform this operation on an empty dataset");
    EXPECT_EQ(FailureOf([&] { FTable.Value("CURRENCY"); }), "Field 'CURRENCY' not found");
    EXPECT_EQ(FailureOf([&] { FTable.SetSortOrder({"DATE", "PRICE_72"}, true, true); }), "Field 'PRICE_72' not found");

    FTable.Append();
    FTable.SetValue("TIME", QString("0930"));
    EXPECT_EQ(FailureOf([&] { FTable.Post(); }), "Field 'DATE' must have a value");
    EXPECT_EQ(FTable.State(), TTableState::Insert) << "a failed post leaves the row in edit";
    FTable.SetValue("DATE", Day);
    EXPECT_EQ(FailureOf([&] { FTable.Post(); }), "Field 'CURRENT' must have a value");
    FTable.Cancel();
    EXPECT_TRUE(FTable.IsEmpty());

    // An empty text is no value, so a required text column refuses it.
    PostProgramRow(FTable, Day, "1000");
    FTable.Edit();
    FTable.SetValue("TIME", QString());
    EXPECT_EQ(FailureOf([&] { FTable.Post(); }), "Field 'TIME' must have a value");
}

TEST_F(ProgramTable, ValuesAreStoredAsTheColumnHoldsThem) {
    FTable.Append();
    FTable.SetValue("TIME", QString("123456"));
    EXPECT_EQ(FTable.Value("TIME"), TFieldValue(QString("1234")));
    FTable.SetValue("DATE", Day + 0.75);
    EXPECT_EQ(FTable.Value("DATE"), TFieldValue(Day));
    FTable.SetValue("DATE", -1.5);
    EXPECT_EQ(FTable.Value("DATE"), TFieldValue(-1.0));
    FTable.SetValue("DATE", qint64{37000});
    EXPECT_EQ(FTable.Value("DATE"), TFieldValue(37000.0));
    FTable.SetValue("CURRENT", 1.23456789);
    EXPECT_EQ(FTable.Value("CURRENT"), TFieldValue(1.23456789));
    EXPECT_THROW(FTable.SetValue("CURRENT", QString("1.5")), TFailure);
    EXPECT_THROW(FTable.SetValue("TIME", 930.0), TFailure);
}

TEST_F(ProgramTable, LocateFindsTheFirstRowInOrderAndCountBeforeCountsNewerRows) {
    // The same rows, ordered (bisecting) and unordered (walking), give the same answers.
    for (const bool ordered : {true, false}) {
        FTable.Close();
        FTable.ClearSortOrder();
        FTable.Open();
        if (ordered) {
            Order();
        }
        for (int i = 0; i < 40; ++i) {
            PostProgramRow(FTable, Day - (i % 10), QString("%1").arg(1000 + (i % 4) * 100), i);
        }
        // Day - d holds each of two times twice: 1100 and 1300 when d is odd, 1000 and 1200 when even.
        ASSERT_TRUE(FTable.Locate({"DATE", "TIME"}, {Day - 3, QString("1100")}));
        EXPECT_EQ(std::get<double>(FTable.Value("DATE")), Day - 3);
        EXPECT_EQ(std::get<QString>(FTable.Value("TIME")), "1100");
        const int found = FTable.RecNo();
        EXPECT_FALSE(FTable.Locate({"DATE", "TIME"}, {Day - 3, QString("1200")}));
        EXPECT_EQ(FTable.RecNo(), found) << "a failed seek does not move";
        EXPECT_TRUE(FTable.Locate({"DATE"}, {Day - 8.5})) << "a key day keeps only its whole day";
        if (ordered) {
            // Rows of the cutoff day and later sort before it with an empty time: 6 days of 4 rows.
            EXPECT_EQ(FTable.CountBefore({Day - 5, QString()}), 24);
            EXPECT_EQ(FTable.CountBefore({Day - 100, QString()}), 40);
            EXPECT_EQ(FTable.CountBefore({Day + 1}), 0);
            ASSERT_TRUE(FTable.Locate({"DATE", "TIME"}, {Day - 5, QString("1300")}));
            EXPECT_EQ(FTable.RecNo(), 21);
        } else {
            EXPECT_EQ(FTable.CountBefore({Day - 5, QString()}), 0) << "no order";
            ASSERT_TRUE(FTable.Locate({"DATE", "TIME"}, {Day - 5, QString("1300")}));
            EXPECT_EQ(FTable.RecNo(), 16) << "first in the order the rows were posted";
        }
    }
}

TEST_F(ProgramTable, CountBeforeCountsEmptyDatesAsNewest) {
    FTable.SetRequired(0, false);
    Order();
    PostProgramRow(FTable, Day, "1000");
    PostProgramRow(FTable, Day - 7000, "1000");
    FTable.Append();
    for (int field = 1; field < FTable.FieldCount(); ++field) {
        FTable.SetValue(field, field == 1 ? TFieldValue(QString("1000")) : TFieldValue(1.0));
    }
    FTable.Post();
    EXPECT_EQ(FTable.CountBefore({Day - 6584, QString()}), 2);
}

TEST_F(ProgramTable, DisplayTexts) {
    PostProgramRow(FTable, Day, "0930", 1234.5);
    PostProgramRow(FTable, Day, "930", -0.004);
    const QLocale usa(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(FTable.RowDisplayText(0, 0), usa.toString(QDate(2002, 8, 4), QLocale::ShortFormat));
    EXPECT_EQ(FTable.RowDisplayText(0, 1), "09:30");
    EXPECT_EQ(FTable.RowDisplayText(1, 1), " 9:30");
    EXPECT_EQ(FTable.RowDisplayText(0, 2), "1234.5") << "no format: the default number display";
    FTable.SetDisplayFormat(2, "###,##0.00");
    EXPECT_EQ(FTable.RowDisplayText(0, 2), "1,234.50");
    EXPECT_EQ(FTable.RowDisplayText(1, 2), "0.00");

    FTable.SetLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FTable.RowDisplayText(0, 2), "1.234,50");
    EXPECT_EQ(FTable.RowDisplayText(0, 0), QLocale(QLocale::German).toString(QDate(2002, 8, 4), QLocale::ShortFormat));

    EXPECT_EQ(FTable.RowDisplayText(2, 0), "") << "outside the rows";
    EXPECT_EQ(FTable.RecNo(), 2) << "random access leaves the cursor";
}

TEST_F(ProgramTable, SuspendedDisplaysHearOnceWhenTheLastSuspensionEnds) {
    int data = 0;
    int current = 0;
    QObject::connect(&FTable, &TMemTable::DataChanged, [&] { ++data; });
    QObject::connect(&FTable, &TMemTable::CurrentChanged, [&] { ++current; });

    PostProgramRow(FTable, Day, "1000");
    EXPECT_GT(data, 0);
    EXPECT_GT(current, 0);
    data = current = 0;

    FTable.DisableControls();
    {
        TControlsSuspension inner(FTable);
        PostProgramRow(FTable, Day, "1100");
        FTable.First();
    }
    EXPECT_TRUE(FTable.ControlsDisabled());
    EXPECT_EQ(data + current, 0);
    FTable.EnableControls();
    EXPECT_FALSE(FTable.ControlsDisabled());
    EXPECT_EQ(data, 1);
    EXPECT_EQ(current, 1);

    FTable.DisableControls();
    FTable.EnableControls();
    EXPECT_EQ(data + current, 2) << "nothing changed, nothing to refresh";
    FTable.EnableControls(); // an unmatched resume is ignored
    FTable.Next();
    EXPECT_EQ(current, 2);
}

TEST_F(ProgramTable, MovingWhileEditingPostsFirst) {
    Order();
    PostProgramRow(FTable, Day, "1000");
    FTable.Append();
    FTable.SetValue("TIME", QString("1100"));
    EXPECT_EQ(FTable.RecNo(), -1);
    EXPECT_THROW(FTable.First(), TFailure) << "the new row lacks its values";
    for (int field = 0; field < FTable.FieldCount(); ++field) {
        if (field != 1) {
            FTable.SetValue(field, Day);
        }
    }
    FTable.Last();
    EXPECT_EQ(FTable.State(), TTableState::Browse);
    EXPECT_EQ(FTable.RecordCount(), 2);
}

TEST(MemTable, EditOnAnEmptyTableStartsANewRowAndClosedTablesRefuseWork) {
    TMemTable table;
    DefineProgramColumns(table);
    EXPECT_THROW(table.Append(), TFailure);
    EXPECT_THROW(table.First(), TFailure);
    EXPECT_THROW(table.AddField({.Name = "ID", .TypeName = "Guid"}), TFailure);
    table.Open();
    EXPECT_THROW(table.AddField({.Name = "EXTRA", .TypeName = "Float"}), TFailure);
    table.Edit();
    EXPECT_EQ(table.State(), TTableState::Insert);
    table.Delete(); // cancels the new row
    EXPECT_EQ(table.State(), TTableState::Browse);
    EXPECT_THROW(table.SetValue("TIME", QString("1")), TFailure) << "not in edit";
    table.SetReadOnly(1, true);
    table.Append();
    EXPECT_THROW(table.SetValue("TIME", QString("1")), TFailure) << "read-only";
}

TEST(RowStore, OwnsItsLongTextsWhereverItsRowsGo) {
    // Texts too long for a cell are owned by the store; the sanitizer build catches one freed twice or never.
    TRowStore store;
    store.Reset(2);
    for (int i = 0; i < 6; ++i) {
        store.AppendRow({QString::number(i), QString("long text %1").arg(i)});
    }
    store.Move(5, 0);               // 5 0 1 2 3 4
    store.Remove(2);                // 5 0 2 3 4
    store.Reorder({4, 3, 2, 1, 0}); // 4 3 2 0 5
    store.RemoveLast();             // 4 3 2 0
    const std::span<TCell> cells = store.AppendRowToFill();
    store.FillText(cells[0], QStringView(u"9"));
    store.FillText(cells[1], QStringView(u"long text 9"));
    QStringList rows;
    for (int row = 0; row < store.Count(); ++row) {
        const TRowData data = store.Data(row);
        rows << std::get<QString>(data.Values[0]) + "/" + std::get<QString>(data.Values[1]);
    }
    EXPECT_EQ(rows, QStringList({"4/long text 4", "3/long text 3", "2/long text 2", "0/long text 0", "9/long text 9"}));

    // An empty text is a value of its own, kept apart from no value.
    store.AppendRow({QString(""), TFieldValue{}});
    EXPECT_EQ(store.Data(5).Values, std::vector<TFieldValue>({QString(""), TFieldValue{}}));
    store.Reset(3);
    EXPECT_TRUE(store.IsEmpty());
}

TEST(MemTable, TypeNamesAreExact) {
    TFieldType type{};
    EXPECT_TRUE(FieldTypeFromName("FMTBcdField", type));
    EXPECT_EQ(type, TFieldType::FMTBcd);
    EXPECT_TRUE(FieldTypeFromName("dBaseOle", type));
    for (const char* refused : {"float", "FLOAT", "Guid", "Variant", "WideString", "Unknown", ""}) {
        EXPECT_FALSE(FieldTypeFromName(refused, type)) << refused;
    }
    EXPECT_EQ(FieldTypeName(TFieldType::Date), "Date");
}

} // namespace
