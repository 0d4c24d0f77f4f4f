#include "framework/printing/PrintSettings.h"

#include "Components/Grids/GridFuncs.h"
#include "core/unRegistry.h"
#include "framework/printing/PagePrinter.h"

#include <cmath>

const QString BasicSettingName = QStringLiteral("Основна настройка");

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
    // The body is a place on the page, not a text.
    Setting.PrintObjects[poBody].HasFont = false;
    Setting.PrintObjects[poPageLine].Text = QStringLiteral("Стр.: %d / %d");
    Setting.PrintObjects[poFirmBlock].Text = QStringLiteral("%s\r№ по НДР: %s\rБулстат: %s");
}

void SetPrintObjectPositions(TReportSettings& Setting, const TPagePrinter& Printer) {
    const double mm = Printer.MeasureUnit() == muMillimeters ? 1 : 25.4;
    auto& po = Setting.PrintObjects;
    TPrintObjectData& body = po[poBody];
    const TPrintObjectData old = body;
    const bool placed = old.Left != -1;
    body.Left = (Printer.MarginLeft() - Printer.GutterLeft()) * mm;
    body.Right = (Printer.PageWidth() - Printer.GutterLeft() - Printer.MarginRight()) * mm;
    body.Top = (Printer.MarginTop() - Printer.GutterTop()) * mm;
    body.Bottom = (Printer.PageHeight() - Printer.GutterTop() - Printer.MarginBottom()) * mm;
    if (placed && po[poFirmBlock].Left != -1) {
        // Each edge moves with the body's edge it is measured from.
        for (TPrintObjectData& object : po) {
            if (&object == &body) continue;
            if (object.Left != -1) object.Left += body.Left - old.Left;
            if (object.Right != -1) object.Right += body.Right - old.Right;
            if (object.Top != -1) object.Top += body.Top - old.Top;
            if (object.Bottom != -1) object.Bottom += body.Bottom - old.Bottom;
        }
        return;
    }
    po[poFirmBlock].Left = body.Left + 5;
    po[poFirmBlock].Top = body.Top;
    po[poPageLine].Right = body.Right - 5;
    po[poPageLine].Top = body.Top;
    po[poCaption].Top = body.Top;
    po[poCaption].Left = 5;
    po[poCaption].Right = 5;
}

bool ApplyBodyMargins(TPagePrinter& Printer, const TPrintObjectData& Body) {
    const double unit = Printer.MeasureUnit() == muMillimeters ? 1 : 1 / 25.4;
    const double left = std::max(Printer.GutterLeft(), Printer.GutterLeft() + Body.Left * unit);
    const double top = std::max(Printer.GutterTop(), Printer.GutterTop() + Body.Top * unit);
    const double right =
        std::max(Printer.GutterRight(), Printer.PageWidth() - Printer.GutterLeft() - Body.Right * unit);
    const double bottom =
        std::max(Printer.GutterBottom(), Printer.PageHeight() - Printer.GutterTop() - Body.Bottom * unit);
    // A body of less than a centimetre each way is a slip of the keys, not a page.
    const double least = 10 * unit;
    if (Printer.PageWidth() - left - right < least || Printer.PageHeight() - top - bottom < least)
        return false;
    Printer.SetMarginLeft(left);
    Printer.SetMarginTop(top);
    Printer.SetMarginRight(right);
    Printer.SetMarginBottom(bottom);
    return true;
}

QString CleanSettingName(const QString& Name) {
    QString clean = Name;
    for (const QChar c : QStringLiteral(",@|~\u00B0"))
        clean.remove(c);
    return clean;
}

QFont DeviceFont(const TFont& Font, int DpiY) {
    QFont font = Font.Font();
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 8;
    font.setPixelSize(std::max(1, int(std::lround(points * DpiY / 72.0))));
    return font;
}

TReportSettings MakeBasicSetting(TStringGrid* Grid, int Orientation) {
    TReportSettings basic;
    basic.Name = BasicSettingName;
    basic.IsDefault = true;
    for (int c = 0; c < Grid->ColCount(); ++c) {
        basic.VisibleCols << true;
        basic.AutoResizeCols << GetGridColumnFillClient(Grid, c);
    }
    NewPrintObjects(basic);
    basic.Orientation = Orientation;
    return basic;
}

