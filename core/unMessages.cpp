#include "core/unMessages.h"

#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStyle>
#include <cerrno>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

// The numbered texts exactly as the program has always shown them, misspellings included.
const QHash<int, QString>& MessageTexts() {
    static const QHash<int, QString> texts = {
        {65072, u"Въведете договор"_s},
        {65076, u"Шифър@Наименование"_s},
        {65077, u"Шифър"_s},
        {65078, u"Грешка при копиране на файловете."_s},
        {65079, u"Файлът \"%s\" съществува!\n\rЖелаете ли да го припокриете?"_s},
        {65080, u"Сортиране и скриване"_s},
        {65081, u"\r\n"_s},
        {65088, u"Общата сума на документа е нула!"_s},
        {65089, u"Въведете шифър."_s},
        {65090, u"Грешка при актуализиране на %s на ред %d."_s},
        {65091, u"Въведете тип на вещ"_s},
        {65092, u"Въведете собственик"_s},
        {65093, u"Въведете ЕГН"_s},
        {65094, u"ЕГН@Собствено, бащино и фамилно име"_s},
        {65095, u"@сериен номер"_s},
        {65096, u"Въведете вещ"_s},
        {65097, u"Въведете месечен лихвен процент"_s},
        {65098, u"Въведете срoк на договора"_s},
        {65099, u"Договор@Вещ@Сериен номер"_s},
        {65100, u"Договор@Вещ@Сериен номер"_s},
        {65101, u"Договор@Дата@Шифър@Вещ@Тип@Сума"_s},
        {65102, u"Договор@Вещ@Сериен номер@Срок"_s},
        {65103, u"Въведете служител"_s},
        {65104, u"Изтегляне на данните ..."_s},
        {65105, u" Възстановяване на архивно копие от "_s},
        {65106, u" Създаване на архивно копие на "_s},
        {65107, u"Избраният ред не е за документ !"_s},
        {65108, u"Въведете номер на документ"_s},
        {65109, u"Въвеждане на парола"_s},
        {65110, u"Въведете парола"_s},
        {65111, u"Въведената парола е грешна!"_s},
        {65112, u"Продължи"_s},
        {65113, u"Отказ"_s},
        {65114, u"Въведете наименование!"_s},
        {65115, u"Шифър \"%s\" съществува в таблицата с данни!"_s},
        {65116, u"Наименование \"%s\" съществува в таблицата с данни!"_s},
        {65117, u"Желаете ли да изтриете %s: \"%s\" - \"%s\"?"_s},
        {65118, u"Не можете да редактирате два реда едновремнно!"_s},
        {65119, u"Въведете клиент!"_s},
        {65120,
         u"Този помощник ще ви помогне да възстановите данните от архивно копие. Изберете архива, който желаете за възстановите от списъка."_s},
        {65121, u"На указаното устройство/път няма намерени валидни архивни копия."_s},
        {65122, u"Възстановяването не е извършено успешно.\rГрешка при разархивиране на файловете."_s},
        {65123, u"Архивното копие не е създадено успешно.\rГрешка при архивиране на файловете."_s},
        {65124,
         u"Създаването/възстановяването на архивното копие не е извършено успешно.\rПрекъсване от потребителя."_s},
        {65125,
         u"Грешка при създаване на архивното копие. Моля проверете дали имате права за запис в директорията от която стартирате счетоводната програма."_s},
        {65126, u"Грешка при определяне на директорията на базата."_s},
        {65127, u"Грешка при установяване поредния номер на дискетата."_s},
        {65128, u"Грешка при четене поредния номер на дискетата."_s},
        {65129, u"Извършва се четене на данните за архивното копие и възстановяване на данните."_s},
        {65130,
         u"Извършва се изтегляне на данните, архивиране и прехвърляне на архивното копие. Моля изчакайте."_s},
        {65131,
         u"Ще се извърши прехвърляне на архивното копие на дискети. Моля, поставете първата дискета и натиснете Продължение.\r\rВНИМАНИЕ: Всички съществуващи файлове на дискетите ще бъдат изтрити!"_s},
        {65132, u"Компресиране на архивното копие ..."_s},
        {65133, u"Прехвърляне на архивното копие ..."_s},
        {65134, u"Декомпресиране на архивното копие ..."_s},
        {65135, u"Възстановяване на данните ..."_s},
        {65136, u"Прехвърляне на данните към MS Word"_s},
        {65137, u"Записване на данните в текстов файл"_s},
        {65138, u", моля изчакайте ..."_s},
        {65139, u"Моля поставете следващата дискета и натиснете ОК."_s},
        {65140, u"Грешка при копиране на файловете."_s},
        {65141,
         u"Грешка при създаване на временните файлове. Моля проверете дали имате права за запис в директорията от която стартирате счетоводната програма."_s},
        {65142, u"Грешка при затварянето на базата!"_s},
        {65143, u"Грешка при отварянето на базата!"_s},
        {65144, u"Изтриване на дискетата ..."_s},
        {65145, u"Деактивиране на базата ..."_s},
        {65146, u"Активиране на базата ..."_s},
        {65148, u"Изберете директория ..."_s},
        {65149, u"Възстановяването на данните е извършено успешно."_s},
        {65150, u"Архивирането на данните е извършено успешно."_s},
        {65151, u"Този помощник ще ви помогле да създадете архивно копие на данните."_s},
        {65152, u"  Прехвърлянето на данните е прекъснато от потребителя!"_s},
        {65153, u"  Данните са прехвърлени успешно във файла\r  \"%s\"."_s},
        {65154,
         u"  Този помощник ще стартира %s, ще отвори нов документ и ще прехвърли данните в него. Това може да отнеме известно време, моля изчакайте.\r\r  Изберете Продължение за да започнете прехвърлянето."_s},
        {65155, u"Желаете ли да изтриете настройка:\r%s"_s},
        {65156, u"Печат ..."_s},
        {65157, u"Подготовка на печата, моля изчакайте ..."_s},
        {65158, u"Подготовка на данните, моля изчакайте ..."_s},
        {65159, u"Подготовка на страниците, моля изчакайте ..."_s},
        {65160, u"Подготовка на печата"_s},
        {65161, u"Преформатиране на страниците, моля изчакайте ..."_s},
        {65162, u"Отпечатване на страниците, моля изчакайте ..."_s},
        {65163, u"Моля, подгответе печата за стр. %d и натиснете OK ..."_s},
        {65164, u"стр.: %d / %d"_s},
        {65165, u"Стартиране на MS Excel"_s},
        {65166, u"Прехвърляне на данните към MS Excel"_s},
        {65167, u"Стартиране на MS Word"_s},
        {65168, u"Гл. счетоводител:"_s},
        {65169, u"Основна настройка"_s},
        {65170, u"-=: PaGe BrEaK :=-"_s},
        {65171, u"Печат - "_s},
        {65172, u"Стр.: %d / %d"_s},
        {65173, u"dd\".\"mm\".\"yyyy\" г. / \"hh\":\"nn\":\"ss"_s},
        {65174, u"%s\r№ по НДР: %s\rБулстат: %s"_s},
        {65175, u"No по НДР: %s"_s},
        {65176, u"Булстат: %s"_s},
        {65177, u"%d mm x %d mm"_s},
        {65178, u"%d %%"_s},
        {65179, u"%d / %d"_s},
        {65180, u"Файлът \"%s\" не е записан:\r%s"_s},
        {65183, u"  Данните не са прехвърлени успешно!\r  Файлът \"%s\" не е записан."_s},
        {65184, u"Отказ"_s},
        {65185, u"Отново"_s},
        {65186, u"&Игнориране"_s},
        {65187, u"&Всички"_s},
        {65188, u"Не за всички"_s},
        {65189, u"Да за всички"_s},
        {65190, u"Грешка при работа с базата данни !"_s},
        {65191, u"Грешка при работа с базата данни !\n\r%s"_s},
        {65192, u"Грешка"_s},
        {65193, u"Инициализиране ..."_s},
        {65194, u"Данните не са записани!\rЖелаете ли да ги запишете?"_s},
        {65196, u"Увеличение: "_s},
        {65197, u"Няма инсталиран принтер!"_s},
        {65198, u"Дата: "_s},
        {65199, u"Ръководител:"_s},
        {65207, u"Предупреждение!"_s},
        {65208, u"Грешка!"_s},
        {65209, u"Информация!"_s},
        {65210, u"Потвърждение!"_s},
        {65211, u"&Да"_s},
        {65212, u"&Не"_s},
        {65213, u"OK"_s},
        {65214, u"Отказ"_s},
        {65215, u"&Help"_s},
    };
    return texts;
}

