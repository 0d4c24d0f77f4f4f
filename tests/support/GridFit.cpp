#include "tests/support/GridFit.h"

#include "Components/Grids/RichGrid.h"

#include <QFontMetrics>

QStringList CutCells(TRichGrid* Grid) {
    QStringList Cut;
    const QFontMetrics Metrics(Grid->font());
    for (int R = 0; R < Grid->RowCount(); ++R)
        for (int C = 0; C < Grid->ColCount(); ++C) {
            const TGridRect Block = Grid->GetMergedCells(C, R);
            if (Block.Left != C || Block.Top != R || Grid->ColWidths(C) <= 0) continue;
            int Room = 0;
            for (int K = Block.Left; K <= Block.Right; ++K)
                Room += Grid->ColWidths(K) + (K > Block.Left ? Grid->GridLineWidth() : 0);
            const TColRowAttributes* A = Grid->EffectiveCellAttributes(C, R);
            Room -= A->LeftMargin() + A->RightMargin() + 2;
            const QString Text = Grid->GetDisplayText(C, R);
            if (Metrics.horizontalAdvance(Text) > Room)
                Cut += QStringLiteral("%1,%2: %3").arg(C).arg(R).arg(Text);
        }
    return Cut;
}
