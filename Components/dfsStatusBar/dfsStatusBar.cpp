#include "Components/dfsStatusBar/dfsStatusBar.h"

#include <QApplication>
#include <QDateTime>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <qdrawutil.h>

#include <algorithm>

// Lock-key panels follow the key presses the program sees; one application filter serves all bars.
class TLockKeyWatcher : public QObject {
public:
    static TLockKeyWatcher& Instance() {
        static TLockKeyWatcher watcher;
        return watcher;
    }

    void Register(TdfsStatusPanel* Panel) {
        if (FPanels.contains(Panel)) return;
        FPanels.append(Panel);
        if (FPanels.size() == 1) {
            qApp->installEventFilter(this);
            FStateConnection = connect(qApp, &QGuiApplication::applicationStateChanged, this,
                                       [this](Qt::ApplicationState State) {
                                           if (State != Qt::ApplicationActive) ForgetStates();
                                       });
        }
    }
    void Unregister(TdfsStatusPanel* Panel) {
        if (!FPanels.removeOne(Panel)) return;
        if (FPanels.isEmpty()) {
            qApp->removeEventFilter(this);
            disconnect(FStateConnection);
        }
    }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(Event);
        auto* widget = qobject_cast<QWidget*>(Watched);
        if (key->isAutoRepeat() || !widget) return false;
        // An ignored key press travels on to the parents of its receiver; count it once.
        const bool propagated = key == FLastEvent && FLastReceiver && FLastReceiver != widget &&
                                widget->isAncestorOf(FLastReceiver);
        FLastEvent = key;
        FLastReceiver = widget;
        if (propagated) return false;
        TdfsStatusPanelType type;
        switch (key->key()) {
        case Qt::Key_CapsLock:
            type = sptCapsLock;
            break;
        case Qt::Key_NumLock:
            type = sptNumLock;
            break;
        case Qt::Key_ScrollLock:
            type = sptScrollLock;
            break;
        default:
            return false;
        }
        for (TdfsStatusPanel* panel : FPanels) {
            if (panel->PanelType() != type) continue;
            panel->FLockState =
                panel->FLockState == TLockKeyState::On ? TLockKeyState::Off : TLockKeyState::On;
            panel->Invalidate();
        }
        return false;
    }

private:
    // Changes made in other programs cannot be seen, so the state is unknown again.
    void ForgetStates() {
        for (TdfsStatusPanel* panel : FPanels) {
            panel->FLockState = TLockKeyState::Unknown;
            panel->Invalidate();
        }
    }

    QList<TdfsStatusPanel*> FPanels;
    QMetaObject::Connection FStateConnection;
    const QKeyEvent* FLastEvent = nullptr;
    QPointer<QWidget> FLastReceiver;
};

// ---- TdfsGaugeAttrs ----

void TdfsGaugeAttrs::SetStyle(TdfsGaugeStyle Value) {
    if (FStyle == Value) return;
    FStyle = Value;
    if (FOwner->FPanelType == sptGauge && FStyle != gsPercent) {
        FOwner->FAnimPos = 0;
        FOwner->FAnimStep = 1;
        FOwner->SetEnabled(false);
    }
    FOwner->UpdateRegistrations();
    FOwner->Invalidate();
}

void TdfsGaugeAttrs::SetPosition(int Value) {
    Value = std::clamp(Value, 0, 100);
    if (FPosition == Value) return;
    FPosition = Value;
    FOwner->Invalidate();
}

void TdfsGaugeAttrs::SetSpeed(int Value) {
    if (Value < 1) return;
    FSpeed = Value;
    FOwner->Invalidate();
}

void TdfsGaugeAttrs::SetColor(TColor Value) {
    FColor = Value;
    FOwner->Invalidate();
}

void TdfsGaugeAttrs::SetTextColor(TColor Value) {
    FTextColor = Value;
    FOwner->Invalidate();
}

void TdfsGaugeAttrs::SetBlankOnZero(bool Value) {
    FBlankOnZero = Value;
    FOwner->Invalidate();
}

// ---- TdfsStatusPanel ----

TdfsStatusPanel::TdfsStatusPanel(TdfsStatusPanels* Collection) : FCollection(Collection), FGaugeAttrs(this) {}

TdfsStatusPanel::~TdfsStatusPanel() {
    TLockKeyWatcher::Instance().Unregister(this);
    FCollection->RegisterTimer(this, false);
}

