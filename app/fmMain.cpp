#include "fmMain.h"

#include "TStatusPanelBar.h"
#include "fmAbout.h"
#include "fmBrowse.h"
#include "uFonts.h"
#include "uForexAPI.h"
#include "uImageList.h"
#include "uPairWindowEvent.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

constexpr int FrameMargin = 20;

} // namespace

TfMain::TfMain(Tdm& dm, const TImageList& images, QWidget* parent) : QMainWindow(parent), FDm(dm), FImages(images) {
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(QStringLiteral("TALVERO - Forex Automatic Day Trading System"));
    setWindowIcon(images.Icon(imgAbout));

    FMdiArea = new QMdiArea(this);
    FMdiArea->setObjectName(QStringLiteral("MdiArea"));
    FMdiArea->setBackground(QColor(128, 128, 128));
    FMdiArea->setActivationOrder(QMdiArea::CreationOrder);
    FMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    FMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    FMdiArea->setContextMenuPolicy(Qt::CustomContextMenu);
    setCentralWidget(FMdiArea);

    FPopup = new QMenu(this);
    FPopup->setObjectName(QStringLiteral("Popup"));
    BuildMainMenu();
    addToolBar(BuildToolBar());

    FBar = new TStatusPanelBar({{32, Qt::AlignCenter, images.Icon(imgMainStatus), {}},
                                {88, Qt::AlignCenter, {}, {}},
                                {0, Qt::AlignCenter, images.Icon(imgUserGuide), StartKeyHelp()}},
                               this);
    FBar->setObjectName(QStringLiteral("Bar"));
    FBar->setFont(PointFont(QStringLiteral("MS Sans Serif"), 8));
    setStatusBar(FBar);

    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { FPopup->popup(mapToGlobal(at)); });
    connect(FMdiArea, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { FPopup->popup(FMdiArea->mapToGlobal(at)); });

    qApp->installEventFilter(this); // AppEvents: every posted event passes here before delivery
    FormCreate();
}

TfMain::~TfMain() {
    qApp->removeEventFilter(this);
}

void TfMain::FormCreate() {
    FExitChosen = false;
    FFirstActivation = true;
    // Centred with a 20-pixel margin on every side of the screen.
    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QRect available = screen->geometry();
        resize(available.width() - 2 * FrameMargin, available.height() - 2 * FrameMargin);
        move(available.left() + FrameMargin, available.top() + FrameMargin);
    }
    ShowMakerStatus();
    FPairList.clear();
    BuildCurrencyMenus();
}

QString TfMain::StartKeyHelp() {
    return QStringLiteral(
        "  F1 - user guide  F2/Right click - select currency  F3 - tile   F4 - cascade  F10 - main menu  ");
}

QString TfMain::KeyHelp(bool severalWindows) {
    const QString keys = QStringLiteral(
        "  F1 - user guide  F2/Right click - select currency  F3 - tile   F4 - cascade  F10 - main menu");
    return severalWindows ? QStringLiteral("  CTRL+TAB - select window") + keys : keys;
}