struct TButtonInfo {
    const char* Name;
    int CaptionId;
    TModalResult Result;
    QStyle::StandardPixmap Glyph; // SP_CustomBase = no glyph
};

// Indexed by TMsgDlgBtn. OK shows the Yes glyph and Yes to all the All glyph.
const TButtonInfo ButtonTable[] = {
    {"Yes", 65211, mrYes, QStyle::SP_DialogYesButton},
    {"No", 65212, mrNo, QStyle::SP_DialogNoButton},
    {"OK", 65213, mrOk, QStyle::SP_DialogYesButton},
    {"Cancel", 65214, mrCancel, QStyle::SP_DialogCancelButton},
    {"Abort", 65184, mrAbort, QStyle::SP_DialogAbortButton},
    {"Retry", 65185, mrRetry, QStyle::SP_DialogRetryButton},
    {"Ignore", 65186, mrIgnore, QStyle::SP_DialogIgnoreButton},
    {"All", 65187, mrAll, QStyle::SP_DialogYesToAllButton},
    {"NoToAll", 65188, mrNoToAll, QStyle::SP_CustomBase},
    {"YesToAll", 65189, mrYesToAll, QStyle::SP_DialogYesToAllButton},
    {"Help", 65215, mrNone, QStyle::SP_DialogHelpButton},
};

