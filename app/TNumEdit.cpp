#include "TNumEdit.h"

#include "uMessageBox.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QValidator>

#include <algorithm>
#include <cmath>

namespace {

bool IsDecimalKey(QChar c, QChar decimalSeparator) {
    return c == u'.' || c == u',' || c == decimalSeparator;
}

// "." and "," stand for the user's decimal separator, whichever key the user's keyboard has for it.
void UseDecimalSeparator(QString& text, QChar decimalSeparator) {
    for (QChar& c : text) {
        if (IsDecimalKey(c, decimalSeparator)) {
            c = decimalSeparator;
        }
    }
}

// Guards the text against what does not come through keyPressEvent (paste, undo): what could not be typed
// is refused, and "." or "," become the user's decimal separator as when typed.
class TNumValidator : public QValidator {
public:
    explicit TNumValidator(TNumEdit* edit) : QValidator(edit), FEdit(edit) {}

    State validate(QString& input, int& /*pos*/) const override {
        const QChar decimal = SystemNumberSeparators().Decimal;
        UseDecimalSeparator(input, decimal);
        return TNumEdit::IsTypeable(input, FEdit->Decimals(), decimal) ? Acceptable : Invalid;
    }

private:
    TNumEdit* FEdit;
};

} // namespace

TNumEdit::TNumEdit(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setAcceptDrops(false);
    setValidator(new TNumValidator(this));
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!FShowing && FEditing) {
            StoreText(text);
        }
    });
    ShowText();
}

bool TNumEdit::IsTypeable(const QString& text, int decimals, QChar decimalSeparator) {
    bool separatorSeen = false;
    int decimalsSeen = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'-' && i == 0) {
            continue;
        }
        if (c == decimalSeparator && !separatorSeen && decimals > 0) {
            separatorSeen = true;
            continue;
        }
        if (c < u'0' || c > u'9') {
            return false;
        }
        if (separatorSeen && ++decimalsSeen > decimals) {
            return false;
        }
    }
    return true;
}

double TNumEdit::ParseValue(const QString& text, const TNumberSeparators& separators) {
    QString number;
    for (const QChar c : text.trimmed()) {
        if (c == separators.Group) {
            continue;
        }
        number += IsDecimalKey(c, separators.Decimal) ? QChar(u'.') : c;
    }
    if (number.isEmpty()) {
        return 0.0;
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

QString TNumEdit::PlainText(double value, int decimals, QChar decimalSeparator) {
    if (!std::isfinite(value)) {
        return {};
    }
    const QString format = QStringLiteral("0.") + QString(decimals, u'#');
    TNumberSeparators separators;
    separators.Decimal = decimalSeparator;
    const QString text = FormatFloat(format, value, separators);
    return text == QStringLiteral("0") ? QString() : text;
}

double TNumEdit::Value() const {
    return ParseValue(FText, SystemNumberSeparators());
}

void TNumEdit::SetValue(double value) {
    const QString text = PlainText(value, FDecimals, SystemNumberSeparators().Decimal);
    FText = text;
    FSetValue = value;
    ShowText();
    // A set always raises the change event, also when the text stays the same, so that whoever follows the
    // value (the chart, the buttons) sees every set.
    emit Changed();
}

void TNumEdit::SetDecimals(int decimals) {
    FDecimals = std::clamp(decimals, 0, 15);
    Reformat();
}

void TNumEdit::SetDisplayFormat(const QString& format) {
    FDisplayFormat = format;
    Reformat();
}

void TNumEdit::SetEditText(const QString& text) {
    FSetValue.reset();
    if (text != FText) {
        FText = text;
        ShowText();
        emit Changed();
    }
}

void TNumEdit::Reformat() {
    const double value = FSetValue.value_or(Value());
    const QString text = PlainText(value, FDecimals, SystemNumberSeparators().Decimal);
    if (text != FText) {
        FText = text;
        ShowText();
        emit Changed();
    } else {
        ShowText();
    }
}

void TNumEdit::StoreText(const QString& text) {
    FSetValue.reset();
    if (text != FText) {
        FText = text;
        emit Changed();
    }
}

void TNumEdit::ShowText() {
    const QString shown = FEditing ? FText : FormatFloat(FDisplayFormat, Value(), SystemNumberSeparators());
    if (text() != shown) {
        FShowing = true;
        setText(shown);
        FShowing = false;
    }
}

void TNumEdit::focusInEvent(QFocusEvent* event) {
    // The plain text goes in before QLineEdit sees the focus, so that a Tab selects all of it.
    FEditing = true;
    ShowText();
    QLineEdit::focusInEvent(event);
}

void TNumEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A context menu or another window takes the focus only for a while: the user is still editing.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason) {
        FEditing = false;
        ShowText();
    }
}

void TNumEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    const bool isCharacter = !typed.isEmpty() && typed.front().isPrint() &&
                             !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!isCharacter || isReadOnly()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const QChar decimal = SystemNumberSeparators().Decimal;
    QString entered = typed;
    UseDecimalSeparator(entered, decimal);
    const qsizetype from = hasSelectedText() ? selectionStart() : cursorPosition();
    const qsizetype length = hasSelectedText() ? selectedText().size() : 0;
    const QString after = QString(text()).replace(from, length, entered);
    if (!IsTypeable(after, FDecimals, decimal)) {
        Beep();
        event->accept();
        return;
    }
    QKeyEvent mapped(event->type(), event->key(), event->modifiers(), entered, event->isAutoRepeat(),
                     static_cast<ushort>(event->count()));
    QLineEdit::keyPressEvent(&mapped);
    event->setAccepted(mapped.isAccepted());
}
