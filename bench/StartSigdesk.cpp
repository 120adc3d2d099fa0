// The program's start as main.cpp runs it, ending as soon as the main window is shown: one side of the
// start-up benchmark.

#include "TApplication.h"
#include "fmMain.h"
#include "uDM.h"
#include "uImageList.h"

int main(int argc, char** argv) {
    TApplication application(argc, argv);
    TApplication::InstallPlatformServices();
    Tdm dm;
    const TImageList images;
    TfMain fMain(dm, images);
    fMain.show();
    return 0;
}
