// The whole program as a trader uses it: the main window, its currency menus and status bar, the browse
// windows with their commands and keys, and one record's road from the generator dialog into the data file.

#include "CoreTestSupport.h"
#include "GuiTestSupport.h"
#include "TApplication.h"
#include "TMemTable.h"
#include "TNumEdit.h"
#include "TPairChart.h"
#include "TSignalRec.h"
#include "TStatusPanelBar.h"
#include "TestFiles.h"
#include "fmAbout.h"
#include "fmBrowse.h"
#include "fmInput.h"
#include "fmMain.h"
#include "uDM.h"
#include "uForexAPI.h"
#include "uImageList.h"
#include "uPairWindowEvent.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

#include <memory>

namespace {

using TEngine = TProgramFolder::TEngine;

// Records what the main window was told by the browse windows, before the main window acts on it.
class TReportRecorder : public QObject {
public:
    TReportRecorder() { qApp->installEventFilter(this); } // installed last, so it looks first
    ~TReportRecorder() override { qApp->removeEventFilter(this); }

    QList<std::pair<int, QString>> Activated;
    QList<int> DestroyedCounts;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == WM_PAIRWINDOW) {
            const auto* report = static_cast<TPairWindowEvent*>(event);
            if (report->Code() == pwActivated) {
                Activated.append({report->Code(), report->Name()});
            } else if (report->Code() == pwDestroyed) {
                DestroyedCounts.append(report->Count());
            }
        }
        return false;
    }
};

// A receiver that notes every WM_PAIRWINDOW event delivered to it.
class TEventTarget : public QObject {
public:
    QList<int> Codes;

protected:
    bool event(QEvent* event) override {
        if (event->type() == WM_PAIRWINDOW) {
            Codes.append(static_cast<TPairWindowEvent*>(event)->Code());
            return true;
        }
        return QObject::event(event);
    }
};

// One program: a program folder with the engine, the data module, the pictures and the main window, with the
// about box of the first showing closed as soon as it appears.
struct TProgram {
    explicit TProgram(TEngine engine = TEngine::Present) : Folder(engine) {
        Main = std::make_unique<TfMain>(Dm, Images);
        AcceptAboutBoxes();
        Main->show();
        QTRY_COMPARE_WITH_TIMEOUT(AboutBoxesShown, 1, 5000);
        // Shortcuts work only in the active window.
        Main->activateWindow();
        if (!QTest::qWaitForWindowActive(Main.get())) {
            qFatal("the main window did not become active");
        }
    }

    // Closes every about box that shows, counting them.
    void AcceptAboutBoxes() {
        auto* poll = new QTimer(Main.get());
        QObject::connect(poll, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget())) {
                ++AboutBoxesShown;
                box->accept();
            }
        });
        poll->start(5);
    }

    TfBrowse* Open(const QString& pair) {
        TfBrowse* window = TfBrowse::OpenBrowseWindow(*Main, pair);
        QCoreApplication::processEvents(); // the window's report is posted
        return window;
    }

    QString Panel(int panel) const { return Main->Bar()->PanelText(panel); }

    QStringList MenuBarTitles() const {
        QStringList titles;
        for (QAction* action : Main->menuBar()->actions()) {
            titles << action->text().remove(u'&');
        }
        return titles;
    }

    QStringList WindowNames() const {
        QStringList names;
        for (TfBrowse* window : Main->BrowseWindows()) {
            names << window->PairName();
        }
        return names;
    }

    TProgramFolder Folder;
    TBoxRecorder Boxes;
    Tdm Dm;
    TImageList Images;
    std::unique_ptr<TfMain> Main;
    int AboutBoxesShown = 0;
};

QAction* ActionNamed(const QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    qFatal("menu has no item %s", qPrintable(text));
}

