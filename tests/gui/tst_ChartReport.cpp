// A browse window's chart and HTML report, on a whole program: the chart's points and labels, zoom and scroll,
// and the two report files with the blocks, widths, decimals, picture and escaping they must have. Run with
// --browser, the report is opened in headless Chromium instead and must render there.

#include "CoreTestSupport.h"
#include "GuiTestSupport.h"
#include "TBinaryStreamFormat.h"
#include "TMemTable.h"
#include "TPairChart.h"
#include "TSignalRec.h"
#include "TStatusPanelBar.h"
#include "TestFiles.h"
#include "fmAbout.h"
#include "fmBrowse.h"
#include "fmMain.h"
#include "uDM.h"
#include "uImageList.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsRectItem>
#include <QLegend>
#include <QLineSeries>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <QTimer>
#include <QUrl>
#include <QValueAxis>
#include <QWheelEvent>
#include <QtEndian>
#include <cstring>

#include <cstdio>
#include <memory>

namespace {

using TEngine = TProgramFolder::TEngine;

const QDate DayZero(1899, 12, 30);
const QString BlockStart = QStringLiteral("<TABLE cellpadding=4 cellspacing=4 width=");
constexpr int BlockLines = 27;

// A record of the pair with every price distinct, led by current.
TSignalRec Record(const char* pair, QDate date, const char* time, double current) {
    TSignalRec rec = MakeEmptySignalRec(pair);
    rec.Date = static_cast<double>(DayZero.daysTo(date));
    WriteShortText(rec.Time, time);
    const double step = current / 1000;
    rec.Current = current;
    rec.Highest = current + 9 * step;
    rec.Lowest = current - 8 * step;
    rec.Price24 = current + step;
    rec.Price48 = current - 2 * step;
    rec.Price64 = current + 3 * step;
    rec.BuySig = current - 4 * step;
    rec.BuyStop = current - 5 * step;
    rec.BuyLimit = current + 6 * step;
    rec.SellSig = current + 7 * step;
    rec.SellStop = current + 10 * step;
    rec.SellLimit = current - 11 * step;
    return rec;
}

QString ShortDate(QDate date) {
    return QLocale::system().toString(date, QLocale::ShortFormat);
}

// A program with its own program folder (no engine: pairs with "JPY" get 2 decimals, others 4), the data
// module, the pictures and the main window; the about box of the first showing is closed as it appears.
struct TProgram {
    TProgram() : Folder(TEngine::Missing) {
        Main = std::make_unique<TfMain>(Dm, Images);
        auto* poll = new QTimer(Main.get());
        QObject::connect(poll, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget())) {
                box->accept();
            }
        });
        poll->start(5);
        Main->resize(1280, 900);
        Main->show();
    }

    // The pair's window, its table holding records (stored as the generator's Save stores them).
    TfBrowse* Open(const QString& pair, const QList<TSignalRec>& records = {}) {
        TfBrowse* window = TfBrowse::OpenBrowseWindow(*Main, pair);
        for (const TSignalRec& rec : records) {
            Dm.StoreRecord(*window->Table(), rec);
        }
        QCoreApplication::processEvents();
        return window;
    }

    QString Html() const { return Folder.FilePath(QStringLiteral("talvero.htm")); }
    QString Picture() const { return Folder.FilePath(QStringLiteral("talvero.bmp")); }

    TProgramFolder Folder;
    TBoxRecorder Boxes;
    Tdm Dm;
    TImageList Images;
    std::unique_ptr<TfMain> Main;
};

TPairChart* ChartOf(const TfBrowse* window) {
    return qobject_cast<TPairChart*>(window->Chart());
}

// Shows the chart as the tool button does, at the given outer window size, and waits for the layout.
void ShowChart(TfBrowse* window, int width, int height = 600) {
    window->resize(width, height);
    if (window->Chart()->isHidden()) {
        window->ToolChartClick();
    }
    QTRY_COMPARE(window->Chart()->width(), window->widget()->width());
    QTest::qWait(20); // the chart's own layout follows on posted requests
}

// The report as written: the bytes, the lines without their CR LF, and the 27-line blocks in file order.
struct TReport {
    QByteArray Bytes;
    QStringList Lines;
    QList<QStringList> Blocks;

    int Width(int block) const { return Blocks[block][0].mid(BlockStart.size()).chopped(1).toInt(); }
    // The date and time text of a block's heading, as written (escaped).
    QString Heading(int block) const {
        static const QRegularExpression heading(
            QStringLiteral("^<TD><SPAN style=\"font-size: 12pt; font-weight: bold;\">(.*)</SPAN></TD>$"));
        return heading.match(Blocks[block][2]).captured(1);
    }
};

