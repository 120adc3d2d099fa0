// The bare multi-document program with one menu and a status text: the same floor plus the font system,
// which any window that shows text has to start.

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QMdiArea(&window));
    window.menuBar()->addMenu(QStringLiteral("File"));
    window.statusBar()->showMessage(QStringLiteral("Ready"));
    window.show();
    // The moment the benchmark measures to; tearing the program down is not part of its start.
    std::fputs("shown\n", stdout);
    std::fflush(stdout);
    return 0;
}
