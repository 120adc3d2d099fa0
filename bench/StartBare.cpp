// A bare multi-document program: a main window around an MDI area, ending as soon as it is shown. The floor
// the program's start is measured against.

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QMdiArea(&window));
    window.show();
    // The moment the benchmark measures to; tearing the program down is not part of its start.
    std::fputs("shown\n", stdout);
    std::fflush(stdout);
    return 0;
}