// Reads the report and checks its frame: every line ends in CR LF, the last one too; 6 header lines, whole
// blocks, 3 footer lines.
void ReadReport(const QString& path, TReport& report) {
    report.Bytes = ReadBytes(path);
    QVERIFY2(report.Bytes.endsWith("\r\n"), "the report ends with a line break");
    QCOMPARE(report.Bytes.count("\n"), report.Bytes.count("\r\n"));
    QCOMPARE(report.Bytes.count("\r"), report.Bytes.count("\r\n"));
    report.Lines = QString::fromLatin1(report.Bytes).split(QStringLiteral("\r\n"));
    report.Lines.removeLast();
    QCOMPARE((report.Lines.size() - 9) % BlockLines, 0);
    QCOMPARE(report.Lines[5].left(10), QStringLiteral("<IMG SRC=\""));
    QCOMPARE(report.Lines.last(), QStringLiteral("</CENTER></BODY></HTML>"));
    for (qsizetype at = 6; at + 3 < report.Lines.size(); at += BlockLines) {
        const QStringList block = report.Lines.mid(at, BlockLines);
        QVERIFY2(block.first().startsWith(BlockStart), qPrintable(block.first()));
        QCOMPARE(block.last(), QStringLiteral("</TD></TR></TABLE>"));
        report.Blocks.append(block);
    }
}

QList<qreal> Ys(const QLineSeries* series) {
    QList<qreal> ys;
    for (const QPointF& point : series->points()) {
        ys << point.y();
    }
    return ys;
}

QList<qreal> Xs(const QLineSeries* series) {
    QList<qreal> xs;
    for (const QPointF& point : series->points()) {
        xs << point.x();
    }
    return xs;
}

// The date axis' labels as the user reads them (the marks that keep repeats apart are invisible).
QStringList VisibleAxisLabels(const TPairChart* chart) {
    QStringList labels = chart->DateAxis()->categoriesLabels();
    for (QString& label : labels) {
        label.remove(QChar(0x200B));
    }
    return labels;
}

// The plot's rectangle in the chart's viewport, where the mouse acts.
QRect PlotInViewport(TPairChart* chart) {
    const QRectF plot = chart->chart()->plotArea();
    return QRect(chart->mapFromScene(chart->chart()->mapToScene(plot.topLeft())),
                 chart->mapFromScene(chart->chart()->mapToScene(plot.bottomRight())));
}

// Little-endian numbers of a file's bytes; 0 past the end.
template <typename T> T LittleEndianAt(const QByteArray& bytes, int at) {
    T value = 0;
    if (at >= 0 && at + static_cast<int>(sizeof(T)) <= bytes.size()) {
        std::memcpy(&value, bytes.constData() + at, sizeof(T));
    }
    return qFromLittleEndian(value);
}
quint32 U32(const QByteArray& bytes, int at) {
    return LittleEndianAt<quint32>(bytes, at);
}
quint16 U16(const QByteArray& bytes, int at) {
    return LittleEndianAt<quint16>(bytes, at);
}

} // namespace

