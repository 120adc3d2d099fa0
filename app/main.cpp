// The program unit: the application, the data module with the shared pictures, the main window, the loop.

#include "TApplication.h"
#include "fmMain.h"
#include "uDM.h"
#include "uImageList.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Without a display Qt would abort with a long message; say it in one line and how to run anyway.
bool DisplayAvailable() {
#if defined(Q_OS_LINUX)
    if (std::getenv("QT_QPA_PLATFORM") != nullptr || std::getenv("DISPLAY") != nullptr ||
        std::getenv("WAYLAND_DISPLAY") != nullptr) {
        return true;
    }
    std::fprintf(stderr,
                 "sigdesk: no display found (DISPLAY is not set); to run without a screen use: xvfb-run -a %s\n",
                 "sigdesk");
    return false;
#else
    return true;
#endif
}

} // namespace

int main(int argc, char** argv) {
    if (!DisplayAvailable()) {
        return 1;
    }
    TApplication application(argc, argv);
    TApplication::InstallPlatformServices();
    Tdm dm;
    const TImageList images;
    TfMain fMain(dm, images);
    fMain.show();
    return application.exec();
}