// The generator's six prices typed in, Start pressed, the wait run and Save pressed.
void ComputeAndSave(TfInput& dialog) {
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    TypePrice(dialog, "eHigh", QStringLiteral("2.312"));
    TypePrice(dialog, "eCurrent", QStringLiteral("2.3"));
    TypePrice(dialog, "eLow", QStringLiteral("2.297"));
    TypePrice(dialog, "ePrice24", QStringLiteral("2.295"));
    TypePrice(dialog, "ePrice48", QStringLiteral("2.305"));
    TypePrice(dialog, "ePrice64", QStringLiteral("2.29"));
    auto* start = Child<QPushButton>(dialog, "bStart");
    QVERIFY(start->isEnabled());
    start->click();
    auto* save = Child<QPushButton>(dialog, "bSave");
    QVERIFY(save->isEnabled());
    QVERIFY(Child<QWidget>(dialog, "GroupSig")->isVisibleTo(&dialog));
    save->click();
}

// Stores a record through the data module, as a saved generator dialog would.
void StoreRecord(TProgram& program, TfBrowse& window, double day, const char* time, double current) {
    TSignalRec rec = MakeEmptySignalRec(window.PairName().toLatin1().toStdString());
    rec.Date = day;
    WriteShortText(rec.Time, time);
    rec.Current = rec.Highest = rec.Lowest = rec.Price24 = rec.Price48 = rec.Price64 = current;
    rec.BuySig = rec.SellSig = current;
    QVERIFY(program.Dm.StoreRecord(*window.Table(), rec));
}

// Fails the test if a generator dialog opens within the next moments (and closes it).
struct TNoGeneratorWatch {
    TNoGeneratorWatch() {
        QObject::connect(&FPoll, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<TfInput*>(QApplication::activeModalWidget())) {
                ++Opened;
                dialog->done(QDialog::Rejected);
            }
        });
        FPoll.start(1);
    }
    int Opened = 0;

private:
    QTimer FPoll;
};

} // namespace

