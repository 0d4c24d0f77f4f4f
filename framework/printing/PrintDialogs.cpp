#include "framework/printing/PrintDialogs.h"

#include "Components/Edits/FloatEdit.h"
#include "core/unitTypes.h"
#include "framework/printing/PagePrinter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontDialog>
#include <QGroupBox>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <memory>

// ---- the print dialog

bool ShowPrintDialog(const QPrinter& Printer, TPrintRequest& Request, int PageCount, QWidget* Parent) {
    const std::unique_ptr<QPrinter> copy = CopyOfPrinter(Printer);
    // Not the queue's default, which may be two-sided.
    copy->setDuplex(Request.Options.Sides);
    copy->setCopyCount(Request.Copies);
    copy->setCollateCopies(Request.Collate);
    copy->setFromTo(Request.FromPage, Request.ToPage);
    QPrintDialog dialog(copy.get(), Parent);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCollateCopies);
    dialog.setMinMax(1, std::max(1, PageCount));
    if (dialog.exec() != QDialog::Accepted) return false;
    if (copy->outputFormat() == QPrinter::PdfFormat)
        Request.FileName = copy->outputFileName();
    else
        Request.Queue = copy->printerName();
    Request.Options.Sides = copy->duplex();
    Request.Options.Paper = copy->pageLayout().pageSize();
    Request.Copies = std::max(1, copy->copyCount());
    Request.Collate = copy->collateCopies();
    Request.AllPages = dialog.printRange() != QAbstractPrintDialog::PageRange;
    Request.FromPage = copy->fromPage();
    Request.ToPage = copy->toPage();
    return true;
}

// ---- print setup

