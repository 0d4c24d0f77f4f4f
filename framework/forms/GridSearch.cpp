#include "framework/forms/GridSearch.h"

#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/StringGrid.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

TfrmGridSearch::TfrmGridSearch(TStringGrid* Grid, QWidget* Parent) : QDialog(Parent), FGrid(Grid) {
    setObjectName(QStringLiteral("frmGridSearch"));
    setWindowTitle(QStringLiteral("Търсене"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    Label1 = new QLabel(QStringLiteral("&Колона:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    edColumn = new QSpinBox(this);
    edColumn->setObjectName(QStringLiteral("edColumn"));
    Label1->setBuddy(edColumn);
    Label2 = new QLabel(QStringLiteral("Въведете част от текст, който търсите:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    edSearchText = new QLineEdit(this);
    edSearchText->setObjectName(QStringLiteral("edSearchText"));
    Label2->setBuddy(edSearchText);

    actForward = new QAction(QStringLiteral("Напред"), this);
    actForward->setObjectName(QStringLiteral("actForward"));
    actForward->setToolTip(QStringLiteral("Търси следващия ред, отговарящ на условието"));
    addAction(actForward);
    actBackward = new QAction(QStringLiteral("Назад"), this);
    actBackward->setObjectName(QStringLiteral("actBackward"));
    actBackward->setToolTip(QStringLiteral("Търси предходния ред, отговарящ на условието"));
    addAction(actBackward);
    connect(actForward, &QAction::triggered, this, [this] { SearchStep(1); });
    connect(actBackward, &QAction::triggered, this, [this] { SearchStep(-1); });

    bbtnForward = new QPushButton(QStringLiteral("&Напред"), this);
    bbtnForward->setObjectName(QStringLiteral("bbtnForward"));
    bbtnForward->setToolTip(actForward->toolTip());
    bbtnForward->setAutoDefault(false);
    connect(bbtnForward, &QPushButton::clicked, actForward, &QAction::trigger);
    bbtnBackward = new QPushButton(QStringLiteral("На&зад"), this);
    bbtnBackward->setObjectName(QStringLiteral("bbtnBackward"));
    bbtnBackward->setToolTip(actBackward->toolTip());
    bbtnBackward->setAutoDefault(false);
    connect(bbtnBackward, &QPushButton::clicked, actBackward, &QAction::trigger);
    bbtnCancel = new QPushButton(QStringLiteral("&Изход"), this);
    bbtnCancel->setObjectName(QStringLiteral("bbtnCancel"));
    bbtnCancel->setAutoDefault(false);
    connect(bbtnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(Label1, 0, 0);
    layout->addWidget(edColumn, 0, 1);
    layout->addWidget(Label2, 1, 0, 1, 2);
    layout->addWidget(edSearchText, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    buttons->addWidget(bbtnForward);
    buttons->addWidget(bbtnBackward);
    buttons->addWidget(bbtnCancel);
    layout->addLayout(buttons, 3, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    edColumn->setRange(1, std::max(1, FGrid->ColCount()));
    edColumn->setValue(FGrid->Col() + 1);
    connect(edColumn, &QSpinBox::valueChanged, this, &TfrmGridSearch::ColumnChanged);
    // Down and Up search, also where a control would take the arrows for itself (the spin edit
    // steps with them).
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
    edSearchText->setFocus();
}

void TfrmGridSearch::SearchStep(int Step) {
    const int row = FindGridText(FGrid, edSearchText->text(), edColumn->value() - 1, FGrid->Row(), Step);
    if (row >= 0) FGrid->SetRow(row);
}

void TfrmGridSearch::ColumnChanged(int Value) {
    // The operator sees which column is searched.
    if (Value > FGrid->FixedCols()) FGrid->SetCol(Value - 1);
}

bool TfrmGridSearch::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(Event);
        if (key->modifiers() == Qt::NoModifier && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up)) {
            (key->key() == Qt::Key_Down ? actForward : actBackward)->trigger();
            return true;
        }
    }
    return QDialog::eventFilter(Watched, Event);
}

bool SearchGrid(TStringGrid* Grid) {
    TfrmGridSearch dialog(Grid, Grid->window());
    dialog.exec();
    return true;
}
