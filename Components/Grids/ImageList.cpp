#include "Components/Grids/ImageList.h"

#include <QIcon>
#include <QPainter>

TImageList::TImageList(QObject* Owner, int Width, int Height)
    : QObject(Owner), FWidth(Width), FHeight(Height) {}

void TImageList::SetSize(int Width, int Height) {
    if (Width == FWidth && Height == FHeight) return;
    FWidth = Width;
    FHeight = Height;
    FImages.clear();
    emit changed();
}

int TImageList::Add(const QPixmap& Image) {
    FImages.append(Image.size() == QSize(FWidth, FHeight)
                       ? Image
                       : Image.scaled(FWidth, FHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    emit changed();
    return int(FImages.size()) - 1;
}

void TImageList::Delete(int Index) {
    if (Index < 0 || Index >= Count()) return;
    FImages.removeAt(Index);
    emit changed();
}

void TImageList::Clear() {
    if (FImages.isEmpty()) return;
    FImages.clear();
    emit changed();
}

QPixmap TImageList::Image(int Index) const {
    return Index >= 0 && Index < Count() ? FImages[Index] : QPixmap();
}

void TImageList::Draw(QPainter& Painter, int X, int Y, int Index, bool Enabled) const {
    if (Index < 0 || Index >= Count()) return;
    if (Enabled)
        Painter.drawPixmap(X, Y, FImages[Index]);
    else
        Painter.drawPixmap(X, Y, QIcon(FImages[Index]).pixmap(FWidth, FHeight, QIcon::Disabled));
}
