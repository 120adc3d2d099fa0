#include "TApplication.h"

#include "TFailure.h"
#include "uForexAPI.h"
#include "uMessageBox.h"
#include "uPlatform.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QFont>
#include <QProxyStyle>
#include <QToolTip>
#include <QUrl>

namespace {

// Hints appear as soon as the pointer rests on a button.
class THintStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ToolTip_WakeUpDelay) {
            return 1;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Program-wide hint settings: aqua tips shown after 1 ms (Qt keeps a tip about 10 s). Set before any window
// exists, so that no widget has to be styled twice.
void ApplyHintSettings() {
    QApplication::setStyle(new THintStyle(QApplication::style()->name()));
    QPalette tips = QToolTip::palette();
    tips.setColor(QPalette::ToolTipBase, QColor(0, 255, 255));
    tips.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(tips);
}

// The document fonts of the windows, where the machine lacks them: straight to a font it has, instead of
// asking the font system for fallbacks family by family.
void SubstituteMissingFonts() {
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    QFont::insertSubstitutions(QStringLiteral("Arial"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    QFont::insertSubstitutions(QStringLiteral("Courier New"),
                               {QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono")});
}

void ShowUncaughtFailure(const QString& message) {
    ShowMessageBox(QApplication::activeWindow(),
                   {TMessageKind::Error, QApplication::applicationDisplayName(), message, {TMessageButton::Ok}});
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(QStringLiteral("TALVERO"));
    setApplicationName(QStringLiteral("sigdesk"));
    setApplicationDisplayName(QStringLiteral("TALVERO"));
    ApplyHintSettings();
    SubstituteMissingFonts();
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
