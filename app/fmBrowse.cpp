#include "fmBrowse.h"

#include "TMemTable.h"
#include "TPairChart.h"
#include "TSignalRec.h"
#include "TStatusPanelBar.h"
#include "TTableGridModel.h"
#include "fmInput.h"
#include "fmMain.h"
#include "uDM.h"
#include "uFonts.h"
#include "uForexAPI.h"
#include "uHtmlReport.h"
#include "uImageList.h"
#include "uMessageBox.h"
#include "uPairWindowEvent.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScopeGuard>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int CascadeStep = 26;
constexpr int CascadeSteps = 8;

// The grid's 14 columns: field, title, widths, alignment, colours and fonts.
QList<TGridColumn> GridColumns() {
    const QColor lime(0, 255, 0);
    const QColor yellow(255, 255, 0);
    const QColor aqua(0, 255, 255);
    auto price = [](const char* field, const char* title) {
        return TGridColumn{
            QString::fromLatin1(field), QString::fromLatin1(title), false, 88, Qt::AlignRight, {}, false, {}};
    };
    return {
        {QStringLiteral("DATE"), QStringLiteral("Date"), true, 88, Qt::AlignLeft, lime, false, Qt::black},
        {QStringLiteral("TIME"), QStringLiteral("Time"), false, 40, Qt::AlignLeft, {}, false, {}},
        {QStringLiteral("CURRENT"), QStringLiteral("Current price"), true, 88, Qt::AlignRight, yellow, true, {}},
        price("HIGHEST", "Highest (24hrs)"),
        price("LOWEST", "Lowest (24hrs)"),
        price("PRICE_24", "24 hrs. ago"),
        price("PRICE_48", "48 hrs. ago"),
        price("PRICE_64", "72 hrs. ago"),
        {QStringLiteral("BUY_SIG"), QStringLiteral("Buy SIGNAL"), true, 88, Qt::AlignRight, aqua, true, {}},
        price("BUY_STOP", "Buy STOP"),
        price("BUY_LIMIT", "Buy LIMIT"),
        {QStringLiteral("SELL_SIG"), QStringLiteral("Sell SIGNAL"), true, 88, Qt::AlignRight, aqua, true, Qt::black},
        price("SELL_STOP", "Sell STOP"),
        price("SELL_LIMIT", "Sell LIMIT"),
    };
}

// Navigator pictures: bars and triangles as on a tape deck, and a circular arrow for Refresh.
QIcon NavigatorPicture(int kind) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 96));
    const QPolygonF left({QPointF(10, 3), QPointF(4, 8), QPointF(10, 13)});
    const QPolygonF right({QPointF(6, 3), QPointF(12, 8), QPointF(6, 13)});
    switch (kind) {
    case 0: // first
        p.drawRect(QRectF(3, 3, 2, 10));
        p.drawPolygon(left.translated(1, 0));
        break;
    case 1: // prior
        p.drawPolygon(left);
        break;
    case 2: // next
        p.drawPolygon(right);
        break;
    case 3: // last
        p.drawPolygon(right.translated(-1, 0));
        p.drawRect(QRectF(11, 3, 2, 10));
        break;
    default: { // refresh
        p.setPen(QPen(QColor(0, 128, 0), 2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3, 3, 10, 10), 60 * 16, 280 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 128, 0));
        p.drawPolygon(QPolygonF({QPointF(9, 1), QPointF(13, 4), QPointF(9, 6.5)}));
    }
    }
    return QIcon(pixmap);
}

} // namespace

TfBrowse* TfBrowse::OpenBrowseWindow(TfMain& main, const QString& name) {
    QString pairName = name;
    pairName.remove(u'&');
    for (TfBrowse* window : main.BrowseWindows()) {
        if (window->FPairName == pairName) {
            ActivateChild(window);
            return window;
        }
    }

    auto* window = new TfBrowse(main);
    QMdiArea* area = main.MdiArea();
    const int step = static_cast<int>(area->subWindowList().size()) % CascadeSteps * CascadeStep;
    area->addSubWindow(window);
    const QSize areaSize = area->viewport()->size();
    window->setGeometry(step, step, std::max(areaSize.width() * 3 / 4, 640), std::max(areaSize.height() * 3 / 4, 360));
    window->show(); // visible from its creation; activated before it has a name, so it reports nothing yet

    window->SetPairName(pairName);
    window->AttachTable(main.Dm().OpenCurrencyTable(pairName));
    QCoreApplication::postEvent(&main, new TPairWindowEvent(pwActivated, pairName));
    window->raise();
    area->setActiveSubWindow(window);
    return window;
}

