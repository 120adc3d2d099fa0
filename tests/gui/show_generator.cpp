// Shows the generator dialog on the real display for a look at it (not a test): run it under Xvfb and take
// screenshots. Arguments: new | filled | start | readonly, and optionally the pair (default GBP/CHF).
// "start" presses Start once the dialog is up; the engine is taken from the build's shipping folder.

#include "TSignalRec.h"
#include "TestPaths.h"
#include "fmInput.h"
#include "uPlatform.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const QString mode = arguments.value(1, QStringLiteral("new"));
    const QByteArray pair = arguments.value(2, QStringLiteral("GBP/CHF")).toLatin1();
    platform::SetProgramDirectory(QString::fromLatin1(ShippingDir));

    TSignalRec rec = MakeEmptySignalRec(pair.constData());
    if (mode != QLatin1String("new")) {
        const bool yen = pair.contains("JPY");
        rec.Current = yen ? 120.5 : 2.3;
        rec.Highest = yen ? 121.0 : 2.312;
        rec.Lowest = yen ? 119.0 : 2.297;
        rec.Price24 = yen ? 120.0 : 2.295;
        rec.Price48 = yen ? 119.5 : 2.305;
        rec.Price64 = yen ? 118.0 : 2.29;
    }
    if (mode == QLatin1String("readonly")) {
        rec.BuyLimit = 2.3078;
        rec.BuySig = 2.2928;
        rec.BuyStop = 2.2858;
        rec.SellLimit = 2.2917;
        rec.SellSig = 2.3067;
        rec.SellStop = 2.3137;
    }
    if (mode == QLatin1String("start")) {
        QTimer::singleShot(800, [] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                if (auto* start = dialog->findChild<QPushButton*>(QStringLiteral("bStart"))) {
                    start->click();
                }
            }
        });
    }
    const bool saved = ShowGenerator(rec);
    std::printf("ShowGenerator returned %s\n", saved ? "true" : "false");
    return 0;
}
