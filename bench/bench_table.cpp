// Reading a full pair file (128 rows) into a table, side by side with merely reading the file's bytes; the goal
// is a table read within three times the file access. Decoding alone and encoding are measured for reference.

#include "TBinaryStreamFormat.h"
#include "TMemTable.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr double Day = 37472.0; // 4 August 2002

void DefineProgramColumns(TMemTable& table) {
    table.AddField({.Name = "DATE", .TypeName = "Date", .Required = true});
    table.AddField({.Name = "TIME", .TypeName = "String", .Size = 4, .Required = true, .EditMask = "!90:00;0; "});
    for (const char* name : {"CURRENT", "HIGHEST", "LOWEST", "PRICE_24", "PRICE_48", "PRICE_64", "BUY_SIG", "BUY_STOP",
                             "BUY_LIMIT", "SELL_SIG", "SELL_STOP", "SELL_LIMIT"}) {
        table.AddField({.Name = name, .TypeName = "Float", .Required = true});
    }
}

// A program file of 128 rows in a temporary folder, made once.
class TProgramFile {
public:
    TProgramFile() {
        TMemTable table;
        DefineProgramColumns(table);
        table.Open();
        table.SetSortOrder({"DATE", "TIME"}, true, true);
        for (int i = 0; i < 128; ++i) {
            table.Append();
            table.SetValue(0, Day - i / 4);
            table.SetValue(1, QString("%1").arg(900 + (i % 4) * 100, 4, 10, QChar('0')));
            for (int field = 2; field < table.FieldCount(); ++field) {
                table.SetValue(field, 1.2345 + 0.0001 * (i * 12 + field));
            }
            table.Post();
        }
        table.DefaultFormat().WriteTableFile(table, Path());
    }
    QString Path() const { return FFolder.filePath("EURUSD.kvt"); }

private:
    QTemporaryDir FFolder;
};

const TProgramFile& ProgramFile() {
    static const TProgramFile file;
    return file;
}

void BM_ReadFileBytes(benchmark::State& state) {
    const QString path = ProgramFile().Path();
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        QByteArray bytes = file.readAll();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_ReadFileBytes);

// What opening a pair does: read the file into its table (the table already exists).
void BM_ReadTableFile(benchmark::State& state) {
    const QString path = ProgramFile().Path();
    TMemTable table;
    for (auto _ : state) {
        table.DefaultFormat().ReadTableFile(table, path);
        benchmark::DoNotOptimize(table.RecordCount());
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_ReadTableFile);

// The same with a table made for each read, as each browse window makes its own.
void BM_ReadTableFileIntoNewTable(benchmark::State& state) {
    const QString path = ProgramFile().Path();
    for (auto _ : state) {
        TMemTable table;
        table.DefaultFormat().ReadTableFile(table, path);
        benchmark::DoNotOptimize(table.RecordCount());
    }
}
BENCHMARK(BM_ReadTableFileIntoNewTable);

// Decoding alone, from bytes already in memory.
void BM_DecodeTable(benchmark::State& state) {
    QFile file(ProgramFile().Path());
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    TMemTable table;
    for (auto _ : state) {
        table.DefaultFormat().ReadTable(table, bytes);
        benchmark::DoNotOptimize(table.RecordCount());
    }
}
BENCHMARK(BM_DecodeTable);

void BM_EncodeTable(benchmark::State& state) {
    TMemTable table;
    table.DefaultFormat().ReadTableFile(table, ProgramFile().Path());
    for (auto _ : state) {
        QByteArray bytes = table.DefaultFormat().EncodeTable(table);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_EncodeTable);

} // namespace

BENCHMARK_MAIN();
