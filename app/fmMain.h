#pragma once

// The main window: the frame of the browse windows, with the currency menus, the tool bar and the status
// bar. It looks at every event posted to the program before it is delivered and acts on the browse windows'
// WM_PAIRWINDOW reports.

#include <QMainWindow>
#include <QStringList>

class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class TImageList;
class TStatusPanelBar;
class Tdm;
class TfBrowse;

class TfMain : public QMainWindow {
    Q_OBJECT
public:
    TfMain(Tdm& dm, const TImageList& images, QWidget* parent = nullptr);
    ~TfMain() override;

    Tdm& Dm() const { return FDm; }
    const TImageList& Images() const { return FImages; }
    QMdiArea* MdiArea() const { return FMdiArea; }
    TStatusPanelBar* Bar() const { return FBar; }
    QMenu* Popup() const { return FPopup; }
    QMenu* OpenCurr() const { return FOpenCurr; }

    // The open browse windows in the area's order.
    QList<TfBrowse*> BrowseWindows() const;

    // Handlers, under the names the program's documents use.
    void SC1Click();
    void ExitProgramClick();
    void CascadeWinClick();
    void TileWinClick();
    void HelpClick();
    void TextHelpClick();
    void Readme1Click();
    void AboutClick();
    void CurrencyItemClick(const QString& caption);

    // Status bar texts.
    static QString StartKeyHelp();
    static QString KeyHelp(bool severalWindows);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override; // AppEventsMessage
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override; // FormClose

private:
    void FormCreate();
    void FormActivate();
    bool AppEventsMessage(QEvent* event);
    void BuildCurrencyMenus();
    void ShowMakerStatus();
    void TileSideBySide();
    QToolBar* BuildToolBar();
    void BuildMainMenu();

    Tdm& FDm;
    const TImageList& FImages;
    bool FExitChosen = false;
    bool FFirstActivation = true;
    bool FTiled = false; // the last arrangement was side by side: keep it when the area is resized
    QStringList FPairList;
    QMdiArea* FMdiArea = nullptr;
    TStatusPanelBar* FBar = nullptr;
    QMenu* FPopup = nullptr;
    QMenu* FOpenCurr = nullptr;
};
