#pragma once

// Modal message boxes and the beep, through one replaceable service so that tests can answer boxes without
// blocking and can see what was asked.

#include <QList>
#include <QString>

#include <functional>

class QWidget;

enum class TMessageKind { Error, Warning, Information };
enum class TMessageButton { Ok, Cancel, Yes, No };

struct TMessageRequest {
    TMessageKind Kind;
    QString Title;
    QString Text;
    QList<TMessageButton> Buttons;
};

// Shows a modal box with the given buttons (captions "OK", "Cancel", "&Yes", "&No") and returns the one pressed;
// closing the box without a button answers the last button.
TMessageButton ShowMessageBox(QWidget* parent, const TMessageRequest& request);

// The platform's beep.
void Beep();

// Replaces the boxes (and the beep) for tests; a null handler restores the real ones.
using TMessageHandler = std::function<TMessageButton(const TMessageRequest& request)>;
void SetMessageHandler(TMessageHandler handler);
using TBeepHandler = std::function<void()>;
void SetBeepHandler(TBeepHandler handler);