class TestChartReport : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { DeleteClosedWindows(); }
    void oneRowGivesOnePointPerSeriesAndOneBlock() {
        TProgram program;
        TfBrowse* window = program.Open(QStringLiteral("EUR/USD"), {Record("EUR/USD", {2024, 3, 4}, "0930", 1.085)});
        ShowChart(window, 900);
        TPairChart* chart = ChartOf(window);
        QCOMPARE(Ys(chart->Series(0)), QList<qreal>{1.085});
        QCOMPARE(Ys(chart->Series(1)), QList<qreal>{1.085 + 9 * 0.001085});
        QCOMPARE(Ys(chart->Series(2)), QList<qreal>{1.085 - 8 * 0.001085});
        QCOMPARE(chart->PointLabels(), QStringList{ShortDate({2024, 3, 4})});
        QCOMPARE(VisibleAxisLabels(chart), chart->PointLabels());
        // A flat history still gets a price axis around it.
        QVERIFY(chart->PriceAxis()->min() < 1.085 - 8 * 0.001085);
        QVERIFY(chart->PriceAxis()->max() > 1.085 + 9 * 0.001085);

        window->ToolHTMLClick();
        TReport report;
        ReadReport(program.Html(), report);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(report.Blocks.size(), 1);
        QCOMPARE(report.Heading(0), ShortDate({2024, 3, 4}) + QStringLiteral(" - 09:30"));
        QCOMPARE(report.Blocks[0][6], QStringLiteral("Current price ...................... <B>1.0850</B><BR>"));
        QCOMPARE(report.Blocks[0][15], QStringLiteral("1.0807</SPAN><BR><BR>")); // the buy signal
        QCOMPARE(report.Lines[1], QStringLiteral("TALVERO - EUR/USD</TITLE></HEAD><BODY link=\"blue\" vlink=\"blue\" "
                                                 "alink=\"blue\">"));
        QCOMPARE(report.Lines[5],
                 QStringLiteral("<IMG SRC=\"") + program.Picture() + QStringLiteral("\"><BR clear=\"all\"><BR>"));
        QCOMPARE(program.Folder.ShellOpened, QStringList{program.Html()});
    }

    void threeDaysRunOldestToNewestOnTheChartAndNewestFirstInTheReport() {
        TProgram program;
        // Stored out of order: the table orders them.
        TfBrowse* window = program.Open(QStringLiteral("EUR/USD"), {Record("EUR/USD", {2024, 3, 5}, "1000", 1.2),
                                                                    Record("EUR/USD", {2024, 3, 3}, "1000", 1.1),
                                                                    Record("EUR/USD", {2024, 3, 4}, "1000", 1.3)});
        ShowChart(window, 900);
        TPairChart* chart = ChartOf(window);
        const QStringList oldestFirst{ShortDate({2024, 3, 3}), ShortDate({2024, 3, 4}), ShortDate({2024, 3, 5})};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(Xs(chart->Series(i)), (QList<qreal>{0, 1, 2}));
        }
        QCOMPARE(Ys(chart->Series(0)), (QList<qreal>{1.1, 1.3, 1.2}));
        QCOMPARE(chart->PointLabels(), oldestFirst);
        QCOMPARE(VisibleAxisLabels(chart), oldestFirst);

        window->WriteHtmlReport();
        TReport report;
        ReadReport(program.Html(), report);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(report.Blocks.size(), 3);
        for (int block = 0; block < 3; ++block) {
            QCOMPARE(report.Heading(block), oldestFirst[2 - block] + QStringLiteral(" - 10:00"));
        }
    }

    void rowsOfOneDayShareTheirLabel() {
        TProgram program;
        TfBrowse* window = program.Open(QStringLiteral("EUR/USD"), {Record("EUR/USD", {2024, 3, 4}, "1400", 1.2),
                                                                    Record("EUR/USD", {2024, 3, 4}, "0930", 1.1)});
        ShowChart(window, 900);
        TPairChart* chart = ChartOf(window);
        const QString day = ShortDate({2024, 3, 4});
        QCOMPARE(chart->PointLabels(), (QStringList{day, day}));
        QCOMPARE(Ys(chart->Series(0)), (QList<qreal>{1.1, 1.2})); // 09:30 before 14:00
        QCOMPARE(VisibleAxisLabels(chart), (QStringList{day, day}));
    }

    void reportWidthFollowsTheShownChart_data() {
        QTest::addColumn<int>("windowWidth");
        QTest::newRow("narrow window: the least width") << 500;
        QTest::newRow("wide window: the chart's width") << 1000;
    }

    void reportWidthFollowsTheShownChart() {
        QFETCH(int, windowWidth);
        TProgram program;
        TfBrowse* window = program.Open(QStringLiteral("EUR/USD"), {Record("EUR/USD", {2024, 3, 4}, "0930", 1.1),
                                                                    Record("EUR/USD", {2024, 3, 5}, "0930", 1.2)});
        ShowChart(window, windowWidth);
        const int chartWidth = window->Chart()->width();
        QVERIFY(chartWidth > windowWidth - 20 && chartWidth <= windowWidth);
        window->WriteHtmlReport();
        TReport report;
        ReadReport(program.Html(), report);
        if (QTest::currentTestFailed()) {
            return;
        }
        const int expected = windowWidth == 500 ? 680 : chartWidth;
        QCOMPARE(report.Blocks.size(), 2);
        QCOMPARE(report.Width(0), expected);
        QCOMPARE(report.Width(1), expected);
        QCOMPARE(QImage(program.Picture()).size(), window->Chart()->size());
    }

    void hiddenChartKeepsItsWidthAndIsStillRefreshed() {
        TProgram program;
        TfBrowse* window = program.Open(QStringLiteral("EUR/USD"), {Record("EUR/USD", {2024, 3, 4}, "0930", 1.1),
                                                                    Record("EUR/USD", {2024, 3, 5}, "0930", 1.2)});
        window->resize(1000, 600);
        QCoreApplication::processEvents();
        TPairChart* chart = ChartOf(window);

        // Never shown: the first width, and series filled by the report itself.
        QVERIFY(chart->isHidden());
        QCOMPARE(chart->width(), 466);
        QCOMPARE(chart->Series(0)->count(), 0);
        window->WriteHtmlReport();
        QCOMPARE(Ys(chart->Series(0)), (QList<qreal>{1.1, 1.2}));
        TReport report;
        ReadReport(program.Html(), report);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(report.Width(0), 680);
        const QImage firstPicture(program.Picture());
        QCOMPARE(firstPicture.size(), QSize(466, 200));
        QCOMPARE(firstPicture, chart->Picture().convertToFormat(QImage::Format_RGB32));
        QVERIFY(chart->isHidden());
        QCOMPARE(chart->width(), 466);
        // Drawn, not an empty panel: the lines and the legend are in it.
        bool yellow = false;
        bool cyan = false;
        for (int y = 0; y < firstPicture.height(); ++y) {
            for (int x = 0; x < firstPicture.width(); ++x) {
                yellow = yellow || firstPicture.pixelColor(x, y) == QColor(255, 255, 0);
                cyan = cyan || firstPicture.pixelColor(x, y) == QColor(128, 255, 255);
            }
        }
        QVERIFY(yellow && cyan);

        // Shown wide, hidden, then the window narrowed: the chart keeps the width it was shown with.
        ShowChart(window, 1000);
        const int shownWidth = chart->width();
        window->ToolChartClick();
        QVERIFY(chart->isHidden());
        window->resize(500, 600);
        QCoreApplication::processEvents();
        QCOMPARE(chart->width(), shownWidth);
        program.Dm.StoreRecord(*window->Table(), Record("EUR/USD", {2024, 3, 6}, "0930", 1.3));
        window->WriteHtmlReport();
        QCOMPARE(Ys(chart->Series(0)), (QList<qreal>{1.1, 1.2, 1.3}));
        TReport second;
        ReadReport(program.Html(), second);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(second.Width(0), shownWidth);
        QCOMPARE(QImage(program.Picture()).size(), QSize(shownWidth, 200));
    }

    void currentRowStays_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("report");
        for (const int row : {1, 2, 3}) {
            QTest::addRow("chart refresh, row %d", row) << row << false;
            QTest::addRow("report, row %d", row) << row << true;
        }
    }

    void currentRowStays() {
        QFETCH(int, row);
        QFETCH(bool, report);
        TProgram program;
        TfBrowse* window = program.Open(QStringLiteral("EUR/USD"), {Record("EUR/USD", {2024, 3, 4}, "0930", 1.1),
                                                                    Record("EUR/USD", {2024, 3, 5}, "0930", 1.2),
                                                                    Record("EUR/USD", {2024, 3, 6}, "0930", 1.3)});
        ShowChart(window, 900);
        QTableView* grid = window->Grid();
        grid->setCurrentIndex(grid->model()->index(row - 1, 2)); // as a click on the row
        QCOMPARE(window->Table()->RecNo(), row);
        QSignalSpy gridMoves(grid->selectionModel(), &QItemSelectionModel::currentRowChanged);

        if (report) {
            window->WriteHtmlReport();
        } else {
            window->RefreshChart();
        }
        QCoreApplication::processEvents();
        QCOMPARE(gridMoves.count(), 0); // the grid never followed the walk
        QCOMPARE(grid->currentIndex().row(), row - 1);
        QCOMPARE(window->Table()->RecNo(), row);
        QVERIFY(!window->Table()->ControlsDisabled());
        QCOMPARE(window->Sbar()->PanelText(1), QStringLiteral("%1 of 3").arg(row));
        QCOMPARE(ChartOf(window)->Series(0)->count(), 3);
    }

    void secondReportOverwritesBothFiles() {
        TProgram program;
        TfBrowse* window = program.Open(QStringLiteral("EUR/USD"), {Record("EUR/USD", {2024, 3, 4}, "0930", 1.1),
                                                                    Record("EUR/USD", {2024, 3, 5}, "0930", 1.2)});
        ShowChart(window, 900);
        window->WriteHtmlReport();
        const QByteArray firstPicture = ReadBytes(program.Picture());
        program.Dm.StoreRecord(*window->Table(), Record("EUR/USD", {2024, 3, 6}, "0930", 1.4));
        window->RefreshChart();
        window->WriteHtmlReport();

        TReport report;
        ReadReport(program.Html(), report);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(report.Blocks.size(), 3);
        QCOMPARE(report.Heading(0), ShortDate({2024, 3, 6}) + QStringLiteral(" - 09:30"));
        const QByteArray secondPicture = ReadBytes(program.Picture());
        QCOMPARE(secondPicture.size(), firstPicture.size());
        QVERIFY(secondPicture != firstPicture);
        QCOMPARE(QImage(program.Picture()), ChartOf(window)->Picture().convertToFormat(QImage::Format_RGB32));
        // Both files were replaced whole: no temporary files stay behind.
        QCOMPARE(QDir(program.Folder.Path()).entryList(QDir::Files, QDir::Name),
                 (QStringList{"EURUSD.kvt", "talvero.bmp", "talvero.htm"}));
        QCOMPARE(program.Folder.ShellOpened, (QStringList{program.Html(), program.Html()}));
    }

    void pricesHaveThePairsDecimals_data() {
        QTest::addColumn<QString>("pair");
        QTest::addColumn<double>("current");
        QTest::addColumn<int>("decimals");
        QTest::newRow("USD/JPY") << QStringLiteral("USD/JPY") << 149.8 << 2;
        QTest::newRow("GBP/CHF") << QStringLiteral("GBP/CHF") << 1.131 << 4;
    }

    void pricesHaveThePairsDecimals() {
        QFETCH(QString, pair);
        QFETCH(double, current);
        QFETCH(int, decimals);
        TProgram program;
        const QByteArray name = pair.toLatin1();
        TfBrowse* window = program.Open(pair, {Record(name.constData(), {2024, 3, 4}, "0930", current),
                                               Record(name.constData(), {2024, 3, 5}, "0930", current * 1.01)});
        window->WriteHtmlReport();
        TReport report;
        ReadReport(program.Html(), report);
        if (QTest::currentTestFailed()) {
            return;
        }
        static const QRegularExpression price(QStringLiteral("\\d[\\d,]*\\.(\\d+)"));
        for (const QStringList& block : report.Blocks) {
            int prices = 0;
            for (const QString& line : block.mid(3)) {
                for (const QRegularExpressionMatch& match : price.globalMatch(line)) {
                    QCOMPARE(match.captured(1).size(), decimals);
                    ++prices;
                }
            }
            QCOMPARE(prices, 12);
        }
        QCOMPARE(report.Blocks[1][6], QStringLiteral("Current price ...................... <B>%1</B><BR>")
                                          .arg(QLocale::c().toString(current, 'f', decimals)));
    }

    void pictureIsAWindowsBitmapOfTheChart() {
        TProgram program;
        TfBrowse* window = program.Open(QStringLiteral("EUR/USD"), {Record("EUR/USD", {2024, 3, 4}, "0930", 1.1),
                                                                    Record("EUR/USD", {2024, 3, 5}, "0930", 1.2)});
        ShowChart(window, 777);
        window->WriteHtmlReport();
        const QByteArray bmp = ReadBytes(program.Picture());
        const QSize size = window->Chart()->size();
        QVERIFY(bmp.size() > 54);
        QCOMPARE(bmp.left(2), QByteArray("BM"));
        QCOMPARE(U32(bmp, 2), quint32(bmp.size()));
        const quint32 offset = U32(bmp, 10);
        QVERIFY(U32(bmp, 14) >= 40); // the information header
        QCOMPARE(qint32(U32(bmp, 18)), size.width());
        QCOMPARE(std::abs(qint32(U32(bmp, 22))), size.height());
        QCOMPARE(U16(bmp, 26), quint16(1));  // planes
        QCOMPARE(U16(bmp, 28), quint16(24)); // bits per pixel
        QCOMPARE(U32(bmp, 30), quint32(0));  // uncompressed
        QCOMPARE(quint32(bmp.size()), offset + quint32((size.width() * 3 + 3) / 4 * 4 * size.height()));
        // What the picture shows is what the chart shows.
        QTest::qWait(20);
        QCOMPARE(QImage(program.Picture()), window->Chart()->grab().toImage().convertToFormat(QImage::Format_RGB32));
    }

    void textsFromTheDataFileAreEscaped() {
        TProgram program;
        // A data file with a TIME column wide enough for markup; the time mask shows its first four characters.
        TMemTable crafted;
        for (const QString& name : SignalColumnNames()) {
            if (name == QLatin1String("DATE")) {
                crafted.AddField({.Name = name, .TypeName = QStringLiteral("Date"), .Required = true});
            } else if (name == QLatin1String("TIME")) {
                crafted.AddField({.Name = name, .TypeName = QStringLiteral("String"), .Size = 40, .Required = true});
            } else {
                crafted.AddField({.Name = name, .TypeName = QStringLiteral("Float"), .Required = true});
            }
        }
        crafted.Open();
        const struct {
            int Day;
            const char* Time;
        } rows[] = {{4, "<script>&\"x\""}, {3, "\"&<>"}};
        for (const auto& row : rows) {
            crafted.Append();
            crafted.SetValue(QStringLiteral("DATE"), static_cast<double>(DayZero.daysTo(QDate(2024, 3, row.Day))));
            crafted.SetValue(QStringLiteral("TIME"), QString::fromLatin1(row.Time));
            for (int field = 2; field < crafted.FieldCount(); ++field) {
                crafted.SetValue(field, 1.1);
            }
            crafted.Post();
        }
        crafted.DefaultFormat().WriteTableFile(crafted, CurrencyFilePath(QStringLiteral("EUR/USD")));

        TfBrowse* window = program.Open(QStringLiteral("EUR/USD"));
        QCOMPARE(window->Table()->RecordCount(), 2);
        window->WriteHtmlReport();
        TReport report;
        ReadReport(program.Html(), report);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(report.Blocks.size(), 2);
        QCOMPARE(report.Heading(0), ShortDate({2024, 3, 4}) + QStringLiteral(" - &lt;s:cr"));
        QCOMPARE(report.Heading(1), ShortDate({2024, 3, 3}) + QStringLiteral(" - &quot;&amp;:&lt;&gt;"));
        QVERIFY(!report.Bytes.contains("<s:"));
        QVERIFY(!report.Bytes.contains("\"&:"));
    }

    void failedWriteStopsTheReport_data() {
        QTest::addColumn<QString>("blocked");
        QTest::newRow("picture") << QStringLiteral("talvero.bmp");
        QTest::newRow("report") << QStringLiteral("talvero.htm");
    }

    void failedWriteStopsTheReport() {
        QFETCH(QString, blocked);
        TProgram program;
        TfBrowse* window = program.Open(QStringLiteral("EUR/USD"), {Record("EUR/USD", {2024, 3, 4}, "0930", 1.1),
                                                                    Record("EUR/USD", {2024, 3, 5}, "0930", 1.2),
                                                                    Record("EUR/USD", {2024, 3, 6}, "0930", 1.3)});
        // Another program's folder of the same name stands where the file goes.
        QVERIFY(QDir(program.Folder.Path()).mkdir(blocked));
        QTableView* grid = window->Grid();
        grid->setCurrentIndex(grid->model()->index(1, 2));

        QString message;
        try {
            window->WriteHtmlReport();
        } catch (const TFailure& failure) {
            message = failure.Message();
        }
        QVERIFY2(message.startsWith(QStringLiteral("Cannot create file \"%1\"").arg(program.Folder.FilePath(blocked))),
                 qPrintable(message));
        QCOMPARE(window->Table()->RecNo(), 2);
        QVERIFY(!window->Table()->ControlsDisabled());
        QCOMPARE(grid->currentIndex().row(), 1);
        QVERIFY(program.Folder.ShellOpened.isEmpty());
        // The picture comes first: a failed picture leaves no report behind.
        QVERIFY(!QFileInfo(program.Html()).isFile());
        QCOMPARE(QFileInfo(program.Picture()).isFile(), blocked == QLatin1String("talvero.htm"));
    }

    void chartLooksAsTheTraderKnowsIt() {
        TProgram program;
        TfBrowse* window = program.Open(QStringLiteral("EUR/USD"), {Record("EUR/USD", {2024, 3, 4}, "0930", 1.1)});
        TPairChart* chart = ChartOf(window);
        chart->chart()->setTitle(QStringLiteral("left over"));
        ShowChart(window, 900);
        QVERIFY(chart->chart()->title().isEmpty());
        const struct {
            const char* Name;
            QColor Color;
        } series[] = {{"Current", QColor(255, 255, 0)},
                      {"Highest (24hrs)", QColor(255, 0, 0)},
                      {"Lowest (24hrs)", QColor(0, 128, 0)}};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(chart->Series(i)->name(), QString::fromLatin1(series[i].Name));
            QCOMPARE(chart->Series(i)->pen().color(), series[i].Color);
            QCOMPARE(chart->Series(i)->pen().width(), 3);
            QVERIFY(!chart->Series(i)->pointsVisible());
        }
        QCOMPARE(chart->chart()->backgroundBrush().color(), QColor(192, 192, 192));
        QCOMPARE(chart->DateAxis()->gridLinePen().color(), QColor(64, 0, 64));
        QCOMPARE(chart->PriceAxis()->gridLinePen().color(), QColor(64, 0, 64));
        QCOMPARE(chart->DateAxis()->linePen().width(), 1);
        // The legend box is cyan, lies within the chart at the right and keeps clear of the plot.
        QGraphicsRectItem* legendBox = nullptr;
        for (QGraphicsItem* item : chart->chart()->childItems()) {
            if (auto* box = qgraphicsitem_cast<QGraphicsRectItem*>(item)) {
                legendBox = box;
            }
        }
        QVERIFY(legendBox != nullptr);
        QCOMPARE(legendBox->brush().color(), QColor(128, 255, 255));
        const QRectF legend = chart->chart()->legend()->geometry();
        QVERIFY(legend.left() > chart->chart()->plotArea().right());
        QVERIFY(legend.right() <= chart->width());
        QCOMPARE(legend.top(), std::floor(chart->chart()->size().height() * 0.13));
    }

    void manyDatesAreThinnedUntilZoomedIn() {
        TProgram program;
        QList<TSignalRec> records;
        for (int i = 0; i < 128; ++i) {
            records << Record("EUR/USD", QDate(2024, 1, 1).addDays(i / 2), i % 2 == 0 ? "0930" : "1500",
                              1.1 + i * 0.001);
        }
        TfBrowse* window = program.Open(QStringLiteral("EUR/USD"), records);
        ShowChart(window, 1000);
        TPairChart* chart = ChartOf(window);
        QCOMPARE(chart->PointLabels().size(), 128);

        const qreal pointWidth = chart->chart()->plotArea().width() / (chart->LastShown() - chart->FirstShown());
        const QFontMetricsF metrics(chart->DateAxis()->labelsFont());
        const QList<int> labelled = chart->LabelledPoints();
        QVERIFY(labelled.size() > 3 && labelled.size() < 32);
        QCOMPARE(labelled.last(), 127);
        for (qsizetype i = 1; i < labelled.size(); ++i) {
            const qreal room = (labelled[i] - labelled[i - 1]) * pointWidth;
            QVERIFY2(room >= metrics.horizontalAdvance(chart->PointLabels()[labelled[i]]),
                     qPrintable(QStringLiteral("%1 px between two dates").arg(room)));
        }
        QStringList expected;
        for (int i : labelled) {
            expected << chart->PointLabels()[i];
        }
        QCOMPARE(VisibleAxisLabels(chart), expected);

        // Six points in view have room for every date; the repeated days keep apart on the axis.
        chart->ShowPoints(99.5, 105.5);
        QTest::qWait(20);
        QCOMPARE(chart->LabelledPoints(), (QList<int>{100, 101, 102, 103, 104, 105}));
        QCOMPARE(VisibleAxisLabels(chart), chart->PointLabels().mid(100, 6));
    }

    void mouseZoomsAndScrollsSideways() {
        TProgram program;
        QList<TSignalRec> records;
        for (int i = 0; i < 20; ++i) {
            records << Record("EUR/USD", QDate(2024, 1, 1).addDays(i), "0930", 1.1 + (i % 5) * 0.01);
        }
        TfBrowse* window = program.Open(QStringLiteral("EUR/USD"), records);
        ShowChart(window, 1000);
        TPairChart* chart = ChartOf(window);
        QWidget* viewport = chart->viewport();
        const QRect plot = PlotInViewport(chart);
        const qreal priceLow = chart->PriceAxis()->min();
        const qreal priceHigh = chart->PriceAxis()->max();
        auto at = [&](qreal share) {
            return QPoint(plot.left() + qRound(plot.width() * share), plot.center().y());
        };
        auto drag = [&](Qt::MouseButton button, QPoint from, QPoint to) {
            QTest::mousePress(viewport, button, {}, from);
            QTest::mouseMove(viewport, (from + to) / 2);
            QTest::mouseMove(viewport, to);
            QTest::mouseRelease(viewport, button, {}, to);
        };

        // Dragging over a quarter of the dates zooms in on them.
        QVERIFY(!chart->IsZoomed());
        drag(Qt::LeftButton, at(0.25), at(0.5));
        QVERIFY(chart->IsZoomed());
        QVERIFY(qAbs(chart->FirstShown() - (-0.5 + 20 * 0.25)) < 0.2);
        QVERIFY(qAbs(chart->LastShown() - (-0.5 + 20 * 0.5)) < 0.2);

        // The wheel and a drag with the right button move the dates sideways, by the same width.
        const qreal shown = chart->LastShown() - chart->FirstShown();
        qreal first = chart->FirstShown();
        QWheelEvent wheel(at(0.5), viewport->mapToGlobal(at(0.5)), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
        QVERIFY(chart->FirstShown() > first);
        first = chart->FirstShown();
        drag(Qt::RightButton, at(0.6), at(0.4));
        QVERIFY(qAbs(chart->FirstShown() - (first + shown * 0.2)) < 0.2);
        QVERIFY(qAbs(chart->LastShown() - chart->FirstShown() - shown) < 1e-9);
        // ... up to the newest point and no further.
        for (int i = 0; i < 20; ++i) {
            QApplication::sendEvent(viewport, &wheel);
        }
        QCOMPARE(chart->LastShown(), 19.5);
        QCOMPARE(chart->PriceAxis()->min(), priceLow); // no vertical scrolling or zoom
        QCOMPARE(chart->PriceAxis()->max(), priceHigh);

        // Dragging backwards shows every point again; a refresh does so too.
        drag(Qt::LeftButton, at(0.5), at(0.3));
        QVERIFY(!chart->IsZoomed());
        drag(Qt::LeftButton, at(0.1), at(0.2));
        QVERIFY(chart->IsZoomed());
        window->RefreshChart();
        QVERIFY(!chart->IsZoomed());
        // The right button belongs to the chart: the frame's currency popup does not come up over it.
        QContextMenuEvent menuRequest(QContextMenuEvent::Mouse, at(0.5), viewport->mapToGlobal(at(0.5)));
        QApplication::sendEvent(viewport, &menuRequest);
        QVERIFY(QApplication::activePopupWidget() == nullptr);
    }
};

