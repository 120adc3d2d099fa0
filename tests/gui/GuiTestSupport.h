#pragma once

// Helpers of the widget tests: what the windows asked of the user (message boxes, answered at once with
// their first button, and beeps), controls found by object name, and a run of the generator dialog driven
// from inside its modal loop.

#include "uMessageBox.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class TfInput;
struct TSignalRec;

// Deletes the windows closed during a test: they go by deferred deletion, which only an event loop carries
// out, and a test function runs none after its last step.
void DeleteClosedWindows();

// Makes the number, date and time settings the same on every machine: the C locale ("." decimal, ","
// group, ":" time separator). Call before the application object is created.
void UseTestLocale();

class TBoxRecorder {
public:
    TBoxRecorder();
    ~TBoxRecorder();
    TBoxRecorder(const TBoxRecorder&) = delete;
    TBoxRecorder& operator=(const TBoxRecorder&) = delete;

    QList<TMessageRequest> Messages;
    int Beeps = 0;
};

// The child of parent with the given object name; aborts the test program when there is none, since every
// test after it would only fail the same way.
template <typename T> T* Child(const QObject& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) {
        qFatal("no child %s of type %s", name, T::staticMetaObject.className());
    }
    return child;
}

// Once the next generator dialog is up, hands it to driver. A dialog that the driver leaves open (a failed
// check returns early) is closed with Cancel, so that no test ever hangs in the modal loop.
void WhenGeneratorOpens(std::function<void(TfInput& dialog)> driver);

// Runs ShowGenerator(rec) driven by driver (see WhenGeneratorOpens); returns ShowGenerator's result.
bool RunGenerator(TSignalRec& rec, const std::function<void(TfInput& dialog)>& driver);

// Types text over the whole text of a price edit, as the user does after tabbing into it.
void TypePrice(TfInput& dialog, const char* name, const QString& text);
