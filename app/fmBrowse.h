#pragma once

// The browse window of one currency pair: its history in a grid, newest first, with the commands to create,
// show and delete records, the pair's chart and the HTML report. It reports to the main window by posted
// WM_PAIRWINDOW events.

#include <QMdiSubWindow>
#include <QString>
#include <QStringList>

class QAction;
class TPairChart;
class QMenu;
class QTableView;
class QToolButton;
class TMemTable;
class TStatusPanelBar;
class TTableGridModel;
class TfMain;

class TfBrowse : public QMdiSubWindow {
    Q_OBJECT
public:
    // The pair's window: an open one is brought to the front, else a new one is made. "&" marks in the name
    // are removed.
    static TfBrowse* OpenBrowseWindow(TfMain& main, const QString& name);
    // Brings w to the front by stepping through the area's windows.
    static void ActivateChild(TfBrowse* w);

    explicit TfBrowse(TfMain& main);

    const QString& PairName() const { return FPairName; }
    TMemTable* Table() const { return FTable; }
    QTableView* Grid() const { return FGrid; }
    TPairChart* Chart() const { return FChart; }
    TStatusPanelBar* Sbar() const { return FSbar; }
    QMenu* WindowMenuEntry() const { return FWindowMenuEntry; }
    QMenu* BrowPopup() const { return FBrowPopup; }

    // Handlers, under the names the program's documents use.
    void ToolNewClick();
    void ToolEditClick();
    void ToolDeleteClick();
    void ToolChartClick();
    void ToolHTMLClick();
    void CurrMenuClick();
    void dsDataChange();

    // Refills the chart's three series from the table, oldest row at the left.
    void RefreshChart();
    // Writes "talvero.bmp" and "talvero.htm" next to the program and opens the report.
    void WriteHtmlReport();

protected:
    void closeEvent(QCloseEvent* event) override;               // FormClose
    void resizeEvent(QResizeEvent* event) override;             // FormResize
    bool eventFilter(QObject* watched, QEvent* event) override; // GridKeyDown

private:
    void FormCreate();
    void FormActivate();
    void FormDestroy(int children); // children: the browse windows open, this one included
    void BuildWindowMenuEntry();
    void RemoveWindowMenuEntry();
    void AddRecordCommands(QMenu* menu);
    void AttachTable(TMemTable* table);
    void SetPairName(const QString& name);
    void ShowCurrentRowInGrid();
    bool GridKeyDown(int key);
    QWidget* BuildNavigator();
    void BuildChart();
    // Refreshes the chart if it shows; a hidden chart is refreshed when it is shown.
    void RefreshShownChart();
    // The current row's price in field as the chart draws it.

    // The chart's width until it is first shown.
    static constexpr int InitialChartWidth = 466;

    TfMain& FMain;
    QString FPairName;
    TMemTable* FTable = nullptr; // owned by the data module
    TTableGridModel* FModel = nullptr;
    QTableView* FGrid = nullptr;
    TPairChart* FChart = nullptr;
    TStatusPanelBar* FSbar = nullptr;
    QMenu* FBrowPopup = nullptr;
    QMenu* FWindowMenuEntry = nullptr;
    QAction* FToolNew = nullptr;
    QAction* FToolEdit = nullptr;
    QAction* FToolDelete = nullptr;
    QAction* FToolChart = nullptr;
    QAction* FToolHTML = nullptr;
    QList<QToolButton*> FNavigatorButtons;
    bool FSyncingGrid = false;
    bool FDestroyReported = false;
};
