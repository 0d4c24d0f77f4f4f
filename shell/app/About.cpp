#include "shell/app/About.h"

#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "shell/app/HostAddress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TAboutBox::TAboutBox(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("За програмата"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QStringLiteral("\"Лендора\""), this);
    name->setObjectName(QStringLiteral("ProductName"));
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.5);
    name->setFont(bold);
    layout->addWidget(name);

    auto* version = new QLabel(QStringLiteral("Версия: 24.05.2009"), this);
    version->setObjectName(QStringLiteral("Version"));
    layout->addWidget(version);

    auto* addressRow = new QHBoxLayout();
    addressRow->addWidget(new QLabel(QStringLiteral("IP адрес:"), this));
    labIPAddress = new QLabel(this);
    labIPAddress->setObjectName(QStringLiteral("labIPAddress"));
    labIPAddress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    addressRow->addWidget(labIPAddress, 1);
    layout->addLayout(addressRow);

    auto* comments = new QLabel(QStringLiteral("Автоматизирана информационна система"), this);
    comments->setObjectName(QStringLiteral("Comments"));
    layout->addWidget(comments);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setReadOnly(true);
    Memo->setPlainText(QStringLiteral("2009\n"
                                      "  24.05.2009 Продажби: отметка за краткосрочен договор "
                                      "(бутон FIX добавя полето в по-стари бази данни)."));
    Memo->setFixedHeight(90);
    layout->addWidget(Memo);

    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnFix = new QPushButton(QStringLiteral("FIX"), this);
    btnFix->setObjectName(QStringLiteral("btnFix"));
    btnFix->setAutoDefault(false);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnFix);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnFix, &QPushButton::clicked, this, &TAboutBox::btnFixClick);

    setFixedSize(sizeHint().expandedTo(QSize(360, 0)));
}

void TAboutBox::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    labIPAddress->setText(GetLocalIPAddress());
    btnOK->setFocus();
}

// Only what the database lacks is run, so a second FIX tells the operator there is nothing to do
// instead of showing the database's refusal.
void TAboutBox::btnFixClick() {
    const QStringList missing = MissingSchemaUpgrades(this);
    if (missing.isEmpty()) ShowMessageEx(QStringLiteral("Базата данни вече е актуализирана."));
    RunSchemaUpgrades(this, missing);
    accept();
}
