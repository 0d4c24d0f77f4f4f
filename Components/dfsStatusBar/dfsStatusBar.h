#pragma once
// A status bar whose panels draw themselves by type: text, lock keys, date and time, ellipsis
// text, a picture, a progress gauge or an owner-drawn panel.

#include <QLibrary>
#include <QPixmap>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "core/unitTypes.h"

class TdfsStatusBar;
class TdfsStatusPanel;
class TdfsStatusPanels;

enum TdfsStatusPanelType {
    sptNormal,
    sptCapsLock,
    sptNumLock,
    sptScrollLock,
    sptDate,
    sptTime,
    sptDateTime,
    sptTimeDate,
    sptEllipsisText,
    sptEllipsisPath,
    sptGlyph,
    sptGauge,
    sptOwnerDraw
};

enum TdfsGaugeStyle { gsPercent, gsIndeterminate, gsIndeterminate2 };

enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

// A lock key's state as far as the program has seen its presses.
enum class TLockKeyState { Unknown, Off, On };

using TdfsDrawPanelEvent = std::function<void(TdfsStatusBar*, TdfsStatusPanel*, const QRect&)>;
using TdfsHintTextEvent = std::function<void(TdfsStatusPanel*, QString& Hint)>;
using TdfsPanelClickEvent = std::function<void(TdfsStatusPanel*)>;

class TdfsGaugeAttrs {
public:
    explicit TdfsGaugeAttrs(TdfsStatusPanel* Owner) : FOwner(Owner) {}

    TdfsGaugeStyle Style() const { return FStyle; }
    void SetStyle(TdfsGaugeStyle Value);
    int Position() const { return FPosition; }
    void SetPosition(int Value);
    int Speed() const { return FSpeed; }
    void SetSpeed(int Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TColor TextColor() const { return FTextColor; }
    void SetTextColor(TColor Value);
    bool BlankOnZero() const { return FBlankOnZero; }
    void SetBlankOnZero(bool Value);

private:
    TdfsStatusPanel* FOwner;
    TdfsGaugeStyle FStyle = gsPercent;
    int FPosition = 0;
    int FSpeed = 4;
    TColor FColor = clHighlight;
    TColor FTextColor = clHighlightText;
    bool FBlankOnZero = false;
};

class TdfsStatusPanel {
public:
    explicit TdfsStatusPanel(TdfsStatusPanels* Collection);
    ~TdfsStatusPanel();
    TdfsStatusPanel(const TdfsStatusPanel&) = delete;
    TdfsStatusPanel& operator=(const TdfsStatusPanel&) = delete;

    int Index() const;
    TdfsStatusBar* StatusBar() const;

    TdfsStatusPanelType PanelType() const { return FPanelType; }
    void SetPanelType(TdfsStatusPanelType Value);
    const QString& Text() const { return FText; }
    void SetText(const QString& Value);
    Qt::Alignment Alignment() const { return FAlignment; }
    void SetAlignment(Qt::Alignment Value);
    TStatusPanelBevel Bevel() const { return FBevel; }
    void SetBevel(TStatusPanelBevel Value);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    bool AutoFit() const { return FAutoFit; }
    void SetAutoFit(bool Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    const QString& Hint() const { return FHint; }
    void SetHint(const QString& Value) { FHint = Value; }
    // Qt date and time patterns; empty means the locale's short date or long time format.
    const QString& DateFormat() const { return FDateFormat; }
    void SetDateFormat(const QString& Value);
    const QString& TimeFormat() const { return FTimeFormat; }
    void SetTimeFormat(const QString& Value);
    const QPixmap& Glyph() const { return FGlyph; }
    void SetGlyph(const QPixmap& Value);
    TdfsGaugeAttrs* GaugeAttrs() { return &FGaugeAttrs; }
    const TdfsGaugeAttrs* GaugeAttrs() const { return &FGaugeAttrs; }
    TLockKeyState LockKeyState() const { return FLockState; }

    TdfsDrawPanelEvent OnDrawPanel;
    TdfsHintTextEvent OnHintText;
    TdfsPanelClickEvent OnClick;

    // The text a gauge panel shows: its own text, blank at zero when asked, else the percentage.
    QString GaugeText() const;
    // The text shown for a date or time panel at the given moment.
    QString DateTimeText(const QDateTime& Moment) const;
    // The hint shown over the panel.
    QString HintText();

    void Invalidate();

private:
    friend class TdfsStatusBar;
    friend class TdfsStatusPanels;
    friend class TdfsGaugeAttrs;
    friend class TLockKeyWatcher;

    bool IsLockKey() const { return FPanelType >= sptCapsLock && FPanelType <= sptScrollLock; }
    bool IsDateTime() const { return FPanelType >= sptDate && FPanelType <= sptTimeDate; }
    bool IsAnimatedGauge() const;
    bool NeedsTimer() const { return IsDateTime() || (IsAnimatedGauge() && FEnabled); }
    void UpdateRegistrations();
    void ApplyAutoFit();
    void TimerTick();

    TdfsStatusPanels* FCollection;
    TdfsStatusPanelType FPanelType = sptNormal;
    QString FText;
    Qt::Alignment FAlignment = Qt::AlignLeft;
    TStatusPanelBevel FBevel = pbLowered;
    int FBorderWidth = 0;
    int FWidth = 50;
    bool FAutoFit = false;
    bool FEnabled = true;
    QString FHint;
    QString FDateFormat;
    QString FTimeFormat;
    QPixmap FGlyph;
    TdfsGaugeAttrs FGaugeAttrs;
    TLockKeyState FLockState = TLockKeyState::Unknown;
    bool FLockRegistered = false;
    int FAnimPos = 0;
    int FAnimStep = 1;
};

class TdfsStatusPanels {
public:
    explicit TdfsStatusPanels(TdfsStatusBar* Bar) : FBar(Bar) {}
    ~TdfsStatusPanels();

