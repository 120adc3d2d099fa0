// One store into a full currency table, with its atomic and flushed file write, beside a bare atomic write of the
// same 21 983 bytes: what the store adds to the write it cannot avoid. The folder is a temporary one (TMPDIR
// chooses the file system).

#include "TBinaryStreamFormat.h"
#include "TSignalRec.h"
#include "uDM.h"
#include "uForexAPI.h"
#include "uPlatform.h"

#include <benchmark/benchmark.h>

#include <QSaveFile>
#include <QTemporaryDir>

namespace {

constexpr qint64 FullFileSize = 21983;

// A program folder of the benchmark's own, without the engine, so the pair's decimals fall back.
class TBenchFolder {
public:
    TBenchFolder() {
        platform::SetProgramDirectory(FDir.path());
        SetErrorSink([this](const QString&) { ++Errors; });
    }
    ~TBenchFolder() {
        platform::SetProgramDirectory({});
        SetErrorSink({});
    }
    TBenchFolder(const TBenchFolder&) = delete;
    TBenchFolder& operator=(const TBenchFolder&) = delete;

    QString FilePath(const QString& name) const { return FDir.filePath(name); }

    int Errors = 0;

private:
    QTemporaryDir FDir;
};

TSignalRec Record(double day, const char* time, double price) {
    TSignalRec rec = MakeEmptySignalRec("EUR/USD");
    rec.Date = day;
    WriteShortText(rec.Time, time);
    for (double* field : {&rec.Current, &rec.Highest, &rec.Lowest, &rec.Price24, &rec.Price48, &rec.Price64,
                          &rec.BuySig, &rec.BuyStop, &rec.BuyLimit, &rec.SellSig, &rec.SellStop, &rec.SellLimit}) {
        *field = price;
        price += 0.0001;
    }
    return rec;
}

// The EUR/USD table with one row a day for the last 128 days, and its file.
TMemTable* FullTable(Tdm& dm) {
    TMemTable* table = dm.OpenCurrencyTable(QStringLiteral("EUR/USD"));
    const int today = LocalDayNumber();
    for (int age = 127; age >= 0; --age) {
        PlaceRecord(*table, Record(today - age, "1200", 1.1 + age / 1000.0), today);
    }
    table->DefaultFormat().WriteTableFile(*table, table->PersistentFile);
    return table;
}

bool CheckSetUp(benchmark::State& state, const TBenchFolder& folder, const TMemTable& table) {
    if (folder.Errors > 0 || table.RecordCount() != 128) {
        state.SkipWithError("the full table could not be set up");
        return false;
    }
    return true;
}

// New prices for the newest row: the table keeps its 128 rows and the file its 21 983 bytes.
void BM_StoreRecordReplacing(benchmark::State& state) {
    TBenchFolder folder;
    Tdm dm;
    TMemTable* table = FullTable(dm);
    if (!CheckSetUp(state, folder, *table)) {
        return;
    }
    TSignalRec rec = Record(LocalDayNumber(), "1200", 1.2);
    for (auto _ : state) {
        rec.Current += 0.0001;
        if (!dm.StoreRecord(*table, rec)) {
            state.SkipWithError("the store failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * FullFileSize);
}

// A new newest row each time: the post, the prune of the oldest row and the write of 128 rows.
void BM_StoreRecordAppendingAndPruning(benchmark::State& state) {
    TBenchFolder folder;
    Tdm dm;
    TMemTable* table = FullTable(dm);
    if (!CheckSetUp(state, folder, *table)) {
        return;
    }
    TSignalRec rec = Record(LocalDayNumber(), "1300", 1.2);
    for (auto _ : state) {
        rec.Date += 1.0;
        if (!dm.StoreRecord(*table, rec) || table->RecordCount() != 128) {
            state.SkipWithError("the store failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * FullFileSize);
}

// The same bytes through a bare QSaveFile in the same folder: open, write, commit (which flushes to disk).
void BM_QSaveFileCommit(benchmark::State& state) {
    TBenchFolder folder;
    Tdm dm;
    TMemTable* table = FullTable(dm);
    const QByteArray bytes = table->DefaultFormat().EncodeTable(*table);
    if (!CheckSetUp(state, folder, *table)) {
        return;
    }
    if (bytes.size() != FullFileSize) {
        state.SkipWithError("the table's file is not 21 983 bytes");
        return;
    }
    const QString path = folder.FilePath(QStringLiteral("bare.kvt"));
    for (auto _ : state) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
            state.SkipWithError("the bare write failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * FullFileSize);
}

} // namespace

BENCHMARK(BM_QSaveFileCommit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreRecordReplacing)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreRecordAppendingAndPruning)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
