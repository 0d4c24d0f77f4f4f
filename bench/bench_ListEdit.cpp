// The lookup drop-down of a big register at 10,000 and 100,000 rows against the floor of one plain
// read of the drop column, measured in the same run: opening and closing the drop-down on its row,
// and typing one key into the edit (completion and description, each a prefix search of the
// list). Goals: the drop-down within 1 x the plain read (its widths are measured once per fill,
// not at every opening); typing linear in the rows (its ratio at most 1.5 times as high at 100,000
// rows as at 10,000). The program exits non-zero when it misses a goal.

#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "bench/BenchTimes.h"
#include "core/uDelimitedStrings.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>

namespace {

const QString Header = QStringLiteral("ЕГН@Собствено, бащино и фамилно име@Преференция");

// Owners: ten-digit personal numbers in order, names of several lengths.
std::unique_ptr<TDelimitedStringList> MakeOwners(int Rows) {
    auto List = std::make_unique<TDelimitedStringList>();
    List->SetCapacity(Rows);
    const QString Names[] = {QStringLiteral("Иван Петров Иванов"), QStringLiteral("Мария Колева"),
                             QStringLiteral("Георги Стоянов Димитров-Христов")};
    for (int I = 0; I < Rows; ++I)
        List->Add(QStringLiteral("%1@%2@%3").arg(7000000000LL + I).arg(Names[I % 3]).arg(I % 4));
    return List;
}

// A window with a filled owner lookup.
struct TLookup {
    QWidget Window;
    TListEdit* Edit;
    QLabel* Names;
    QString Last;

    explicit TLookup(int Rows) {
        auto* Layout = new QVBoxLayout(&Window);
        Edit = new TListEdit(&Window);
        Names = new QLabel(&Window);
        Layout->addWidget(Edit);
        Layout->addWidget(Names);
        Edit->SetDescrControl(Names);
        Edit->SetDescrColumn(1);
        FillListEdit(Edit, Header, *MakeOwners(Rows), 0);
        Last = QString::number(7000000000LL + Rows - 1);
        Window.resize(400, 90);
        Window.show();
        Edit->setFocus();
    }
    // The plain read of the drop column for Text, the least any search of the list costs.
    int Scan(const QString& Text) const {
        const TRichGrid* Grid = Edit->Form()->Grid();
        for (int R = Grid->FixedRows(); R < Grid->RowCount(); ++R)
            if (Grid->Cells(0, R).startsWith(Text, Qt::CaseInsensitive)) return R;
        return -1;
    }
};

void BM_DropDown(benchmark::State& State) {
    TLookup L(int(State.range(0)));
    L.Edit->setText(L.Last);
    for (auto _ : State) {
        L.Edit->DropDown();
        L.Edit->Form()->DoCancel();
    }
}

void BM_ScanFloor(benchmark::State& State) {
    TLookup L(int(State.range(0)));
    for (auto _ : State)
        benchmark::DoNotOptimize(L.Scan(L.Last));
}

// The last digit typed over a text that names the last row.
void BM_TypeKey(benchmark::State& State) {
    TLookup L(int(State.range(0)));
    const QString Typed = L.Last.left(L.Last.size() - 1);
    for (auto _ : State) {
        State.PauseTiming();
        L.Edit->setText(Typed);
        L.Edit->setCursorPosition(int(Typed.size()));
        State.ResumeTiming();
        const QString Key(L.Last.back());
        QKeyEvent Press(QEvent::KeyPress, Qt::Key_0 + Key.toInt(), Qt::NoModifier, Key);
        QKeyEvent Release(QEvent::KeyRelease, Qt::Key_0 + Key.toInt(), Qt::NoModifier, Key);
        QApplication::sendEvent(L.Edit, &Press);
        QApplication::sendEvent(L.Edit, &Release);
    }
}

BENCHMARK(BM_DropDown)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanFloor)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeKey)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    benchmark::Initialize(&argc, argv);
    TTimesReporter Reporter(TTimesReporter::ByFullName);
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    auto& T = Reporter.Times;
    const auto Ratio = [&](const char* Figure, const char* Rows) {
        const double Floor = T[std::string("BM_ScanFloor/") + Rows];
        return Floor > 0 ? T[std::string(Figure) + "/" + Rows] / Floor : 0.0;
    };
    bool Met = true;
    for (const char* Rows : {"10000", "100000"}) {
        const double Drop = Ratio("BM_DropDown", Rows);
        Met = Met && Drop <= 1;
        std::printf("Drop-down, %s rows: %.2f ms against %.2f ms, %.2f x (goal <= 1 x)%s\n", Rows,
                    T[std::string("BM_DropDown/") + Rows], T[std::string("BM_ScanFloor/") + Rows], Drop,
                    Drop <= 1 ? "" : "  MISSED");
    }
    for (const char* Rows : {"10000", "100000"})
        std::printf("Typing a key, %s rows: %.2f ms against %.2f ms, %.1f x\n", Rows,
                    T[std::string("BM_TypeKey/") + Rows], T[std::string("BM_ScanFloor/") + Rows],
                    Ratio("BM_TypeKey", Rows));
    const double Growth =
        Ratio("BM_TypeKey", "10000") > 0 ? Ratio("BM_TypeKey", "100000") / Ratio("BM_TypeKey", "10000") : 0.0;
    Met = Met && Growth <= 1.5;
    std::printf("Typing a key, ratio at 100,000 rows over the ratio at 10,000: %.2f (goal <= 1.5: linear in "
                "the rows)%s\n",
                Growth, Growth <= 1.5 ? "" : "  MISSED");
    benchmark::Shutdown();
    return Met ? 0 : 1;
}