void TfMain::BuildMainMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    FOpenCurr = file->addMenu(FImages.Icon(imgOpenCurrency), QStringLiteral("Open currency"));
    FOpenCurr->setObjectName(QStringLiteral("OpenCurr"));
    FOpenCurr->menuAction()->setToolTip(QStringLiteral("Open currency"));
    // SC exists only to carry F2; it is never shown but its shortcut works.
    auto* sc1 = new QAction(QStringLiteral("SC"), this);
    sc1->setObjectName(QStringLiteral("SC1"));
    sc1->setShortcut(Qt::Key_F2);
    sc1->setShortcutContext(Qt::WindowShortcut);
    connect(sc1, &QAction::triggered, this, &TfMain::SC1Click);
    addAction(sc1);
    file->addSeparator();
    QAction* exitProgram = file->addAction(QStringLiteral("Exit program"), this, &TfMain::ExitProgramClick);
    exitProgram->setObjectName(QStringLiteral("ExitProgram"));
    exitProgram->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));

    QMenu* window = bar->addMenu(QStringLiteral("&Window"));
    window->setObjectName(QStringLiteral("Window1"));
    QAction* cascade =
        window->addAction(FImages.Icon(imgCascade), QStringLiteral("Cascade"), this, &TfMain::CascadeWinClick);
    cascade->setObjectName(QStringLiteral("CascadeWin"));
    cascade->setShortcut(Qt::Key_F4);
    cascade->setToolTip(QStringLiteral("Cascade windows"));
    QAction* tile = window->addAction(FImages.Icon(imgTile), QStringLiteral("Tile"), this, &TfMain::TileWinClick);
    tile->setObjectName(QStringLiteral("TileWin"));
    tile->setShortcut(Qt::Key_F3);
    tile->setToolTip(QStringLiteral("Tile windows"));

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    QAction* help2 = help->addAction(FImages.Icon(imgHelp), QStringLiteral("Help"), this, &TfMain::HelpClick);
    help2->setObjectName(QStringLiteral("Help2"));
    help2->setShortcut(Qt::Key_F1);
    QAction* textHelp =
        help->addAction(FImages.Icon(imgUserGuide), QStringLiteral("User Guide"), this, &TfMain::TextHelpClick);
    textHelp->setObjectName(QStringLiteral("TextHelp"));
    help->addSeparator();
    help->addAction(QStringLiteral("Read me"), this, &TfMain::Readme1Click)->setObjectName(QStringLiteral("Readme1"));
    help->addSeparator();
    QAction* about = help->addAction(FImages.Icon(imgAbout), QStringLiteral("About..."), this, &TfMain::AboutClick);
    about->setObjectName(QStringLiteral("About"));

    // F10 opens the main menu, as the key help in the status bar promises.
    auto* menuKey = new QAction(this);
    menuKey->setShortcut(Qt::Key_F10);
    connect(menuKey, &QAction::triggered, this, [this] {
        menuBar()->setFocus(Qt::MenuBarFocusReason);
        menuBar()->setActiveAction(menuBar()->actions().value(0));
    });
    addAction(menuKey);

    for (QAction* action : {exitProgram, cascade, tile, help2}) {
        action->setShortcutContext(Qt::WindowShortcut);
    }
}

QToolBar* TfMain::BuildToolBar() {
    auto* toolBar = new QToolBar(QStringLiteral("ToolBar1"), this);
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setFixedHeight(29);
    toolBar->setIconSize(QSize(16, 16));
    toolBar->toggleViewAction()->setVisible(false);

    auto addButton = [&](const char* name, int image, const QString& hint, auto handler) {
        QAction* action = toolBar->addAction(FImages.Icon(image), hint, this, handler);
        action->setToolTip(hint);
        QWidget* button = toolBar->widgetForAction(action);
        button->setObjectName(QString::fromLatin1(name));
        button->setFixedWidth(25);
        return action;
    };

    auto* openButton = new QToolButton(toolBar);
    openButton->setObjectName(QStringLiteral("ToolButton1"));
    openButton->setIcon(FImages.Icon(imgOpenCurrency));
    openButton->setToolTip(QStringLiteral("Open currency"));
    openButton->setAutoRaise(true);
    openButton->setFixedWidth(25);
    // Drops the currency popup down below the button (a plain button: no menu arrow beside the picture).
    connect(openButton, &QToolButton::clicked, this,
            [this, openButton] { FPopup->popup(openButton->mapToGlobal(QPoint(0, openButton->height()))); });
    toolBar->addWidget(openButton);
    toolBar->addSeparator();
    addButton("ToolButton3", imgCascade, QStringLiteral("Cascade windows"), &TfMain::CascadeWinClick);
    addButton("ToolButton4", imgTile, QStringLiteral("Tile windows"), &TfMain::TileWinClick);
    toolBar->addSeparator();
    addButton("ToolButton7", imgHelp, QStringLiteral("Help"), &TfMain::HelpClick);
    addButton("ToolButton6", imgUserGuide, QStringLiteral("User Guide"), &TfMain::TextHelpClick);
    toolBar->addSeparator();
    addButton("ToolButton9", imgAbout, QStringLiteral("About..."), &TfMain::AboutClick);
    return toolBar;
}

void TfMain::BuildCurrencyMenus() {
    GetCurrencyList(FPairList);
    for (const QString& name : FPairList) {
        for (QMenu* menu : {FPopup, FOpenCurr}) {
            QAction* item = menu->addAction(FImages.Icon(imgCurrency), name);
            item->setEnabled(true);
            connect(item, &QAction::triggered, this, [this, item] { CurrencyItemClick(item->text()); });
        }
    }
}

void TfMain::ShowMakerStatus() {
    FBar->SetPanelText(1, QStringLiteral("Forex-KVT"));
}

