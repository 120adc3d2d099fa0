#include "fmInput.h"

#include "TFailure.h"
#include "TFindAnimation.h"
#include "TIniFile.h"
#include "TNumEdit.h"
#include "TSignalRec.h"
#include "TTimeEdit.h"
#include "uDM.h"
#include "uDisplayFormat.h"
#include "uFonts.h"
#include "uForexAPI.h"
#include "uInputPictures.h"
#include "uMessageBox.h"
#include "uPlatform.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QDateEdit>
#include <QDir>
#include <QFrame>
#include <QGraphicsLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <span>
#include <string_view>
#include <utility>

namespace {

constexpr int ClientWidth = 444;
constexpr int ClientHeight = 410;
constexpr int BorderWidth = 4;

constexpr int WaitTicks = 12;
constexpr int CancelledCountdown = -8;

// A date edit whose Tab goes to the next control, not to the next part of the date: the day, month and
// year are reached with the arrow keys, as in the platform's date pickers.
class TDateEdit : public QDateEdit {
public:
    using QDateEdit::QDateEdit;

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

int& TickInterval() {
    static int interval = 1000;
    return interval;
}

// The record's prices in the order of the dialog's price edits.
constexpr std::array<double TSignalRec::*, 12> PriceFields = {
    &TSignalRec::BuyLimit, &TSignalRec::BuySig,   &TSignalRec::BuyStop, &TSignalRec::SellLimit,
    &TSignalRec::SellSig,  &TSignalRec::SellStop, &TSignalRec::Highest, &TSignalRec::Current,
    &TSignalRec::Lowest,   &TSignalRec::Price24,  &TSignalRec::Price48, &TSignalRec::Price64,
};

// The platform's button-face colour, the back of read-only fields and of the chart's frame.
QColor ButtonFace() {
    return QApplication::palette().color(QPalette::Button);
}

// Day 0 of the record's day counts; the date edit covers the days it can show.
QDate DayZero() {
    return {1899, 12, 30};
}
QDate FirstDate() {
    return {1601, 1, 1};
}
QDate LastDate() {
    return {9999, 12, 31};
}

QDate DateOfDayCount(double days) {
    const QDate today = platform::LocalNow().date();
    if (!std::isfinite(days) || days == 0.0) {
        return today;
    }
    const double whole = std::trunc(days);
    if (whole < static_cast<double>(DayZero().daysTo(FirstDate())) ||
        whole > static_cast<double>(DayZero().daysTo(LastDate()))) {
        return today;
    }
    return DayZero().addDays(static_cast<qint64>(whole));
}

// Decimals and display format of the price edits for the pair's decimals from the engine. An engine without
// its decimals export answers 0: prices then keep 4 decimals, as the display format shows them, instead of
// being cut to whole numbers when the record is saved.
std::pair<int, QString> PriceFormat(int decimals) {
    switch (decimals) {
    case 1:
        return {1, QStringLiteral(",0.0;-,0.0")};
    case 2:
        return {2, QStringLiteral(",0.00;-,0.00")};
    case 3:
        return {3, QStringLiteral(",0.000;-,0.000")};
    default:
        return {decimals >= 1 ? decimals : 4, QStringLiteral(",0.0000;-,0.0000")};
    }
}

QFont SansSerif(int pixels = 11, bool bold = false) {
    return PixelFont(QStringLiteral("MS Sans Serif"), pixels, bold);
}

QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& geometry,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter, const QFont& font = SansSerif()) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setAlignment(alignment);
    label->setFont(font);
    return label;
}

QLabel* MakePicture(QWidget* parent, const QPixmap& picture, const QPoint& at) {
    auto* label = new QLabel(parent);
    label->setPixmap(picture);
    label->setGeometry(QRect(at, picture.size()));
    return label;
}

void SetColours(QWidget* widget, const QColor& background, const QColor& text) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::Text, text);
    widget->setPalette(palette);
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

// The price axis of the mini chart for the positive prices between low and high: a range with round ends and
// at most three round prices to label, so that the small chart stays readable.
struct TChartScale {
    double Low = 1.0;
    double High = 10.0;
    QList<double> Ticks;
    int Decimals = 0;
};

