#include "TTimeEdit.h"

#include "uDisplayFormat.h"
#include "uMessageBox.h"

#include <QClipboard>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>

namespace {

constexpr QChar Unfilled = u'_';
constexpr QChar Blank = u' ';
constexpr int SeparatorPosition = 2;
constexpr int OptionalPlace = 0; // the first hour place may stay blank

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

TTimeEdit::TTimeEdit(QWidget* parent) : QLineEdit(parent), FSeparator(SystemTimeSeparator()) {
    FPlaces.fill(Unfilled);
    FOldPlaces = FPlaces;
    setMaxLength(PlaceCount + 1);
    setAcceptDrops(false);
    // The context menu would paste, delete and undo past the places.
    setContextMenuPolicy(Qt::NoContextMenu);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    ShowPlaces(0);
}

int TTimeEdit::PlaceAtOrAfter(int position) {
    if (position <= 1) {
        return std::max(position, 0);
    }
    return position <= SeparatorPosition ? 2 : std::min(position - 1, PlaceCount);
}

QString TTimeEdit::TimeText() const {
    QString text;
    for (const QChar c : FPlaces) {
        text += c == Unfilled ? Blank : c;
    }
    qsizetype first = 0;
    while (first < text.size() && text[first] == Blank) {
        ++first;
    }
    return text.mid(first);
}

void TTimeEdit::SetTimeText(const QString& text) {
    QString digits;
    for (const QChar c : text) {
        if (c != u':' && c != FSeparator) {
            digits += c;
        }
    }
    digits = digits.left(PlaceCount);
    if (digits.isEmpty()) {
        FPlaces.fill(Unfilled);
    } else {
        // The "!" of the mask: a short text fills the last places.
        digits = QString(PlaceCount - digits.size(), Blank) + digits;
        for (int i = 0; i < PlaceCount; ++i) {
            FPlaces[i] = (IsDigit(digits[i]) || digits[i] == Blank) ? digits[i] : Unfilled;
        }
    }
    FOldPlaces = FPlaces;
    FModified = false;
    ShowPlaces(0);
}

bool TTimeEdit::IsComplete() const {
    for (int i = 0; i < PlaceCount; ++i) {
        if (i != OptionalPlace && !IsDigit(FPlaces[i])) {
            return false;
        }
    }
    return true;
}

void TTimeEdit::ShowPlaces(int cursorPosition) {
    const QString shown = QString(FPlaces[0]) + FPlaces[1] + FSeparator + FPlaces[2] + FPlaces[3];
    if (text() != shown) {
        setText(shown);
    }
    setCursorPosition(cursorPosition);
}

void TTimeEdit::ClearSelection() {
    if (!hasSelectedText()) {
        return;
    }
    const int start = selectionStart();
    const int end = start + static_cast<int>(selectedText().size());
    for (int position = start; position < end; ++position) {
        if (position != SeparatorPosition) {
            FPlaces[PlaceAtOrAfter(position)] = Unfilled;
        }
    }
    FModified = true;
    ShowPlaces(start);
}

bool TTimeEdit::TypeCharacter(QChar c) {
    const int position = cursorPosition();
    const int place = PlaceAtOrAfter(position);
    if (IsDigit(c) || (c == Blank && place == OptionalPlace)) {
        if (place >= PlaceCount) {
            return false;
        }
        FPlaces[place] = c;
        FModified = true;
        const int next = PositionOf(place) + 1;
        ShowPlaces(next == SeparatorPosition ? next + 1 : next);
        return true;
    }
    if (c == u':' || c == u'.' || c == FSeparator) {
        // The separator ends the hours: a single hour digit moves to the second place ("9:" is " 9:").
        if (place <= 1) {
            if (place == 1 && IsDigit(FPlaces[0]) && !IsDigit(FPlaces[1])) {
                FPlaces[1] = FPlaces[0];
                FPlaces[0] = Blank;
                FModified = true;
            }
            ShowPlaces(SeparatorPosition + 1);
            return true;
        }
        return position == SeparatorPosition + 1; // typed right after the separator: nothing to do
    }
    return false;
}

void TTimeEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        // A changed edit takes Escape to abandon its changes; an unchanged one leaves it to the dialog.
        if (!FModified) {
            event->ignore();
            return;
        }
        FPlaces = FOldPlaces;
        FModified = false;
        ShowPlaces(0);
        selectAll();
        return;
    }
    if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Home || key == Qt::Key_End ||
        event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (isReadOnly()) {
        event->ignore();
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        copy();
        ClearSelection();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        ClearSelection();
        for (const QChar c : QGuiApplication::clipboard()->text()) {
            if (!TypeCharacter(c)) {
                Beep();
                break;
            }
        }
        return;
    }
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
        if (hasSelectedText()) {
            ClearSelection();
            return;
        }
        int position = cursorPosition();
        if (key == Qt::Key_Backspace) {
            do {
                --position;
            } while (position == SeparatorPosition);
            if (position < 0) {
                return;
            }
        }
        const int place = PlaceAtOrAfter(position);
        if (place < PlaceCount) {
            FPlaces[place] = Unfilled;
            FModified = true;
            ShowPlaces(key == Qt::Key_Backspace ? position : cursorPosition());
        }
        return;
    }
    const QString typed = event->text();
    if (typed.isEmpty() || !typed.front().isPrint() ||
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        event->ignore();
        return;
    }
    const TPlaces before = FPlaces;
    const bool modifiedBefore = FModified;
    const int selectionFrom = hasSelectedText() ? selectionStart() : -1;
    const int selectionLength = hasSelectedText() ? static_cast<int>(selectedText().size()) : 0;
    const int cursorBefore = cursorPosition();
    ClearSelection();
    for (const QChar c : typed) {
        if (!TypeCharacter(c)) {
            // A refused key changes nothing, not even the selection.
            FPlaces = before;
            FModified = modifiedBefore;
            ShowPlaces(cursorBefore);
            if (selectionFrom >= 0) {
                setSelection(selectionFrom, selectionLength);
            }
            Beep();
            return;
        }
    }
}