TfmPrintSetup::TfmPrintSetup(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("fmPrintSetup"));
    setWindowTitle(QStringLiteral("Настройка на печат"));
    setFixedSize(420, 330);
    GroupBox1 = new QGroupBox(QStringLiteral(" Шрифтове "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8, 404, 200);
    labelObjects = new QLabel(QStringLiteral("Обект:"), GroupBox1);
    labelObjects->setObjectName(QStringLiteral("labelObjects"));
    labelObjects->setGeometry(10, 22, 160, 16);
    listObjects = new QListWidget(GroupBox1);
    listObjects->setObjectName(QStringLiteral("listObjects"));
    listObjects->setGeometry(10, 40, 160, 100);
    panelSample = new QLabel(GroupBox1);
    panelSample->setObjectName(QStringLiteral("panelSample"));
    panelSample->setGeometry(10, 146, 270, 44);
    panelSample->setAlignment(Qt::AlignCenter);
    panelSample->setFrameStyle(QFrame::Box | QFrame::Plain);
    panelSample->setAutoFillBackground(true);
    QPalette white = panelSample->palette();
    white.setColor(QPalette::Window, Qt::white);
    panelSample->setPalette(white);
    btnFont = new QPushButton(QStringLiteral("&Шрифт"), GroupBox1);
    btnFont->setObjectName(QStringLiteral("btnFont"));
    btnFont->setGeometry(290, 154, 100, 28);
    labelMargins = new QLabel(QStringLiteral("Полета:"), GroupBox1);
    labelMargins->setObjectName(QStringLiteral("labelMargins"));
    labelMargins->setGeometry(190, 22, 100, 16);
    struct TMarginEdit {
        TFloatEdit** Edit;
        const char* Name;
        const char* Caption;
        int Tag;
    };
    const TMarginEdit edits[] = {{&editMarginTop, "editMarginTop", "Горе:", 1},
                                 {&editMarginBottom, "editMarginBottom", "Долу:", 2},
                                 {&editMarginLeft, "editMarginLeft", "Ляво:", 3},
                                 {&editMarginRight, "editMarginRight", "Дясно:", 4}};
    int y = 40;
    for (const TMarginEdit& e : edits) {
        auto* label = new QLabel(QString::fromUtf8(e.Caption), GroupBox1);
        label->setGeometry(190, y + 3, 50, 18);
        auto* edit = new TFloatEdit(GroupBox1);
        edit->setObjectName(QLatin1String(e.Name));
        edit->SetPrecision(2);
        edit->setGeometry(245, y, 100, 24);
        auto* unit = new QLabel(QStringLiteral("mm"), GroupBox1);
        unit->setGeometry(350, y + 3, 30, 18);
        const int tag = e.Tag;
        edit->OnChange = [this, edit, tag](QWidget*) { MarginChanged(tag, edit->Value()); };
        *e.Edit = edit;
        y += 26;
    }
    GroupBox2 = new QGroupBox(QStringLiteral(" Принтер "), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(8, 214, 404, 64);
    panelPrinter = new QLabel(GroupBox2);
    panelPrinter->setObjectName(QStringLiteral("panelPrinter"));
    panelPrinter->setGeometry(10, 26, 270, 24);
    panelPrinter->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    btnPrinter = new QPushButton(QStringLiteral("&Избор"), GroupBox2);
    btnPrinter->setObjectName(QStringLiteral("btnPrinter"));
    btnPrinter->setGeometry(290, 24, 100, 28);
    btnOK = new QPushButton(QStringLiteral("&ОК"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnOK->setGeometry(230, 290, 88, 30);
    btnCancel = new QPushButton(QStringLiteral("О&тказ"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(324, 290, 88, 30);
    connect(btnOK, &QPushButton::clicked, this, [this] { done(1); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(2); });
    connect(listObjects, &QListWidget::currentRowChanged, this, [this](int Row) { ShowObject(Row); });
    connect(btnFont, &QPushButton::clicked, this, [this] { FontClicked(); });
    connect(btnPrinter, &QPushButton::clicked, this, [this] { PrinterClicked(); });
    ChooseFont = [this](QFont& Font) {
        bool ok = false;
        QFontDialog Dialog(Font, this);
        Dialog.setOption(QFontDialog::DontUseNativeDialog);
        UseBulgarianFontStyles(&Dialog);
        ok = Dialog.exec() == QDialog::Accepted;
        if (ok) Font = Dialog.selectedFont();
        return ok;
    };
    ChoosePrinter = [this](int& Index) {
        const QStringList names = TPrinterProvider::Instance().Names();
        bool ok = false;
        const QString name =
            QInputDialog::getItem(this, QStringLiteral("Принтер"), QStringLiteral("Принтер:"), names,
                                  std::max(0, Index), false, &ok);
        if (ok) Index = int(names.indexOf(name));
        return ok && Index >= 0;
    };
}

void TfmPrintSetup::SetupData(const TReportSettings& Setting, const QString& Sample0, const QString& Sample1,
                              const QString& Sample2, const QString& Sample3, const QString& Sample4,
                              int PrinterIndex, bool ReadOnly) {
    FLoading = true;
    const QString samples[EntryCount] = {Sample0, Sample1, Sample2, Sample3, Sample4, QString()};
    for (int i = 0; i < EntryCount; ++i) {
        FObjects[i] = Setting.PrintObjects[size_t(EntryObjects[i])];
        FSamples[i] = samples[i];
    }
    listObjects->clear();
    listObjects->addItems({QStringLiteral("Таблица"), QStringLiteral("Заглавие"),
                           QStringLiteral("Подзаглавие"), QStringLiteral("Филтър"),
                           QStringLiteral("Системна информация"), QStringLiteral("Страница")});
    FPrinterIndex = PrinterIndex;
    panelPrinter->setText(TPrinterProvider::Instance().Names().value(PrinterIndex));
    for (TFloatEdit* edit : {editMarginTop, editMarginBottom, editMarginLeft, editMarginRight})
        edit->SetValue(0);
    for (QWidget* w : GroupBox1->findChildren<QWidget*>())
        w->setEnabled(!ReadOnly);
    FLoading = false;
}

void TfmPrintSetup::GetSetupData(TReportSettings& Setting, int& PrinterIndex) const {
    for (int i = 0; i < EntryCount; ++i) {
        TPrintObjectData& target = Setting.PrintObjects[size_t(EntryObjects[i])];
        const TFont keep = target.Font;
        target = FObjects[i];
        // The setting keeps its own font object; only its face is copied.
        target.Font = keep;
        target.Font.SetFont(FObjects[i].Font.Font());
        target.Font.SetCharset(FObjects[i].Font.Charset());
    }
    PrinterIndex = FPrinterIndex;
}

void TfmPrintSetup::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    if (listObjects->count() > 0) {
        listObjects->setCurrentRow(0);
        ShowObject(0);
    }
}

void TfmPrintSetup::ShowObject(int Entry) {
    if (Entry < 0 || Entry >= EntryCount) return;
    FLoading = true;
    const TPrintObjectData& object = FObjects[Entry];
    const bool groupEnabled = listObjects->isEnabled();
    const std::pair<TFloatEdit*, double> margins[4] = {{editMarginTop, object.Top},
                                                       {editMarginBottom, object.Bottom},
                                                       {editMarginLeft, object.Left},
                                                       {editMarginRight, object.Right}};
    for (const auto& [edit, value] : margins) {
        // -1: the object has no such margin.
        const bool has = value != -1;
        edit->setEnabled(has && groupEnabled);
        edit->SetValue(has ? value : 0);
    }
    panelSample->setVisible(object.HasFont);
    btnFont->setEnabled(object.HasFont && groupEnabled);
    if (object.HasFont) panelSample->setFont(object.Font.Font());
    panelSample->setText(FSamples[Entry].isEmpty() ? QStringLiteral("Пример") : FSamples[Entry]);
    FLoading = false;
}

void TfmPrintSetup::MarginChanged(int Tag, double Value) {
    const int entry = listObjects->currentRow();
    if (FLoading || entry < 0 || entry >= EntryCount) return;
    TPrintObjectData& object = FObjects[entry];
    switch (Tag) {
    case 1:
        object.Top = Value;
        break;
    case 2:
        object.Bottom = Value;
        break;
    case 3:
        object.Left = Value;
        break;
    case 4:
        object.Right = Value;
        break;
    }
}

void TfmPrintSetup::FontClicked() {
    const int entry = listObjects->currentRow();
    if (entry < 0 || entry >= EntryCount || !FObjects[entry].HasFont) return;
    btnFont->setEnabled(false);
    QFont font = FObjects[entry].Font.Font();
    if (ChooseFont(font)) {
        FObjects[entry].Font.SetFont(font);
        panelSample->setFont(font);
    }
    btnFont->setEnabled(true);
}

void TfmPrintSetup::PrinterClicked() {
    btnPrinter->setEnabled(false);
    int index = FPrinterIndex;
    if (ChoosePrinter(index)) {
        FPrinterIndex = index;
        FPrinterChosen = true;
        panelPrinter->setText(TPrinterProvider::Instance().Names().value(index));
    }
    btnPrinter->setEnabled(true);
}

// ---- setting name

namespace {

// The characters that separate the stored settings never reach a name, whether typed, pasted
// or dropped.
class TNameEdit : public QLineEdit {
public:
    explicit TNameEdit(QWidget* Parent) : QLineEdit(Parent) {
        connect(this, &QLineEdit::textChanged, this, [this](const QString& Text) {
            const QString clean = CleanSettingName(Text);
            if (clean == Text) return;
            const int cursor = cursorPosition() - int(Text.left(cursorPosition()).size() -
                                                      CleanSettingName(Text.left(cursorPosition())).size());
            setText(clean);
            setCursorPosition(cursor);
        });
    }
};

} // namespace

TfmPrintSelectName::TfmPrintSelectName(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("fmPrintSelectName"));
    setWindowTitle(QStringLiteral("Наименование на настройката"));
    setFixedSize(340, 110);
    Label1 = new QLabel(QStringLiteral("Наименование:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(10, 12, 320, 18);
    editName = new TNameEdit(this);
    editName->setObjectName(QStringLiteral("editName"));
    editName->setGeometry(10, 32, 320, 26);
    BitBtn1 = new QPushButton(QStringLiteral("Избор"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn1->setGeometry(150, 70, 88, 30);
    BitBtn2 = new QPushButton(QStringLiteral("Отказ"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(242, 70, 88, 30);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { done(1); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { done(2); });
}

void SelectSettingName(QString& Name, QWidget* Parent) {
    TfmPrintSelectName dialog(Parent);
    Name = dialog.exec() == 1 ? dialog.editName->text() : QString();
}

// ---- progress

TfmPrintProgress::TfmPrintProgress(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("fmPrintProgress"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setFixedSize(336, 118);
    labelStatus = new QLabel(QStringLiteral("Подготовка на печата, моля изчакайте ..."), this);
    labelStatus->setObjectName(QStringLiteral("labelStatus"));
    labelStatus->setGeometry(8, 8, 320, 20);
    labelPages = new QLabel(this);
    labelPages->setObjectName(QStringLiteral("labelPages"));
    labelPages->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labelPages->setGeometry(8, 30, 320, 18);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 32);
    ProgressBar->setValue(0);
    ProgressBar->setGeometry(8, 52, 320, 18);
    buttonCancel = new QPushButton(QStringLiteral("Отказ"), this);
    buttonCancel->setObjectName(QStringLiteral("buttonCancel"));
    buttonCancel->setGeometry(144, 80, 75, 28);
    buttonCancel->setDefault(true);
    buttonOK = new QPushButton(QStringLiteral("OK"), this);
    buttonOK->setObjectName(QStringLiteral("buttonOK"));
    buttonOK->setGeometry(96, 80, 75, 28);
    buttonOK->hide();
    connect(buttonCancel, &QPushButton::clicked, this, [this] { Answer = 1; });
    connect(buttonOK, &QPushButton::clicked, this, [this] { Answer = 2; });
}

void TfmPrintProgress::showEvent(QShowEvent* Event) {
    Showing = true;
    Answer = 0;
    ProgressBar->setValue(0);
    QDialog::showEvent(Event);
}

void TfmPrintProgress::HideProgress() {
    Showing = false;
    hide();
}

void TfmPrintProgress::closeEvent(QCloseEvent* Event) {
    if (Showing) {
        Event->ignore();
        return;
    }
    QDialog::closeEvent(Event);
}

void TfmPrintProgress::reject() {
    // Esc is the cancel button; the dialog itself stays until it is hidden.
    Answer = 1;
    if (!Showing) QDialog::reject();
}

void TfmPrintProgress::SetStatus(const QString& Text) {
    labelStatus->setText(Text);
    labelStatus->repaint();
}

void TfmPrintProgress::SetPages(int Page, int Total) {
    labelPages->setText(Page == 0 && Total == 0 ? QString()
                                                : Format(QStringLiteral("стр.: %d / %d"), {Page, Total}));
    labelPages->repaint();
}

void TfmPrintProgress::SetMaximum(int N) {
    ProgressBar->setMaximum(N);
}

void TfmPrintProgress::ShowOKButton() {
    buttonOK->move(96, buttonOK->y());
    buttonOK->show();
    buttonOK->setDefault(true);
    buttonCancel->move(192, buttonCancel->y());
    buttonCancel->setDefault(false);
}

void TfmPrintProgress::HideOKButton() {
    buttonOK->hide();
    buttonOK->setDefault(false);
    buttonCancel->setDefault(true);
    buttonCancel->move(144, buttonCancel->y());
}

int TfmPrintProgress::WaitForOperator(int Page) {
    SetStatus(Format(QStringLiteral("Моля, подгответе печата за стр. %d и натиснете OK ..."), {Page}));
    while (Answer == 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return Answer;
}

using namespace Qt::StringLiterals;

namespace {

class TFontStyleDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& Value, const QLocale& Locale) const override {
        return FontStyleText(QStyledItemDelegate::displayText(Value, Locale));
    }
};

} // namespace

QString FontStyleText(const QString& Style) {
    static const QHash<QString, QString> Words = {
        {u"regular"_s, u"обикновен"_s},
        {u"normal"_s, u"обикновен"_s},
        {u"roman"_s, u"обикновен"_s},
        {u"book"_s, u"обикновен"_s},
        {u"bold"_s, u"получер"_s},
        {u"italic"_s, u"курсив"_s},
        {u"oblique"_s, u"наклонен"_s},
        {u"condensed"_s, u"сбит"_s},
        {u"semicondensed"_s, u"полусбит"_s},
        {u"expanded"_s, u"разреден"_s},
        {u"light"_s, u"светъл"_s},
        {u"extralight"_s, u"много светъл"_s},
        {u"ultralight"_s, u"много светъл"_s},
        {u"thin"_s, u"тънък"_s},
        {u"medium"_s, u"среден"_s},
        {u"semibold"_s, u"полуполучер"_s},
        {u"demibold"_s, u"полуполучер"_s},
        {u"extrabold"_s, u"много получер"_s},
        {u"ultrabold"_s, u"много получер"_s},
        {u"black"_s, u"черен"_s},
        {u"heavy"_s, u"черен"_s},
    };
    QStringList Parts = Style.split(u' ', Qt::SkipEmptyParts);
    for (QString& Part : Parts)
        Part = Words.value(Part.toLower(), Part);
    QString Text = Parts.join(u' ');
    if (!Text.isEmpty()) Text[0] = Text[0].toUpper();
    return Text;
}

void UseBulgarianFontStyles(QFontDialog* Dialog) {
    // The dialog's second list holds the styles; the read-only edit above it repeats the one
    // chosen. The font itself is still chosen by the style's own name.
    const QList<QListView*> Lists = Dialog->findChildren<QListView*>();
    if (Lists.size() < 2) return;
    Lists[1]->setItemDelegate(new TFontStyleDelegate(Lists[1]));
    QList<QLineEdit*> Shown;
    for (QLineEdit* Edit : Dialog->findChildren<QLineEdit*>())
        if (Edit->isReadOnly()) Shown.append(Edit);
    if (Shown.size() < 2) return;
    QLineEdit* StyleEdit = Shown[1];
    const auto Show = [StyleEdit](const QString& Text) {
        const QString Bulgarian = FontStyleText(Text);
        if (Bulgarian != Text) StyleEdit->setText(Bulgarian);
    };
    QObject::connect(StyleEdit, &QLineEdit::textChanged, StyleEdit, Show);
    Show(StyleEdit->text());
}