double NiceStep(double atLeast) {
    const double magnitude = std::pow(10.0, std::floor(std::log10(atLeast)));
    const double ratio = atLeast / magnitude;
    return (ratio <= 1.0 ? 1.0 : ratio <= 2.0 ? 2.0 : ratio <= 5.0 ? 5.0 : 10.0) * magnitude;
}

TChartScale ChartScaleFor(double low, double high) {
    TChartScale scale;
    if (!(low > 0.0) || !(high >= low) || !std::isfinite(high)) {
        return scale; // nothing to show: a valid range without labels
    }
    // A flat line gets a band of 0.2 % around it.
    const double span = std::max(high - low, high * 0.002);
    double step = NiceStep(span / 2.0);
    for (;;) {
        scale.Low = std::floor(low / step + 1e-9) * step;
        scale.High = std::ceil(high / step - 1e-9) * step;
        if (scale.High - scale.Low < step / 2.0) {
            scale.Low -= step;
            scale.High += step;
        }
        if (std::llround((scale.High - scale.Low) / step) <= 2) {
            break;
        }
        step = NiceStep(step * 1.5);
    }
    if (scale.Low <= 0.0) {
        scale.Low = low; // the logarithmic axis cannot start at 0
    }
    for (double tick = std::ceil(scale.Low / step - 1e-9) * step; tick <= scale.High + step / 2.0; tick += step) {
        if (tick > 0.0) {
            scale.Ticks.append(tick);
        }
    }
    scale.Decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    return scale;
}

} // namespace

QString LastInputFilePath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (folder.isEmpty()) {
        return {};
    }
    QDir().mkpath(folder);
    return folder + QStringLiteral("/fxlastin.ini");
}

bool ShowGenerator(TSignalRec& rec) {
    TfInput dialog(rec);
    dialog.ShowRecord();
    if (dialog.eSignalBuy->Value() > 0 && dialog.eSignalSell->Value() > 0) {
        dialog.ShowReadOnlyView();
    } else {
        dialog.UpdateButtons();
    }
    return dialog.exec() == QDialog::Accepted;
}

void TfInput::SetTickInterval(int milliseconds) {
    TickInterval() = milliseconds;
}

TfInput::TfInput(TSignalRec& rec, QWidget* parent) : QDialog(parent), FRec(rec) {
    BuildControls();
    // Key preview: the dialog sees every key stroke before its controls do.
    qApp->installEventFilter(this);
    FormCreate();
}

TfInput::~TfInput() {
    qApp->removeEventFilter(this);
}