void TTimeEdit::inputMethodEvent(QInputMethodEvent* event) {
    event->ignore();
}

void TTimeEdit::focusInEvent(QFocusEvent* event) {
    // Coming back after a refused exit, from a popup or from another window, the edit is still being edited
    // and keeps what Escape brings back.
    const Qt::FocusReason reason = event->reason();
    if (!FRefusePending && reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
        FOldPlaces = FPlaces;
        FModified = false;
    }
    QLineEdit::focusInEvent(event);
}

void TTimeEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) {
        return;
    }
    if (FModified && !IsComplete() && !FRefusePending) {
        // The focus has already moved on; it comes back once the focus change has been handled, which also
        // releases a button that the mouse pressed to leave the edit.
        FRefusePending = true;
        QTimer::singleShot(0, this, &TTimeEdit::RefuseExit);
    }
}

bool TTimeEdit::ValidateEdit() {
    if (!FModified || IsComplete()) {
        return true;
    }
    if (!FRefusePending) {
        FRefusePending = true;
        RefuseExit();
    }
    return false;
}

void TTimeEdit::RefuseExit() {
    if (!FModified || IsComplete() || !isVisible() || !isEnabled()) {
        FRefusePending = false;
        return;
    }
    setFocus(Qt::OtherFocusReason);
    Beep();
    TMessageRequest request;
    request.Kind = TMessageKind::Error;
    request.Title = QStringLiteral("TALVERO");
    request.Text = QStringLiteral("Invalid input value.  Use escape key to abandon changes");
    request.Buttons = {TMessageButton::Ok};
    ShowMessageBox(window(), request);
    setFocus(Qt::OtherFocusReason);
    int firstUnfilled = 1;
    while (firstUnfilled < PlaceCount && IsDigit(FPlaces[firstUnfilled])) {
        ++firstUnfilled;
    }
    setCursorPosition(PositionOf(std::min(firstUnfilled, PlaceCount - 1)));
    FRefusePending = false;
}