// Dialog units of the dialog font: a quarter of the average letter width across, an eighth of
// the line height down.
struct TDialogUnits {
    explicit TDialogUnits(const QFontMetrics& fm)
        : CharWidth(fm.horizontalAdvance(u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"_s) / 52),
          CharHeight(fm.height()) {}
    int X(int units) const { return units * CharWidth / 4; }
    int Y(int units) const { return units * CharHeight / 8; }
    int CharWidth;
    int CharHeight;
};

QStyle::StandardPixmap IconOf(TMsgDlgType type) {
    switch (type) {
    case mtWarning:
        return QStyle::SP_MessageBoxWarning;
    case mtError:
        return QStyle::SP_MessageBoxCritical;
    case mtInformation:
        return QStyle::SP_MessageBoxInformation;
    case mtConfirmation:
        return QStyle::SP_MessageBoxQuestion;
    case mtCustom:
        break;
    }
    return QStyle::SP_CustomBase;
}

class TDialogPresenter : public TMessagePresenter {
public:
    TModalResult Present(const TMessageRequest& r) override {
        TMessageForm form(r.Text, r.DlgType, r.Buttons, r.DefaultButton, r.CancelButton, r.ShowIcon);
        form.setWindowTitle(r.Caption);
        PlaceOnScreen(&form, r.X, r.Y);
        return form.exec();
    }

    bool AskPassword(const TPasswordRequest& r, QString& Value) override {
        QDialog form;
        form.setObjectName(u"PasswordDlg"_s);
        form.setWindowTitle(r.Caption);
        const TDialogUnits du(form.fontMetrics());
        form.setFixedSize(du.X(180), du.Y(63));

        auto* prompt = new QLabel(r.Prompt, &form);
        prompt->setObjectName(u"Prompt"_s);
        prompt->move(du.X(8), du.Y(8));
        prompt->adjustSize();

        auto* edit = new QLineEdit(&form);
        edit->setObjectName(u"Edit"_s);
        edit->setGeometry(du.X(8), du.Y(19), du.X(164), edit->sizeHint().height());
        edit->setMaxLength(255);
        if (!r.PasswordChar.isNull()) {
            edit->setEchoMode(QLineEdit::Password);
            edit->setStyleSheet(u"lineedit-password-character: %1"_s.arg(r.PasswordChar.unicode()));
        }
        edit->setText(r.Value);
        edit->selectAll();

        auto* ok = new QPushButton(LoadStr(65112), &form);
        ok->setObjectName(u"OK"_s);
        ok->setGeometry(du.X(38), du.Y(41), du.X(50), du.Y(14));
        ok->setDefault(true);
        QObject::connect(ok, &QPushButton::clicked, &form, &QDialog::accept);

        auto* cancel = new QPushButton(LoadStr(65113), &form);
        cancel->setObjectName(u"Cancel"_s);
        cancel->setGeometry(du.X(92), du.Y(41), du.X(50), du.Y(14));
        QObject::connect(cancel, &QPushButton::clicked, &form, &QDialog::reject);

        edit->setFocus();
        PlaceOnScreen(&form, -1, -1);
        if (form.exec() != QDialog::Accepted) return false;
        Value = edit->text();
        return true;
    }
};

TMessagePresenter* InstalledPresenter = nullptr;
int RunningMessages = 0;

// Every message and password dialog goes through here, counted while it is up.
template <class F> auto Counted(F&& Presenting) {
    ++RunningMessages;
    const auto done = qScopeGuard([] { --RunningMessages; });
    return Presenting(MessagePresenter());
}

TModalResult Ask(const TMessageRequest& r) {
    return Counted([&](TMessagePresenter& p) { return p.Present(r); });
}

TModalResult Present(TMsgDlgType type, const QString& text, const TMsgDlgButtons& buttons, TMsgDlgBtn def,
                     TMsgDlgBtn cancel) {
    TMessageRequest r;
    r.DlgType = type;
    r.Caption = DialogCaption(type);
    r.Text = text;
    r.Buttons = buttons;
    r.DefaultButton = def;
    r.CancelButton = cancel;
    return Ask(r);
}

} // namespace

QString WriteFailureReason(int Error) {
    switch (Error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Дискът е пълен.");
    case EFBIG:
        return QStringLiteral("Файлът е по-голям, отколкото носителят позволява.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Няма право на запис в папката.");
    case EROFS:
        return QStringLiteral("Носителят е само за четене.");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("Папката не съществува.");
    case EIO:
        return QStringLiteral("Грешка при четене или запис на носителя.");
    case ENOMEM:
        return QStringLiteral("Няма достатъчно памет.");
    case 0:
        return QStringLiteral("Записът не завърши.");
    default:
        return Format(QStringLiteral("Системна грешка %d."), {Error});
    }
}

QString LoadStr(int Ident) {
    return MessageTexts().value(Ident);
}

TModalResult ModalResultOf(TMsgDlgBtn Button) {
    return ButtonTable[Button].Result;
}
QString ButtonName(TMsgDlgBtn Button) {
    return QString::fromLatin1(ButtonTable[Button].Name);
}
QString ButtonCaption(TMsgDlgBtn Button) {
    return LoadStr(ButtonTable[Button].CaptionId);
}

QString DialogCaption(TMsgDlgType DlgType) {
    switch (DlgType) {
    case mtWarning:
        return LoadStr(65207);
    case mtError:
        return LoadStr(65208);
    case mtInformation:
        return LoadStr(65209);
    case mtConfirmation:
        return LoadStr(65210);
    case mtCustom:
        break;
    }
    return QGuiApplication::applicationDisplayName();
}

void PlaceOnScreen(QWidget* w, int x, int y) {
    if (x < 0 && y < 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (screen) {
            QRect r = w->frameGeometry();
            r.moveCenter(screen->availableGeometry().center());
            w->move(r.topLeft());
        }
        return;
    }
    w->move(x >= 0 ? x : w->x(), y >= 0 ? y : w->y());
}

TMessagePresenter& MessagePresenter() {
    static TDialogPresenter dialogs;
    return InstalledPresenter ? *InstalledPresenter : dialogs;
}

bool MessageRuns() {
    return RunningMessages > 0;
}

TMessagePresenter* SetMessagePresenter(TMessagePresenter* Presenter) {
    TMessagePresenter* old = InstalledPresenter;
    InstalledPresenter = Presenter;
    return old;
}

namespace {

// The texts break lines with "\r", "\n", "\r\n" or "\n\r"; each is one line break on screen.
QString ScreenLines(const QString& Text) {
    QString Lines;
    Lines.reserve(Text.size());
    for (qsizetype I = 0; I < Text.size(); ++I) {
        const QChar C = Text[I];
        if (C != u'\r' && C != u'\n') {
            Lines += C;
            continue;
        }
        Lines += u'\n';
        const QChar Pair = C == u'\r' ? u'\n' : u'\r';
        if (I + 1 < Text.size() && Text[I + 1] == Pair) ++I;
    }
    return Lines;
}

} // namespace

TMessageForm::TMessageForm(const QString& Text, TMsgDlgType DlgType, const TMsgDlgButtons& Buttons,
                           TMsgDlgBtn DefaultButton, TMsgDlgBtn CancelButton, bool ShowIcon, QWidget* Parent)
    : QDialog(Parent), FCancelButton(CancelButton) {
    const QString Msg = ScreenLines(Text);
    setObjectName(u"MessageForm"_s);
    setWindowTitle(DialogCaption(DlgType));
    setFont(QApplication::font("QMessageBox"));
    const QFontMetrics fm = fontMetrics();
    const TDialogUnits du(fm);
    const int hMargin = du.X(8), vMargin = du.Y(8), hSpacing = du.X(10), vSpacing = du.Y(10);
    const int buttonHeight = du.Y(14), buttonSpacing = du.X(4);

    // One width for every button, from the widest caption; a button with a glyph may grow.
    int buttonWidth = du.X(50);
    for (TMsgDlgBtn b : Buttons)
        buttonWidth = qMax(buttonWidth, fm.horizontalAdvance(ButtonCaption(b)) + 8);

    int screenWidth = 640;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) screenWidth = screen->geometry().width();
    const QRect textRect =
        fm.boundingRect(QRect(0, 0, screenWidth / 2, 0), Qt::TextWordWrap | Qt::TextExpandTabs, Msg);