void TfBrowse::ActivateChild(TfBrowse* w) {
    QMdiArea* area = w->mdiArea();
    if (area == nullptr) {
        return;
    }
    const qsizetype children = area->subWindowList().size();
    for (qsizetype i = 0; i < children && area->activeSubWindow() != w; ++i) {
        area->activateNextSubWindow();
    }
}

TfBrowse::TfBrowse(TfMain& main) : QMdiSubWindow(nullptr), FMain(main) {
    setObjectName(QStringLiteral("fBrowse"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("TALVERO - Automatic Day Trading System - Browse"));
    setWindowIcon(main.Images().Icon(imgChart));
    // A sizeable border and the system menu with its close box; no minimize or maximize buttons.
    setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    const TImageList& images = main.Images();
    auto* toolBar = new QToolBar(client);
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->setFixedHeight(29);
    toolBar->setIconSize(QSize(16, 16));
    auto addTool = [&](const char* name, int image, const char* hint, void (TfBrowse::*handler)()) {
        QAction* action = toolBar->addAction(images.Icon(image), QString::fromLatin1(hint), this, handler);
        action->setObjectName(QString::fromLatin1(name));
        toolBar->widgetForAction(action)->setObjectName(QString::fromLatin1(name));
        return action;
    };
    FToolNew = addTool("ToolNew", imgNewRecord, "New record", &TfBrowse::ToolNewClick);
    FToolEdit = addTool("ToolEdit", imgShowRecord, "Show record", &TfBrowse::ToolEditClick);
    FToolDelete = addTool("ToolDelete", imgDeleteRecord, "Delete record", &TfBrowse::ToolDeleteClick);
    toolBar->addSeparator();
    FToolChart = addTool("ToolChart", imgChart, "Chart", &TfBrowse::ToolChartClick);
    FToolChart->setCheckable(true); // drawn pressed while the chart shows
    FToolHTML = addTool("ToolHTML", imgReport, "HTML report", &TfBrowse::ToolHTMLClick);
    toolBar->addSeparator();
    toolBar->addWidget(BuildNavigator());
    layout->addWidget(toolBar);

    auto* panel = new QWidget(client);
    panel->setObjectName(QStringLiteral("Panel1"));
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    FGrid = new QTableView(panel);
    FGrid->setObjectName(QStringLiteral("Grid"));
    FGrid->setFont(PointFont(QStringLiteral("Arial"), 8));
    FGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    FGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    FGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FGrid->setShowGrid(true);
    FGrid->setWordWrap(false);
    FGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    FGrid->horizontalHeader()->setHighlightSections(false);
    FGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    FGrid->verticalHeader()->setDefaultSectionSize(18);
    FGrid->verticalHeader()->setFixedWidth(14);
    FGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    FGrid->installEventFilter(this);
    connect(FGrid, &QAbstractItemView::doubleClicked, this, &TfBrowse::ToolEditClick);
    connect(FGrid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { FBrowPopup->popup(FGrid->viewport()->mapToGlobal(at)); });
    panelLayout->addWidget(FGrid, 1);
    BuildChart();
    panelLayout->addWidget(FChart);
    layout->addWidget(panel, 1);

    FSbar = new TStatusPanelBar(
        {{88, Qt::AlignCenter, images.Icon(imgReport), {}},
         {88, Qt::AlignCenter, {}, {}},
         {0, Qt::AlignLeft, images.Icon(imgHelp),
          QStringLiteral("   INSERT - new record,  ENTER/DblClick - show record  DELETE - delete record")}},
        client);
    FSbar->setObjectName(QStringLiteral("sbar"));
    layout->addWidget(FSbar);
    setWidget(client);

    FBrowPopup = new QMenu(this);
    FBrowPopup->setObjectName(QStringLiteral("BrowPopup"));
    AddRecordCommands(FBrowPopup);
    connect(this, &QMdiSubWindow::aboutToActivate, this, &TfBrowse::FormActivate);
    FormCreate();
}

void TfBrowse::FormCreate() {
    FPairName.clear();
    BuildWindowMenuEntry();
}

QWidget* TfBrowse::BuildNavigator() {
    auto* navigator = new QWidget(this);
    navigator->setObjectName(QStringLiteral("Navigator"));
    navigator->setFixedSize(120, 22);
    auto* layout = new QHBoxLayout(navigator);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const struct {
        const char* Name;
        const char* Hint;
    } buttons[] = {{"NavFirst", "First record"},
                   {"NavPrior", "Prior record"},
                   {"NavNext", "Next record"},
                   {"NavLast", "Last record"},
                   {"NavRefresh", "Refresh data"}};
    for (int i = 0; i < 5; ++i) {
        auto* button = new QToolButton(navigator);
        button->setObjectName(QString::fromLatin1(buttons[i].Name));
        button->setToolTip(QString::fromLatin1(buttons[i].Hint));
        button->setIcon(NavigatorPicture(i));
        button->setAutoRaise(true);
        button->setFixedSize(24, 22);
        layout->addWidget(button);
        FNavigatorButtons.append(button);
        connect(button, &QToolButton::clicked, this, [this, i] {
            if (FTable == nullptr) {
                return;
            }
            switch (i) {
            case 0:
                FTable->First();
                break;
            case 1:
                FTable->Prior();
                break;
            case 2:
                FTable->Next();
                break;
            case 3:
                FTable->Last();
                break;
            default:
                FModel->Refresh();
                ShowCurrentRowInGrid();
                dsDataChange();
            }
        });
    }
    return navigator;
}

void TfBrowse::BuildChart() {
    auto* chart = new TPairChart(this);
    chart->setObjectName(QStringLiteral("chart"));
    // Hidden at first. The panel's layout sizes it only while it shows, so until it is first shown it keeps
    // this width (which a report made before then takes as the chart's), and a hidden chart keeps the width
    // it had when last shown.
    chart->resize(InitialChartWidth, chart->height());
    chart->hide();
    FChart = chart;
}

void TfBrowse::AddRecordCommands(QMenu* menu) {
    const TImageList& images = FMain.Images();
    menu->addAction(images.Icon(imgNewRecord), QStringLiteral("New record"), this, &TfBrowse::ToolNewClick)
        ->setObjectName(QStringLiteral("Newrecord1"));
    menu->addAction(images.Icon(imgShowRecord), QStringLiteral("Show record"), this, &TfBrowse::ToolEditClick)
        ->setObjectName(QStringLiteral("ShowEditrecord1"));
    menu->addAction(images.Icon(imgDeleteRecord), QStringLiteral("Delete record"), this, &TfBrowse::ToolDeleteClick)
        ->setObjectName(QStringLiteral("Deleterecord1"));
    menu->addSeparator()->setObjectName(QStringLiteral("N1"));
    menu->addAction(images.Icon(imgChart), QStringLiteral("Show/Hide chart"), this, &TfBrowse::ToolChartClick)
        ->setObjectName(QStringLiteral("Showchart1"));
    menu->addAction(images.Icon(imgReport), QStringLiteral("HTML report"), this, &TfBrowse::ToolHTMLClick)
        ->setObjectName(QStringLiteral("HTMLreport1"));
}

void TfBrowse::BuildWindowMenuEntry() {
    // The window's own entry at the end of the main menu bar; it goes with the window.
    FWindowMenuEntry = new QMenu(this);
    FWindowMenuEntry->setObjectName(QStringLiteral("WindowMenuEntry"));
    AddRecordCommands(FWindowMenuEntry);
    connect(FWindowMenuEntry, &QMenu::aboutToShow, this, &TfBrowse::CurrMenuClick);
    FMain.menuBar()->addMenu(FWindowMenuEntry);
}

void TfBrowse::RemoveWindowMenuEntry() {
    if (FWindowMenuEntry != nullptr) {
        FMain.menuBar()->removeAction(FWindowMenuEntry->menuAction());
    }
}

void TfBrowse::SetPairName(const QString& name) {
    FPairName = name;
    setWindowTitle(name);
    FWindowMenuEntry->setTitle(name);
    FSbar->SetPanelText(0, name);
}

void TfBrowse::AttachTable(TMemTable* table) {
    FTable = table;
    FModel = new TTableGridModel(*table, GridColumns(), PointFont(QStringLiteral("MS Sans Serif"), 8), this);
    FGrid->setModel(FModel);
    for (int column = 0; column < FModel->columnCount(); ++column) {
        FGrid->setColumnWidth(column, FModel->Column(column).Width);
    }
    connect(FGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
        if (!FSyncingGrid && current.isValid()) {
            FTable->SetRecNo(current.row() + 1);
        }
    });
    connect(table, &TMemTable::DataChanged, this, [this] {
        FModel->Refresh();
        ShowCurrentRowInGrid();
        dsDataChange();
    });
    connect(table, &TMemTable::CurrentChanged, this, [this] {
        FModel->CurrentRowMoved();
        ShowCurrentRowInGrid();
        dsDataChange();
    });
    ShowCurrentRowInGrid();
    dsDataChange();
}

