// The windows' costs: the program's start beside a bare MDI program's (both started as processes on the
// offscreen platform), and opening a pair whose file holds 128 rows until its window shows the filled grid.

#include "TBinaryStreamFormat.h"
#include "TMemTable.h"
#include "TSignalRec.h"
#include "fmAbout.h"
#include "fmBrowse.h"
#include "fmMain.h"
#include "uDM.h"
#include "uImageList.h"
#include "uPlatform.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string_view>

extern char** environ;

namespace {

// Starts a program and measures until it reports its main window shown; its end is waited for untimed.
void RunProgram(benchmark::State& state, const char* path) {
    char* const argv[] = {const_cast<char*>(path), nullptr};
    for (auto _ : state) {
        int output[2];
        if (pipe(output) != 0) {
            state.SkipWithError("no pipe");
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, output[0]);
        pid_t child = 0;
        const int spawned = posix_spawn(&child, path, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(output[1]);
        if (spawned != 0) {
            close(output[0]);
            state.SkipWithError("cannot start the program");
            return;
        }
        char text[16] = {};
        const ssize_t got = read(output[0], text, sizeof text - 1); // blocks until "shown"
        state.PauseTiming();
        close(output[0]);
        int status = 0;
        waitpid(child, &status, 0);
        state.ResumeTiming();
        if (got <= 0 || std::string_view(text).substr(0, 5) != "shown" || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            state.SkipWithError("the program did not show its window");
            return;
        }
    }
}

void BM_StartSigdesk(benchmark::State& state) {
    RunProgram(state, START_SIGDESK_PATH);
}
BENCHMARK(BM_StartSigdesk)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StartBareMdiProgram(benchmark::State& state) {
    RunProgram(state, START_BARE_PATH);
}
BENCHMARK(BM_StartBareMdiProgram)->Unit(benchmark::kMillisecond)->UseRealTime();

// For context: the bare program never starts the font system; this one does, for a menu and a status text.
void BM_StartBareMdiProgramWithText(benchmark::State& state) {
    RunProgram(state, START_BARE_TEXT_PATH);
}
BENCHMARK(BM_StartBareMdiProgramWithText)->Unit(benchmark::kMillisecond)->UseRealTime();

// A data file of 128 program rows for GBP/CHF in dir.
void WriteFullDataFile(const QString& dir) {
    TMemTable table;
    DefineSignalColumns(table);
    table.Open();
    for (int row = 0; row < MaxTableRows; ++row) {
        TSignalRec rec = MakeEmptySignalRec("GBP/CHF");
        rec.Date = 45000 + row;
        WriteShortText(rec.Time, "0930");
        rec.Current = rec.Highest = rec.Lowest = rec.Price24 = rec.Price48 = rec.Price64 = 2.3 + row / 1000.0;
        rec.BuySig = rec.BuyStop = rec.BuyLimit = rec.SellSig = rec.SellStop = rec.SellLimit = 2.3;
        PlaceRecord(table, rec, 46000);
    }
    table.DefaultFormat().WriteTableFile(table, dir + QStringLiteral("/GBPCHF.kvt"));
}

void BM_OpenPairWith128Rows(benchmark::State& state) {
    QTemporaryDir dir;
    platform::SetProgramDirectory(dir.path());
    WriteFullDataFile(dir.path());
    Tdm dm;
    const TImageList images;
    TfMain main(dm, images);
    QTimer aboutBoxCloser;
    QObject::connect(&aboutBoxCloser, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget())) {
            box->accept();
        }
    });
    aboutBoxCloser.start(1);
    main.show();
    QCoreApplication::processEvents();

    for (auto _ : state) {
        TfBrowse* window = TfBrowse::OpenBrowseWindow(main, QStringLiteral("GBP/CHF"));
        QCoreApplication::processEvents(); // shown and painted
        if (window->Grid()->model()->rowCount() != MaxTableRows) {
            state.SkipWithError("the grid is not filled");
        }
        state.PauseTiming();
        window->close();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    platform::SetProgramDirectory({});
}
BENCHMARK(BM_OpenPairWith128Rows)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