void TfInput::BuildControls() {
    setObjectName(QStringLiteral("fInput"));
    setWindowTitle(QStringLiteral("TALVERO - Forex Automatic Day Trading System - Generator"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(SansSerif());
    setFixedSize(ClientWidth + 2 * BorderWidth, ClientHeight + 2 * BorderWidth);

    auto* client = new QWidget(this);
    client->setGeometry(BorderWidth, BorderWidth, ClientWidth, ClientHeight);

    const auto makeGroup = [client](const char* name, const QString& caption, const QRect& geometry) {
        auto* group = new QGroupBox(caption, client);
        group->setObjectName(QString::fromLatin1(name));
        group->setFont(SansSerif(11, true));
        group->setGeometry(geometry);
        return group;
    };
    const auto makePriceEdit = [](QWidget* parent, const char* name, const QRect& geometry) {
        auto* edit = new TNumEdit(parent);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setFont(SansSerif());
        edit->setGeometry(geometry);
        return edit;
    };
    const auto makeResultEdit = [&makePriceEdit](QWidget* parent, const char* name, const QRect& geometry,
                                                 const QFont& font) {
        TNumEdit* edit = makePriceEdit(parent, name, geometry);
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::ClickFocus);
        edit->setFont(font);
        return edit;
    };

    // General information: date, pair and time side by side.
    GroupBox1 = makeGroup("GroupBox1", QStringLiteral("General information"), {0, 0, ClientWidth, 57});
    MakePicture(GroupBox1, GeneralInformationPicture(), {10, 18});
    MakeLabel(GroupBox1, QStringLiteral("Date"), {52, 13, 121, 14});
    eDate = new TDateEdit(GroupBox1);
    eDate->setObjectName(QStringLiteral("eDate"));
    eDate->setFont(SansSerif());
    eDate->setGeometry(52, 28, 121, 21);
    eDate->setCalendarPopup(true);
    eDate->setDateRange(FirstDate(), LastDate());
    QString dateFormat = QLocale().dateFormat(QLocale::ShortFormat);
    if (!dateFormat.contains(QStringLiteral("yyyy"))) {
        dateFormat.replace(QStringLiteral("yy"), QStringLiteral("yyyy")); // a two-digit year is ambiguous here
    }
    eDate->setDisplayFormat(dateFormat);
    MakeLabel(GroupBox1, QStringLiteral("Currency"), {187, 13, 121, 14});
    eCurr = new QLineEdit(GroupBox1);
    eCurr->setObjectName(QStringLiteral("eCurr"));
    eCurr->setFont(SansSerif());
    eCurr->setGeometry(187, 28, 121, 21);
    eCurr->setReadOnly(true);
    eCurr->setFocusPolicy(Qt::ClickFocus);
    SetColours(eCurr, ButtonFace(), Qt::black);
    MakeLabel(GroupBox1, QStringLiteral("Time"), {322, 13, 88, 14});
    eTime = new TTimeEdit(GroupBox1);
    eTime->setObjectName(QStringLiteral("eTime"));
    eTime->setFont(SansSerif());
    eTime->setGeometry(322, 28, 88, 21);

    // Results: BUY at the left, SELL at the right; in each column the higher price stands higher.
    GroupSig = makeGroup("GroupSig", QStringLiteral("Results"), {0, 59, ClientWidth, 145});
    const QFont resultFont = SansSerif(13, true);
    const QFont entryFont = SansSerif(19, true);
    const QFont headingFont = SansSerif(16, true);
    struct TColumn {
        TNumEdit* Top;
        TNumEdit* Entry;
        TNumEdit* Bottom;
    };
    const auto makeColumn = [&](int left, const QString& heading, const QColor& colour, const QPixmap& picture,
                                const char* topName, const char* entryName, const char* bottomName,
                                const QString& entryCaption, bool buy) {
        SetTextColour(MakeLabel(GroupSig, heading, {left + 92, 14, 121, 20}, Qt::AlignCenter, headingFont), colour);
        MakePicture(GroupSig, picture, {left + 4, 38});
        const QString topCaption = buy ? QStringLiteral("LIMIT:") : QStringLiteral("STOP:");
        const QString bottomCaption = buy ? QStringLiteral("STOP:") : QStringLiteral("LIMIT:");
        MakeLabel(GroupSig, topCaption, {left + 30, 38, 58, 22}, Qt::AlignRight | Qt::AlignVCenter);
        MakeLabel(GroupSig, entryCaption, {left, 65, 88, 34}, Qt::AlignRight | Qt::AlignVCenter, resultFont);
        MakeLabel(GroupSig, bottomCaption, {left + 30, 104, 58, 22}, Qt::AlignRight | Qt::AlignVCenter);
        const TColumn column = {makeResultEdit(GroupSig, topName, {left + 92, 38, 121, 22}, resultFont),
                                makeResultEdit(GroupSig, entryName, {left + 92, 65, 121, 34}, entryFont),
                                makeResultEdit(GroupSig, bottomName, {left + 92, 104, 121, 22}, resultFont)};
        // A limit is yellow with black text, a stop red with white text.
        const QColor yellow(255, 255, 0);
        const QColor red(255, 0, 0);
        SetColours(column.Top, buy ? yellow : red, buy ? Qt::black : Qt::white);
        SetColours(column.Bottom, buy ? red : yellow, buy ? Qt::white : Qt::black);
        return column;
    };
    const TColumn buyColumn = makeColumn(4, QStringLiteral("BUY"), QColor(0, 0, 255), BuyPicture(), "eLimitBuy",
                                         "eSignalBuy", "eStopBuy", QStringLiteral("ENTRY\nsignal buy"), true);
    eLimitBuy = buyColumn.Top;
    eSignalBuy = buyColumn.Entry;
    eStopBuy = buyColumn.Bottom;
    const TColumn sellColumn = makeColumn(226, QStringLiteral("SELL"), QColor(128, 0, 128), SellPicture(), "eStopSell",
                                          "eSignalSell", "eLimitSell", QStringLiteral("ENTRY\nsignal sell"), false);
    eStopSell = sellColumn.Top;
    eSignalSell = sellColumn.Entry;
    eLimitSell = sellColumn.Bottom;

    // The panel that takes the place of the results during the computing wait.
    Computing = new QFrame(client);
    Computing->setObjectName(QStringLiteral("Computing"));
    Computing->setGeometry(GroupSig->geometry());
    Computing->setFrameStyle(QFrame::Box | QFrame::Plain);
    Computing->setLineWidth(1);
    MakeLabel(Computing, QStringLiteral("    Computing signals please wait..."), {1, 1, ClientWidth - 2, 143},
              Qt::AlignLeft | Qt::AlignVCenter, PixelFont(QStringLiteral("Arial"), 16, true));
    Animate = new TFindAnimation(Computing);
    Animate->setObjectName(QStringLiteral("Animate"));
    Animate->setGeometry(ClientWidth - 48 - 10, 8, 48, 50);
    Progress = new QProgressBar(Computing);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setGeometry((ClientWidth - 409) / 2, 100, 409, 17);
    Progress->setTextVisible(false);
    Progress->setRange(0, WaitTicks);
    Progress->setValue(0);
    Computing->hide();

    // The six prices the user fills in, and the chart of four of them.
    GroupBox3 =
        makeGroup("GroupBox3", QStringLiteral("Just Fill Out These Six Columns Only:"), {0, 206, ClientWidth, 176});
    MakeLabel(GroupBox3, QStringLiteral("Highest price within\nlast 24 hours."), {10, 14, 121, 28},
              Qt::AlignLeft | Qt::AlignBottom);
    eHigh = makePriceEdit(GroupBox3, "eHigh", {10, 44, 121, 21});
    SetTextColour(MakeLabel(GroupBox3, QStringLiteral("Current price"), {146, 22, 151, 20}, Qt::AlignCenter,
                            PixelFont(QStringLiteral("Arial"), 16, true)),
                  QColor(255, 0, 0));
    eCurrent = makePriceEdit(GroupBox3, "eCurrent", {161, 43, 121, 23});
    eCurrent->setFont(SansSerif(13, true));
    MakeLabel(GroupBox3, QStringLiteral("Lowest price within\nlast 24 hours."), {313, 14, 121, 28},
              Qt::AlignLeft | Qt::AlignBottom);
    eLow = makePriceEdit(GroupBox3, "eLow", {313, 44, 121, 21});
    const std::array<std::pair<const char*, QString>, 3> ages = {{
        {"ePrice24", QStringLiteral("Price exactly 24 hours ago:")},
        {"ePrice48", QStringLiteral("Price exactly 48 hours ago:")},
        {"ePrice64", QStringLiteral("Price exactly 72 hours ago:")},
    }};
    std::array<TNumEdit*, 3> ageEdits{};
    for (std::size_t i = 0; i < ages.size(); ++i) {
        const int top = 84 + static_cast<int>(i) * 27;
        MakeLabel(GroupBox3, ages[i].second, {4, top, 150, 21}, Qt::AlignRight | Qt::AlignVCenter);
        ageEdits[i] = makePriceEdit(GroupBox3, ages[i].first, {158, top, 121, 21});
    }
    ePrice24 = ageEdits[0];
    ePrice48 = ageEdits[1];
    ePrice64 = ageEdits[2];

    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setBackgroundRoundness(0);
    chart->setBackgroundBrush(ButtonFace());
    chart->setBackgroundPen(Qt::NoPen);
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    // Margins of 10 % (left), 5 % (right) and 8 % (top and bottom) of the chart's 156 x 80 pixels.
    chart->setMargins(QMargins(16, 6, 8, 6));
    chart->setPlotAreaBackgroundBrush(Qt::white);
    chart->setPlotAreaBackgroundVisible(true);
    Series1 = new QLineSeries(chart);
    Series1->setObjectName(QStringLiteral("Series1"));
    QPen line(QColor(0, 0, 255));
    line.setWidth(3);
    Series1->setPen(line);
    Series1->setPointsVisible(false);
    chart->addSeries(Series1);
    const QFont axisFont = SansSerif();
    auto* ageAxis = new QCategoryAxis(chart);
    ageAxis->setObjectName(QStringLiteral("MiniChartAges"));
    ageAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    ageAxis->setStartValue(0);
    ageAxis->append(QStringLiteral("Curr."), 0);
    ageAxis->append(QStringLiteral("24 h."), 1);
    ageAxis->append(QStringLiteral("48 h."), 2);
    ageAxis->append(QStringLiteral("64 h."), 3);
    // Room behind the last point keeps its label inside the chart; the first label may reach under the price
    // labels at the left.
    ageAxis->setRange(0, 3.25);
    ageAxis->setLabelsFont(axisFont);
    ageAxis->setLabelsBrush(Qt::black);
    ageAxis->setTruncateLabels(false);
    // The logarithmic scale places the points; it cannot label the narrow range of a pair's prices (it
    // labels powers of its base only), so a second, label-only axis shows round prices at their logarithms.
    FChartScale = new QLogValueAxis(chart);
    FChartScale->setObjectName(QStringLiteral("MiniChartScale"));
    FChartScale->setVisible(false);
    FChartPrices = new QCategoryAxis(chart);
    FChartPrices->setObjectName(QStringLiteral("MiniChartPrices"));
    FChartPrices->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    FChartPrices->setLabelsFont(axisFont);
    FChartPrices->setLabelsBrush(Qt::black);
    FChartPrices->setTruncateLabels(false);
    chart->addAxis(ageAxis, Qt::AlignBottom);
    chart->addAxis(FChartScale, Qt::AlignLeft);
    chart->addAxis(FChartPrices, Qt::AlignLeft);
    Series1->attachAxis(ageAxis);
    Series1->attachAxis(FChartScale);
    MiniChart = new QChartView(chart, GroupBox3);
    MiniChart->setObjectName(QStringLiteral("MiniChart"));
    MiniChart->setGeometry(284, 84, 156, 80);
    MiniChart->setFrameShape(QFrame::NoFrame);
    MiniChart->setRenderHint(QPainter::Antialiasing);
    MiniChart->setFocusPolicy(Qt::NoFocus);
    MiniChart->setContextMenuPolicy(Qt::NoContextMenu);

    // The buttons along the bottom.
    const auto makeButton = [client](const char* name, const QString& caption, int left) {
        auto* button = new QPushButton(caption, client);
        button->setObjectName(QString::fromLatin1(name));
        button->setFont(SansSerif());
        button->setGeometry(left, ClientHeight - 25, 75, 25);
        // Enter moves on in the edits and presses a focused button (eventFilter); no button is the default.
        button->setAutoDefault(false);
        return button;
    };
    bStart = makeButton("bStart", QStringLiteral("&Start"), 0);
    bReset = makeButton("bReset", QStringLiteral("&Reset"), 92);
    bHelp = makeButton("bHelp", QStringLiteral("&user guide"), 184);
    bHelp->setIcon(HelpPicture());
    bHelp->setIconSize(QSize(14, 14));
    bSave = makeButton("bSave", QStringLiteral("&Save"), 277);
    bClose = makeButton("bClose", QStringLiteral("Close"), ClientWidth - 75);

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setSingleShot(true);

    FPriceEdits = {eLimitBuy, eSignalBuy, eStopBuy, eLimitSell, eSignalSell, eStopSell,
                   eHigh,     eCurrent,   eLow,     ePrice24,   ePrice48,    ePrice64};

    FTabOrder = {eDate,    eTime,  eHigh,  eCurrent, eLow,  ePrice24, ePrice48,
                 ePrice64, bStart, bReset, bHelp,    bSave, bClose};
    for (std::size_t i = 1; i < FTabOrder.size(); ++i) {
        setTabOrder(FTabOrder[i - 1], FTabOrder[i]);
    }

    for (TNumEdit* edit : {eCurrent, ePrice24, ePrice48, ePrice64}) {
        connect(edit, &TNumEdit::Changed, this, &TfInput::PriceXXChange);
    }
    for (TNumEdit* edit : {eHigh, eLow}) {
        connect(edit, &TNumEdit::Changed, this, &TfInput::eChange);
    }
    connect(bStart, &QPushButton::clicked, this, &TfInput::bStartClick);
    connect(bReset, &QPushButton::clicked, this, &TfInput::bResetClick);
    connect(bHelp, &QPushButton::clicked, this, &TfInput::bHelpClick);
    connect(bSave, &QPushButton::clicked, this, &TfInput::bSaveClick);
    connect(bClose, &QPushButton::clicked, this, &TfInput::bCloseClick);
    connect(Timer, &QTimer::timeout, this, &TfInput::TimerTimer);
}

void TfInput::FormCreate() {
    FCreated = true;
}

void TfInput::FormActivate() {
    DrawMiniChart();
}

void TfInput::FormClose() {
    WriteLastInput();
}

bool TfInput::FormKeyDown(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        bHelpClick();
        return true;
    }
    return false;
}

