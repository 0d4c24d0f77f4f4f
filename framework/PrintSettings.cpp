#include "framework/PrintSettings.h"

#include "framework/PagePrinter.h"

#include <cmath>

void NewPrintObjects(TReportSettings& Setting) {
    static const int sizes[PrintObjectCount] = {8, 8, 14, 12, 10, 12, 10};
    for (int i = 0; i < PrintObjectCount; ++i) {
        TPrintObjectData& object = Setting.PrintObjects[size_t(i)];
        object = TPrintObjectData();
        QFont font(QStringLiteral("Times New Roman"));
        font.setPointSize(sizes[i]);
        object.Font = TFont(font, clBlack);
        object.Font.SetCharset(204);
    }
    Setting.PrintObjects[poPageLine].Text = QStringLiteral("Стр.: %d / %d");
    Setting.PrintObjects[poFirmBlock].Text = QStringLiteral("%s\r№ по НДР: %s\rБулстат: %s");
}

void SetPrintObjectPositions(TReportSettings& Setting, const TPagePrinter& Printer) {
    const double mm = Printer.MeasureUnit() == muMillimeters ? 1 : 25.4;
    auto& po = Setting.PrintObjects;
    TPrintObjectData& body = po[poBody];
    body.Left = (Printer.MarginLeft() - Printer.GutterLeft()) * mm;
    body.Right = (Printer.PageWidth() - Printer.GutterLeft() - Printer.MarginRight()) * mm;
    body.Top = (Printer.MarginTop() - Printer.GutterTop()) * mm;
    body.Bottom = (Printer.PageHeight() - Printer.GutterTop() - Printer.MarginBottom()) * mm;
    po[poFirmBlock].Left = body.Left + 5;
    po[poFirmBlock].Top = body.Top;
    po[poPageLine].Right = body.Right - 5;
    po[poPageLine].Top = body.Top;
    po[poCaption].Top = body.Top;
    po[poCaption].Left = 5;
    po[poCaption].Right = 5;
}

QFont DeviceFont(const TFont& Font, int DpiY) {
    QFont font = Font.Font();
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 8;
    font.setPixelSize(std::max(1, int(std::lround(points * DpiY / 72.0))));
    return font;
}