// The written report opened in headless Chromium: it must show one table per record at the report width,
// and the chart picture loaded whole at its own size, pixel for pixel.
class TestReportInBrowser : public QObject {
    Q_OBJECT

    // Runs Chromium on url with a profile of its own; the standard output.
    static QByteArray RunChromium(const QStringList& arguments) {
        QTemporaryDir profile;
        QProcess chromium;
        chromium.setProcessChannelMode(QProcess::SeparateChannels);
        chromium.start(
            QStandardPaths::findExecutable(QStringLiteral("chromium")),
            QStringList{QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                        QStringLiteral("--disable-quic"), QStringLiteral("--no-first-run"),
                        QStringLiteral("--disable-background-networking"), QStringLiteral("--disable-component-update"),
                        QStringLiteral("--disable-sync"), QStringLiteral("--user-data-dir=") + profile.path(),
                        QStringLiteral("--force-device-scale-factor=1"), QStringLiteral("--force-color-profile=srgb")} +
                arguments);
        if (!chromium.waitForFinished(90000)) {
            chromium.kill();
            chromium.waitForFinished();
            qWarning("chromium did not finish");
            return {};
        }
        return chromium.readAllStandardOutput();
    }

private slots:
    void cleanup() { DeleteClosedWindows(); }

    void reportRendersInChromium() {
        TProgram program;
        TfBrowse* window = program.Open(QStringLiteral("EUR/USD"), {Record("EUR/USD", {2024, 3, 4}, "0930", 1.1),
                                                                    Record("EUR/USD", {2024, 3, 4}, "1500", 1.15),
                                                                    Record("EUR/USD", {2024, 3, 5}, "0930", 1.2)});
        ShowChart(window, 900);
        window->WriteHtmlReport();
        const QSize picture = window->Chart()->size();
        const int reportWidth = std::max(picture.width(), 680);

        // The report in a frame of a page that measures it once everything has loaded.
        QTemporaryDir work;
        const QString page = work.filePath(QStringLiteral("measure.html"));
        QFile file(page);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral(R"(<!DOCTYPE html><html><body style="margin:0">
<iframe id="report" src="%1" style="border:0;width:1200px;height:20000px"></iframe>
<pre id="result">not loaded</pre>
<script>
const frame = document.getElementById('report');
frame.addEventListener('load', () => {
  const doc = frame.contentDocument;
  const img = doc.images[0];
  const box = img.getBoundingClientRect();
  const tables = Array.from(doc.querySelectorAll('table'));
  document.getElementById('result').textContent = 'tables=' + tables.length +
    ' loaded=' + (img.complete && img.naturalWidth > 0) + ' natural=' + img.naturalWidth + 'x' + img.naturalHeight +
    ' shown=' + Math.round(box.width) + 'x' + Math.round(box.height) +
    ' widths=' + tables.map(t => Math.round(t.getBoundingClientRect().width)).join(',');
});
</script></body></html>)")
                       .arg(QUrl::fromLocalFile(program.Html()).toString())
                       .toUtf8());
        file.close();
        const QByteArray dom = RunChromium({QStringLiteral("--allow-file-access-from-files"),
                                            QStringLiteral("--dump-dom"), QUrl::fromLocalFile(page).toString()});
        static const QRegularExpression result(QStringLiteral("<pre id=\"result\">([^<]*)</pre>"));
        const QString measured = result.match(QString::fromUtf8(dom)).captured(1);
        const QString width = QString::number(reportWidth);
        QCOMPARE(measured, QStringLiteral("tables=3 loaded=true natural=%1x%2 shown=%1x%2 widths=%3,%3,%3")
                               .arg(picture.width())
                               .arg(picture.height())
                               .arg(width));