void TfInput::EnterNext(QKeyEvent* event) {
    // Posted, as a Tab typed by the user would arrive: the focus moves once the Enter has been handled.
    const bool backwards = (event->modifiers() & Qt::ShiftModifier) != 0;
    QCoreApplication::postEvent(this, new QKeyEvent(QEvent::KeyPress, backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                                                    backwards ? Qt::ShiftModifier : Qt::NoModifier));
}

void TfInput::PriceXXChange() {
    DrawMiniChart();
    UpdateButtons();
}

void TfInput::eChange() {
    UpdateButtons();
}

void TfInput::ShowRecord() {
    const QString currency = ShortTextString(FRec.Currency);
    eCurr->setText(currency);
    eDate->setDate(DateOfDayCount(FRec.Date));
    eTime->SetTimeText(ShortTextString(FRec.Time));
    if (eTime->TimeText().isEmpty()) {
        eTime->SetTimeText(platform::LocalNow().toString(QStringLiteral("HHmm")));
    }
    for (std::size_t i = 0; i < FPriceEdits.size(); ++i) {
        FPriceEdits[i]->SetValue(FRec.*PriceFields[i]);
    }
    const auto [decimals, format] = PriceFormat(GetCurrencyDecimals(currency));
    for (TNumEdit* edit : FPriceEdits) {
        edit->SetDecimals(decimals);
        edit->SetDisplayFormat(format);
    }
}

