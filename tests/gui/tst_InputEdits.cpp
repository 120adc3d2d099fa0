// The price edit and the time edit on their own: values, texts, typing and leaving.

#include "GuiTestSupport.h"
#include "TNumEdit.h"
#include "TTimeEdit.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <cmath>
#include <limits>
#include <memory>

class TestInputEdits : public QObject {
    Q_OBJECT

private:
    // A window with the edit under test and a plain edit to move the focus to.
    struct TWindow {
        QWidget Window;
        QLineEdit* Other = nullptr;
    };
    std::unique_ptr<TWindow> FWindow;

    template <typename TEdit> TEdit* ShowInWindow() {
        FWindow = std::make_unique<TWindow>();
        auto* layout = new QVBoxLayout(&FWindow->Window);
        auto* edit = new TEdit;
        layout->addWidget(edit);
        FWindow->Other = new QLineEdit;
        layout->addWidget(FWindow->Other);
        FWindow->Window.show();
        FWindow->Window.activateWindow();
        if (!QTest::qWaitForWindowActive(&FWindow->Window)) {
            qFatal("the test window did not become active");
        }
        FWindow->Other->setFocus(Qt::TabFocusReason);
        return edit;
    }

    static void FocusByTab(QWidget* widget) {
        widget->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(widget->hasFocus());
    }

private slots:
    void cleanup() { FWindow.reset(); }