class TestWorkspace : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { DeleteClosedWindows(); }
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        TfInput::SetTickInterval(1);
        TApplication::ApplyProgramStyle();
    }

    void programStyleGivesQuickAquaHintsAndTheBaseOverflowPictures() {
        QCOMPARE(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 1);
        QCOMPARE(QToolTip::palette().color(QPalette::ToolTipBase), QColor(0, 255, 255));

        // The overflow pictures are fetched late, but must draw as the base style's own.
        const QStyle* base = qobject_cast<QProxyStyle*>(QApplication::style())->baseStyle();
        for (const auto picture :
             {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton}) {
            const QImage expected = base->standardIcon(picture).pixmap(16).toImage();
            QVERIFY(!expected.isNull());
            QCOMPARE(QApplication::style()->standardIcon(picture).pixmap(16).toImage(), expected);
        }
        TProgram program;
        auto* overflow = program.Main->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
        QVERIFY(overflow != nullptr);
        QCOMPARE(overflow->icon().pixmap(16).toImage(),
                 base->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton).pixmap(16).toImage());
    }

    void startShowsTheAboutBoxOnce() {
        TProgram program;
        QCOMPARE(program.Main->windowTitle(), QStringLiteral("TALVERO - Forex Automatic Day Trading System"));
        QCOMPARE(program.Panel(1), QStringLiteral("Forex-KVT"));
        QCOMPARE(program.Panel(2), TfMain::StartKeyHelp());
        program.Main->hide();
        program.Main->show();
        program.Main->activateWindow();
        QTest::qWait(50);
        QCOMPARE(program.AboutBoxesShown, 1);

        // The about box itself: the pairs, the version text, and links through the shell.
        TAboutBox box;
        QCOMPARE(Child<QLabel>(box, "Version")->text(), QStringLiteral("Version: N/A"));
        auto* pairs = Child<QListWidget>(box, "CList");
        QCOMPARE(pairs->count(), 13);
        QCOMPARE(pairs->item(0)->text(), QStringLiteral("GBP/CHF"));
        QCOMPARE(pairs->item(12)->text(), QStringLiteral("CHF/JPY"));
        box.httplinkClick();
        box.mailtoClick();
        QCOMPARE(program.Folder.ShellOpened.size(), 2);
        QVERIFY(program.Folder.ShellOpened[1].startsWith(QStringLiteral("mailto:")));
    }

    void currencyMenusOfferThirteenPairs() {
        TProgram program;
        for (const QMenu* menu : {program.Main->OpenCurr(), program.Main->Popup()}) {
            QStringList captions;
            for (const QAction* item : menu->actions()) {
                QVERIFY(item->isEnabled());
                QVERIFY(!item->icon().isNull());
                captions << item->text();
            }
            QStringList pairs;
            GetCurrencyList(pairs);
            QCOMPARE(captions, pairs);
        }
    }

    void pairsOpenFromEveryMenuOnceEach() {
        TProgram program;
        ActionNamed(*program.Main->OpenCurr(), QStringLiteral("GBP/CHF"))->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(program.WindowNames(), QStringList{QStringLiteral("GBP/CHF")});
        QCOMPARE(program.Panel(1), QStringLiteral("GBP/CHF"));
        QCOMPARE(program.Panel(2), TfMain::KeyHelp(false));
        QVERIFY(!program.Panel(2).contains(QStringLiteral("CTRL+TAB")));

        ActionNamed(*program.Main->Popup(), QStringLiteral("EUR/USD"))->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(program.Panel(1), QStringLiteral("EUR/USD"));
        QVERIFY(program.Panel(2).startsWith(QStringLiteral("  CTRL+TAB - select window")));

        // The same pair again: its window comes to the front, nothing is added.
        TfBrowse* gbpChf = program.Main->BrowseWindows().front();
        TMemTable* table = gbpChf->Table();
        ActionNamed(*program.Main->Popup(), QStringLiteral("GBP/CHF"))->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(program.Main->MdiArea()->activeSubWindow(), gbpChf);
        QCOMPARE(gbpChf->Table(), table);
        QCOMPARE(program.WindowNames().size(), 2);

        // A caption with an accelerator mark opens the pair without it.
        program.Main->CurrencyItemClick(QStringLiteral("&USD/JPY"));
        QCoreApplication::processEvents();
        TfBrowse* usdJpy = program.Main->BrowseWindows().back();
        QCOMPARE(usdJpy->windowTitle(), QStringLiteral("USD/JPY"));
        QCOMPARE(usdJpy->Sbar()->PanelText(0), QStringLiteral("USD/JPY"));
        QCOMPARE(program.MenuBarTitles(),
                 (QStringList{QStringLiteral("File"), QStringLiteral("Window"), QStringLiteral("Help"),
                              QStringLiteral("GBP/CHF"), QStringLiteral("EUR/USD"), QStringLiteral("USD/JPY")}));

        // F2, from the grid of a browse window too, drops the popup at the frame's corner.
        usdJpy->Grid()->setFocus();
        QTest::keyClick(usdJpy->Grid(), Qt::Key_F2);
        QTRY_VERIFY(program.Main->Popup()->isVisible());
        QCOMPARE(program.Main->Popup()->pos(), program.Main->frameGeometry().topLeft() + QPoint(16, 32));
        program.Main->Popup()->close();
    }

    void closeRequestsCloseTheActiveWindowThenTheProgram() {
        TProgram program;
        TReportRecorder reports;
        for (const char* pair : {"GBP/CHF", "EUR/USD", "USD/JPY"}) {
            program.Open(QString::fromLatin1(pair));
        }
        QCOMPARE(program.MenuBarTitles().size(), 6);
        for (int open = 3; open > 0; --open) {
            QVERIFY(!program.Main->close());
            QCoreApplication::processEvents();
            QTRY_COMPARE(program.WindowNames().size(), open - 1);
            QCOMPARE(program.MenuBarTitles().size(), 3 + open - 1);
            if (open > 1) { // the window that became active reports itself
                const auto* active = qobject_cast<TfBrowse*>(program.Main->MdiArea()->activeSubWindow());
                QVERIFY(active != nullptr);
                QTRY_COMPARE(program.Panel(1), active->PairName());
            }
        }
        QCOMPARE(reports.DestroyedCounts, (QList<int>{3, 2, 1}));
        QCOMPARE(program.Panel(1), QStringLiteral("Forex-KVT"));
        QVERIFY(program.Main->isVisible());
        QVERIFY(program.Main->close());
        QVERIFY(!program.Main->isVisible());
    }

    void exitProgramEndsAtOnce() {
        TProgram program;
        TfBrowse* window = program.Open(QStringLiteral("GBP/CHF"));
        program.Open(QStringLiteral("EUR/USD"));
        QTest::keyClick(window->Grid(), Qt::Key_F4, Qt::AltModifier);
        QTRY_VERIFY(!program.Main->isVisible());
    }

    void oneRecordFromTheGeneratorIntoTheFile() {
        TProgram program;
        TfBrowse* window = program.Open(QStringLiteral("GBP/CHF"));
        QCOMPARE(window->Sbar()->PanelText(1), QStringLiteral("Empty"));
        const QString dataFile = program.Folder.FilePath(QStringLiteral("GBPCHF.kvt"));
        QVERIFY(!QFileInfo::exists(dataFile));

        bool newRecordWasEmpty = false;
        WhenGeneratorOpens([&](TfInput& dialog) {
            newRecordWasEmpty = Child<TNumEdit>(dialog, "eCurrent")->Value() == 0.0;
            ComputeAndSave(dialog);
        });
        window->Grid()->setFocus();
        QTest::keyClick(window->Grid(), Qt::Key_Insert);
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(newRecordWasEmpty);
        QCOMPARE(window->Table()->RecordCount(), 1);
        QCOMPARE(window->Sbar()->PanelText(1), QStringLiteral("1 of 1"));
        QVERIFY(QFileInfo(dataFile).size() == 607 + 167);
        const int buySig = window->Table()->FieldByName(QStringLiteral("BUY_SIG"));
        QVERIFY(std::get<double>(window->Table()->Value(buySig)) > 0.0);

        // Showing the computed record opens the read-only view; closing it changes nothing.
        const QByteArray before = ReadBytes(dataFile);
        bool readOnly = false;
        WhenGeneratorOpens([&](TfInput& dialog) {
            readOnly = !Child<QPushButton>(dialog, "bStart")->isVisibleTo(&dialog) &&
                       !Child<QPushButton>(dialog, "bSave")->isVisibleTo(&dialog) &&
                       Child<QPushButton>(dialog, "bClose")->isVisibleTo(&dialog);
            Child<QPushButton>(dialog, "bClose")->click();
        });
        QTest::keyClick(window->Grid(), Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(readOnly);
        QFile file(dataFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    void deleteAsksAndDeletesOnlyOnYes() {
        TProgram program;
        TfBrowse* window = program.Open(QStringLiteral("GBP/CHF"));
        StoreRecord(program, *window, 40000, "0930", 1.5);
        StoreRecord(program, *window, 40001, "0930", 1.6);
        QList<TMessageRequest> asked;
        TMessageButton answer = TMessageButton::No;
        SetMessageHandler([&](const TMessageRequest& request) {
            asked.append(request);
            return answer;
        });
        window->Grid()->setFocus();
        QTest::keyClick(window->Grid(), Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].Kind, TMessageKind::Warning);
        QCOMPARE(asked[0].Title, QStringLiteral("Warning"));
        QCOMPARE(asked[0].Text, QStringLiteral("Delete record! Are you sure?"));
        QCOMPARE(asked[0].Buttons, (QList<TMessageButton>{TMessageButton::Yes, TMessageButton::No}));
        QCOMPARE(window->Table()->RecordCount(), 2);

        answer = TMessageButton::Yes;
        QTest::keyClick(window->Grid(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(window->Table()->RecordCount(), 1);
        QCOMPARE(window->Sbar()->PanelText(1), QStringLiteral("1 of 1"));
        SetMessageHandler({});
    }

    void emptyTableDisablesShowDeleteChartAndReport() {
        TProgram program;
        TfBrowse* window = program.Open(QStringLiteral("GBP/CHF"));
        for (const char* name : {"ToolEdit", "ToolDelete", "ToolChart", "ToolHTML"}) {
            QVERIFY2(!Child<QAction>(*window, name)->isEnabled(), name);
        }
        QVERIFY(Child<QAction>(*window, "ToolNew")->isEnabled());

        TNoGeneratorWatch watch;
        window->Grid()->setFocus();
        QTest::keyClick(window->Grid(), Qt::Key_Return);
        QTest::keyClick(window->Grid(), Qt::Key_Delete);
        for (const QMenu* menu : {window->BrowPopup(), window->WindowMenuEntry()}) {
            for (const char* item : {"Show record", "Delete record", "Show/Hide chart", "HTML report"}) {
                ActionNamed(*menu, QString::fromLatin1(item))->trigger();
            }
        }
        QTest::qWait(20);
        QCOMPARE(watch.Opened, 0);
        QVERIFY(program.Boxes.Messages.isEmpty());
        QVERIFY(window->Chart()->isHidden());
        QVERIFY(program.Folder.ShellOpened.isEmpty());
        QVERIFY(!QFileInfo::exists(program.Folder.FilePath(QStringLiteral("talvero.htm"))));

        // New record still opens the generator, from the key and from the menus.
        QTest::keyClick(window->Grid(), Qt::Key_Insert);
        ActionNamed(*window->WindowMenuEntry(), QStringLiteral("New record"))->trigger();
        QTRY_COMPARE(watch.Opened, 2);
        QCOMPARE(window->Table()->RecordCount(), 0);
    }

    void menuBarEntryActsOnItsOwnWindow() {
        TProgram program;
        TfBrowse* first = program.Open(QStringLiteral("GBP/CHF"));
        StoreRecord(program, *first, 40000, "0930", 1.5);
        TfBrowse* second = program.Open(QStringLiteral("EUR/USD"));
        StoreRecord(program, *second, 40000, "0930", 1.1);
        QCOMPARE(program.Main->MdiArea()->activeSubWindow(), second);

        ActionNamed(*first->WindowMenuEntry(), QStringLiteral("Delete record"))->trigger();
        QCOMPARE(program.Main->MdiArea()->activeSubWindow(), first);
        QCOMPARE(program.Boxes.Messages.size(), 1);
        QCOMPARE(first->Table()->RecordCount(), 0);
        QCOMPARE(second->Table()->RecordCount(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(program.Panel(1), QStringLiteral("GBP/CHF"));
    }

    void rowPositionAndChartHeightFollowTheWindow() {
        TProgram program;
        TfBrowse* window = program.Open(QStringLiteral("GBP/CHF"));
        for (int day = 0; day < 3; ++day) {
            StoreRecord(program, *window, 40000 + day, "1200", 1.5 + day / 10.0);
        }
        window->Table()->First();
        QCOMPARE(window->Sbar()->PanelText(1), QStringLiteral("1 of 3"));
        QTest::mouseClick(Child<QWidget>(*window, "NavLast"), Qt::LeftButton);
        QCOMPARE(window->Sbar()->PanelText(1), QStringLiteral("3 of 3"));

        const struct {
            int OuterHeight;
            int ChartHeight;
        } heights[] = {{600, 200}, {601, 200}, {602, 200}, {603, 201}};
        for (const auto& h : heights) {
            window->resize(700, h.OuterHeight);
            QCOMPARE(window->Chart()->height(), h.ChartHeight);
        }
    }

    void tileSideBySideAndCascade() {
        TProgram program;
        for (const char* pair : {"GBP/CHF", "EUR/USD", "USD/JPY"}) {
            program.Open(QString::fromLatin1(pair));
        }
        const auto checkTiled = [&] {
            const QRect area = program.Main->MdiArea()->viewport()->rect();
            int left = 0;
            for (const QMdiSubWindow* window : program.Main->MdiArea()->subWindowList()) {
                QCOMPARE(window->geometry().left(), left);
                QCOMPARE(window->geometry().top(), 0);
                QCOMPARE(window->height(), area.height());
                QVERIFY(qAbs(window->width() - area.width() / 3) <= 1);
                left = window->geometry().right() + 1;
            }
            QCOMPARE(left, area.width());
        };
        QTest::keyClick(program.Main.get(), Qt::Key_F3);
        checkTiled();
        // Tiled windows follow the area when the main window changes its size.
        program.Main->resize(program.Main->width() - 150, program.Main->height() - 60);
        QTRY_COMPARE(program.Main->MdiArea()->subWindowList().front()->height(),
                     program.Main->MdiArea()->viewport()->height());
        checkTiled();
        const QRect area = program.Main->MdiArea()->viewport()->rect();

        QTest::keyClick(program.Main.get(), Qt::Key_F4);
        const QList<QMdiSubWindow*> stacked = program.Main->MdiArea()->subWindowList(QMdiArea::StackingOrder);
        for (int i = 1; i < stacked.size(); ++i) {
            const QPoint step = stacked[i]->pos() - stacked[i - 1]->pos();
            QVERIFY(step.x() > 0 && step.x() == step.y());
            QCOMPARE(stacked[i]->size(), stacked[0]->size());
        }
        QCOMPARE(stacked.back()->geometry().bottomRight(), area.bottomRight());
        QCOMPARE(program.Main->MdiArea()->activeSubWindow(), stacked.back());
    }

    void failingStoreIsShownInTheErrorBoxAndTheWindowGoesOn() {
        TProgram program;
        TApplication::InstallPlatformServices(); // the program's own error box, answered by the recorder
        QVERIFY(QDir().mkpath(program.Folder.FilePath(QStringLiteral("GBPCHF.kvt")))); // the file cannot be written
        TfBrowse* window = program.Open(QStringLiteral("GBP/CHF"));
        WhenGeneratorOpens(ComputeAndSave);
        window->Grid()->setFocus();
        QTest::keyClick(window->Grid(), Qt::Key_Insert);
        QVERIFY(!QTest::currentTestFailed());

        QCOMPARE(program.Boxes.Messages.size(), 1);
        const TMessageRequest& box = program.Boxes.Messages[0];
        QCOMPARE(box.Kind, TMessageKind::Error);
        QCOMPARE(box.Title, QStringLiteral("Error"));
        QVERIFY(box.Text.startsWith(QStringLiteral("TALVERO error! Cannot create file \"")));
        QCOMPARE(box.Buttons, QList<TMessageButton>{TMessageButton::Cancel});
        // The row stays in the window, which goes on working.
        QVERIFY(window->isVisible());
        QCOMPARE(window->Table()->RecordCount(), 1);
        QCOMPARE(window->Sbar()->PanelText(1), QStringLiteral("1 of 1"));
    }

    void helpCommandsOpenTheDocumentsThatArePresent() {
        TProgram program;
        program.Main->HelpClick();
        program.Main->TextHelpClick();
        program.Main->Readme1Click();
        QVERIFY(program.Folder.ShellOpened.isEmpty());

        for (const char* document : {"fxhelp.hlp", "fxguide.hlp", "readme.txt"}) {
            QFile file(program.Folder.FilePath(QString::fromLatin1(document)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QTest::keyClick(program.Main.get(), Qt::Key_F1);
        program.Main->TextHelpClick();
        program.Main->Readme1Click();
        QCOMPARE(program.Folder.ShellOpened, (QStringList{program.Folder.FilePath(QStringLiteral("fxhelp.hlp")),
                                                          program.Folder.FilePath(QStringLiteral("fxguide.hlp")),
                                                          program.Folder.FilePath(QStringLiteral("readme.txt"))}));
    }

    void otherCodesPassThroughUntouched() {
        TProgram program;
        program.Open(QStringLiteral("GBP/CHF"));
        const QString panel1 = program.Panel(1);
        const QString panel2 = program.Panel(2);
        TEventTarget target;
        for (const int code : {0, 3}) {
            QCoreApplication::postEvent(&target, new TPairWindowEvent(code, QStringLiteral("XXX/YYY"), 0));
        }
        QCoreApplication::processEvents();
        QCOMPARE(target.Codes, (QList<int>{0, 3}));
        QCOMPARE(program.Panel(1), panel1);
        QCOMPARE(program.Panel(2), panel2);
    }
};

int main(int argc, char** argv) {
    UseTestLocale();
    QApplication app(argc, argv);
    TestWorkspace test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Workspace.moc"