void TfInput::CollectRecord() {
    const QDate date = eDate->date().isValid() ? eDate->date() : platform::LocalNow().date();
    FRec.Date = static_cast<double>(DayZero().daysTo(date));
    const QByteArray time = eTime->TimeText().toLatin1();
    WriteShortText(FRec.Time, std::string_view(time.constData(), static_cast<std::size_t>(time.size())));
    for (std::size_t i = 0; i < FPriceEdits.size(); ++i) {
        FRec.*PriceFields[i] = FPriceEdits[i]->Value();
    }
}

void TfInput::UpdateButtons() {
    if (!FCreated) {
        return;
    }
    bStart->setEnabled(false);
    // The wait keeps Start and Save off for its whole length, also when a price typed meanwhile would allow
    // them: a second Start or a Save would otherwise run inside the wait.
    bool ready = !FWaiting;
    for (const TNumEdit* edit : {eHigh, eCurrent, eLow, ePrice24, ePrice48, ePrice64}) {
        if (!ready) {
            break;
        }
        ready = edit->Value() > 0;
    }
    bStart->setEnabled(ready);
    bSave->setEnabled(!FWaiting && eCurrent->Value() > 0);
}

void TfInput::DrawMiniChart() {
    // A new record has prices of 0, and the user may type 0 or a negative price; a logarithmic axis has no
    // place for them. Such points are left out (the line joins the points around them), and the axis keeps a
    // valid range: that of the positive prices, or 1 to 10 without labels when there are none.
    const std::array<const TNumEdit*, 4> sources = {eCurrent, ePrice24, ePrice48, ePrice64};
    QList<QPointF> points;
    double low = 0.0;
    double high = 0.0;
    for (std::size_t x = 0; x < sources.size(); ++x) {
        const double value = sources[x]->Value();
        if (value > 0.0) {
            points.append(QPointF(static_cast<double>(x), value));
            low = points.size() == 1 ? value : std::min(low, value);
            high = std::max(high, value);
        }
    }
    Series1->clear();
    Series1->replace(points);

    const TChartScale scale = ChartScaleFor(low, high);
    FChartScale->setRange(scale.Low, scale.High);
    for (const QString& label : FChartPrices->categoriesLabels()) {
        FChartPrices->remove(label);
    }
    FChartPrices->setRange(std::log10(scale.Low), std::log10(scale.High));
    FChartPrices->setStartValue(std::log10(scale.Low));
    TNumberSeparators separators = SystemNumberSeparators();
    const QString format =
        scale.Decimals > 0 ? QStringLiteral("0.") + QString(scale.Decimals, u'0') : QStringLiteral("0");
    for (const double tick : scale.Ticks) {
        FChartPrices->append(FormatFloat(format, tick, separators), std::log10(tick));
    }
}

