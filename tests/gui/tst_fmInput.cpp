// The generator dialog driven as a user drives it: ShowGenerator runs modally while each test works the
// dialog from inside its loop (RunGenerator), with the engine library copied into a program folder of the
// test's own or left out.

#include "CoreTestSupport.h"
#include "GuiTestSupport.h"
#include "TFindAnimation.h"
#include "TNumEdit.h"
#include "TSignalRec.h"
#include "TTimeEdit.h"
#include "TestFiles.h"
#include "WorkedExample.h"
#include "fmInput.h"
#include "uDisplayFormat.h"
#include "uForexAPI.h"
#include "uPlatform.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <cstring>

namespace {

using TEngine = TProgramFolder::TEngine;

const char* const PriceEditNames[] = {"eLimitBuy", "eSignalBuy", "eStopBuy", "eLimitSell", "eSignalSell", "eStopSell",
                                      "eHigh",     "eCurrent",   "eLow",     "ePrice24",   "ePrice48",    "ePrice64"};
const char* const InputEditNames[] = {"eHigh", "eCurrent", "eLow", "ePrice24", "ePrice48", "ePrice64"};

// The worked example of GBP/CHF: current, highest, lowest, 24, 48 and 72 hours ago.
TSignalRec ExampleRecord(const char* pair = "GBP/CHF") {
    return WorkedExampleRecord(pair);
}

QString TimeOf(const TSignalRec& rec) {
    const auto text = ReadShortText(rec.Time);
    return text ? QString::fromLatin1(text->data(), static_cast<qsizetype>(text->size())) : QStringLiteral("<bad>");
}

bool IsShown(const QWidget* widget, const QWidget& dialog) {
    return widget->isVisibleTo(&dialog);
}

void Activate(QWidget& dialog) {
    dialog.activateWindow();
    if (!QTest::qWaitForWindowActive(&dialog)) {
        qFatal("the generator dialog did not become active");
    }
}

} // namespace