void TfBrowse::ShowCurrentRowInGrid() {
    const int row = FTable->RecNo() - 1;
    FSyncingGrid = true;
    if (row >= 0 && row < FModel->rowCount()) {
        const int column = std::max(FGrid->currentIndex().column(), 0);
        FGrid->setCurrentIndex(FModel->index(row, column));
        FGrid->selectRow(row);
    } else {
        FGrid->clearSelection();
    }
    FSyncingGrid = false;
}

void TfBrowse::dsDataChange() {
    const bool empty = FTable == nullptr || FTable->IsEmpty();
    FSbar->SetPanelText(1, empty ? QStringLiteral("Empty")
                                 : QStringLiteral("%1 of %2").arg(FTable->RecNo()).arg(FTable->RecordCount()));
    for (QAction* action : {FToolEdit, FToolDelete, FToolChart, FToolHTML}) {
        action->setEnabled(!empty);
    }
    const bool atFirst = empty || FTable->RecNo() <= 1;
    const bool atLast = empty || FTable->RecNo() >= FTable->RecordCount();
    FNavigatorButtons[0]->setEnabled(!atFirst);
    FNavigatorButtons[1]->setEnabled(!atFirst);
    FNavigatorButtons[2]->setEnabled(!atLast);
    FNavigatorButtons[3]->setEnabled(!atLast);
}