TSettings ReadSettings(TStringGrid* Grid, const QString& Name, int Orientation) {
    TSettings settings{MakeBasicSetting(Grid, Orientation)};
    if (!Name.isEmpty()) ReadSettingsText(settings, ReadRegString(Name));
    return settings;
}

namespace {

const QChar RecordSeparator(0x00B0); // "°"

QList<bool> ReadFlags(const QString& Field, int Count) {
    QList<bool> flags(Count, false);
    const QStringList items = Field.split(QLatin1Char('|'));
    for (int i = 0; i < items.size() && i < Count; ++i)
        flags[i] = items[i].trimmed() == QLatin1String("1");
    return flags;
}

QString FlagsText(const QList<bool>& Flags) {
    QStringList items;
    for (const bool flag : Flags)
        items << (flag ? QStringLiteral("1") : QString());
    return items.join(QLatin1Char('|'));
}

} // namespace

void ReadSettingsText(TSettings& Settings, const QString& Text) {
    const int columns = Settings.isEmpty() ? 0 : int(Settings[0].VisibleCols.size());
    for (const QString& record : Text.split(RecordSeparator, Qt::SkipEmptyParts)) {
        const QStringList fields = record.split(QLatin1Char('@'));
        // The program never writes such a record; it is dropped, so the list and the names
        // shown stay in step.
        if (fields.size() < 4) continue;
        TReportSettings setting;
        setting.Name = fields[0];
        setting.VisibleCols = ReadFlags(fields[2], columns);
        setting.AutoResizeCols = ReadFlags(fields.value(5), columns);
        NewPrintObjects(setting);
        const QStringList font = fields[3].split(QLatin1Char('|'));
        TFont& table = setting.PrintObjects[poTable].Font;
        table.SetName(font.value(0).trimmed());
        // A size that is no number keeps the font's own.
        if (const int size = font.value(1).trimmed().toInt(); size > 0) table.SetSize(size);
        const QStringList style = font.value(2).split(QLatin1Char(','));
        TFontStyles styles = table.Style();
        if (style.value(0).trimmed() == QLatin1String("1")) styles.Include(fsBold);
        if (style.value(1).trimmed() == QLatin1String("1")) styles.Include(fsItalic);
        table.SetStyle(styles);
        setting.Orientation = fields.value(4) == QLatin1String("Portrait") ? 0 : 1;
        Settings.append(setting);
        SetDefault(Settings, int(Settings.size()) - 1, fields[1] == QLatin1String("1"));
    }
}

QString SettingsText(const TSettings& Settings) {
    QStringList records;
    for (int i = 1; i < Settings.size(); ++i) {
        const TReportSettings& s = Settings[i];
        const TFont& font = s.PrintObjects[poTable].Font;
        const TFontStyles style = font.Style();
        const QString fontText =
            font.Name() + QLatin1Char('|') + QString::number(font.Size()) + QLatin1Char('|') +
            (style.Contains(fsBold) ? QLatin1Char('1') : QLatin1Char('0')) + QLatin1Char(',') +
            (style.Contains(fsItalic) ? QLatin1Char('1') : QLatin1Char('0'));
        // The name edit strips the separators; a name from elsewhere must not break the text.
        records << QStringList{CleanSettingName(s.Name),
                               s.IsDefault ? QStringLiteral("1") : QString(),
                               FlagsText(s.VisibleCols),
                               fontText,
                               s.Orientation == 0 ? QStringLiteral("Portrait") : QStringLiteral("Landscape"),
                               FlagsText(s.AutoResizeCols)}
                       .join(QLatin1Char('@'));
    }
    return records.join(RecordSeparator);
}

void WriteSettings(const TSettings& Settings, const QString& Name) {
    if (Settings.isEmpty() || Name.isEmpty()) return;
    WriteRegString(Name, SettingsText(Settings));
}

void SetDefault(TSettings& Settings, int Index, bool Mark) {
    if (Index < 0 || Index >= Settings.size()) return;
    if (Mark)
        for (TReportSettings& s : Settings)
            s.IsDefault = false;
    Settings[Index].IsDefault = Mark;
    if (DefaultSettingIndex(Settings) < 0) Settings[0].IsDefault = true;
}

int DefaultSettingIndex(const TSettings& Settings) {
    for (int i = 0; i < Settings.size(); ++i)
        if (Settings[i].IsDefault) return i;
    return -1;
}
