#include "TApplication.h"

#include "TFailure.h"
#include "uForexAPI.h"
#include "uMessageBox.h"
#include "uPlatform.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {

void ShowUncaughtFailure(const QString& message) {
    ShowMessageBox(QApplication::activeWindow(),
                   {TMessageKind::Error, QApplication::applicationDisplayName(), message, {TMessageButton::Ok}});
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(QStringLiteral("TALVERO"));
    setApplicationName(QStringLiteral("sigdesk"));
    setApplicationDisplayName(QStringLiteral("TALVERO"));
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const TFailure& failure) {
        ShowUncaughtFailure(failure.Message());
    } catch (const std::exception& error) {
        ShowUncaughtFailure(QString::fromLocal8Bit(error.what()));
    }
    return false;
}

void TApplication::InstallPlatformServices() {
    platform::SetShellOpenHandler([](const QString& target) {
        const bool isFile = QFileInfo(target).isAbsolute();
        QDesktopServices::openUrl(isFile ? QUrl::fromLocalFile(target) : QUrl(target));
    });
    SetErrorSink([](const QString& text) {
        ShowMessageBox(QApplication::activeWindow(),
                       {TMessageKind::Error, QStringLiteral("Error"), text, {TMessageButton::Cancel}});
    });
}