class TestGenerator : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { DeleteClosedWindows(); }
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        TfInput::SetTickInterval(5);
    }

    void init() { QFile::remove(LastInputFilePath()); }

    void newRecordShowsTodayNowAndZeros() {
        TProgramFolder folder(TEngine::Present);
        TSignalRec rec = MakeEmptySignalRec("GBP/CHF");
        const QDateTime before = platform::LocalNow();
        const bool saved = RunGenerator(rec, [&](TfInput& dialog) {
            const QDateTime after = platform::LocalNow();
            QCOMPARE(dialog.windowTitle(), QStringLiteral("TALVERO - Forex Automatic Day Trading System - Generator"));
            QCOMPARE(Child<QLineEdit>(dialog, "eCurr")->text(), QStringLiteral("GBP/CHF"));
            const QDate shownDate = Child<QDateEdit>(dialog, "eDate")->date();
            QVERIFY(shownDate == before.date() || shownDate == after.date());
            const QString shownTime = Child<TTimeEdit>(dialog, "eTime")->TimeText();
            QVERIFY2(shownTime == before.toString(QStringLiteral("HHmm")) ||
                         shownTime == after.toString(QStringLiteral("HHmm")),
                     qPrintable(shownTime));
            for (const char* name : PriceEditNames) {
                auto* edit = Child<TNumEdit>(dialog, name);
                QCOMPARE(edit->Value(), 0.0);
                QCOMPARE(edit->text(), QStringLiteral("0.0000"));
            }
            QVERIFY(!Child<QPushButton>(dialog, "bStart")->isEnabled());
            QVERIFY(!Child<QPushButton>(dialog, "bSave")->isEnabled());
            QVERIFY(Child<QPushButton>(dialog, "bReset")->isEnabled());
            QVERIFY(Child<QPushButton>(dialog, "bHelp")->isEnabled());
            QVERIFY(!IsShown(Child<QWidget>(dialog, "Computing"), dialog));
            QTRY_VERIFY(Child<QDateEdit>(dialog, "eDate")->hasFocus()); // the first tab stop

            // Four points at 0, which the logarithmic axis has no place for: none drawn, the axes stay valid.
            QChart* chart = Child<QChartView>(dialog, "MiniChart")->chart();
            auto* series = Child<QLineSeries>(*chart, "Series1");
            QCOMPARE(series->count(), 0);
            QCOMPARE(Child<QCategoryAxis>(*chart, "MiniChartAges")->categoriesLabels(),
                     (QStringList{"Curr.", "24 h.", "48 h.", "64 h."}));
            QVERIFY(Child<QLogValueAxis>(*chart, "MiniChartScale")->min() > 0);
            QVERIFY(Child<QCategoryAxis>(*chart, "MiniChartPrices")->categoriesLabels().isEmpty());

            // The chart follows the current price and the three older ones, each at its place.
            TypePrice(dialog, "eCurrent", QStringLiteral("2.3"));
            TypePrice(dialog, "ePrice48", QStringLiteral("2.305"));
            QCOMPARE(series->points(), (QList<QPointF>{{0, 2.3}, {2, 2.305}}));
            TypePrice(dialog, "ePrice24", QStringLiteral("2.295"));
            TypePrice(dialog, "ePrice64", QStringLiteral("2.29"));
            QCOMPARE(series->points(), (QList<QPointF>{{0, 2.3}, {1, 2.295}, {2, 2.305}, {3, 2.29}}));
            auto* scale = Child<QLogValueAxis>(*chart, "MiniChartScale");
            QVERIFY(scale->min() <= 2.29 && scale->max() >= 2.305);
            QCOMPARE(Child<QCategoryAxis>(*chart, "MiniChartPrices")->categoriesLabels(),
                     (QStringList{"2.29", "2.30", "2.31"}));
            Child<QPushButton>(dialog, "bClose")->click();
        });
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(!saved);
    }

    void readOnlyViewOnlyWhenBothSignalsAreSet_data() {
        QTest::addColumn<double>("buySig");
        QTest::addColumn<double>("sellSig");
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("both signals") << 2.2928 << 2.3067 << true;
        QTest::newRow("buy signal only") << 2.2928 << 0.0 << false;
        QTest::newRow("sell signal only") << 0.0 << 2.3067 << false;
    }

    void readOnlyViewOnlyWhenBothSignalsAreSet() {
        QFETCH(double, buySig);
        QFETCH(double, sellSig);
        QFETCH(bool, readOnly);
        TProgramFolder folder(TEngine::Present);
        QFile guide(folder.FilePath(QStringLiteral("fxguide.hlp")));
        QVERIFY(guide.open(QIODevice::WriteOnly));
        guide.close();
        TSignalRec rec = ExampleRecord();
        rec.BuySig = buySig;
        rec.SellSig = sellSig;
        const bool saved = RunGenerator(rec, [&](TfInput& dialog) {
            QCOMPARE(Child<QGroupBox>(dialog, "GroupBox1")->isEnabled(), !readOnly);
            QCOMPARE(Child<QGroupBox>(dialog, "GroupBox3")->isEnabled(), !readOnly);
            QVERIFY(Child<QGroupBox>(dialog, "GroupSig")->isEnabled());
            for (const char* name : {"bStart", "bReset", "bHelp", "bSave"}) {
                QCOMPARE(IsShown(Child<QPushButton>(dialog, name), dialog), !readOnly);
            }
            auto* close = Child<QPushButton>(dialog, "bClose");
            QVERIFY(IsShown(close, dialog));
            if (!readOnly) {
                QVERIFY(Child<QPushButton>(dialog, "bStart")->isEnabled());
                close->click();
                return;
            }
            QTRY_VERIFY(close->hasFocus()); // the only tab stop left
            QTest::keyClick(close, Qt::Key_F1);
            QCOMPARE(folder.ShellOpened, QStringList{folder.FilePath(QStringLiteral("fxguide.hlp"))});
            QVERIFY(dialog.isVisible());
            QTest::keyClick(close, Qt::Key_Escape);
        });
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(!saved);
        // The prices are written at every close, the view's too.
        QVERIFY(ReadBytes(LastInputFilePath()).contains("[GBP/CHF]\nHIGH24=2.312\nCURRENT=2.3\n"));
    }

    void startNeedsSixPositivePricesAndSaveTheCurrentOne() {
        TProgramFolder folder(TEngine::Missing);
        TSignalRec rec = MakeEmptySignalRec("EUR/USD");
        const bool saved = RunGenerator(rec, [&](TfInput& dialog) {
            Activate(dialog);
            auto* start = Child<QPushButton>(dialog, "bStart");
            auto* save = Child<QPushButton>(dialog, "bSave");
            const QStringList prices = {"1.02", "1.01", "1", "1.005", "0.998", "0.99"};
            for (int i = 0; i < 6; ++i) {
                QVERIFY2(!start->isEnabled(), InputEditNames[i]);
                TypePrice(dialog, InputEditNames[i], prices[i]);
                QCOMPARE(save->isEnabled(), i >= 1); // eCurrent is the second
            }
            QVERIFY(start->isEnabled());
            // Any of them at 0, negative or no number turns Start off again; Save follows eCurrent alone.
            for (const char* name : InputEditNames) {
                for (const QString& bad : {QStringLiteral("0"), QStringLiteral("-1"), QStringLiteral("-")}) {
                    TypePrice(dialog, name, bad);
                    QVERIFY2(!start->isEnabled(), name);
                    QCOMPARE(save->isEnabled(), std::strcmp(name, "eCurrent") != 0);
                }
                TypePrice(dialog, name, QStringLiteral("1"));
                QVERIFY(start->isEnabled());
            }
            // No other relation between the prices is tested: a highest price below the lowest passes.
            TypePrice(dialog, "eHigh", QStringLiteral("0.5"));
            QVERIFY(start->isEnabled());
            save->click();
        });
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(saved);
        QCOMPARE(rec.Highest, 0.5);
        QCOMPARE(rec.Price64, 1.0);
    }

    void resetClearsThePricesOnly() {
        TProgramFolder folder(TEngine::Missing);
        TSignalRec rec = ExampleRecord();
        rec.BuySig = 2.2928; // one signal only: editable
        rec.Date = 37472;    // 4 August 2002
        WriteShortText(rec.Time, "0930");
        RunGenerator(rec, [&](TfInput& dialog) {
            Activate(dialog);
            QVERIFY(Child<QPushButton>(dialog, "bSave")->isEnabled());
            Child<QPushButton>(dialog, "bReset")->click();
            for (const char* name : PriceEditNames) {
                QCOMPARE(Child<TNumEdit>(dialog, name)->Value(), 0.0);
            }
            QCOMPARE(Child<QDateEdit>(dialog, "eDate")->date(), QDate(2002, 8, 4));
            QCOMPARE(Child<TTimeEdit>(dialog, "eTime")->text(), QStringLiteral("09:30"));
            QVERIFY(!Child<QPushButton>(dialog, "bStart")->isEnabled());
            QVERIFY(!Child<QPushButton>(dialog, "bSave")->isEnabled());
            QTRY_VERIFY(Child<TNumEdit>(dialog, "eHigh")->hasFocus());
        });
        QVERIFY(!QTest::currentTestFailed());
    }

    void uncancelledWaitShowsTheComputedSignals() {
        TProgramFolder folder(TEngine::Present);
        TBoxRecorder boxes;
        TSignalRec rec = ExampleRecord();
        TSignalRec expected = rec;
        const bool saved = RunGenerator(rec, [&](TfInput& dialog) {
            auto* progress = Child<QProgressBar>(dialog, "Progress");
            auto* close = Child<QPushButton>(dialog, "bClose");
            int ticks = 0;
            bool checkedDuringWait = false;
            connect(Child<QTimer>(dialog, "Timer"), &QTimer::timeout, &dialog, [&] { ++ticks; });
            connect(progress, &QProgressBar::valueChanged, &dialog, [&](int value) {
                if (value != 3) {
                    return;
                }
                checkedDuringWait = true;
                QCOMPARE(close->text(), QStringLiteral("Cancel"));
                QVERIFY(close->isEnabled());
                for (const char* name : {"bStart", "bReset", "bHelp", "bSave"}) {
                    QVERIFY2(!Child<QPushButton>(dialog, name)->isEnabled(), name);
                }
                QVERIFY(IsShown(Child<QWidget>(dialog, "Computing"), dialog));
                QVERIFY(!IsShown(Child<QGroupBox>(dialog, "GroupSig"), dialog));
                QVERIFY(Child<TFindAnimation>(dialog, "Animate")->IsActive());
                QCOMPARE(progress->maximum(), 12);
                // A price typed during the wait does not bring Start or Save back before it has ended.
                Child<TNumEdit>(dialog, "eLow")->SetValue(2.296);
                QVERIFY(!Child<QPushButton>(dialog, "bStart")->isEnabled());
                QVERIFY(!Child<QPushButton>(dialog, "bSave")->isEnabled());
            });
            Child<QPushButton>(dialog, "bStart")->click();

            QVERIFY(checkedDuringWait);
            QCOMPARE(ticks, 12);
            QCOMPARE(progress->value(), 12);
            QCOMPARE(close->text(), QStringLiteral("Close"));
            QVERIFY(!IsShown(Child<QWidget>(dialog, "Computing"), dialog));
            QVERIFY(IsShown(Child<QGroupBox>(dialog, "GroupSig"), dialog));
            for (const char* name : {"bStart", "bReset", "bHelp", "bSave"}) {
                QVERIFY2(Child<QPushButton>(dialog, name)->isEnabled(), name);
            }
            // The engine's signals of the prices at Start, with the pair's 4 decimals.
            QVERIFY(ComputeSignals(expected));
            QVERIFY(rec.BuySig > 0 && rec.SellSig > 0);
            const QString format = QStringLiteral(",0.0000;-,0.0000");
            QCOMPARE(Child<TNumEdit>(dialog, "eSignalBuy")->text(), FormatFloat(format, expected.BuySig, {}));
            QCOMPARE(Child<TNumEdit>(dialog, "eStopSell")->text(), FormatFloat(format, expected.SellStop, {}));
            QVERIFY(dialog.isVisible());
            Child<QPushButton>(dialog, "bSave")->click();
        });
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(saved);
        QCOMPARE(rec.BuySig, expected.BuySig);
        QCOMPARE(rec.SellLimit, expected.SellLimit);
        QVERIFY(boxes.Messages.isEmpty());
    }

    void closeDuringTheWaitReturnsFalseAtOnce() {
        TProgramFolder folder(TEngine::Present);
        TSignalRec rec = ExampleRecord();
        int lastTick = 0;
        const bool saved = RunGenerator(rec, [&](TfInput& dialog) {
            auto* progress = Child<QProgressBar>(dialog, "Progress");
            connect(progress, &QProgressBar::valueChanged, &dialog, [&](int value) {
                lastTick = value;
                if (value == 3) {
                    Child<QPushButton>(dialog, "bClose")->click();
                }
            });
            Child<QPushButton>(dialog, "bStart")->click();
            QVERIFY(!dialog.isVisible()); // closed as soon as Start ended
            QVERIFY(!IsShown(Child<QGroupBox>(dialog, "GroupSig"), dialog));
            QVERIFY(!Child<QPushButton>(dialog, "bSave")->isEnabled());
        });
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(!saved);
        QCOMPARE(lastTick, 3);
        QCOMPARE(rec.BuySig, 0.0); // nothing computed for a record the caller discards
    }

    void frameCloseDuringTheWaitLetsItEnd() {
        TProgramFolder folder(TEngine::Present);
        TSignalRec rec = ExampleRecord();
        const bool saved = RunGenerator(rec, [&](TfInput& dialog) {
            auto* progress = Child<QProgressBar>(dialog, "Progress");
            connect(progress, &QProgressBar::valueChanged, &dialog, [&](int value) {
                if (value == 3) {
                    QVERIFY(!dialog.close()); // the frame's close box: refused while the wait runs
                }
            });
            Child<QPushButton>(dialog, "bStart")->click();
            QCOMPARE(progress->value(), 12);
            QVERIFY(IsShown(Child<QGroupBox>(dialog, "GroupSig"), dialog));
            QVERIFY(Child<TNumEdit>(dialog, "eSignalBuy")->Value() > 0);
            QVERIFY(!dialog.isVisible());
        });
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(!saved);
    }

    void failedComputationLeavesTheResults_data() {
        QTest::addColumn<bool>("withEngine");
        QTest::addColumn<QString>("pair");
        QTest::addColumn<int>("ticks");
        QTest::newRow("no engine: Start does nothing") << false << "GBP/CHF" << 0;
        QTest::newRow("pair unknown to the engine") << true << "XXX/YYY" << 12;
    }

    void failedComputationLeavesTheResults() {
        QFETCH(bool, withEngine);
        QFETCH(QString, pair);
        QFETCH(int, ticks);
        TProgramFolder folder(withEngine ? TEngine::Present : TEngine::Missing);
        TBoxRecorder boxes;
        TSignalRec rec = ExampleRecord(pair.toLatin1().constData());
        rec.BuyLimit = 2.31;
        rec.SellSig = 2.3067;
        RunGenerator(rec, [&](TfInput& dialog) {
            int counted = 0;
            connect(Child<QTimer>(dialog, "Timer"), &QTimer::timeout, &dialog, [&] { ++counted; });
            Child<QPushButton>(dialog, "bStart")->click();
            QCOMPARE(counted, ticks);
            QVERIFY(dialog.isVisible());
            QVERIFY(IsShown(Child<QGroupBox>(dialog, "GroupSig"), dialog));
            QCOMPARE(Child<TNumEdit>(dialog, "eLimitBuy")->Value(), 2.31);
            QCOMPARE(Child<TNumEdit>(dialog, "eSignalSell")->Value(), 2.3067);
            QCOMPARE(Child<TNumEdit>(dialog, "eSignalBuy")->Value(), 0.0);
            QVERIFY(Child<QPushButton>(dialog, "bSave")->isEnabled()); // a record without signals can be saved
            Child<QPushButton>(dialog, "bClose")->click();
        });
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(boxes.Messages.isEmpty());
    }

    void pairWithTwoDecimals() {
        TProgramFolder folder(TEngine::Missing); // the JPY rule gives 2 decimals without the engine
        TSignalRec rec = MakeEmptySignalRec("USD/JPY");
        rec.Current = 1.23456;
        rec.Price24 = 1234.5;
        rec.Price48 = 1.12499;
        const bool saved = RunGenerator(rec, [&](TfInput& dialog) {
            Activate(dialog);
            QCOMPARE(Child<TNumEdit>(dialog, "eCurrent")->text(), QStringLiteral("1.23"));
            QCOMPARE(Child<TNumEdit>(dialog, "eHigh")->text(), QStringLiteral("0.00"));
            QCOMPARE(Child<TNumEdit>(dialog, "ePrice48")->text(), QStringLiteral("1.12"));
            auto* price24 = Child<TNumEdit>(dialog, "ePrice24");
            QCOMPARE(price24->text(), QStringLiteral("1,234.50"));
            price24->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(price24->hasFocus());
            QCOMPARE(price24->text(), QStringLiteral("1234.5"));
            Child<QPushButton>(dialog, "bSave")->click();
        });
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(saved);
        QCOMPARE(rec.Current, 1.23);
        QCOMPARE(rec.Price24, 1234.5);
        QCOMPARE(rec.Price48, 1.12);
    }

    void engineWithoutDecimalsKeepsFourDecimals() {
        TProgramFolder folder(TEngine::WithoutExports);
        TSignalRec rec = ExampleRecord();
        rec.Current = 1.2345;
        const bool saved = RunGenerator(rec, [](TfInput& dialog) {
            QCOMPARE(Child<TNumEdit>(dialog, "eCurrent")->text(), QStringLiteral("1.2345"));
            Child<QPushButton>(dialog, "bSave")->click();
        });
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(saved);
        QCOMPARE(rec.Current, 1.2345);
    }

    void enterMovesTheFocusAndNeverCloses() {
        TProgramFolder folder(TEngine::Missing);
        TSignalRec rec = ExampleRecord();
        RunGenerator(rec, [&](TfInput& dialog) {
            Activate(dialog);
            const char* const order[] = {"eDate",    "eTime",    "eHigh",    "eCurrent", "eLow",
                                         "ePrice24", "ePrice48", "ePrice64", "bStart"};
            QTRY_VERIFY(Child<QWidget>(dialog, "eDate")->hasFocus());
            for (std::size_t i = 1; i < std::size(order); ++i) {
                QTest::keyClick(QApplication::focusWidget(), i % 2 ? Qt::Key_Return : Qt::Key_Enter);
                QTRY_VERIFY2(Child<QWidget>(dialog, order[i])->hasFocus(), order[i]);
                QVERIFY(dialog.isVisible());
            }
            // Shift+Enter goes back; Enter in a result edit moves on too.
            Child<QWidget>(dialog, "ePrice64")->setFocus(Qt::TabFocusReason);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ShiftModifier);
            QTRY_VERIFY(Child<QWidget>(dialog, "ePrice48")->hasFocus());
            Child<QWidget>(dialog, "eSignalSell")->setFocus(Qt::MouseFocusReason);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTRY_VERIFY(!Child<QWidget>(dialog, "eSignalSell")->hasFocus());
            QVERIFY(dialog.isVisible());
            Child<QPushButton>(dialog, "bClose")->click();
        });
        QVERIFY(!QTest::currentTestFailed());
    }

    void timeTextHoldsTheDigitsOnly() {
        TProgramFolder folder(TEngine::Missing);
        TBoxRecorder boxes;
        TSignalRec rec = ExampleRecord();
        WriteShortText(rec.Time, "930");
        const bool saved = RunGenerator(rec, [&](TfInput& dialog) {
            Activate(dialog);
            auto* time = Child<TTimeEdit>(dialog, "eTime");
            QCOMPARE(time->text(), QStringLiteral(" 9:30"));
            time->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(time->hasFocus());
            QTest::keyClicks(time, QStringLiteral("0905"));
            QCOMPARE(time->text(), QStringLiteral("09:05"));
            Child<QPushButton>(dialog, "bSave")->click();
        });
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(saved);
        QCOMPARE(TimeOf(rec), QStringLiteral("0905"));
        QVERIFY(boxes.Messages.isEmpty());
    }

    void halfFilledTimeIsNeitherSavedNorComputed() {
        TProgramFolder folder(TEngine::Present);
        TBoxRecorder boxes;
        TSignalRec rec = ExampleRecord();
        WriteShortText(rec.Time, "0930");
        RunGenerator(rec, [&](TfInput& dialog) {
            Activate(dialog);
            auto* time = Child<TTimeEdit>(dialog, "eTime");
            time->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(time->hasFocus());
            time->setCursorPosition(5);
            QTest::keyClick(time, Qt::Key_Backspace);
            // Alt+S presses Save without leaving the time edit.
            Child<QPushButton>(dialog, "bSave")->click();
            QVERIFY(dialog.isVisible());
            Child<QPushButton>(dialog, "bStart")->click();
            QCOMPARE(Child<QProgressBar>(dialog, "Progress")->value(), 0);
            QCOMPARE(boxes.Messages.size(), 2);
            QCOMPARE(boxes.Messages[0].Text, QStringLiteral("Invalid input value.  Use escape key to abandon changes"));
            QTRY_VERIFY(time->hasFocus());
            QTest::keyClick(time, Qt::Key_Escape); // abandons the change; the dialog stays
            QCOMPARE(time->text(), QStringLiteral("09:30"));
            QVERIFY(dialog.isVisible());
            QTest::keyClick(time, Qt::Key_Escape); // now Escape is Close
            QVERIFY(!dialog.isVisible());
        });
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(TimeOf(rec), QStringLiteral("0930"));
    }

    void lastInputFileKeepsOneSectionPerPair() {
        TProgramFolder folder(TEngine::Missing);
        const auto closeWith = [](TSignalRec rec, double current) {
            rec.Current = current;
            RunGenerator(rec, [](TfInput& dialog) { Child<QPushButton>(dialog, "bClose")->click(); });
        };
        TSignalRec pound = ExampleRecord("GBP/CHF");
        pound.Price64 = 0.000001; // 0 with the pair's 4 decimals
        closeWith(pound, 1.5);
        TSignalRec euro = MakeEmptySignalRec("EUR/USD");
        euro.Highest = 1.0234;
        closeWith(euro, 1.0212);
        QCOMPARE(ReadBytes(LastInputFilePath()).toStdString(),
                 "[GBP/CHF]\nHIGH24=2.312\nCURRENT=1.5\nLOW24=2.297\nPRICE24=2.295\nPRICE48=2.305\nPRICE64=0\n"
                 "\n[EUR/USD]\nHIGH24=1.0234\nCURRENT=1.0212\nLOW24=0\nPRICE24=0\nPRICE48=0\nPRICE64=0\n");
        // The pair's section is rewritten in its place.
        closeWith(ExampleRecord("gbp/chf"), 2.31);
        QVERIFY(ReadBytes(LastInputFilePath())
                    .startsWith("[GBP/CHF]\nHIGH24=2.312\nCURRENT=2.31\nLOW24=2.297\nPRICE24=2.295\nPRICE48=2.305\n"
                                "PRICE64=2.29\n\n[EUR/USD]\n"));
    }

    void unwritableLastInputFileDoesNotKeepTheDialogOpen() {
        TProgramFolder folder(TEngine::Missing);
        TBoxRecorder boxes;
        const QString path = LastInputFilePath();
        QVERIFY(QDir().mkpath(path)); // a folder in the file's place
        TSignalRec rec = ExampleRecord();
        const bool saved = RunGenerator(rec, [](TfInput& dialog) { Child<QPushButton>(dialog, "bSave")->click(); });
        QVERIFY(QDir(path).removeRecursively());
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(saved);
        QCOMPARE(boxes.Messages.size(), 1);
        QCOMPARE(boxes.Messages[0].Text, QStringLiteral("Unable to write to ") + path);
    }
};

int main(int argc, char** argv) {
    UseTestLocale();
    QApplication app(argc, argv);
    TestGenerator test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fmInput.moc"
