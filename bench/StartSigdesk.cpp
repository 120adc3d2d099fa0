// The program's start as main.cpp runs it, ending as soon as the main window is shown: one side of the
// start-up benchmark.

#include "TApplication.h"
#include "fmMain.h"
#include "uDM.h"
#include "uImageList.h"

#include <cstdio>

int main(int argc, char** argv) {
    TApplication application(argc, argv);
    TApplication::InstallPlatformServices();
    Tdm dm;
    const TImageList images;
    TfMain fMain(dm, images);
    fMain.show();
    // The moment the benchmark measures to; tearing the program down is not part of its start.
    std::fputs("shown\n", stdout);
    std::fflush(stdout);
    return 0;
}
