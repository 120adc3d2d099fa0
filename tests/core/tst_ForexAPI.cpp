#include "CoreTestSupport.h"
#include "TSignalRec.h"
#include "WorkedExample.h"
#include "uForexAPI.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cstring>

namespace {

using TEngine = TProgramFolder::TEngine;

TEST(ForexAPI, AppFilePathJoinsWithExactlyOneSeparator) {
    struct Case {
        const char* Directory;
        const char* Name;
        const char* Path;
    };
    const Case cases[] = {
        {"/opt/talvero/", "EURUSD.kvt", "/opt/talvero/EURUSD.kvt"},
        {"/opt/talvero", "EURUSD.kvt", "/opt/talvero/EURUSD.kvt"},
        {"/opt//talvero///", "a.txt", "/opt/talvero/a.txt"},
        {"//server/share/", "a.txt", "/server/share/a.txt"}, // the collapsing also shortens a leading pair
        {"/", "readme.txt", "/readme.txt"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JoinAppPath(QString::fromLatin1(c.Directory), QString::fromLatin1(c.Name), u'/'),
                  QString::fromLatin1(c.Path));
    }
    EXPECT_EQ(JoinAppPath(QStringLiteral("C:\\\\Program Files\\TALVERO\\"), QStringLiteral("sigeng.dll"), u'\\'),
              QStringLiteral("C:\\Program Files\\TALVERO\\sigeng.dll"));

    TProgramFolder folder;
    EXPECT_EQ(AppFilePath(QStringLiteral("talvero.htm")), folder.Path() + QStringLiteral("/talvero.htm"));
}

TEST(ForexAPI, CurrencyListIsAppendedInItsFixedOrder) {
    QStringList list{QStringLiteral("kept")};
    EXPECT_TRUE(GetCurrencyList(list));
    ASSERT_EQ(list.size(), 14);
    EXPECT_EQ(list.front(), QStringLiteral("kept"));
    EXPECT_EQ(list[1], QStringLiteral("GBP/CHF"));
    EXPECT_EQ(list[5], QStringLiteral("USD/JPY"));
    EXPECT_EQ(list.back(), QStringLiteral("CHF/JPY"));
}

TEST(ForexAPI, DecimalsWithAndWithoutTheEngine) {
    struct Case {
        TEngine Engine;
        const char* Pair;
        int Decimals;
    };
    const Case cases[] =
        {
            {TEngine::Missing, "USD/JPY", 2},     {TEngine::Missing, "GBP/JPY", 2},
            {TEngine::Missing, "EUR/USD", 4},     {TEngine::Missing, "usd/jpy", 4}, // "JPY" is case-sensitive
            {TEngine::NotALibrary, "CHF/JPY", 2}, {TEngine::WithoutExports, "USD/JPY", 0},
            {TEngine::Present, "USD/JPY", 2},     {TEngine::Present, "GBP/CHF", 4},
            {TEngine::Present, "XXX/JPY", 4}, // unknown to the engine: its default, not the JPY fallback
        };
    for (const Case& c : cases) {
        TProgramFolder folder(c.Engine);
        EXPECT_EQ(GetCurrencyDecimals(QString::fromLatin1(c.Pair)), c.Decimals)
            << c.Pair << " engine " << static_cast<int>(c.Engine);
        EXPECT_EQ(EngineExists(), c.Engine != TEngine::Missing);
        EXPECT_TRUE(folder.Errors.isEmpty()) << "the binding never reports";
    }
}

TEST(ForexAPI, ComputeSignalsFallsBackSilently) {
    struct Case {
        TEngine Engine;
        const char* Pair;
        bool Computed;
    };
    const Case cases[] = {
        {TEngine::Present, "GBP/CHF", true},         {TEngine::Present, "XXX/YYY", false},
        {TEngine::Missing, "GBP/CHF", false},        {TEngine::NotALibrary, "GBP/CHF", false},
        {TEngine::WithoutExports, "GBP/CHF", false},
    };
    for (const Case& c : cases) {
        TProgramFolder folder(c.Engine);
        TSignalRec rec = WorkedExampleRecord(c.Pair);
        const TSignalRec before = rec;
        EXPECT_EQ(ComputeSignals(rec), c.Computed) << c.Pair << " engine " << static_cast<int>(c.Engine);
        EXPECT_EQ(std::memcmp(&rec, &before, sizeof rec) != 0, c.Computed);
        EXPECT_TRUE(folder.Errors.isEmpty());
    }
}

TEST(ForexAPI, OpenAppFileOpensOnlyExistingFiles) {
    TProgramFolder folder;
    OpenAppFile(QStringLiteral("fxhelp.hlp"));
    EXPECT_TRUE(folder.ShellOpened.isEmpty());
    QFile file(folder.FilePath(QStringLiteral("fxhelp.hlp")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    OpenAppFile(QStringLiteral("fxhelp.hlp"));
    EXPECT_EQ(folder.ShellOpened, QStringList{AppFilePath(QStringLiteral("fxhelp.hlp"))});
}

TEST(ForexAPI, ShowErrorPrefixesTheMessage) {
    TProgramFolder folder;
    ShowError(TFailure(QStringLiteral("Stream read error")));
    EXPECT_EQ(folder.Errors, QStringList{QStringLiteral("TALVERO error! Stream read error")});
}

} // namespace