    int Count() const { return int(FItems.size()); }
    TdfsStatusPanel* operator[](int Index) const { return FItems.at(size_t(Index)).get(); }
    TdfsStatusPanel* Items(int Index) const { return (*this)[Index]; }
    TdfsStatusPanel* Add();
    void Delete(int Index);
    void Clear();
    TdfsStatusBar* StatusBar() const { return FBar; }

    // The interval the panels' timer runs at, 0 when nothing needs it.
    int TimerInterval() const;
    bool TimerActive() const { return FTimer != nullptr; }

private:
    friend class TdfsStatusPanel;
    void RegisterTimer(TdfsStatusPanel* Panel, bool On);
    void UpdateTimer();

    TdfsStatusBar* FBar;
    std::vector<std::unique_ptr<TdfsStatusPanel>> FItems;
    QList<TdfsStatusPanel*> FTimerPanels;
    std::unique_ptr<QTimer> FTimer;
};

class TdfsStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TdfsStatusBar(QWidget* Parent = nullptr);
    ~TdfsStatusBar() override;

    TdfsStatusPanels* Panels() { return &FPanels; }
    bool UseMonitorDLL() const { return FUseMonitorDLL; }
    // The keyboard-monitor library is optional: when it cannot be loaded the flag stays off.
    void SetUseMonitorDLL(bool Value);
    QString Version() const { return QStringLiteral("1.2"); }

    TdfsDrawPanelEvent OnDrawPanel;

    // The panel's rectangle on the bar; the last panel reaches the right edge.
    QRect PanelRect(int Index) const;
    // The rectangle a panel's content is drawn into: one pixel in, then its border width.
    QRect InnerRect(int Index) const;
    int PanelAt(const QPoint& Pos) const;
    // Filled part of a percent gauge, rounded to the nearest pixel.
    static int GaugeFillWidth(int InnerWidth, int Position);

    static QColor ColorOf(TColor Color, const QPalette& Palette);

signals:
    void Click();

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    bool event(QEvent* Event) override;
    void changeEvent(QEvent* Event) override;

private:
    friend class TdfsStatusPanel;
    void DrawPanel(QPainter& Painter, int Index);
    void DrawText(QPainter& Painter, TdfsStatusPanel* Panel, const QRect& Rect, const QString& Text,
                  const QColor& Color);
    void DrawGauge(QPainter& Painter, TdfsStatusPanel* Panel, const QRect& Rect);
    void DrawIndeterminate(QPainter& Painter, TdfsStatusPanel* Panel, const QRect& Rect);
    void ApplyAutoFits();

    TdfsStatusPanels FPanels;
    bool FUseMonitorDLL = false;
    std::unique_ptr<QLibrary> FMonitorLib;
};
