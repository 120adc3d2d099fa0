// The HTML report's text, line by line: header, record block and footer as the report writes them, the
// escaping of every text that comes from outside the report, and the file's bytes.

#include "TFailure.h"
#include "TMemTable.h"
#include "TestFiles.h"
#include "uDM.h"
#include "uHtmlReport.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

const QDate DayZero(1899, 12, 30);

// A program table of one row on 4 August 2002 with the given time text and prices from 1.2301 up, shown
// with four decimals and the time mask, in the C locale.
void FillTable(TMemTable& table, const QString& time) {
    DefineSignalColumns(table);
    table.SetLocale(QLocale::c());
    table.Open();
    table.Append();
    table.SetValue(QStringLiteral("DATE"), static_cast<double>(DayZero.daysTo(QDate(2002, 8, 4))));
    table.SetValue(QStringLiteral("TIME"), time);
    for (int field = 2; field < table.FieldCount(); ++field) {
        table.SetValue(field, 1.23 + field * 0.0001 - 0.0001);
        table.SetDisplayFormat(field, QStringLiteral("###,##0.0000"));
    }
    table.SetEditMask(table.FieldByName(QStringLiteral("TIME")), QString::fromLatin1(TimeEditMask));
    table.Post();
}

QString Day() {
    return QLocale::c().toString(QDate(2002, 8, 4), QLocale::ShortFormat);
}

TEST(HtmlReport, RecordBlockIsTheTwentySevenLinesOfTheRow) {
    TMemTable table;
    FillTable(table, QStringLiteral("0930"));
    QStringList lines{QStringLiteral("before")};
    WriteRecordBlock(table, 722, lines);

    // Columns in table order: CURRENT 1.2301, HIGHEST .2302, LOWEST .2303, PRICE_24 .2304, PRICE_48 .2305,
    // PRICE_64 .2306, BUY_SIG .2307, BUY_STOP .2308, BUY_LIMIT .2309, SELL_SIG .2310, SELL_STOP .2311,
    // SELL_LIMIT .2312.
    const QStringList expected{
        "before",
        "<TABLE cellpadding=4 cellspacing=4 width=722>",
        "<TR bgcolor=\"#DDDDDD\">",
        "<TD><SPAN style=\"font-size: 12pt; font-weight: bold;\">" + Day() + " - 09:30</SPAN></TD>",
        "<TD width=150><SPAN style=\"font-size: 12pt; font-weight: bold;\">BUY</SPAN></TD>",
        "<TD width=150><SPAN style=\"font-size: 12pt; font-weight: bold;\">SELL</SPAN></TD></TR>",
        "<TR><TD align=\"left\" valign=\"top\" nowrap><SPAN style=\"font-size: 9pt; font-family: courier new\">",
        "Current price ...................... <B>1.2301</B><BR>",
        "Highest price within last 24 hours . 1.2302<BR>",
        "Lowest price within last 24 hours .. 1.2303<BR>",
        "Price exactly 24 hours ago ......... 1.2304<BR>",
        "Price exactly 48 hours ago ......... 1.2305<BR>",
        "Price exactly 72 hours ago.......... 1.2306<BR>",
        "</SPAN></TD>",
        "<TD align=\"left\" valign=\"top\" nowrap>",
        "<SPAN style=\"font-size: 18pt; font-weight: bold; font-family: courier new\">",
        "1.2307</SPAN><BR><BR>",
        "<SPAN style=\"font-size: 9pt; font-family: courier new\">",
        "STOP : 1.2308<BR>",
        "Limit: 1.2309</SPAN>",
        "</TD>",
        "<TD align=\"left\" valign=\"top\" nowrap>",
        "<SPAN style=\"font-size: 18pt; font-weight: bold; font-family: courier new\">",
        "1.2310</SPAN><BR><BR>",
        "<SPAN style=\"font-size: 9pt; font-family: courier new\">",
        "STOP : 1.2311<BR>",
        "Limit: 1.2312</SPAN>",
        "</TD></TR></TABLE>",
    };
    EXPECT_EQ(lines.size(), 1 + 27);
    for (qsizetype i = 0; i < std::min(lines.size(), expected.size()); ++i) {
        EXPECT_EQ(lines[i].toStdString(), expected[i].toStdString()) << "line " << i;
    }
    // The six dotted labels line up in the fixed-width font: 37 characters each, their blank included.
    for (qsizetype i = 7; i <= 12; ++i) {
        const qsizetype value = expected[i].indexOf(u'1');
        EXPECT_EQ(expected[i].left(value).remove(QStringLiteral("<B>")).size(), 37) << expected[i].toStdString();
    }
}

TEST(HtmlReport, TimeTextFromTheTableIsEscaped) {
    TMemTable table;
    FillTable(table, QStringLiteral("<&\">"));
    QStringList lines;
    WriteRecordBlock(table, 680, lines);
    ASSERT_EQ(lines.size(), 27);
    EXPECT_EQ(lines[2].toStdString(), ("<TD><SPAN style=\"font-size: 12pt; font-weight: bold;\">" + Day() +
                                       " - &lt;&amp;:&quot;&gt;</SPAN></TD>")
                                          .toStdString());
}