QList<TfBrowse*> TfMain::BrowseWindows() const {
    QList<TfBrowse*> windows;
    for (QMdiSubWindow* window : FMdiArea->subWindowList()) {
        if (auto* browse = qobject_cast<TfBrowse*>(window)) {
            windows.append(browse);
        }
    }
    return windows;
}

void TfMain::CurrencyItemClick(const QString& caption) {
    TfBrowse::OpenBrowseWindow(*this, caption);
}

void TfMain::SC1Click() {
    FPopup->popup(frameGeometry().topLeft() + QPoint(16, 32));
}

void TfMain::ExitProgramClick() {
    FExitChosen = true;
    close();
}

// Cascaded as the platform's frames do it: each window a title bar's height below and right of the one behind
// it, all as large as the area allows, the active one in front.
void TfMain::CascadeWinClick() {
    FTiled = false;
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : FMdiArea->subWindowList(QMdiArea::StackingOrder)) {
        if (window->isVisible() && !window->isMinimized()) {
            windows.append(window);
        }
    }
    if (windows.isEmpty()) {
        return;
    }
    const QRect area = FMdiArea->viewport()->rect();
    const int step = std::max(windows.front()->style()->pixelMetric(QStyle::PM_TitleBarHeight), 20);
    const int count = static_cast<int>(windows.size());
    const QSize size(std::max(area.width() - (count - 1) * step, area.width() / 2),
                     std::max(area.height() - (count - 1) * step, area.height() / 2));
    for (int i = 0; i < count; ++i) {
        windows[i]->showNormal();
        windows[i]->setGeometry(QRect(QPoint(i * step, i * step), size));
        windows[i]->raise();
    }
}

void TfMain::TileWinClick() {
    FTiled = true;
    TileSideBySide();
}

// Side by side: one column per window across the whole area, in the area's order.
void TfMain::TileSideBySide() {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : FMdiArea->subWindowList()) {
        if (window->isVisible() && !window->isMinimized()) {
            windows.append(window);
        }
    }
    if (windows.isEmpty()) {
        return;
    }
    const QRect area = FMdiArea->viewport()->rect();
    const int count = static_cast<int>(windows.size());
    for (int i = 0; i < count; ++i) {
        const int left = area.width() * i / count;
        const int right = area.width() * (i + 1) / count;
        windows[i]->showNormal();
        windows[i]->setGeometry(left, 0, right - left, area.height());
    }
}

void TfMain::HelpClick() {
    OpenAppFile(QStringLiteral("fxhelp.hlp"));
}

void TfMain::TextHelpClick() {
    OpenAppFile(QStringLiteral("fxguide.hlp"));
}

void TfMain::Readme1Click() {
    OpenAppFile(QStringLiteral("readme.txt"));
}

void TfMain::AboutClick() {
    ShowAboutBox(this);
}

void TfMain::FormActivate() {
    if (FFirstActivation) {
        FFirstActivation = false;
        // Shown once the activation itself has been handled, so the frame is fully up behind the box.
        QTimer::singleShot(0, this, [this] { ShowAboutBox(this); });
    }
}

bool TfMain::event(QEvent* event) {
    // Without a window manager a window may be shown but never activated; its first showing counts too.
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show) {
        FormActivate();
    }
    return QMainWindow::event(event);
}

bool TfMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == WM_PAIRWINDOW) {
        return AppEventsMessage(event);
    }
    if (watched == FMdiArea->viewport() && event->type() == QEvent::Resize && FTiled) {
        QTimer::singleShot(0, this, &TfMain::TileSideBySide);
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TfMain::AppEventsMessage(QEvent* event) {
    const auto* report = static_cast<TPairWindowEvent*>(event);
    switch (report->Code()) {
    case pwActivated:
        FBar->SetPanelText(1, report->Name());
        FBar->SetPanelText(2, KeyHelp(FMdiArea->subWindowList().size() >= 2));
        return true;
    case pwDestroyed:
        if (report->Count() <= 1) {
            ShowMakerStatus();
        }
        return true;
    default:
        return false; // not ours: delivered to its target unchanged
    }
}

void TfMain::closeEvent(QCloseEvent* event) {
    if (!FExitChosen) {
        if (QMdiSubWindow* active = FMdiArea->activeSubWindow()) {
            event->ignore();
            active->close();
            return;
        }
    }
    FPairList.clear();
    event->accept();
}