void TfBrowse::ToolNewClick() {
    TSignalRec record = MakeEmptySignalRec(FPairName.left(8).toLatin1().toStdString());
    ActivateChild(this);
    if (!ShowGenerator(record)) {
        return;
    }
    FMain.Dm().StoreRecord(*FTable, record);
    RefreshShownChart();
}

void TfBrowse::ToolEditClick() {
    if (FTable->IsEmpty()) {
        return;
    }
    ActivateChild(this);
    TSignalRec record = MakeEmptySignalRec("");
    if (!FMain.Dm().ReadCurrentRecord(*FTable, record, FPairName)) {
        return;
    }
    if (!ShowGenerator(record)) {
        return;
    }
    FMain.Dm().UpdateCurrentRecord(*FTable, record);
    RefreshShownChart();
}

void TfBrowse::ToolDeleteClick() {
    if (FTable->IsEmpty()) {
        return;
    }
    ActivateChild(this);
    const TMessageButton answer = ShowMessageBox(this, {TMessageKind::Warning,
                                                        QStringLiteral("Warning"),
                                                        QStringLiteral("Delete record! Are you sure?"),
                                                        {TMessageButton::Yes, TMessageButton::No}});
    if (answer != TMessageButton::Yes) {
        return;
    }
    FMain.Dm().DeleteCurrentRecord(*FTable);
    RefreshShownChart();
}

void TfBrowse::ToolChartClick() {
    if (FTable->IsEmpty()) {
        FToolChart->setChecked(!FChart->isHidden());
        return;
    }
    FChart->setVisible(FChart->isHidden());
    FToolChart->setChecked(!FChart->isHidden());
    RefreshShownChart();
}

void TfBrowse::ToolHTMLClick() {
    if (!FTable->IsEmpty()) {
        WriteHtmlReport();
    }
}

void TfBrowse::CurrMenuClick() {
    ActivateChild(this);
}

