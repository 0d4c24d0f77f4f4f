#pragma once
// A list of equally sized images that grids draw into cells by index.

#include <QObject>
#include <QPixmap>
#include <QVector>

class QPainter;

class TImageList : public QObject {
    Q_OBJECT
public:
    explicit TImageList(QObject* Owner = nullptr, int Width = 16, int Height = 16);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // Changing the size drops the images.
    void SetSize(int Width, int Height);
    int Count() const { return int(FImages.size()); }
    // Scaled to the list's size; returns the new index.
    int Add(const QPixmap& Image);
    void Delete(int Index);
    void Clear();
    QPixmap Image(int Index) const;
    // Draws image Index at its own size with its top left corner at (X, Y); a disabled image
    // is drawn greyed. Nothing for an index outside the list.
    void Draw(QPainter& Painter, int X, int Y, int Index, bool Enabled = true) const;

Q_SIGNALS:
    void changed();

private:
    int FWidth;
    int FHeight;
    QVector<QPixmap> FImages;
};
