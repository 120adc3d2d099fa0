#include "TApplication.h"

#include "TFailure.h"
#include "uForexAPI.h"
#include "uMessageBox.h"
#include "uPlatform.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QFont>
#include <QIconEngine>
#include <QPointer>
#include <QProxyStyle>
#include <QToolTip>
#include <QUrl>

namespace {

// A standard picture of the base style, fetched only when it is first drawn. Qt builds the tool bars'
// overflow pictures with each bar; fetching them loads every image-format plug-in at start, for buttons that
// rarely show.
class TDeferredStandardIcon : public QIconEngine {
public:
    TDeferredStandardIcon(const QStyle* style, QStyle::StandardPixmap picture) : FStyle(style), FPicture(picture) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        Resolved().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Resolved().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Resolved().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        return Resolved().pixmap(size, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return Resolved().availableSizes(mode, state);
    }
    bool isNull() override { return false; }
    QIconEngine* clone() const override { return new TDeferredStandardIcon(*this); }

private:
    const QIcon& Resolved() {
        if (!FResolved) {
            const QStyle* style = FStyle ? FStyle.data() : QApplication::style();
            FIcon = style->standardIcon(FPicture);
            FResolved = true;
        }
        return FIcon;
    }

    QPointer<const QStyle> FStyle;
    QStyle::StandardPixmap FPicture;
    QIcon FIcon;
    bool FResolved = false;
};

// The platform's style with the program's hints: they appear as soon as the pointer rests on a button.
class TProgramStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ToolTip_WakeUpDelay) {
            return 1;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
    QIcon standardIcon(StandardPixmap picture, const QStyleOption* option, const QWidget* widget) const override {
        if (picture == SP_ToolBarHorizontalExtensionButton || picture == SP_ToolBarVerticalExtensionButton) {
            return QIcon(new TDeferredStandardIcon(baseStyle(), picture));
        }
        return QProxyStyle::standardIcon(picture, option, widget);
    }
};

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
    ApplyProgramStyle();
    SubstituteMissingFonts();
}

// Aqua hints shown after 1 ms (Qt keeps a hint about 10 s). Set before any window exists, so that no widget has
// to be styled twice.
void TApplication::ApplyProgramStyle() {
    QApplication::setStyle(new TProgramStyle(QApplication::style()->name()));
    QPalette tips = QToolTip::palette();
    tips.setColor(QPalette::ToolTipBase, QColor(0, 255, 255));
    tips.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(tips);
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
