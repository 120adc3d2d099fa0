#pragma once

// The time of day edit with the edit mask "!90:00;0;_": two hour places, the first of which may stay blank,
// the user's time separator, and two required minute places; "_" marks an unfilled place. Typing overwrites
// the place at the cursor and moves on, skipping the separator. The text read and written holds the digits
// without the separator and without leading blanks: 09:30 on screen is "0930", " 9:30" is "930".

#include <QLineEdit>

#include <array>

class TTimeEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TTimeEdit(QWidget* parent = nullptr);

    // The places as text: unfilled places as blanks, leading blanks dropped ("" when nothing is filled).
    QString TimeText() const;
    // Fills the places from text (separators in it are skipped): a shorter text fills the last places and
    // leaves blanks in front ("930" shows " 9:30"), an empty text leaves every place unfilled. Clears the
    // changed state.
    void SetTimeText(const QString& text);

    // Whether the user changed the places since the last SetTimeText or Escape.
    bool IsModified() const { return FModified; }
    // Whether every required place holds a digit.
    bool IsComplete() const;

    // The check made when the user leaves the edit: after a change with a required place unfilled it beeps,
    // shows "Invalid input value.  Use escape key to abandon changes", keeps the focus in the edit and answers
    // false.
    bool ValidateEdit();

    static constexpr int PlaceCount = 4;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    using TPlaces = std::array<QChar, PlaceCount>;

    // Display position of a place: the separator stands between places 1 and 2.
    static int PositionOf(int place) { return place < 2 ? place : place + 1; }
    // The first place at or after a display position; PlaceCount when none.
    static int PlaceAtOrAfter(int position);

    void ShowPlaces(int cursorPosition);
    bool TypeCharacter(QChar c); // false when the character is refused
    void ClearSelection();
    void RefuseExit();

    TPlaces FPlaces;
    TPlaces FOldPlaces; // as the edit was entered; Escape brings them back
    QChar FSeparator;
    bool FModified = false;
    bool FRefusePending = false;
};