    int iconWidth = 0, iconHeight = 0;
    const QStyle::StandardPixmap icon = IconOf(DlgType);
    if (ShowIcon && icon != QStyle::SP_CustomBase) {
        Image = new QLabel(this);
        Image->setObjectName(u"Image"_s);
        Image->setPixmap(style()->standardIcon(icon).pixmap(32, 32));
        Image->setGeometry(hMargin, vMargin, 32, 32);
        iconWidth = 32 + hSpacing;
        iconHeight = 32;
    } else if (!ShowIcon) {
        // Where no icon shows, a search picture stands for the searching animation.
        Animate = new QLabel(this);
        Animate->setObjectName(u"Animate"_s);
        Animate->setPixmap(style()->standardIcon(QStyle::SP_FileDialogContentsView).pixmap(32, 32));
        Animate->setGeometry(hMargin, vMargin, 32, 32);
        iconWidth = 32 + hSpacing;
        iconHeight = 32;
    }

    lbMessage = new QLabel(Msg, this);
    lbMessage->setObjectName(u"lbMessage"_s);
    lbMessage->setWordWrap(true);
    lbMessage->setTextFormat(Qt::PlainText);
    lbMessage->setGeometry(hMargin + iconWidth, vMargin, textRect.width() + 1, textRect.height());