int TdfsStatusPanel::Index() const {
    for (int i = 0; i < FCollection->Count(); ++i)
        if ((*FCollection)[i] == this) return i;
    return -1;
}

TdfsStatusBar* TdfsStatusPanel::StatusBar() const {
    return FCollection->StatusBar();
}

bool TdfsStatusPanel::IsAnimatedGauge() const {
    return FPanelType == sptGauge && FGaugeAttrs.Style() != gsPercent;
}

void TdfsStatusPanel::SetPanelType(TdfsStatusPanelType Value) {
    if (FPanelType == Value) return;
    FPanelType = Value;
    switch (FPanelType) {
    case sptCapsLock:
        FText = QStringLiteral(" CAPS ");
        FAutoFit = true;
        break;
    case sptNumLock:
        FText = QStringLiteral(" NUM ");
        FAutoFit = true;
        break;
    case sptScrollLock:
        FText = QStringLiteral(" SCROLL ");
        FAutoFit = true;
        break;
    case sptEllipsisText:
    case sptEllipsisPath:
        if (FHint.isEmpty()) FHint = QStringLiteral("...");
        break;
    case sptGauge:
        FAlignment = Qt::AlignHCenter;
        if (FGaugeAttrs.Style() != gsPercent) {
            FAnimPos = 0;
            FAnimStep = 1;
            FEnabled = false;
        }
        break;
    default:
        break;
    }
    if (IsDateTime()) FText = DateTimeText(QDateTime::currentDateTime());
    UpdateRegistrations();
    ApplyAutoFit();
    Invalidate();
}

void TdfsStatusPanel::SetText(const QString& Value) {
    if (FText == Value) return;
    FText = Value;
    ApplyAutoFit();
    Invalidate();
}

void TdfsStatusPanel::SetAlignment(Qt::Alignment Value) {
    FAlignment = Value;
    Invalidate();
}

void TdfsStatusPanel::SetBevel(TStatusPanelBevel Value) {
    FBevel = Value;
    Invalidate();
}

void TdfsStatusPanel::SetBorderWidth(int Value) {
    FBorderWidth = std::max(0, Value);
    ApplyAutoFit();
    Invalidate();
}

void TdfsStatusPanel::SetWidth(int Value) {
    Value = std::max(0, Value);
    if (FWidth == Value) return;
    FWidth = Value;
    if (TdfsStatusBar* bar = StatusBar()) bar->update();
}

void TdfsStatusPanel::SetAutoFit(bool Value) {
    FAutoFit = Value;
    ApplyAutoFit();
}

void TdfsStatusPanel::SetEnabled(bool Value) {
    if (FEnabled == Value) return;
    FEnabled = Value;
    UpdateRegistrations();
    Invalidate();
}

void TdfsStatusPanel::SetDateFormat(const QString& Value) {
    FDateFormat = Value;
    if (IsDateTime()) SetText(DateTimeText(QDateTime::currentDateTime()));
}

void TdfsStatusPanel::SetTimeFormat(const QString& Value) {
    FTimeFormat = Value;
    if (IsDateTime()) SetText(DateTimeText(QDateTime::currentDateTime()));
}

void TdfsStatusPanel::SetGlyph(const QPixmap& Value) {
    FGlyph = Value;
    ApplyAutoFit();
    Invalidate();
}

QString TdfsStatusPanel::GaugeText() const {
    if (!FText.isEmpty()) return FText;
    if (FGaugeAttrs.BlankOnZero() && FGaugeAttrs.Position() == 0) return QString();
    return QString::number(FGaugeAttrs.Position()) + QLatin1Char('%');
}

QString TdfsStatusPanel::DateTimeText(const QDateTime& Moment) const {
    const QLocale locale;
    QString date =
        Moment.date().toString(FDateFormat.isEmpty() ? locale.dateFormat(QLocale::ShortFormat) : FDateFormat);
    QString time =
        Moment.time().toString(FTimeFormat.isEmpty() ? locale.timeFormat(QLocale::LongFormat) : FTimeFormat);
    switch (FPanelType) {
    case sptDate:
        return date;
    case sptTime:
        return time;
    case sptDateTime:
        return date + QLatin1Char(' ') + time;
    case sptTimeDate:
        return time + QLatin1Char(' ') + date;
    default:
        return FText;
    }
}

QString TdfsStatusPanel::HintText() {
    QString hint = FHint;
    if ((FPanelType == sptEllipsisText || FPanelType == sptEllipsisPath) && hint == QStringLiteral("..."))
        hint = FText;
    if (OnHintText) OnHintText(this, hint);
    return hint;
}