TEST(HtmlReport, HeaderAndFooterLines) {
    const QStringList header = ReportHeaderLines(QStringLiteral("EUR/USD"), QStringLiteral("/opt/talvero/talvero.bmp"));
    const QStringList expectedHeader{
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\"><HTML><HEAD><TITLE>",
        "TALVERO - EUR/USD</TITLE></HEAD><BODY link=\"blue\" vlink=\"blue\" alink=\"blue\">",
        "<DIV align=\"center\" style=\"font-size: 24pt; font-weight: bold;\">TALVERO - EUR/USD</DIV><HR size=1 "
        "noshade>",
        "<DIV align=\"center\" style=\"font-size: 8pt;\"><A HREF=\"https://www.talvero.example/\">TALVERO Trading "
        "Software</A></DIV><BR>",
        "<CENTER>",
        "<IMG SRC=\"/opt/talvero/talvero.bmp\"><BR clear=\"all\"><BR>",
    };
    EXPECT_EQ(header, expectedHeader);
    const QStringList expectedFooter{
        "<HR size=1 noshade>",
        "<DIV align=\"center\" style=\"font-size: 8pt;\">TALVERO Trading Software: <A "
        "HREF=\"mailto:support@talvero.example\">support@talvero.example</A></DIV><BR>",
        "</CENTER></BODY></HTML>",
    };
    EXPECT_EQ(ReportFooterLines(), expectedFooter);
}

TEST(HtmlReport, CaptionAndPicturePathAreEscapedAndTheMarkupIsNot) {
    const QStringList header =
        ReportHeaderLines(QStringLiteral("A<B>\"C\""), QStringLiteral("/home/o'neil & co/\"x\"/talvero.bmp"));
    ASSERT_EQ(header.size(), 6);
    EXPECT_EQ(header[1].toStdString(),
              "TALVERO - A&lt;B&gt;&quot;C&quot;</TITLE></HEAD><BODY link=\"blue\" vlink=\"blue\" alink=\"blue\">");
    EXPECT_EQ(header[2].toStdString(), "<DIV align=\"center\" style=\"font-size: 24pt; font-weight: bold;\">TALVERO - "
                                       "A&lt;B&gt;&quot;C&quot;</DIV><HR size=1 noshade>");
    EXPECT_EQ(header[5].toStdString(),
              "<IMG SRC=\"/home/o'neil &amp; co/&quot;x&quot;/talvero.bmp\"><BR clear=\"all\"><BR>");
}

TEST(HtmlReport, EscapeCases) {
    const struct {
        QString Text;
        QString Escaped;
    } cases[] = {
        {QString(), QString()},
        {QStringLiteral("1,234.5678"), QStringLiteral("1,234.5678")},
        {QStringLiteral("<script>&\"x\""), QStringLiteral("&lt;script&gt;&amp;&quot;x&quot;")},
        {QStringLiteral("&amp;"), QStringLiteral("&amp;amp;")}, // escaped once more: shown as typed
        {QStringLiteral("it's 12.08."), QStringLiteral("it's 12.08.")},
        {QStringLiteral("Zürich"), QStringLiteral("Zürich")}, // the single-byte file holds it
        {QStringLiteral("Дата €"), QStringLiteral("&#1044;&#1072;&#1090;&#1072; &#8364;")},
        {QString::fromUtf8("\xF0\x9F\x93\x88"), QStringLiteral("&#128200;")}, // one character, two UTF-16 units
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HtmlEscape(c.Text).toStdString(), c.Escaped.toStdString()) << c.Text.toStdString();
    }
}

TEST(HtmlReport, FileHasCrLfAfterEveryLineInSingleBytes) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("talvero.htm"));
    WriteReportFile(path, {QStringLiteral("<HTML>"), QStringLiteral("Zürich"), QString()});
    EXPECT_EQ(ReadBytes(path), QByteArray("<HTML>\r\nZ\xFCrich\r\n\r\n"));
    // A second report replaces the first whole, shorter or not, and leaves nothing else behind.
    WriteReportFile(path, {QStringLiteral("x")});
    EXPECT_EQ(ReadBytes(path), QByteArray("x\r\n"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("talvero.htm")});
}

TEST(HtmlReport, UnwritableFileFailsWithItsName) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("talvero.htm"));
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("talvero.htm")));
    try {
        WriteReportFile(path, {QStringLiteral("<HTML>")});
        FAIL() << "no failure";
    } catch (const TFailure& failure) {
        EXPECT_TRUE(failure.Message().startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(path)))
            << failure.Message().toStdString();
    }
    EXPECT_TRUE(QFileInfo(path).isDir());
}

} // namespace
