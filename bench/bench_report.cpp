// The HTML report of a full pair (128 rows) from a browse window with its chart shown, on the offscreen
// platform: the whole report with both files written (the shell's open action does nothing here; the goal is
// under 50 ms), and its parts for reference: the chart's refill, the picture file, the report text and file.

#include "TMemTable.h"
#include "TPairChart.h"
#include "TSignalRec.h"
#include "fmAbout.h"
#include "fmBrowse.h"
#include "fmMain.h"
#include "uDM.h"
#include "uForexAPI.h"
#include "uHtmlReport.h"
#include "uImageList.h"
#include "uPlatform.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {

// A program with a GBP/CHF window of 128 rows, its chart shown, in a program folder of its own.
struct TReportProgram {
    TReportProgram() {
        platform::SetProgramDirectory(Folder.path());
        platform::SetShellOpenHandler([](const QString&) {});
        Main = std::make_unique<TfMain>(Dm, Images);
        auto* aboutBoxCloser = new QTimer(Main.get());
        QObject::connect(aboutBoxCloser, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget())) {
                box->accept();
            }
        });
        aboutBoxCloser->start(5);
        Main->resize(1280, 900);
        Main->show();
        Window = TfBrowse::OpenBrowseWindow(*Main, QStringLiteral("GBP/CHF"));
        TMemTable& table = *Window->Table();
        for (int row = 0; row < MaxTableRows; ++row) {
            TSignalRec rec = MakeEmptySignalRec("GBP/CHF");
            rec.Date = 45000 + row / 2;
            WriteShortText(rec.Time, row % 2 == 0 ? "0930" : "1500");
            rec.Current = 1.13 + (row % 17) * 0.0007;
            rec.Highest = rec.Current + 0.004;
            rec.Lowest = rec.Current - 0.0035;
            rec.Price24 = rec.Price48 = rec.Price64 = rec.Current - 0.001;
            rec.BuySig = rec.BuyStop = rec.BuyLimit = rec.SellSig = rec.SellStop = rec.SellLimit = rec.Current;
            PlaceRecord(table, rec, 46000);
        }
        Window->resize(1000, 600);
        Window->ToolChartClick();
        for (int i = 0; i < 10; ++i) {
            QCoreApplication::processEvents();
        }
    }

    QTemporaryDir Folder;
    Tdm Dm;
    TImageList Images;
    std::unique_ptr<TfMain> Main;
    TfBrowse* Window = nullptr;
};

TReportProgram* Program = nullptr;

void BM_WriteHtmlReport(benchmark::State& state) {
    for (auto _ : state) {
        Program->Window->WriteHtmlReport();
    }
    state.counters["rows"] = Program->Window->Table()->RecordCount();
}
BENCHMARK(BM_WriteHtmlReport)->Unit(benchmark::kMillisecond);

void BM_RefreshChart(benchmark::State& state) {
    for (auto _ : state) {
        Program->Window->RefreshChart();
    }
}
BENCHMARK(BM_RefreshChart)->Unit(benchmark::kMillisecond);

void BM_SavePicture(benchmark::State& state) {
    TPairChart* chart = Program->Window->Chart();
    const QString path = AppFilePath(QStringLiteral("talvero.bmp"));
    for (auto _ : state) {
        chart->SavePicture(path);
    }
    state.counters["pixels"] = chart->width() * chart->height();
}
BENCHMARK(BM_SavePicture)->Unit(benchmark::kMillisecond);

void BM_WriteReportText(benchmark::State& state) {
    TMemTable& table = *Program->Window->Table();
    const QString html = AppFilePath(QStringLiteral("talvero.htm"));
    for (auto _ : state) {
        QStringList lines = ReportHeaderLines(QStringLiteral("GBP/CHF"), AppFilePath(QStringLiteral("talvero.bmp")));
        const TControlsSuspension suspended(table);
        for (table.First(); !table.Eof(); table.Next()) {
            WriteRecordBlock(table, 994, lines);
        }
        lines << ReportFooterLines();
        WriteReportFile(html, lines);
    }
}
BENCHMARK(BM_WriteReportText)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    TReportProgram program;
    Program = &program;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Program = nullptr;
    return 0;
}
