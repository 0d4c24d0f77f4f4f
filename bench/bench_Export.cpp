// Exporting a list of 100,000 rows x 6 columns to a workbook, a Word document and a text file:
// the time and the peak memory each export adds, beside the floor of the same work done the
// simplest way (every cell's shown text written to a plain file, one line per row). Goal for the
// Word document: under 300 MB added at its peak.

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/RichGrid.h"
#include "bench/BenchTimes.h"
#include "framework/export/Export.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

constexpr int BigRows = 100000;

class TSilentProgress : public TExportProgress {
public:
    void Start(const QString&, int) override {}
    bool Step() override { return true; }
};

// A list as a register shows it: a header row, a row number, names, a personal number, a date
// and two amounts under a number formatter.
struct TListGrid {
    TFloatFormatter Amounts{nullptr, 2};
    TRichGrid Grid;
    explicit TListGrid(int Rows) {
        Grid.SetColCount(6);
        Grid.SetRowCount(Rows + 1);
        Grid.SetFixedRows(1);
        Grid.SetFixedCols(0);
        const QStringList header = {QStringLiteral("№"),    QStringLiteral("Клиент"),
                                    QStringLiteral("ЕГН"),  QStringLiteral("Дата"),
                                    QStringLiteral("Сума"), QStringLiteral("Лихва")};
        for (int c = 0; c < 6; ++c)
            Grid.SetCells(c, 0, header[c]);
        const QString names[] = {QStringLiteral("Иван Петров Иванов"), QStringLiteral("Мария Колева"),
                                 QStringLiteral("Георги Димитров Стоянов")};
        for (int r = 1; r <= Rows; ++r) {
            Grid.SetCells(0, r, QString::number(r));
            Grid.SetCells(1, r, names[r % 3]);
            Grid.SetCells(2, r, QString::number(7501010000LL + r));
            Grid.SetCells(3, r, QStringLiteral("%1.%2.2024").arg(r % 28 + 1).arg(r % 12 + 1));
            Grid.SetCells(4, r, QString::number(12.5 * r, 'f', 2));
            Grid.SetCells(5, r, QString::number(0.37 * (r % 1000), 'f', 2));
        }
        Grid.ColAttributes(4)->SetFormatter(&Amounts);
        Grid.ColAttributes(5)->SetFormatter(&Amounts);
    }
};

TListGrid& Big() {
    static TListGrid grid(BigRows);
    return grid;
}

QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    return dir;
}

TExportJob JobFor(TRichGrid& Grid, const QString& Name) {
    TExportJob job;
    job.Grid = &Grid;
    job.FileName = Folder().filePath(Name);
    job.Title = QStringLiteral("Регистър на договорите");
    job.Subtitle = QStringLiteral("от 01.01.2024 до 31.12.2024");
    job.Date = QDate(2024, 12, 31);
    for (QFont* font : {&job.FirmFont, &job.TitleFont, &job.SubtitleFont, &job.TableFont})
        *font = QFont(QStringLiteral("Times New Roman"), 10);
    return job;
}

// The floor: each cell's shown text, read as the exports read it, into a plain file.
bool WritePlain(TRichGrid& Grid, const QString& FileName) {
    QFile file(FileName);
    if (!file.open(QIODevice::WriteOnly)) return false;
    TCellAttributes attributes;
    QString text;
    for (int r = 0; r < Grid.RowCount(); ++r) {
        QByteArray line;
        for (int c = 0; c < Grid.ColCount(); ++c) {
            Grid.ComposeCellAttributes(c, r, &attributes, text);
            line += text.toUtf8();
            line += '\t';
        }
        line += "\r\n";
        file.write(line);
    }
    return true;
}

struct TKind {
    const char* Name;
    std::function<int(const TExportJob&)> Run;
};

const TKind Kinds[] = {
    {"Floor", [](const TExportJob& Job) { return WritePlain(*Job.Grid, Job.FileName) ? erDone : erFailed; }},
    {"Excel",
     [](const TExportJob& Job) {
         TSilentProgress progress;
         return ExportToExcel(Job, progress);
     }},
    {"Word",
     [](const TExportJob& Job) {
         TSilentProgress progress;
         return ExportToWord(Job, progress);
     }},
    {"Text",
     [](const TExportJob& Job) {
         TSilentProgress progress;
         return ExportToText(Job, QStringLiteral("\t"), progress);
     }},
};

long StatusKilobytes(const char* Field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(Field))
            return line.mid(int(qstrlen(Field))).trimmed().split(' ').value(0).toLong();
    return 0;
}

// The peak resident memory Run adds, in megabytes: the kernel's high-water mark is reset first.
double PeakAddedMegabytes(const std::function<void()>& Run) {
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (reset.open(QIODevice::WriteOnly)) reset.write("5");
    reset.close();
    const long before = StatusKilobytes("VmRSS:");
    Run();
    return double(StatusKilobytes("VmHWM:") - before) / 1024.0;
}

void BM_Export(benchmark::State& State) {
    const TKind& kind = Kinds[State.range(0)];
    State.SetLabel(kind.Name);
    const TExportJob job = JobFor(Big().Grid, QStringLiteral("list-%1").arg(QString::fromLatin1(kind.Name)));
    for (auto _ : State)
        if (kind.Run(job) != erDone) State.SkipWithError("export failed");
}

BENCHMARK(BM_Export)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    benchmark::Initialize(&argc, argv);
    Big();

    // Memory first, each kind on its own high-water mark.
    double peaks[4] = {};
    for (int k = 0; k < 4; ++k) {
        const TExportJob job =
            JobFor(Big().Grid, QStringLiteral("peak-%1").arg(QString::fromLatin1(Kinds[k].Name)));
        peaks[k] = PeakAddedMegabytes([&] { Kinds[k].Run(job); });
    }

    TTimesReporter Reporter(TTimesReporter::ByFullName);
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    const double floorTime = Reporter.Times["BM_Export/0/iterations:1"];
    std::printf("Floor (shown texts into a plain file), 100,000 x 6: %.0f ms, peak memory added %.1f MB\n",
                floorTime, peaks[0]);
    for (int k = 1; k < 4; ++k) {
        const double time = Reporter.Times[QStringLiteral("BM_Export/%1/iterations:1").arg(k).toStdString()];
        std::printf("%-5s: %.0f ms (%.1f x the floor), peak memory added %.1f MB (floor %.1f MB)%s\n",
                    Kinds[k].Name, time, floorTime > 0 ? time / floorTime : 0, peaks[k], peaks[0],
                    k == 2 ? " (goal < 300 MB)" : "");
    }
    benchmark::Shutdown();
    return 0;
}
