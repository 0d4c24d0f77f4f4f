// Exporting a list of 10,000 and of 100,000 rows x 17 columns to a workbook, a Word document and a
// text file: the time and the peak memory each export adds, beside the floor of the same work done
// the simplest way (every cell's shown text written to a plain file, one line per row). Goals: the
// workbook and the Word document each within 10 x the floor; the Word document under 300 MB added
// at its peak.

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
#include <map>
#include <memory>

namespace {

constexpr int Sizes[] = {10000, 100000};
constexpr int Columns = 17;

class TSilentProgress : public TExportProgress {
public:
    void Start(const QString&, int) override {}
    bool Step() override { return true; }
};

// A list as a register shows it: a header row, then row numbers, names, personal numbers, dates,
// notes and amounts under a number formatter, repeated across 17 columns.
struct TListGrid {
    TFloatFormatter Amounts{nullptr, 2};
    TRichGrid Grid;
    explicit TListGrid(int Rows) {
        Grid.SetColCount(Columns);
        Grid.SetRowCount(Rows + 1);
        Grid.SetFixedRows(1);
        Grid.SetFixedCols(0);
        const QStringList header = {QStringLiteral("№"),    QStringLiteral("Клиент"),
                                    QStringLiteral("ЕГН"),  QStringLiteral("Дата"),
                                    QStringLiteral("Сума"), QStringLiteral("Бележка")};
        const QString names[] = {QStringLiteral("Иван Петров Иванов"), QStringLiteral("Мария Колева"),
                                 QStringLiteral("Георги Димитров Стоянов")};
        for (int c = 0; c < Columns; ++c) {
            Grid.SetCells(c, 0, header[c % 6] + QStringLiteral(" %1").arg(c + 1));
            for (int r = 1; r <= Rows; ++r) {
                switch (c % 6) {
                case 0:
                    Grid.SetCells(c, r, QString::number(r));
                    break;
                case 1:
                    Grid.SetCells(c, r, names[(r + c) % 3]);
                    break;
                case 2:
                    Grid.SetCells(c, r, QString::number(7501010000LL + r));
                    break;
                case 3:
                    Grid.SetCells(c, r, QStringLiteral("%1.%2.2024").arg(r % 28 + 1).arg(r % 12 + 1));
                    break;
                case 4:
                    Grid.SetCells(c, r, QString::number(12.5 * r + c, 'f', 2));
                    break;
                default:
                    Grid.SetCells(c, r,
                                  r % 7 == 0 ? QStringLiteral("пръстен с камък, драскотина") : QString());
                }
            }
            if (c % 6 == 4) Grid.ColAttributes(c)->SetFormatter(&Amounts);
        }
    }
};

TListGrid& ListOf(int Rows) {
    static std::map<int, std::unique_ptr<TListGrid>> grids;
    std::unique_ptr<TListGrid>& grid = grids[Rows];
    if (!grid) grid = std::make_unique<TListGrid>(Rows);
    return *grid;
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
    const int rows = int(State.range(1));
    State.SetLabel(kind.Name);
    const TExportJob job =
        JobFor(ListOf(rows).Grid, QStringLiteral("list-%1-%2").arg(QString::fromLatin1(kind.Name)).arg(rows));
    for (auto _ : State)
        if (kind.Run(job) != erDone) State.SkipWithError("export failed");
}

BENCHMARK(BM_Export)
    ->ArgsProduct({{0, 1, 2, 3}, {Sizes[0], Sizes[1]}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    benchmark::Initialize(&argc, argv);
    for (const int rows : Sizes)
        ListOf(rows);

    // Memory first, each kind on its own high-water mark, on the longer list.
    double peaks[4] = {};
    for (int k = 0; k < 4; ++k) {
        const TExportJob job =
            JobFor(ListOf(Sizes[1]).Grid, QStringLiteral("peak-%1").arg(QString::fromLatin1(Kinds[k].Name)));
        peaks[k] = PeakAddedMegabytes([&] { Kinds[k].Run(job); });
    }

    TTimesReporter Reporter(TTimesReporter::ByFullName);
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    for (const int rows : Sizes) {
        auto timeOf = [&](int Kind) {
            return Reporter
                .Times[QStringLiteral("BM_Export/%1/%2/iterations:1").arg(Kind).arg(rows).toStdString()];
        };
        const double floorTime = timeOf(0);
        std::printf("Floor (shown texts into a plain file), %d x %d: %.0f ms\n", rows, Columns, floorTime);
        for (int k = 1; k < 4; ++k)
            std::printf("  %-5s: %.0f ms (%.1f x the floor)%s\n", Kinds[k].Name, timeOf(k),
                        floorTime > 0 ? timeOf(k) / floorTime : 0, k <= 2 ? " (goal within 10 x)" : "");
    }
    std::printf("Peak memory added at %d rows: floor %.1f MB", Sizes[1], peaks[0]);
    for (int k = 1; k < 4; ++k)
        std::printf(", %s %.1f MB%s", Kinds[k].Name, peaks[k], k == 2 ? " (goal < 300 MB)" : "");
    std::printf("\n");
    benchmark::Shutdown();
    return 0;
}
