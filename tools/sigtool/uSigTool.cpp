#include "uSigTool.h"

#include "TSignalRec.h"
#include "uForexAPI.h"

#include <cmath>
#include <optional>
#include <span>

namespace {

struct TCommand {
    const char* Name;
    const char* Usage;
    int MinArgs;
    int MaxArgs;
    int (*Run)(const QStringList& args, std::FILE* out, std::FILE* err);
};

void PrintLine(std::FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", qUtf8Printable(text));
}

int Fail(std::FILE* err, const QString& message) {
    PrintLine(err, QStringLiteral("sigtool: ") + message);
    return 1;
}

// A price as typed on the command line: a finite decimal number, "." as the decimal separator.
std::optional<double> ParsePrice(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok); // QString::toDouble always uses the C locale
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

int RunCompute(const QStringList& args, std::FILE* out, std::FILE* err) {
    const QString& pair = args[0];
    static constexpr const char* priceNames[] = {"CURRENT", "HIGHEST", "LOWEST", "PRICE24", "PRICE48", "PRICE72"};
    double prices[6];
    for (int i = 0; i < 6; ++i) {
        const std::optional<double> price = ParsePrice(args[1 + i]);
        if (!price) {
            return Fail(err,
                        QStringLiteral("%1 is not a number: \"%2\"").arg(QLatin1String(priceNames[i]), args[1 + i]));
        }
        prices[i] = *price;
    }
    const QString enginePath = AppFilePath(QString::fromLatin1(platform::EngineLibraryName));
    if (!EngineExists()) {
        return Fail(err, QStringLiteral("engine library not found: %1").arg(enginePath));
    }
    if (!LoadEngine().IsLoaded()) {
        return Fail(err, QStringLiteral("engine library cannot be loaded: %1").arg(enginePath));
    }

    TSignalRec rec = MakeEmptySignalRec(pair.toLatin1().toStdString());
    rec.Current = prices[0];
    rec.Highest = prices[1];
    rec.Lowest = prices[2];
    rec.Price24 = prices[3];
    rec.Price48 = prices[4];
    rec.Price64 = prices[5];
    if (!ComputeSignals(rec)) {
        return Fail(err, QStringLiteral("unknown currency pair: \"%1\"").arg(pair));
    }
    const int decimals = GetCurrencyDecimals(pair);
    const struct {
        const char* Label;
        double Value;
    } lines[] = {
        {"Buy signal: ", rec.BuySig},  {"Buy stop:   ", rec.BuyStop},  {"Buy limit:  ", rec.BuyLimit},
        {"Sell signal:", rec.SellSig}, {"Sell stop:  ", rec.SellStop}, {"Sell limit: ", rec.SellLimit},
    };
    for (const auto& line : lines) {
        std::fprintf(out, "%s %.*f\n", line.Label, decimals, line.Value);
    }
    return 0;
}

constexpr TCommand Commands[] = {
    {"compute", "compute PAIR CURRENT HIGHEST LOWEST PRICE24 PRICE48 PRICE72", 7, 7, RunCompute},
};

void PrintUsage(std::FILE* stream) {
    std::fprintf(stream, "usage:\n");
    for (const TCommand& command : Commands) {
        std::fprintf(stream, "  sigtool %s\n", command.Usage);
    }
}

} // namespace

int RunSigTool(const QStringList& args, std::FILE* out, std::FILE* err) {
    if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h")) {
        PrintUsage(args.isEmpty() ? err : out);
        return args.isEmpty() ? 2 : 0;
    }
    for (const TCommand& command : Commands) {
        if (args[0] != QLatin1String(command.Name)) {
            continue;
        }
        const QStringList rest = args.mid(1);
        if (rest.size() < command.MinArgs || rest.size() > command.MaxArgs) {
            std::fprintf(err, "usage: sigtool %s\n", command.Usage);
            return 2;
        }
        return command.Run(rest, out, err);
    }
    std::fprintf(err, "sigtool: unknown command \"%s\"\n", qUtf8Printable(args[0]));
    PrintUsage(err);
    return 2;
}