void TfInput::ClearAllValues() {
    for (TNumEdit* edit : FPriceEdits) {
        edit->SetValue(0.0);
    }
}

void TfInput::RunComputing() {
    if (!FCreated) {
        return;
    }
    FWaiting = true;
    const auto finish = qScopeGuard([this] {
        Timer->stop();
        Animate->Stop();
        bClose->setText(QStringLiteral("Close"));
        FWaiting = false;
        if (FCountdown > CancelledCountdown) {
            Computing->hide();
            GroupSig->show();
            UpdateButtons();
            bReset->setEnabled(true);
            bHelp->setEnabled(true);
            // Save follows the current price, as UpdateButtons has just set it: a price cleared during the
            // wait must not leave Save on for a record without a current price.
        }
    });
    bStart->setEnabled(false);
    bReset->setEnabled(false);
    bHelp->setEnabled(false);
    bSave->setEnabled(false);
    bClose->setText(QStringLiteral("Cancel"));
    GroupSig->hide();
    Computing->show();
    Computing->raise();
    Animate->Start();
    FCountdown = WaitTicks;
    Timer->start(TickInterval());
    Progress->setRange(0, FCountdown);
    Progress->setValue(0);
    while (FCountdown > 0) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void TfInput::TimerTimer() {
    --FCountdown;
    if (FCountdown > 0) {
        Timer->start(TickInterval());
    }
    if (Progress->value() < Progress->maximum()) {
        Progress->setValue(Progress->value() + 1);
    }
}

void TfInput::WriteLastInput() {
    const QString section = ShortTextString(FRec.Currency);
    const QString path = LastInputFilePath();
    if (section.isEmpty() || path.isEmpty()) {
        return;
    }
    const QChar decimal = SystemNumberSeparators().Decimal;
    const std::array<std::pair<const char*, const TNumEdit*>, 6> keys = {{
        {"HIGH24", eHigh},
        {"CURRENT", eCurrent},
        {"LOW24", eLow},
        {"PRICE24", ePrice24},
        {"PRICE48", ePrice48},
        {"PRICE64", ePrice64},
    }};
    QList<std::pair<QString, QString>> values;
    for (const auto& [key, edit] : keys) {
        values.append({QString::fromLatin1(key), FloatToStr(edit->Value(), decimal)});
    }
    try {
        TIniFile(path).WriteStrings(section, values);
    } catch (const TFailure& failure) {
        TMessageRequest request;
        request.Kind = TMessageKind::Error;
        request.Title = QStringLiteral("Error");
        request.Text = failure.Message();
        request.Buttons = {TMessageButton::Ok};
        ShowMessageBox(this, request);
    }
}

void TfInput::bStartClick() {
    if (!EngineExists()) {
        return;
    }
    // A time left half filled by a key that pressed Start without leaving the time edit.
    if (!eTime->ValidateEdit()) {
        return;
    }
    ++FBusy;
    const auto end = qScopeGuard([this] {
        --FBusy;
        if (FBusy == 0 && FClosePending) {
            FClosePending = false;
            done(result());
        }
    });
    CollectRecord();
    RunComputing();
    // After Close the dialog closes with Cancel and its caller discards the record: nothing to compute.
    if (FCountdown > CancelledCountdown && ComputeSignals(FRec)) {
        ShowRecord();
    }
}

void TfInput::bResetClick() {
    ClearAllValues();
    eHigh->setFocus(Qt::OtherFocusReason);
}

void TfInput::bHelpClick() {
    if (EngineExists()) {
        OpenAppFile(QStringLiteral("fxguide.hlp"));
    }
}

void TfInput::bSaveClick() {
    if (!eTime->ValidateEdit()) {
        return;
    }
    CollectRecord();
    CloseWith(QDialog::Accepted);
}

void TfInput::bCloseClick() {
    FCountdown = CancelledCountdown;
    CloseWith(QDialog::Rejected);
}

void TfInput::CloseWith(int result) {
    setResult(result);
    if (FBusy > 0) {
        FClosePending = true; // Start closes the dialog when it has ended
    } else {
        done(result);
    }
}

void TfInput::done(int r) {
    if (!FClosed) {
        FClosed = true;
        FormClose();
    }
    QDialog::done(r);
}

void TfInput::ShowReadOnlyView() {
    GroupBox1->setEnabled(false);
    GroupBox3->setEnabled(false);
    // The view is for reading the record: its fields keep dark text, and their grey back tells that they cannot
    // be changed.
    for (QWidget* field : std::span(FTabOrder).first<8>()) {
        QPalette palette = field->palette();
        palette.setColor(QPalette::Disabled, QPalette::Text, palette.color(QPalette::Active, QPalette::Text));
        field->setPalette(palette);
    }
    for (QPushButton* button : {bStart, bReset, bHelp, bSave}) {
        button->hide();
    }
}

void TfInput::FocusFirstTabStop() {
    for (QWidget* widget : FTabOrder) {
        if (widget->isEnabled() && widget->isVisibleTo(this)) {
            widget->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

bool TfInput::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        FormActivate();
    }
    return QDialog::event(event);
}

bool TfInput::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this) {
        return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (FormKeyDown(key)) {
        return true;
    }
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) {
        return false;
    }
    const std::initializer_list<QWidget*> enterNextControls = {eDate,    eCurr,      eTime,       eLimitBuy, eSignalBuy,
                                                               eStopBuy, eLimitSell, eSignalSell, eStopSell, eHigh,
                                                               eCurrent, eLow,       ePrice24,    ePrice48,  ePrice64};
    for (QWidget* control = widget; control != nullptr && control != this; control = control->parentWidget()) {
        if (std::find(enterNextControls.begin(), enterNextControls.end(), control) != enterNextControls.end()) {
            EnterNext(key);
            return true;
        }
    }
    // A focused button takes Enter as a press, as buttons on the platform's dialogs do.
    if (auto* button = qobject_cast<QPushButton*>(widget); button != nullptr && button->isEnabled()) {
        button->click();
        return true;
    }
    return false;
}

void TfInput::keyPressEvent(QKeyEvent* event) {
    // Escape is Close, the dialog's cancel button, as long as it can be pressed.
    if (event->matches(QKeySequence::Cancel)) {
        if (bClose->isVisible() && bClose->isEnabled()) {
            bCloseClick();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfInput::closeEvent(QCloseEvent* event) {
    // The frame's close box gives the Cancel result without touching the countdown: a wait in progress runs
    // to its end, and the dialog closes when Start has ended.
    if (FBusy > 0) {
        setResult(QDialog::Rejected);
        FClosePending = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfInput::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (focusWidget() == nullptr) {
        FocusFirstTabStop();
    }
}
