#pragma once

// WM_PAIRWINDOW: what a browse window reports to the main window, posted (queued) so that the main window
// handles it after the event that caused it has ended. Number 1124 is the first user message number plus 100.

#include <QEvent>
#include <QString>

inline constexpr QEvent::Type WM_PAIRWINDOW = static_cast<QEvent::Type>(1124);

enum TPairWindowCode {
    pwActivated = 1, // a named browse window was opened or became active; value: the pair name
    pwDestroyed = 2, // a browse window is being destroyed; value: the number of browse windows, itself included
};

class TPairWindowEvent : public QEvent {
public:
    TPairWindowEvent(int code, QString name, int count = 0)
        : QEvent(WM_PAIRWINDOW), FCode(code), FName(std::move(name)), FCount(count) {}

    int Code() const { return FCode; }
    const QString& Name() const { return FName; }
    int Count() const { return FCount; }

private:
    int FCode;
    QString FName; // a copy travels with the event, so nothing of the sender has to outlive it
    int FCount;
};