void TdfsStatusPanel::Invalidate() {
    TdfsStatusBar* bar = StatusBar();
    const int index = Index();
    if (bar && index >= 0) bar->update(bar->PanelRect(index));
}

void TdfsStatusPanel::UpdateRegistrations() {
    if (IsLockKey() && FEnabled)
        TLockKeyWatcher::Instance().Register(this);
    else
        TLockKeyWatcher::Instance().Unregister(this);
    FCollection->RegisterTimer(this, NeedsTimer());
}

void TdfsStatusPanel::ApplyAutoFit() {
    TdfsStatusBar* bar = StatusBar();
    if (!FAutoFit || !bar) return;
    int width = bar->fontMetrics().horizontalAdvance(FText) + 6 + FBorderWidth;
    if (FPanelType == sptGlyph && !FGlyph.isNull()) width += FGlyph.width() + (FText.isEmpty() ? 0 : 2);
    SetWidth(width);
}

void TdfsStatusPanel::TimerTick() {
    if (IsDateTime()) {
        SetText(DateTimeText(QDateTime::currentDateTime()));
        return;
    }
    if (!IsAnimatedGauge() || !FEnabled) return;
    TdfsStatusBar* bar = StatusBar();
    const int index = Index();
    if (!bar || index < 0) return;
    const int limit = std::max(0, bar->InnerRect(index).width());
    FAnimPos += FAnimStep * FGaugeAttrs.Speed();
    if (FAnimPos >= limit) {
        FAnimPos = limit;
        FAnimStep = -1;
    } else if (FAnimPos <= 0) {
        FAnimPos = 0;
        FAnimStep = 1;
    }
    Invalidate();
}

// ---- TdfsStatusPanels ----

TdfsStatusPanels::~TdfsStatusPanels() {
    Clear();
}

TdfsStatusPanel* TdfsStatusPanels::Add() {
    FItems.push_back(std::make_unique<TdfsStatusPanel>(this));
    if (FBar) FBar->update();
    return FItems.back().get();
}

void TdfsStatusPanels::Delete(int Index) {
    FItems.erase(FItems.begin() + Index);
    if (FBar) FBar->update();
}

void TdfsStatusPanels::Clear() {
    FItems.clear();
    if (FBar) FBar->update();
}

int TdfsStatusPanels::TimerInterval() const {
    if (FTimerPanels.isEmpty()) return 0;
    int interval = 60000;
    for (const TdfsStatusPanel* panel : FTimerPanels) {
        if (panel->IsAnimatedGauge()) return 50;
        if (panel->PanelType() != sptDate) interval = 1000;
    }
    return interval;
}

void TdfsStatusPanels::RegisterTimer(TdfsStatusPanel* Panel, bool On) {
    if (On && !FTimerPanels.contains(Panel))
        FTimerPanels.append(Panel);
    else if (!On)
        FTimerPanels.removeOne(Panel);
    UpdateTimer();
}

void TdfsStatusPanels::UpdateTimer() {
    const int interval = TimerInterval();
    if (interval == 0) {
        FTimer.reset();
        return;
    }
    if (!FTimer) {
        FTimer = std::make_unique<QTimer>();
        QObject::connect(FTimer.get(), &QTimer::timeout, [this] {
            const QList<TdfsStatusPanel*> panels = FTimerPanels;
            for (TdfsStatusPanel* panel : panels)
                panel->TimerTick();
        });
    }
    if (FTimer->interval() != interval || !FTimer->isActive()) FTimer->start(interval);
}

// ---- TdfsStatusBar ----

TdfsStatusBar::TdfsStatusBar(QWidget* Parent) : QStatusBar(Parent), FPanels(this) {
    setSizeGripEnabled(false);
    setMouseTracking(false);
}

TdfsStatusBar::~TdfsStatusBar() {
    FPanels.Clear();
    SetUseMonitorDLL(false);
}

void TdfsStatusBar::SetUseMonitorDLL(bool Value) {
    if (Value == FUseMonitorDLL) return;
    if (!Value) {
        FMonitorLib.reset();
        FUseMonitorDLL = false;
        return;
    }
    auto lib = std::make_unique<QLibrary>(QStringLiteral("DFSKbMon"));
    if (lib->load() && lib->resolve("RegisterKeyboardHook") && lib->resolve("DeregisterKeyboardHook")) {
        FMonitorLib = std::move(lib);
        FUseMonitorDLL = true;
    }
}