    QList<QPushButton*> row;
    int rowWidth = 0;
    for (TMsgDlgBtn b : Buttons) {
        const TButtonInfo& info = ButtonTable[b];
        auto* button = new QPushButton(ButtonCaption(b), this);
        button->setObjectName(ButtonName(b));
        int width = buttonWidth;
        if (info.Glyph != QStyle::SP_CustomBase) {
            button->setIcon(style()->standardIcon(info.Glyph));
            const int needed = fm.horizontalAdvance(button->text()) + button->iconSize().width() + 4 + 8;
            width = qMax(width, needed);
        }
        button->resize(width, buttonHeight);
        button->setAutoDefault(true);
        if (b == DefaultButton) button->setDefault(true);
        // A button without a result (Help) does not close the dialog.
        if (info.Result != mrNone)
            connect(button, &QPushButton::clicked, this, [this, result = info.Result] { done(result); });
        FButtons.append({b, button});
        row.append(button);
        rowWidth += width;
    }
    if (!row.isEmpty()) rowWidth += (row.size() - 1) * buttonSpacing;

    const int clientWidth = qMax(iconWidth + textRect.width(), rowWidth) + 2 * hMargin;
    const int bodyHeight = qMax(iconHeight, textRect.height());
    const int buttonTop = vMargin + bodyHeight + vSpacing;
    int x = (clientWidth - rowWidth) / 2;
    for (QPushButton* button : row) {
        button->move(x, buttonTop);
        x += button->width() + buttonSpacing;
    }
    setFixedSize(clientWidth, buttonTop + buttonHeight + vMargin);
    if (QPushButton* def = Button(DefaultButton)) def->setFocus();
}

