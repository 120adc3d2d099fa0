#pragma once

// The price edit: a floating value kept as plain text with at most Decimals() decimals. With the focus the
// user edits the plain text; without it the edit shows the value through its display format (",0.0000;-,0.0000"
// and the like), with the user's separators.

#include "uDisplayFormat.h"

#include <QLineEdit>

#include <optional>

class TNumEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TNumEdit(QWidget* parent = nullptr);

    // The value of the plain text; an empty text, or one that is no finite number, reads as 0.
    double Value() const;
    // Writes value as plain text: at most Decimals() decimals, no group separators, trailing zeros dropped,
    // zero (and a value that is no finite number) as an empty text.
    void SetValue(double value);

    int Decimals() const { return FDecimals; }
    // Sets N (kept within 0..15) and rewrites the plain text from the value with N decimals.
    void SetDecimals(int decimals);

    const QString& DisplayFormat() const { return FDisplayFormat; }
    // Sets the display format and rewrites the plain text from the value.
    void SetDisplayFormat(const QString& format);

    // The plain text the user edits, whatever is shown at the moment.
    const QString& EditText() const { return FText; }
    void SetEditText(const QString& text);

    // Whether typing may leave text in the edit: an optional leading minus, digits, and at most one decimal
    // separator followed by at most decimals digits.
    static bool IsTypeable(const QString& text, int decimals, QChar decimalSeparator);
    // The number in text: the group separator ignored, "." and "," (where not the group separator) and the
    // decimal separator taken as the decimal point; 0 when empty or no finite number.
    static double ParseValue(const QString& text, const TNumberSeparators& separators);
    // The plain text of value with at most decimals decimals; empty for zero.
    static QString PlainText(double value, int decimals, QChar decimalSeparator);

signals:
    // The plain text changed, by typing or by a setter.
    void Changed();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void StoreText(const QString& text);
    void Reformat();
    void ShowText();

    QString FText;
    int FDecimals = 4;
    QString FDisplayFormat = QStringLiteral(",0.0000;-,0.0000");
    // The value last set while the plain text still stands for it, so that a change of decimals rounds the
    // value itself and not its already rounded text (1.12499 with 2 decimals is 1.12, never 1.13).
    std::optional<double> FSetValue;
    bool FEditing = false; // the plain text is shown
    bool FShowing = false; // the edit's text is being replaced by ShowText
};