QColor TdfsStatusBar::ColorOf(TColor Color, const QPalette& Palette) {
    switch (Color) {
    case clHighlight:
        return Palette.color(QPalette::Highlight);
    case clHighlightText:
        return Palette.color(QPalette::HighlightedText);
    case clBtnFace:
        return Palette.color(QPalette::Button);
    case clWindow:
        return Palette.color(QPalette::Base);
    case clWindowText:
        return Palette.color(QPalette::Text);
    case clGrayText:
        return Palette.color(QPalette::Disabled, QPalette::Text);
    case clBtnShadow:
        return Palette.color(QPalette::Dark);
    case clBtnHighlight:
        return Palette.color(QPalette::Light);
    case clBtnText:
        return Palette.color(QPalette::ButtonText);
    default:
        return QColor(Color & 0xFF, (Color >> 8) & 0xFF, (Color >> 16) & 0xFF);
    }
}

QRect TdfsStatusBar::PanelRect(int Index) const {
    int left = 0;
    for (int i = 0; i < Index; ++i)
        left += FPanels[i]->Width();
    const int right = Index == FPanels.Count() - 1 ? std::max(left, width()) : left + FPanels[Index]->Width();
    return QRect(left, 0, right - left, height());
}

QRect TdfsStatusBar::InnerRect(int Index) const {
    const int border = FPanels[Index]->BorderWidth();
    return PanelRect(Index).adjusted(1 + border, 1 + border, -1 - border, -1 - border);
}

int TdfsStatusBar::PanelAt(const QPoint& Pos) const {
    for (int i = 0; i < FPanels.Count(); ++i)
        if (PanelRect(i).contains(Pos)) return i;
    return -1;
}

int TdfsStatusBar::GaugeFillWidth(int InnerWidth, int Position) {
    return int((qint64(InnerWidth) * Position + 50) / 100);
}

void TdfsStatusBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    for (int i = 0; i < FPanels.Count(); ++i)
        DrawPanel(painter, i);
}

void TdfsStatusBar::DrawPanel(QPainter& Painter, int Index) {
    TdfsStatusPanel* panel = FPanels[Index];
    const QRect outer = PanelRect(Index);
    if (outer.width() <= 0 || outer.height() <= 0) return;
    if (panel->Bevel() != pbNone) qDrawShadePanel(&Painter, outer, palette(), panel->Bevel() == pbLowered, 1);
    const QRect body = outer.adjusted(1, 1, -1, -1);
    if (body.isEmpty()) return;

    // Drawn off-screen first so a redraw never flickers through the bar's background.
    QPixmap image(body.size() * devicePixelRatioF());
    image.setDevicePixelRatio(devicePixelRatioF());
    const QColor back = palette().color(QPalette::Window);
    image.fill(back);
    // A disabled panel, a lock key too, is only filled.
    if (panel->Enabled()) {
        QPainter p(&image);
        p.setFont(font());
        const int border = panel->BorderWidth();
        const QRect inner = QRect(QPoint(0, 0), body.size()).adjusted(border, border, -border, -border);
        const QColor textColor = palette().color(QPalette::WindowText);
        switch (panel->PanelType()) {
        case sptGauge:
            if (panel->GaugeAttrs()->Style() == gsPercent)
                DrawGauge(p, panel, inner);
            else
                DrawIndeterminate(p, panel, inner);
            break;
        case sptCapsLock:
        case sptNumLock:
        case sptScrollLock:
            DrawText(p, panel, inner, panel->Text(),
                     panel->LockKeyState() == TLockKeyState::On ? textColor : ColorOf(clGrayText, palette()));
            break;
        case sptGlyph: {
            QRect textRect = inner;
            if (!panel->Glyph().isNull()) {
                const QPixmap& glyph = panel->Glyph();
                int x = inner.left();
                if (panel->Alignment() & Qt::AlignRight)
                    x = inner.right() - glyph.width() + 1;
                else if (panel->Alignment() & Qt::AlignHCenter)
                    x = inner.left() + (inner.width() - glyph.width()) / 2;
                p.drawPixmap(x, inner.top() + (inner.height() - glyph.height()) / 2, glyph);
                textRect.setLeft(x + glyph.width() + 2);
            }
            if (!panel->Text().isEmpty()) {
                p.setPen(textColor);
                p.drawText(textRect, int(Qt::AlignLeft | Qt::AlignVCenter) | Qt::TextSingleLine,
                           panel->Text());
            }
            break;
        }
        case sptOwnerDraw:
            if (panel->OnDrawPanel)
                panel->OnDrawPanel(this, panel, body);
            else if (OnDrawPanel)
                OnDrawPanel(this, panel, body);
            break;
        default:
            DrawText(p, panel, inner, panel->Text(), textColor);
            break;
        }
    }
    Painter.drawPixmap(body.topLeft(), image);
}

