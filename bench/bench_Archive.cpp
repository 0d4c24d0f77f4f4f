// The archive and the restore of a 100 MB database through the wizard, against the floor of the
// same file compressed by "gzip -6" and copied by "cp", all measured in one run.

#include "bench/BenchTimes.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "core/unRegistry.h"
#include "shell/archive/Archive.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

constexpr qint64 DatabaseSize = 100 * 1000 * 1000;

// The restore's question is answered with Yes; nothing waits for an operator.
class TYesPresenter : public TMessagePresenter {
public:
    TModalResult Present(const TMessageRequest&) override { return mrYes; }
    bool AskPassword(const TPasswordRequest&, QString&) override { return false; }
};

QString LiveFile() {
    return DatabaseDir + DatabaseFileName;
}

void FillDatabase(const QString& ProgramFolder) {
    QDir().mkpath(ProgramFolder + QStringLiteral("db"));
    CreateDatabaseFile(ProgramFolder + QStringLiteral("db/") + DatabaseFileName);
    CreateAdoConnection(nullptr, ProgramFolder);
    bool Ok = ExecSQL(nullptr, AdoConnection, QStringLiteral(R"sql(
        CREATE TABLE Bench (id INTEGER NOT NULL PRIMARY KEY, name TEXT, note TEXT, amount DOUBLE)
    )sql"));
    // Names and notes as a shop writes them, with a random part so the data is not all repeats.
    for (int Batch = 0; Ok && QFileInfo(LiveFile()).size() < DatabaseSize; ++Batch)
        Ok = ExecSQL(nullptr, AdoConnection,
                     Format(R"sql(
                         WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 50000)
                         INSERT INTO Bench (name, note, amount)
                         SELECT "Иван Петров Иванов " || (i + %d), "залог " || hex(randomblob(40)), i * 1.25 FROM n
                     )sql",
                            {Batch * 50000}));
    if (!Ok) {
        std::fprintf(stderr, "Cannot fill the benchmark database\n");
        std::exit(1);
    }
}

void BM_Archive(benchmark::State& State) {
    for (auto _ : State) {
        State.PauseTiming();
        DeleteDirectoryTree(DatabaseDir + QStringLiteral("Archive"));
        State.ResumeTiming();
        TformArchive Form(nullptr, TformArchive::amArchive);
        Form.btnNext->click();
        if (Form.Step() != 99) State.SkipWithError("the archive failed");
    }
    State.counters["MB"] = double(QFileInfo(LiveFile()).size()) / 1e6;
}

void BM_Restore(benchmark::State& State) {
    TYesPresenter Presenter;
    TMessagePresenter* Previous = SetMessagePresenter(&Presenter);
    for (auto _ : State) {
        TformArchive Form(nullptr, TformArchive::amRestore);
        if (Form.listArchives->topLevelItemCount() == 0) {
            State.SkipWithError("no archive to restore");
            break;
        }
        Form.listArchives->topLevelItem(0)->setSelected(true);
        Form.btnNext->click();
        if (Form.Step() != 98) State.SkipWithError("the restore failed");
        State.PauseTiming();
        // The kept copies of the replaced database would fill the disk.
        for (const QFileInfo& Kept :
             QDir(DatabaseDir).entryInfoList({QStringLiteral("*-*.mdb")}, QDir::Files))
            QFile::remove(Kept.filePath());
        State.ResumeTiming();
    }
    SetMessagePresenter(Previous);
}

void RunTool(benchmark::State& State, const QString& Program, const QStringList& Arguments,
             const QString& Output) {
    for (auto _ : State) {
        QProcess Process;
        if (!Output.isEmpty()) Process.setStandardOutputFile(Output);
        Process.start(Program, Arguments);
        if (!Process.waitForFinished(-1) || Process.exitCode() != 0) State.SkipWithError("the tool failed");
    }
}

void BM_Gzip6(benchmark::State& State) {
    RunTool(State, QStringLiteral("gzip"), {QStringLiteral("-6"), QStringLiteral("-c"), LiveFile()},
            DatabaseDir + QStringLiteral("floor.gz"));
}

void BM_Cp(benchmark::State& State) {
    RunTool(State, QStringLiteral("cp"), {LiveFile(), DatabaseDir + QStringLiteral("floor.copy")}, QString());
}

BENCHMARK(BM_Archive)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Restore)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Gzip6)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Cp)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    benchmark::Initialize(&argc, argv);
    QTemporaryDir Dir;
    // The wizard keeps its choices; they go to a settings file of the run, not the machine's.
    SetRegistryFile(Dir.filePath(QStringLiteral("settings.ini")));
    FillDatabase(Dir.path() + QLatin1Char('/'));
    TTimesReporter Reporter;
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    const double Archive = Reporter.Times["BM_Archive"], Restore = Reporter.Times["BM_Restore"];
    const double Gzip = Reporter.Times["BM_Gzip6"], Copy = Reporter.Times["BM_Cp"];
    if (Gzip > 0 && Copy > 0) {
        if (Archive > 0)
            std::printf("archive %.0f ms: %.2f x gzip -6 (%.0f ms), %.2f x cp (%.0f ms)\n", Archive,
                        Archive / Gzip, Gzip, Archive / Copy, Copy);
        if (Restore > 0)
            std::printf("restore %.0f ms: %.2f x gzip -6 (%.0f ms), %.2f x cp (%.0f ms)\n", Restore,
                        Restore / Gzip, Gzip, Restore / Copy, Copy);
    }
    FreeAdoConnection();
    benchmark::Shutdown();
    return 0;
}
