#pragma once

// The program's application object. A failure that no command catches ends that command only: its message
// is shown in an error box and the program goes on.

#include <QApplication>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The program's style over the platform's: quick aqua hints, and standard pictures built only when drawn.
    static void ApplyProgramStyle();

    // Connects the platform layer to the windowing system: the shell's open action, the error box.
    static void InstallPlatformServices();
};