        // On screen, the picture is there pixel for pixel.
        const QString shot = work.filePath(QStringLiteral("report.png"));
        RunChromium({QStringLiteral("--window-size=1200,900"), QStringLiteral("--screenshot=") + shot,
                     QUrl::fromLocalFile(program.Html()).toString()});
        const QImage screen = QImage(shot).convertToFormat(QImage::Format_RGB32);
        const QImage chart = QImage(program.Picture()).convertToFormat(QImage::Format_RGB32);
        QVERIFY2(!screen.isNull(), "chromium wrote no screenshot");
        // Found by its middle row, which crosses the axis, the lines and the legend.
        const int middle = chart.height() / 2;
        const QImage key = chart.copy(0, middle, chart.width(), 1);
        QPoint found(-1, -1);
        for (int y = middle; y + chart.height() - middle <= screen.height() && found.x() < 0; ++y) {
            for (int x = 0; x + chart.width() <= screen.width(); ++x) {
                if (screen.pixel(x, y) == key.pixel(0, 0) && screen.copy(x, y, chart.width(), 1) == key) {
                    found = QPoint(x, y - middle);
                    break;
                }
            }
        }
        QVERIFY2(found.x() >= 0, "the chart picture is not on the rendered page");
        QCOMPARE(screen.copy(QRect(found, chart.size())), chart);
    }
};

int main(int argc, char** argv) {
    UseTestLocale();
    QApplication app(argc, argv);
    QStringList arguments = app.arguments();
    if (arguments.removeAll(QStringLiteral("--browser")) > 0) {
        if (QStandardPaths::findExecutable(QStringLiteral("chromium")).isEmpty()) {
            std::puts("SKIP: chromium is not installed");
            return 77;
        }
        TestReportInBrowser test;
        return QTest::qExec(&test, arguments);
    }
    TestChartReport test;
    return QTest::qExec(&test, arguments);
}

#include "tst_ChartReport.moc"
