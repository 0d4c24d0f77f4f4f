#pragma once
// Named print settings of a list window: which columns are printed and which stretch to the
// page width, the fonts and positions of the seven print objects of a page, and the
// orientation. Element 0 of a TSettings is the basic setting, built from the grid and never
// stored; the named ones live in one registry value per window.

#include "Components/Grids/Graphics.h"

#include <QList>
#include <QString>
#include <array>

class TPagePrinter;
class TStringGrid;

// The name of the basic setting.
extern const QString BasicSettingName;

// One print object of a page; positions in millimetres, -1 where the object has none.
struct TPrintObjectData {
    QString Text;
    int Reserved1 = 0;
    double Left = -1;
    double Right = -1;
    double Top = -1;
    double Bottom = -1;
    TFont Font;
    bool HasFont = true;
    int Reserved2 = 0;
};

// The print objects by index.
enum TPrintObject {
    poBody = 0,          // the rectangle inside the margins
    poTable = 1,         // the grid's font: the only font that is stored
    poCaption = 2,       // the window's caption at the top
    poSecondHeading = 3, // an optional second heading line
    poPageLine = 4,      // date and page number at the top right
    poTitle = 5,         // the report title, and the closing text under the table
    poFirmBlock = 6      // the top left block
};
constexpr int PrintObjectCount = 7;

struct TReportSettings {
    QString Name;
    QList<bool> VisibleCols;
    QList<bool> AutoResizeCols;
    bool IsDefault = false;
    std::array<TPrintObjectData, PrintObjectCount> PrintObjects;
    int Orientation = 0; // 0 portrait, 1 landscape
};
using TSettings = QList<TReportSettings>;

// The print objects of a new setting: fonts, sizes and texts, no positions.
void NewPrintObjects(TReportSettings& Setting);
// Places the page body inside the page printer's margins. The other objects keep where they
// stand from the body (the operator may have moved them); unplaced ones take their usual place.
void SetPrintObjectPositions(TReportSettings& Setting, const TPagePrinter& Printer);
// Sets the page printer's margins so that the page body lies where Body says (millimetres from
// the printable part's corner), never inside the unprintable edges. False, and nothing changed,
// when the body would have no room left.
bool ApplyBodyMargins(TPagePrinter& Printer, const TPrintObjectData& Body);
// A setting's name without the characters that separate the stored settings.
QString CleanSettingName(const QString& Name);
// Font as it is drawn on a device of DpiY pixels per inch.
QFont DeviceFont(const TFont& Font, int DpiY);

// The basic setting of Grid: every column printed, stretching as the grid's columns fill its
// width, the given orientation.
TReportSettings MakeBasicSetting(TStringGrid* Grid, int Orientation);
// The basic setting of Grid, then the named settings of the registry value Name (none when
// Name is empty or the value is missing).
TSettings ReadSettings(TStringGrid* Grid, const QString& Name, int Orientation);
// Reads the named settings from the stored Text after the basic setting.
void ReadSettingsText(TSettings& Settings, const QString& Text);
// The stored text of the named settings.
QString SettingsText(const TSettings& Settings);
// Writes the named settings under Name, replacing what was there.
void WriteSettings(const TSettings& Settings, const QString& Name);
// Marks setting Index as the default (or unmarks it); at most one carries the mark, and the
// basic setting does when no other one does.
void SetDefault(TSettings& Settings, int Index, bool Mark);
int DefaultSettingIndex(const TSettings& Settings);