bool TfBrowse::GridKeyDown(int key) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ToolEditClick();
        return true;
    case Qt::Key_Insert:
        ToolNewClick();
        return true;
    case Qt::Key_Delete:
        ToolDeleteClick();
        return true;
    default:
        return false;
    }
}

bool TfBrowse::eventFilter(QObject* watched, QEvent* event) {
    // The three keys are the window's commands, whatever modifier is held; the grid never sees them.
    if (watched == FGrid && event->type() == QEvent::KeyPress) {
        if (GridKeyDown(static_cast<QKeyEvent*>(event)->key())) {
            return true;
        }
    }
    if (watched == FGrid && event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Insert || key == Qt::Key_Delete) {
            event->accept();
            return true;
        }
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

void TfBrowse::FormActivate() {
    if (!FPairName.isEmpty()) {
        QCoreApplication::postEvent(&FMain, new TPairWindowEvent(pwActivated, FPairName));
    }
}

void TfBrowse::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    FChart->setFixedHeight(height() / 3); // a third of the outer height, shown or not
}

void TfBrowse::closeEvent(QCloseEvent* event) {
    // Counted while this window is still one of the area's: the area lets go of it as it closes.
    const QMdiArea* area = mdiArea();
    const int children = area != nullptr ? static_cast<int>(area->subWindowList().size()) : 1;
    QMdiSubWindow::closeEvent(event);
    if (!event->isAccepted()) {
        return;
    }
    RemoveWindowMenuEntry();
    FormDestroy(children);
}

void TfBrowse::FormDestroy(int children) {
    if (FDestroyReported) {
        return;
    }
    FDestroyReported = true;
    QCoreApplication::postEvent(&FMain, new TPairWindowEvent(pwDestroyed, {}, children));
}

void TfBrowse::RefreshShownChart() {
    if (!FChart->isHidden()) {
        RefreshChart();
    }
}

void TfBrowse::RefreshChart() {
    FChart->chart()->setTitle(QString());
    const int remembered = FTable->RecNo();
    FChart->ClearPoints();
    FChart->SetDecimals(FTable->Tag);
    // The walk runs with the display updates suspended, so the grid does not follow it, and ends on the
    // remembered row also when it fails; the series then hold the rows walked so far.
    FTable->DisableControls();
    const auto restore = qScopeGuard([&] {
        FTable->SetRecNo(remembered);
        FTable->EnableControls();
        FChart->FinishPoints();
    });
    const int date = FTable->FieldByName(QStringLiteral("DATE"));
    const int current = FTable->FieldByName(QStringLiteral("CURRENT"));
    const int highest = FTable->FieldByName(QStringLiteral("HIGHEST"));
    const int lowest = FTable->FieldByName(QStringLiteral("LOWEST"));
    FTable->Last();
    while (!FTable->Bof() && !FTable->IsEmpty()) {
        FChart->AddPoint(AsDouble(FTable->Value(current)), AsDouble(FTable->Value(highest)),
                         AsDouble(FTable->Value(lowest)), FTable->DisplayText(date));
        FTable->Prior();
    }
}

void TfBrowse::WriteHtmlReport() {
    const QString html = AppFilePath(QStringLiteral("talvero.htm"));
    const QString picture = AppFilePath(QStringLiteral("talvero.bmp"));
    RefreshChart(); // whether the chart shows or not: the picture is drawn from fresh series
    // A hidden chart keeps the width it last had (or its first width); the tables are never narrower than 680.
    const int reportWidth = std::max(FChart->width(), MinReportWidth);
    FChart->SavePicture(picture);

    // The newest rows first, walked with the display updates suspended; the remembered row comes back and the
    // updates resume also when writing fails, and a report that was not written is not opened.
    QStringList lines;
    const int remembered = FTable->RecNo();
    FTable->DisableControls();
    const auto restore = qScopeGuard([&] {
        FTable->SetRecNo(remembered);
        FTable->EnableControls();
    });
    lines << ReportHeaderLines(windowTitle(), picture);
    FTable->First();
    for (int blocks = 0; !FTable->Eof() && blocks < MaxReportBlocks; ++blocks) {
        WriteRecordBlock(*FTable, reportWidth, lines);
        FTable->Next();
    }
    lines << ReportFooterLines();
    WriteReportFile(html, lines);
    platform::ShellOpen(html);
}
