#pragma once

// The generator dialog: the user enters the six prices of one record, starts the computation of the buy and
// sell signals after a fixed wait of 12 seconds, reads the results and saves the record. The dialog works on
// the caller's record in place and writes the pair's six prices into "fxlastin.ini" whenever it closes.

#include <QDialog>

#include <array>

class QChartView;
class QCategoryAxis;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLineEdit;
class QLineSeries;
class QLogValueAxis;
class QProgressBar;
class QPushButton;
class QTimer;
class TFindAnimation;
class TNumEdit;
class TTimeEdit;
struct TSignalRec;

// Shows rec in a modal generator dialog and lets the user edit, compute and save it; true when the dialog was
// closed with Save. A record whose buy and sell signals are both above 0 is only shown. Whatever the result,
// rec may have been changed (Start and Save write the edits into it, the computation its signals); a caller
// that gets false does not use it.
bool ShowGenerator(TSignalRec& rec);

// The last-input file: "fxlastin.ini" in the user's settings folder for the program, which is created when
// missing; empty when the platform has no such folder.
QString LastInputFilePath();

class TfInput : public QDialog {
    Q_OBJECT

public:
    // Builds the dialog for rec, which must outlive it. Nothing is shown yet: ShowGenerator fills and runs it.
    explicit TfInput(TSignalRec& rec, QWidget* parent = nullptr);
    ~TfInput() override;

    // Record to controls: pair, date (today for 0 or no valid date), time (now when empty), the twelve prices,
    // then the decimals and display formats of the pair.
    void ShowRecord();
    // Controls to record: date, time and the twelve prices; the pair is never written.
    void CollectRecord();
    // Start needs all six prices above 0, Save the current price; both stay off during the computing wait.
    void UpdateButtons();
    // The current price and the prices 24, 48 and 72 hours ago, left to right.
    void DrawMiniChart();
    // Sets the twelve prices to 0; date and time stay.
    void ClearAllValues();
    // The computing wait: 12 ticks with the animation and the progress bar, cancelled by Close.
    void RunComputing();
    // Writes the six prices into the pair's section of the last-input file; a failure is reported and does
    // not keep the dialog open.
    void WriteLastInput();

    // Closes the dialog with result r, after the Start being handled (if any) has ended. Every close, whatever
    // its cause, passes through here and writes the last-input file.
    void done(int r) override;

    // Tests only: the length of one tick of the computing wait. The program always waits 12 ticks of 1000 ms.
    static void SetTickInterval(int milliseconds);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    friend bool ShowGenerator(TSignalRec& rec);

    void BuildControls();
    void ShowReadOnlyView();
    void FocusFirstTabStop();
    void CloseWith(int result);

    void FormCreate();
    void FormActivate();
    void FormClose();
    bool FormKeyDown(QKeyEvent* event);
    void EnterNext(QKeyEvent* event);
    void PriceXXChange();
    void eChange();
    void bStartClick();
    void bResetClick();
    void bHelpClick();
    void bSaveClick();
    void bCloseClick();
    void TimerTimer();

    TSignalRec& FRec;
    bool FCreated = false;
    int FCountdown = 0;
    bool FWaiting = false;      // inside the computing wait
    int FBusy = 0;              // depth of Start handlers running
    bool FClosePending = false; // a close asked for while Start runs
    bool FClosed = false;       // FormClose has run

    // Controls, owned by the dialog through Qt's parent ownership.
    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupSig = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QDateEdit* eDate = nullptr;
    QLineEdit* eCurr = nullptr;
    TTimeEdit* eTime = nullptr;
    TNumEdit* eLimitBuy = nullptr;
    TNumEdit* eSignalBuy = nullptr;
    TNumEdit* eStopBuy = nullptr;
    TNumEdit* eLimitSell = nullptr;
    TNumEdit* eSignalSell = nullptr;
    TNumEdit* eStopSell = nullptr;
    TNumEdit* eHigh = nullptr;
    TNumEdit* eCurrent = nullptr;
    TNumEdit* eLow = nullptr;
    TNumEdit* ePrice24 = nullptr;
    TNumEdit* ePrice48 = nullptr;
    TNumEdit* ePrice64 = nullptr;
    QFrame* Computing = nullptr;
    TFindAnimation* Animate = nullptr;
    QProgressBar* Progress = nullptr;
    QChartView* MiniChart = nullptr;
    QLineSeries* Series1 = nullptr;
    QLogValueAxis* FChartScale = nullptr;
    QCategoryAxis* FChartPrices = nullptr;
    QPushButton* bStart = nullptr;
    QPushButton* bReset = nullptr;
    QPushButton* bHelp = nullptr;
    QPushButton* bSave = nullptr;
    QPushButton* bClose = nullptr;
    QTimer* Timer = nullptr;

    // The twelve price edits in the order of showing, collecting and clearing.
    std::array<TNumEdit*, 12> FPriceEdits{};
    // The controls in tab order; the date, the time and the six input prices lead it.
    std::array<QWidget*, 13> FTabOrder{};
};