QPushButton* TMessageForm::Button(TMsgDlgBtn Kind) const {
    for (const auto& [kind, button] : FButtons)
        if (kind == Kind) return button;
    return nullptr;
}

void TMessageForm::reject() {
    done(ModalResultOf(FCancelButton));
}

TModalResult MessageDlgEx(const QString& Msg, TMsgDlgType DlgType, const TMsgDlgButtons& Buttons,
                          TMsgDlgBtn DefaultButton, TMsgDlgBtn CancelButton, bool ShowIcon) {
    return MessageDlgPosEx(Msg, DlgType, Buttons, DefaultButton, CancelButton, ShowIcon, -1, -1);
}

TModalResult MessageDlgPosEx(const QString& Msg, TMsgDlgType DlgType, const TMsgDlgButtons& Buttons,
                             TMsgDlgBtn DefaultButton, TMsgDlgBtn CancelButton, bool ShowIcon, int X, int Y) {
    TMessageRequest r;
    r.DlgType = DlgType;
    r.Caption = DialogCaption(DlgType);
    r.Text = Msg;
    r.Buttons = Buttons;
    r.DefaultButton = DefaultButton;
    r.CancelButton = CancelButton;
    r.ShowIcon = ShowIcon;
    r.X = X;
    r.Y = Y;
    return Ask(r);
}

void ShowMessageEx(const QString& Msg) {
    ShowMessagePosEx(Msg, -1, -1);
}

void ShowMessagePosEx(const QString& Msg, int X, int Y) {
    // The custom type has no icon of its own; leaving ShowIcon off would bring the animation.
    MessageDlgPosEx(Msg, mtCustom, {mbOK}, mbOK, mbOK, true, X, Y);
}

void ShowErrorFmt(const QString& Msg, std::initializer_list<TVarRec> Args) {
    ShowErrorFmt(Format(Msg, Args));
}
void ShowErrorFmt(const QString& Msg) {
    Present(mtError, Msg, {mbOK}, mbOK, mbOK);
}

void ShowWarningFmt(const QString& Msg, std::initializer_list<TVarRec> Args) {
    ShowWarningFmt(Format(Msg, Args));
}
void ShowWarningFmt(const QString& Msg) {
    Present(mtWarning, Msg, {mbOK}, mbOK, mbOK);
}

TModalResult ConfirmYesNoCancelFmt(const QString& Msg, std::initializer_list<TVarRec> Args) {
    return ConfirmYesNoCancelFmt(Format(Msg, Args));
}
TModalResult ConfirmYesNoCancelFmt(const QString& Msg) {
    return Present(mtConfirmation, Msg, {mbYes, mbNo, mbCancel}, mbNo, mbCancel);
}

TModalResult ConfirmYesNoFmt(const QString& Msg, std::initializer_list<TVarRec> Args) {
    return ConfirmYesNoFmt(Format(Msg, Args));
}
TModalResult ConfirmYesNoFmt(const QString& Msg) {
    return Present(mtConfirmation, Msg, {mbYes, mbNo}, mbNo, mbNo);
}

TModalResult ConfirmOkCancelFmt(const QString& Msg, std::initializer_list<TVarRec> Args) {
    return ConfirmOkCancelFmt(Format(Msg, Args));
}
TModalResult ConfirmOkCancelFmt(const QString& Msg) {
    return Present(mtConfirmation, Msg, {mbOK, mbCancel}, mbCancel, mbCancel);
}

void ShowErrorBox(const QString& Msg) {
    TMessageRequest r;
    r.DlgType = mtCustom;
    r.Caption = LoadStr(65192);
    r.Text = Msg;
    r.Buttons = {mbOK};
    r.DefaultButton = mbOK;
    r.CancelButton = mbOK;
    Ask(r);
}

bool PasswordDialog(const QString& Caption, const QString& Prompt, QChar PasswordChar, QString& Value) {
    return Counted([&](TMessagePresenter& p) {
        return p.AskPassword({Caption, Prompt, PasswordChar, Value}, Value);
    });
}