void TdfsStatusBar::DrawText(QPainter& Painter, TdfsStatusPanel* Panel, const QRect& Rect,
                             const QString& Text, const QColor& Color) {
    QRect r = Rect;
    int align = Qt::AlignVCenter | Qt::TextSingleLine;
    if (Panel->AutoFit() || (Panel->Alignment() & Qt::AlignHCenter && !(Panel->Alignment() & Qt::AlignRight)))
        align |= Qt::AlignHCenter;
    else if (Panel->Alignment() & Qt::AlignRight) {
        align |= Qt::AlignRight;
        r.setRight(r.right() - 1);
    } else
        align |= Qt::AlignLeft;
    QString shown = Text;
    if (Panel->PanelType() == sptEllipsisText)
        shown = Painter.fontMetrics().elidedText(Text, Qt::ElideRight, r.width());
    else if (Panel->PanelType() == sptEllipsisPath)
        shown = Painter.fontMetrics().elidedText(Text, Qt::ElideMiddle, r.width());
    Painter.setPen(Color);
    Painter.drawText(r, align, shown);
}

void TdfsStatusBar::DrawGauge(QPainter& Painter, TdfsStatusPanel* Panel, const QRect& Rect) {
    const TdfsGaugeAttrs* gauge = Panel->GaugeAttrs();
    const int filled = GaugeFillWidth(Rect.width(), gauge->Position());
    const QRect full(Rect.left(), Rect.top(), filled, Rect.height());
    const QRect empty(Rect.left() + filled, Rect.top(), Rect.width() - filled, Rect.height());
    Painter.fillRect(full, ColorOf(gauge->Color(), palette()));
    const QString text = Panel->GaugeText();
    if (text.isEmpty()) return;
    // The text is drawn twice so it stays readable where the bar passes under it.
    Painter.save();
    Painter.setClipRect(full);
    DrawText(Painter, Panel, Rect, text, ColorOf(gauge->TextColor(), palette()));
    Painter.setClipRect(empty);
    DrawText(Painter, Panel, Rect, text, palette().color(QPalette::WindowText));
    Painter.restore();
}

void TdfsStatusBar::DrawIndeterminate(QPainter& Painter, TdfsStatusPanel* Panel, const QRect& Rect) {
    const QColor color = ColorOf(Panel->GaugeAttrs()->Color(), palette());
    const int pos = std::min(Panel->FAnimPos, Rect.width());
    if (Panel->GaugeAttrs()->Style() == gsIndeterminate2) {
        Painter.fillRect(QRect(Rect.left(), Rect.top(), pos, Rect.height()), color);
        return;
    }
    const int block = std::max(8, Rect.width() / 4);
    const int left = Rect.left() + std::max(0, pos - block);
    Painter.fillRect(QRect(left, Rect.top(), std::min(block, pos), Rect.height()), color);
}

void TdfsStatusBar::ApplyAutoFits() {
    for (int i = 0; i < FPanels.Count(); ++i)
        FPanels[i]->ApplyAutoFit();
}

void TdfsStatusBar::mouseReleaseEvent(QMouseEvent* Event) {
    QStatusBar::mouseReleaseEvent(Event);
    if (Event->button() != Qt::LeftButton) return;
    const int index = PanelAt(Event->position().toPoint());
    if (index >= 0 && FPanels[index]->OnClick) FPanels[index]->OnClick(FPanels[index]);
    emit Click();
}

bool TdfsStatusBar::event(QEvent* Event) {
    if (Event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(Event);
        const int index = PanelAt(help->pos());
        const QString hint = index >= 0 ? FPanels[index]->HintText() : QString();
        if (hint.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), hint, this, PanelRect(index));
        return true;
    }
    return QStatusBar::event(Event);
}

void TdfsStatusBar::changeEvent(QEvent* Event) {
    QStatusBar::changeEvent(Event);
    if (Event->type() == QEvent::FontChange) ApplyAutoFits();
}