    void numEditSetsPlainText_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("text");
        QTest::newRow("rounded to N") << 1.23456 << 2 << "1.23";
        QTest::newRow("half away from zero") << 2.345 << 2 << "2.35";
        QTest::newRow("trailing zeros dropped") << 1.5 << 4 << "1.5";
        QTest::newRow("no group separators") << 1234.5 << 2 << "1234.5";
        QTest::newRow("negative") << -0.25 << 2 << "-0.25";
        QTest::newRow("zero is empty") << 0.0 << 4 << "";
        QTest::newRow("rounds to zero") << -0.004 << 2 << "";
        QTest::newRow("no decimals") << 2.5 << 0 << "3";
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 4 << "";
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << 4 << "";
    }

    void numEditSetsPlainText() {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(QString, text);
        TNumEdit edit;
        edit.SetDecimals(decimals);
        QSignalSpy changed(&edit, &TNumEdit::Changed);
        edit.SetValue(value);
        QCOMPARE(edit.EditText(), text);
        QCOMPARE(changed.count(), 1);
        // What was set reads back as the value rounded to N decimals.
        QCOMPARE(edit.Value(), text.isEmpty() ? 0.0 : text.toDouble());
    }

    void numEditParsesText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QChar>("decimal");
        QTest::addColumn<QChar>("group");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "1.5" << QChar(u'.') << QChar(u',') << 1.5;
        QTest::newRow("group separator ignored") << "1,234.5" << QChar(u'.') << QChar(u',') << 1234.5;
        QTest::newRow("blanks around") << " 2.5 " << QChar(u'.') << QChar(u',') << 2.5;
        QTest::newRow("comma as decimal") << "1,5" << QChar(u',') << QChar(u'.') << 1.5;
        QTest::newRow("point as decimal where comma is") << "1.5" << QChar(u',') << QChar(u' ') << 1.5;
        QTest::newRow("point group where comma is decimal") << "1.234,5" << QChar(u',') << QChar(u'.') << 1234.5;
        QTest::newRow("empty") << "" << QChar(u'.') << QChar(u',') << 0.0;
        QTest::newRow("minus alone") << "-" << QChar(u'.') << QChar(u',') << 0.0;
        QTest::newRow("two separators") << "1.2.3" << QChar(u'.') << QChar(u',') << 0.0;
        QTest::newRow("letters") << "abc" << QChar(u'.') << QChar(u',') << 0.0;
        QTest::newRow("infinity") << "inf" << QChar(u'.') << QChar(u',') << 0.0;
        QTest::newRow("not a number") << "nan" << QChar(u'.') << QChar(u',') << 0.0;
    }

    void numEditParsesText() {
        QFETCH(QString, text);
        QFETCH(QChar, decimal);
        QFETCH(QChar, group);
        QFETCH(double, value);
        TNumberSeparators separators;
        separators.Decimal = decimal;
        separators.Group = group;
        QCOMPARE(TNumEdit::ParseValue(text, separators), value);
    }

    void numEditShowsDisplayFormatWithoutFocus() {
        TNumEdit* edit = ShowInWindow<TNumEdit>();
        QCOMPARE(edit->text(), QStringLiteral("0.0000")); // a new edit: N = 4, ",0.0000;-,0.0000"
        edit->SetDecimals(2);
        edit->SetDisplayFormat(QStringLiteral(",0.00;-,0.00"));
        edit->SetValue(1234.5);
        QCOMPARE(edit->text(), QStringLiteral("1,234.50"));
        FocusByTab(edit);
        QCOMPARE(edit->text(), QStringLiteral("1234.5"));
        QCOMPARE(edit->selectedText(), QStringLiteral("1234.5"));
        FocusByTab(FWindow->Other);
        QCOMPARE(edit->text(), QStringLiteral("1,234.50"));
        edit->SetValue(-0.25);
        QCOMPARE(edit->text(), QStringLiteral("-0.25"));
    }

    void numEditRoundsTheSetValueWhenDecimalsChange() {
        TNumEdit edit;
        edit.SetValue(1.12499); // "1.125" with the first 4 decimals
        QCOMPARE(edit.EditText(), QStringLiteral("1.125"));
        edit.SetDecimals(2);
        QCOMPARE(edit.EditText(), QStringLiteral("1.12")); // not the 1.13 of rounding "1.125" again
        edit.SetEditText(QStringLiteral("1.125"));
        edit.SetDecimals(2);
        QCOMPARE(edit.EditText(), QStringLiteral("1.13")); // a typed text is all the edit knows
    }

    void numEditTyping_data() {
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("beeps");
        QTest::newRow("digits and point") << 4 << "2.3125"
                                          << "2.3125" << 0;
        QTest::newRow("comma enters the decimal separator") << 4 << "2,5"
                                                            << "2.5" << 0;
        QTest::newRow("more than N decimals refused") << 2 << "12.345"
                                                      << "12.34" << 1;
        QTest::newRow("second separator refused") << 4 << "1.2.3"
                                                  << "1.23" << 1;
        QTest::newRow("letters refused") << 4 << "1a2"
                                         << "12" << 1;
        QTest::newRow("minus only in front") << 4 << "-1-2"
                                             << "-12" << 1;
        QTest::newRow("no separator without decimals") << 0 << "12.5"
                                                       << "125" << 1;
    }

    void numEditTyping() {
        QFETCH(int, decimals);
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(int, beeps);
        TBoxRecorder boxes;
        TNumEdit* edit = ShowInWindow<TNumEdit>();
        edit->SetDecimals(decimals);
        QSignalSpy changed(edit, &TNumEdit::Changed);
        FocusByTab(edit);
        QTest::keyClicks(edit, keys);
        QCOMPARE(edit->text(), text);
        QCOMPARE(edit->EditText(), text);
        QCOMPARE(boxes.Beeps, beeps);
        QVERIFY(changed.count() >= 1);
    }

    void numEditRefusesADecimalSeparatorThatWouldMakeTooManyDecimals() {
        TBoxRecorder boxes;
        TNumEdit* edit = ShowInWindow<TNumEdit>();
        edit->SetDecimals(2);
        FocusByTab(edit);
        QTest::keyClicks(edit, QStringLiteral("12345"));
        edit->setCursorPosition(1);
        QTest::keyClick(edit, '.');
        QCOMPARE(edit->text(), QStringLiteral("12345"));
        QCOMPARE(boxes.Beeps, 1);
        edit->setCursorPosition(3);
        QTest::keyClick(edit, '.');
        QCOMPARE(edit->text(), QStringLiteral("123.45"));
    }

    void timeEditSetsAndReadsText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("read");
        QTest::newRow("four digits") << "0930"
                                     << "09:30"
                                     << "0930";
        QTest::newRow("blank first hour place") << "930"
                                                << " 9:30"
                                                << "930";
        QTest::newRow("empty") << ""
                               << "__:__"
                               << "";
        QTest::newRow("with separator") << "09:05"
                                        << "09:05"
                                        << "0905";
        QTest::newRow("too long") << "123456"
                                  << "12:34"
                                  << "1234";
    }

    void timeEditSetsAndReadsText() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(QString, read);
        TTimeEdit edit;
        edit.SetTimeText(text);
        QCOMPARE(edit.text(), shown);
        QCOMPARE(edit.TimeText(), read);
        QVERIFY(!edit.IsModified());
    }

    void timeEditTyping_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("beeps");
        QTest::newRow("over the whole time") << "1200"
                                             << "0905"
                                             << "09:05" << 0;
        QTest::newRow("separator after one hour digit") << ""
                                                        << "9:30"
                                                        << " 9:30" << 0;
        QTest::newRow("separator after two hour digits") << ""
                                                         << "12:30"
                                                         << "12:30" << 0;
        QTest::newRow("letter refused") << "1200"
                                        << "1x"
                                        << "1_:__" << 1;
        QTest::newRow("nothing past the last place") << ""
                                                     << "12345"
                                                     << "12:34" << 1;
        QTest::newRow("blank in the first place") << ""
                                                  << " 845"
                                                  << " 8:45" << 0;
        QTest::newRow("blank refused in a required place") << ""
                                                           << "1 "
                                                           << "1_:__" << 1;
    }

    void timeEditTyping() {
        QFETCH(QString, start);
        QFETCH(QString, keys);
        QFETCH(QString, shown);
        QFETCH(int, beeps);
        TBoxRecorder boxes;
        TTimeEdit* edit = ShowInWindow<TTimeEdit>();
        edit->SetTimeText(start);
        FocusByTab(edit); // selects all places: the first key clears them
        QTest::keyClicks(edit, keys);
        QCOMPARE(edit->text(), shown);
        QCOMPARE(boxes.Beeps, beeps);
    }

    void timeEditBackspaceAndDeleteClearPlaces() {
        TTimeEdit* edit = ShowInWindow<TTimeEdit>();
        edit->SetTimeText(QStringLiteral("0930"));
        FocusByTab(edit);
        edit->setCursorPosition(5);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), QStringLiteral("09:3_"));
        edit->setCursorPosition(3);
        QTest::keyClick(edit, Qt::Key_Backspace); // over the separator
        QCOMPARE(edit->text(), QStringLiteral("0_:3_"));
        QCOMPARE(edit->cursorPosition(), 1);
        QTest::keyClick(edit, '8');
        QCOMPARE(edit->text(), QStringLiteral("08:3_"));
        QCOMPARE(edit->cursorPosition(), 3);
        edit->setCursorPosition(0);
        QTest::keyClick(edit, Qt::Key_Delete);
        QCOMPARE(edit->text(), QStringLiteral("_8:3_"));
    }

    void timeEditRefusesToBeLeftHalfFilled() {
        TBoxRecorder boxes;
        TTimeEdit* edit = ShowInWindow<TTimeEdit>();
        edit->SetTimeText(QStringLiteral("0930"));
        FocusByTab(edit);
        edit->setCursorPosition(5);
        QTest::keyClick(edit, Qt::Key_Backspace);

        FWindow->Other->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(boxes.Messages.size(), 1);
        QCOMPARE(boxes.Messages[0].Text, QStringLiteral("Invalid input value.  Use escape key to abandon changes"));
        QCOMPARE(boxes.Beeps, 1);
        QTRY_VERIFY(edit->hasFocus());
        QVERIFY(!edit->ValidateEdit()); // Start and Save ask the same question
        QCOMPARE(boxes.Messages.size(), 2);

        // Escape abandons the changes and stays in the edit.
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(edit, &escape);
        QVERIFY(escape.isAccepted());
        QCOMPARE(edit->text(), QStringLiteral("09:30"));
        QVERIFY(!edit->IsModified());

        // Unchanged, or filled again, the edit is left without a word; Escape is then the window's.
        QKeyEvent secondEscape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(edit, &secondEscape);
        QVERIFY(!secondEscape.isAccepted());
        edit->setCursorPosition(3);
        QTest::keyClicks(edit, QStringLiteral("45"));
        FWindow->Other->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(FWindow->Other->hasFocus());
        QTest::qWait(20);
        QVERIFY(FWindow->Other->hasFocus());
        QCOMPARE(boxes.Messages.size(), 2);
        QCOMPARE(edit->TimeText(), QStringLiteral("0945"));
    }
};

int main(int argc, char** argv) {
    UseTestLocale();
    QApplication app(argc, argv);
    TestInputEdits test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_InputEdits.moc"
