#include "uForexAPI.h"

#include "TSignalRec.h"
#include "sigeng.h"

#include <QFileInfo>

#include <cstdio>

namespace {

TErrorSink& ErrorSink() {
    static TErrorSink sink = [](const QString& text) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(text));
    };
    return sink;
}

bool FileExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

// The engine's full path, worked out again only when the program directory changes (tests move it): the
// engine is loaded for every single call, so the path should cost nothing.
const QString& EnginePath() {
    static QString directory;
    static QString path;
    const QString current = platform::ProgramDirectory();
    if (path.isEmpty() || current != directory) {
        directory = current;
        path = AppFilePath(QString::fromLatin1(platform::EngineLibraryName));
    }
    return path;
}

} // namespace

QString JoinAppPath(const QString& directory, const QString& name, QChar separator) {
    QString path = directory + separator + name;
    const QString doubled(2, separator);
    // Collapse every doubled separator to one, as the program always has.
    qsizetype at = path.indexOf(doubled);
    while (at >= 0) {
        path.remove(at, 1);
        at = path.indexOf(doubled, at);
    }
    return path;
}

QString AppFilePath(const QString& name) {
    return JoinAppPath(platform::ProgramDirectory(), name, platform::PathSeparator);
}

bool EngineExists() {
    return FileExists(EnginePath());
}

platform::TDynamicLibrary LoadEngine() {
    // Anything but a loadable file (a folder of that name, say) fails to load and also gives none.
    const QString& path = EnginePath();
    if (!QFileInfo::exists(path)) {
        return {};
    }
    return platform::TDynamicLibrary(path);
}

bool GetCurrencyList(QStringList& list) {
    list << QStringLiteral("GBP/CHF") << QStringLiteral("EUR/USD") << QStringLiteral("GBP/USD")
         << QStringLiteral("USD/CHF") << QStringLiteral("USD/JPY") << QStringLiteral("USD/CAD")
         << QStringLiteral("AUD/USD") << QStringLiteral("EUR/JPY") << QStringLiteral("EUR/CHF")
         << QStringLiteral("EUR/GBP") << QStringLiteral("EUR/AUD") << QStringLiteral("GBP/JPY")
         << QStringLiteral("CHF/JPY");
    return true;
}

std::int32_t DefaultDecimals(const QString& name) {
    return name.contains(QStringLiteral("JPY")) ? 2 : 4;
}

std::int32_t GetCurrencyDecimals(const QString& name) {
    const QByteArray zeroTerminated = name.toLatin1(); // QByteArray keeps a terminating zero
    const platform::TDynamicLibrary engine = LoadEngine();
    if (!engine.IsLoaded()) {
        return DefaultDecimals(name);
    }
    const auto currDecimal = engine.Function<TFxCurrDecimal>("fx_currdecimal");
    return currDecimal != nullptr ? currDecimal(zeroTerminated.constData()) : 0;
}

bool ComputeSignals(TSignalRec& rec) {
    const platform::TDynamicLibrary engine = LoadEngine();
    const auto compute = engine.Function<TFxCompute>("fx_compute");
    return compute != nullptr && compute(&rec) != 0;
}

void OpenAppFile(const QString& name) {
    const QString path = AppFilePath(name);
    if (FileExists(path)) {
        platform::ShellOpen(path);
    }
}

void ShowError(const QString& message) {
    if (ErrorSink()) {
        ErrorSink()(QString::fromLatin1(ErrorPrefix) + message);
    }
}

void ShowError(const TFailure& failure) {
    ShowError(failure.Message());
}

void SetErrorSink(TErrorSink sink) {
    ErrorSink() = std::move(sink);
}
