#include "uSigTool.h"

#include "TBinaryStreamFormat.h"
#include "TSignalRec.h"
#include "uDM.h"
#include "uForexAPI.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <charconv>
#include <cmath>
#include <optional>
#include <span>
#include <string>

namespace {

struct TCommand {
    const char* Name;
    const char* Usage;
    int MinArgs;
    int MaxArgs;
    int (*Run)(const QStringList& args, std::FILE* out, std::FILE* err);
};

// Writes every byte of the text, also past a NUL character a data file's text may hold.
void PrintLine(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fputc('\n', stream);
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
    // The six prices in the order of the record's first six price columns.
    TSignalRec rec = MakeEmptySignalRec(pair.toLatin1().toStdString());
    for (int i = 0; i < 6; ++i) {
        const std::optional<double> price = ParsePrice(args[1 + i]);
        if (!price) {
            return Fail(err,
                        QStringLiteral("%1 is not a number: \"%2\"").arg(QLatin1String(priceNames[i]), args[1 + i]));
        }
        rec.*PriceColumns[i].Field = *price;
    }
    const QString enginePath = AppFilePath(QString::fromLatin1(platform::EngineLibraryName));
    if (!EngineExists()) {
        return Fail(err, QStringLiteral("engine library not found: %1").arg(enginePath));
    }
    if (!ComputeSignals(rec)) {
        // Only a failed computation needs to know why: an engine that loads did not know the pair.
        return Fail(err, LoadEngine().IsLoaded()
                             ? QStringLiteral("unknown currency pair: \"%1\"").arg(pair)
                             : QStringLiteral("engine library cannot be loaded: %1").arg(enginePath));
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

// The shortest text that reads back to the same double.
std::string ShortestNumber(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

// JSON number for a double; non-finite values as the tokens most JSON readers accept.
std::string JsonNumber(double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "Infinity" : "-Infinity";
    }
    return ShortestNumber(value);
}

std::string JsonString(const QString& text) {
    std::string json = "\"";
    for (const char c : text.toStdString()) {
        switch (c) {
        case '"':
            json += "\\\"";
            break;
        case '\\':
            json += "\\\\";
            break;
        case '\n':
            json += "\\n";
            break;
        case '\r':
            json += "\\r";
            break;
        case '\t':
            json += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                json += escaped;
            } else {
                json += c;
            }
        }
    }
    return json + "\"";
}

std::string JsonValue(const TFieldValue& value) {
    struct TVisitor {
        std::string operator()(std::monostate) const { return "null"; }
        std::string operator()(qint64 integer) const { return std::to_string(integer); }
        std::string operator()(bool boolean) const { return boolean ? "true" : "false"; }
        std::string operator()(double number) const { return JsonNumber(number); }
        std::string operator()(const QString& text) const { return JsonString(text); }
    };
    return std::visit(TVisitor{}, value);
}

int RunDump(const QStringList& args, std::FILE* out, std::FILE* /*err*/) {
    TMemTable table;
    PrepareSignalTable(table, args[0]);
    std::optional<QString> error;
    try {
        table.DefaultFormat().ReadTableFile(table, args[0]);
    } catch (const TFailure& failure) {
        error = failure.Message();
    }
    const int version = table.DefaultFormat().LastReadVersion();
    std::string json = "{\"version\": " + (version != 0 ? std::to_string(version) : std::string("null"));
    json += ", \"columns\": [";
    for (int i = 0; i < table.FieldCount(); ++i) {
        const TFieldDef& field = table.Field(i);
        json += i > 0 ? ", " : "";
        json += "{\"name\": " + JsonString(field.Name) + ", \"type\": " + JsonString(field.TypeName) +
                ", \"size\": " + std::to_string(field.Size) + ", \"label\": " + JsonString(field.DisplayName()) +
                ", \"mask\": " + JsonString(field.EditMask) +
                ", \"width\": " + std::to_string(field.EffectiveDisplayWidth()) +
                ", \"required\": " + (field.Required ? "true" : "false") +
                ", \"readonly\": " + (field.ReadOnly ? "true" : "false") +
                ", \"kind\": " + JsonString(FieldKindName(field.Kind)) +
                ", \"default\": " + JsonString(field.DefaultExpression) + "}";
    }
    json += "], \"rows\": [";
    for (int row = 0; row < table.RecordCount(); ++row) {
        json += row > 0 ? ", [" : "[";
        for (int i = 0; i < table.FieldCount(); ++i) {
            json += (i > 0 ? ", " : "") + JsonValue(table.RowValue(row, i));
        }
        json += "]";
    }
    json += "], \"error\": " + (error ? JsonString(*error) : std::string("null")) + "}\n";
    std::fputs(json.c_str(), out);
    return error ? 1 : 0;
}

// The program's columns in their order, as CSV names.
const QString CsvHeader = QStringLiteral("date,time,current,highest,lowest,price24,price48,price72,buy_sig,buy_stop,"
                                         "buy_limit,sell_sig,sell_stop,sell_limit");
const QDate DayZero(1899, 12, 30);
// Day counts of 1 January 0001 and 31 December 9999: the dates YYYY-MM-DD can write.
constexpr double FirstCsvDay = -693593.0;
constexpr double LastCsvDay = 2958465.0;

// The day count as YYYY-MM-DD; nothing for a count outside the years 1 to 9999 or for no number at all.
std::optional<QString> CsvDate(const TFieldValue& value) {
    const double* day = std::get_if<double>(&value);
    if (day == nullptr || !(*day >= FirstCsvDay && *day <= LastCsvDay)) {
        return std::nullopt;
    }
    return DayZero.addDays(static_cast<qint64>(std::trunc(*day))).toString(Qt::ISODate);
}

// A date written exactly as YYYY-MM-DD; the ISO reader alone also takes "2024/01/05" and trailing text.
QDate DateFromCsv(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    return pattern.match(text).hasMatch() ? QDate::fromString(text, Qt::ISODate) : QDate();
}

QString CsvCell(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r')) {
        return text;
    }
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

int RunExport(const QStringList& args, std::FILE* out, std::FILE* err) {
    if (!QFileInfo(args[0]).isFile()) {
        return Fail(err, QStringLiteral("no such data file: %1").arg(args[0]));
    }
    TMemTable table;
    std::vector<int> columns;
    try {
        PrepareSignalTable(table, args[0]);
        LoadSignalTable(table);
        for (const QString& name : SignalColumnNames()) {
            columns.push_back(table.FieldByName(name));
        }
    } catch (const TFailure& failure) {
        return Fail(err, failure.Message());
    }
    // All lines are made before any is printed, so a row that cannot be written leaves no partial output.
    QStringList lines{CsvHeader};
    for (int row = 0; row < table.RecordCount(); ++row) {
        QStringList cells;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const TFieldValue value = table.RowValue(row, columns[i]);
            if (std::holds_alternative<std::monostate>(value)) {
                cells << QString();
            } else if (i == 0) {
                const std::optional<QString> date = CsvDate(value);
                if (!date) {
                    return Fail(err, QStringLiteral("%1 row %2: DATE %3 is not a date of the years 1 to 9999")
                                         .arg(args[0])
                                         .arg(row + 1)
                                         .arg(QString::fromStdString(JsonValue(value))));
                }
                cells << *date;
            } else if (const QString* text = std::get_if<QString>(&value)) {
                cells << CsvCell(*text);
            } else if (const double* number = std::get_if<double>(&value)) {
                cells << QString::fromStdString(JsonNumber(*number));
            } else {
                cells << QString::fromStdString(JsonValue(value));
            }
        }
        lines << cells.join(u',');
    }
    for (const QString& line : lines) {
        PrintLine(out, line);
    }
    return 0;
}

// One CSV line split into cells; quoted cells may hold commas and doubled quotes.
std::optional<QStringList> SplitCsvLine(const QString& line) {
    QStringList cells;
    QString cell;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
                cell += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == u'"' && cell.isEmpty()) {
            quoted = true;
        } else if (c == u',') {
            cells << cell;
            cell.clear();
        } else {
            cell += c;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    cells << cell;
    return cells;
}

// A signal record from one CSV line, or the reason it is malformed.
std::optional<TSignalRec> RecordFromCsv(const QString& line, QString& problem) {
    const std::optional<QStringList> cells = SplitCsvLine(line);
    if (!cells || cells->size() != 14) {
        problem = QStringLiteral("expected 14 comma-separated values");
        return std::nullopt;
    }
    TSignalRec rec = MakeEmptySignalRec("");
    const QDate date = DateFromCsv(cells->at(0).trimmed());
    if (!date.isValid()) {
        problem = QStringLiteral("date \"%1\" is not YYYY-MM-DD").arg(cells->at(0));
        return std::nullopt;
    }
    rec.Date = static_cast<double>(DayZero.daysTo(date));
    const QString time = cells->at(1).trimmed();
    if (time.isEmpty() || time.size() > 8) {
        problem = QStringLiteral("time \"%1\" must have 1 to 8 characters").arg(cells->at(1));
        return std::nullopt;
    }
    WriteShortText(rec.Time, time.toLatin1().toStdString());
    const QStringList names = CsvHeader.split(u',');
    for (int i = 0; i < 12; ++i) {
        const std::optional<double> price = ParsePrice(cells->at(2 + i));
        if (!price) {
            problem = QStringLiteral("%1 \"%2\" is not a number").arg(names[2 + i], cells->at(2 + i));
            return std::nullopt;
        }
        rec.*PriceColumns[i].Field = *price; // the CSV's prices stand in column order
    }
    return rec;
}

int RunImport(const QStringList& args, std::FILE* /*out*/, std::FILE* err) {
    QFile csv(args[1]);
    if (!csv.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return Fail(err, QStringLiteral("cannot read %1: %2").arg(args[1], csv.errorString()));
    }
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(u'\n');
    std::vector<std::pair<int, TSignalRec>> records;
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        if (i == 0) {
            if (line.trimmed().compare(CsvHeader, Qt::CaseInsensitive) != 0) {
                return Fail(err, QStringLiteral("%1 line 1: the header must be %2").arg(args[1], CsvHeader));
            }
            continue;
        }
        if (line.trimmed().isEmpty()) {
            continue;
        }
        QString problem;
        const std::optional<TSignalRec> rec = RecordFromCsv(line, problem);
        if (!rec) {
            return Fail(err, QStringLiteral("%1 line %2: %3").arg(args[1]).arg(i + 1).arg(problem));
        }
        records.emplace_back(i + 1, *rec);
    }

    TMemTable table;
    try {
        PrepareSignalTable(table, args[0]);
        LoadSignalTable(table);
    } catch (const TFailure& failure) {
        return Fail(err, QStringLiteral("%1: %2").arg(args[0], failure.Message()));
    }
    const int today = LocalDayNumber();
    for (const auto& [lineNumber, rec] : records) {
        try {
            PlaceRecord(table, rec, today);
        } catch (const TFailure& failure) {
            return Fail(err, QStringLiteral("%1 line %2: %3").arg(args[1]).arg(lineNumber).arg(failure.Message()));
        }
    }
    try {
        table.DefaultFormat().WriteTableFile(table, args[0]);
    } catch (const TFailure& failure) {
        return Fail(err, failure.Message());
    }
    return 0;
}

constexpr TCommand Commands[] = {
    {"compute", "compute PAIR CURRENT HIGHEST LOWEST PRICE24 PRICE48 PRICE72", 7, 7, RunCompute},
    {"dump", "dump FILE          (a data file as JSON)", 1, 1, RunDump},
    {"export", "export FILE        (a data file's rows as CSV, newest first)", 1, 1, RunExport},
    {"import", "import FILE CSV    (stores the CSV rows into the data file)", 2, 2, RunImport},
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
