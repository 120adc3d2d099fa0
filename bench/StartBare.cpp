// A bare multi-document program: a main window around an MDI area, ending as soon as it is shown. The floor
// the program's start is measured against.

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QMdiArea(&window));
    window.show();
    return 0;
}
