#include "Components/Filter/SimpleFilterDialog.h"

#include "Components/Filter/FilterEngine.h"
#include "Components/PeriodEdit/PeriodEdit.h"
#include "core/unMessages.h"

#include <QAction>
#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

// A field's full name without the window's caption in front.
QString FieldLabel(const QString& Name) {
    const int Dash = int(Name.indexOf(QStringLiteral(" - ")));
    return Dash >= 0 ? Name.mid(Dash + 3) : Name;
}

constexpr int ButtonsHeight = 34;
constexpr int MaxClientHeight = 480;
constexpr int MaxClientWidth = 640;
constexpr int MinColumnWidth = 150;

const TFieldProps* Leaf(const TStringList& Fields, int Index) {
    return static_cast<const TFieldProps*>(Fields.GetObject(Index));
}

} // namespace

TfrmSimpleFilter::TfrmSimpleFilter(TFieldProps* Root, QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("frmSimpleFilter"));
    setWindowTitle(QStringLiteral("Филтър"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    ScrollBox = new QScrollArea(this);
    ScrollBox->setObjectName(QStringLiteral("ScrollBox"));
    ScrollBox->setFrameShape(QFrame::NoFrame);
    ScrollBox->setMinimumWidth(320);
    ScrollBox->setWidget(new QWidget());
    ScrollBox->widget()->setObjectName(QStringLiteral("ScrollBoxContents"));

    pnlButtons = new QFrame(this);
    pnlButtons->setObjectName(QStringLiteral("pnlButtons"));
    pnlButtons->setFixedHeight(ButtonsHeight);

    const auto MakeAction = [this](const char* Name, const QString& Caption, const QKeySequence& Key) {
        auto* Action = new QAction(Caption, this);
        Action->setObjectName(QString::fromLatin1(Name));
        Action->setShortcut(Key);
        Action->setShortcutContext(Qt::WindowShortcut);
        addAction(Action);
        return Action;
    };
    actOk = MakeAction("actOk", QStringLiteral("F2-Филтриране"), QKeySequence(Qt::Key_F2));
    actClear = MakeAction("actClear", QStringLiteral("F5-Изтриване"), QKeySequence(Qt::Key_F5));
    actCancel = MakeAction("actCancel", QStringLiteral("ESC-Изход"), QKeySequence(Qt::Key_Escape));
    connect(actOk, &QAction::triggered, this, &TfrmSimpleFilter::Apply);
    connect(actClear, &QAction::triggered, this, &TfrmSimpleFilter::ClearInputs);
    connect(actCancel, &QAction::triggered, this, &QDialog::reject);

    const auto MakeButton = [this](const char* Name, QAction* Action) {
        auto* Button = new QPushButton(Action->text(), pnlButtons);
        Button->setObjectName(QString::fromLatin1(Name));
        Button->setAutoDefault(false);
        Button->setFocusPolicy(Qt::NoFocus);
        connect(Button, &QPushButton::clicked, Action, &QAction::trigger);
        return Button;
    };
    btnOk = MakeButton("btnOk", actOk);
    btnClear = MakeButton("btnClear", actClear);
    btnCancel = MakeButton("btnCancel", actCancel);
    auto* Buttons = new QHBoxLayout(pnlButtons);
    Buttons->setContentsMargins(6, 4, 6, 4);
    Buttons->addStretch();
    Buttons->addWidget(btnOk);
    Buttons->addWidget(btnClear);
    Buttons->addWidget(btnCancel);

    auto* Main = new QVBoxLayout(this);
    Main->setContentsMargins(0, 0, 0, 0);
    Main->setSpacing(0);
    Main->addWidget(ScrollBox, 1);
    Main->addWidget(pnlButtons);

    if (Root) CollectFieldLeaves(Root, FFields);
    Layout();
    if (QWidget* First = FInputs.value(0)) First->setFocus();
}

TfrmSimpleFilter::~TfrmSimpleFilter() = default;

void TfrmSimpleFilter::Layout() {
    QWidget* Box = ScrollBox->widget();
    const QFontMetrics Metrics(font());
    const int TextHeight = Metrics.height();
    const int RowHeight = 3 * TextHeight;
    const int Margin = TextHeight;
    const int Count = FFields.Count();

    FColumns = 2;
    const auto RowsFor = [Count](int Columns) { return (Count + Columns - 1) / Columns; };
    while (RowsFor(FColumns) * RowHeight > MaxClientHeight - ButtonsHeight)
        ++FColumns;
    FRows = RowsFor(FColumns);

    // The root's name, the window's caption, is left out of the labels.
    QStringList Labels;
    for (int I = 0; I < Count; ++I)
        Labels.append(FieldLabel(FFields.Get(I)));
    QList<int> Widths(FColumns, 0);
    for (int I = 0; I < Count; ++I)
        Widths[I % FColumns] = std::max(Widths[I % FColumns], Metrics.horizontalAdvance(Labels[I]));
    QList<int> Lefts;
    int ClientWidth = 0;
    for (int& W : Widths) {
        W = std::max(std::min(W, MaxClientWidth / FColumns), MinColumnWidth) + Margin;
        Lefts.append(ClientWidth);
        ClientWidth += W;
    }
    ClientWidth += 10;

    for (int I = 0; I < Count; ++I) {
        const TFieldProps* Field = Leaf(FFields, I);
        const int Col = I % FColumns;
        const int Left = Lefts[Col] + Margin, Width = Widths[Col] - Margin;
        auto* Label = new QLabel(Labels[I], Box);
        Label->setGeometry(Left, (I / FColumns) * RowHeight, Width, TextHeight);
        QWidget* Input;
        if ((Field->FieldType == TFieldProps::ftText || Field->FieldType == TFieldProps::ftNumber) &&
            Field->UsePickList && !Field->PickList.isEmpty()) {
            auto* Combo = new QComboBox(Box);
            Combo->addItems(Field->PickList);
            Combo->setCurrentIndex(-1);
            Input = Combo;
        } else if (Field->FieldType == TFieldProps::ftDate) {
            Input = new TPeriodEdit(Box);
        } else {
            auto* Edit = new QLineEdit(Box);
            Edit->setText(Field->Criterion);
            Input = Edit;
        }
        Input->setObjectName(QStringLiteral("Input%1").arg(I));
        Input->setGeometry(Left, Label->geometry().bottom() + 1 + TextHeight / 10, Width,
                           Input->sizeHint().height());
        Label->setBuddy(Input);
        Input->installEventFilter(this);
        FInputs.append(Input);
    }
    Box->resize(ClientWidth, RowHeight * FRows);
    ScrollBox->setMinimumSize(std::max(320, ClientWidth), RowHeight * FRows);
    resize(std::max(320, ClientWidth), RowHeight * FRows + ButtonsHeight);
}

void TfrmSimpleFilter::Apply() {
    if (!FCriteria) return;
    // Built aside, so that a criterion that cannot be read leaves the previous filter whole.
    TLineConv Result;
    bool Any = false;
    QString Text;
    int I = 0;
    try {
        for (; I < FFields.Count(); ++I) {
            auto* Field = static_cast<TFieldProps*>(FFields.GetObject(I));
            const int Kind = FilterKindOfFieldType(Field->FieldType);
            QWidget* Input = FInputs.value(I);
            Text.clear();
            if (auto* Combo = qobject_cast<QComboBox*>(Input)) {
                if (Combo->currentIndex() < 0) {
                    Result.Add(QString());
                    continue;
                }
                Text = QString::number(Combo->currentIndex());
            } else if (auto* Period = qobject_cast<TPeriodEdit*>(Input)) {
                Text = Period->text().isEmpty() ? QString() : PeriodToDateCriterion(Period->Period());
            } else if (auto* Edit = qobject_cast<QLineEdit*>(Input)) {
                Text = Edit->text();
                Field->Criterion = Text;
            }
            Result.AddObject(Text, new TFilterMan(Text, Kind));
            Any = Any || !Text.trimmed().isEmpty();
        }
    } catch (const Exception&) {
        // The engine's own text is for the log, not for the operator.
        ShowErrorBox(Format(QStringLiteral("Критерият \"%s\" за \"%s\" не може да бъде разчетен!"),
                            {Text, FieldLabel(FFields.Get(I))}));
        return;
    }
    FCriteria->Clear();
    if (Any) {
        Result.SetFreeObjects(false);
        for (int I = 0; I < Result.Count(); ++I)
            FCriteria->AddObject(Result.Get(I), Result.GetObject(I));
    }
    accept();
}

void TfrmSimpleFilter::ClearInputs() {
    for (QWidget* Input : FInputs) {
        if (auto* Combo = qobject_cast<QComboBox*>(Input))
            Combo->setCurrentIndex(-1);
        else if (auto* Period = qobject_cast<TPeriodEdit*>(Input))
            Period->SetPeriod(QString());
        else if (auto* Edit = qobject_cast<QLineEdit*>(Input))
            Edit->clear();
    }
    if (FCriteria) FCriteria->Clear();
}

bool TfrmSimpleFilter::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::KeyPress) {
        const auto* Key = static_cast<QKeyEvent*>(Event);
        auto* Input = qobject_cast<QWidget*>(Watched);
        if ((Key->key() == Qt::Key_Return || Key->key() == Qt::Key_Enter) && FInputs.contains(Input)) {
            // Enter walks the inputs; a drop-down list does not get it.
            focusNextChild();
            return qobject_cast<QComboBox*>(Input) != nullptr;
        }
    }
    return QDialog::eventFilter(Watched, Event);
}
