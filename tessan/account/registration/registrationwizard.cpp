#include "account/registration/registrationwizard.h"

#include "account/fieldinput.h"
#include "account/registration/registrar.h"
#include "look/look.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>

namespace tessan {
namespace registration {

namespace {

QString ObjectName(Input input) {
    switch (input) {
        case Input::CountryCode:
            return QStringLiteral("countryCode");
        case Input::AreaCode:
            return QStringLiteral("areaCode");
        case Input::Number:
            return QStringLiteral("number");
        case Input::Name:
            return QStringLiteral("name");
        case Input::PublicKey:
            return QStringLiteral("publicKey");
        case Input::PrivateKey:
            return QStringLiteral("privateKey");
        case Input::Confirmation:
            return QStringLiteral("confirmation");
        case Input::UserType:
            return QStringLiteral("userType");
        case Input::Phone:
            return QStringLiteral("phone");
        case Input::Fax:
            return QStringLiteral("fax");
        case Input::Videophone:
            return QStringLiteral("videophone");
        case Input::Mobile:
            return QStringLiteral("mobile");
        case Input::WebAddress:
            return QStringLiteral("webAddress");
        case Input::Company:
            return QStringLiteral("company");
        case Input::CountryName:
            return QStringLiteral("countryName");
        case Input::Province:
            return QStringLiteral("province");
        case Input::Address:
            return QStringLiteral("address");
        case Input::PostCode:
            return QStringLiteral("postCode");
        case Input::Occupation:
            return QStringLiteral("occupation");
    }
    return {};
}

// The help and the labels of the mandatory data keep their colours under any palette.
void Colour(QLabel* label, Qt::GlobalColor colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

}  // namespace

InputPage::InputPage(const QString& group, QWidget* parent)
    : QWizardPage(parent), help_(new QLabel(this)), grid_(new QGridLayout) {
    help_->setObjectName(QStringLiteral("help"));
    help_->setWordWrap(true);
    help_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Colour(help_, Qt::blue);
    const int line = help_->fontMetrics().height();
    help_->setMinimumWidth(12 * line);
    help_->setMaximumWidth(14 * line);
    auto* box = new QGroupBox(group, this);
    box->setLayout(grid_);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(help_);
    layout->addWidget(box, 1);
}

QString InputPage::Text(Input input) const {
    return Edit(input)->text();
}

QLineEdit* InputPage::AddInput(Input input, const QString& label, bool red) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(ObjectName(input));
    edit->setMaxLength(Limit(input));
    auto* caption = new QLabel(label, this);
    caption->setBuddy(edit);
    if (red) Colour(caption, Qt::red);
    const int row = grid_->rowCount();
    grid_->addWidget(caption, row, 0);
    grid_->addWidget(edit, row, 1);
    edits_[input] = edit;
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textChanged, this, [this, input] { Changed(input); });
    return edit;
}

bool InputPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        for (const auto& [input, edit] : edits_) {
            if (edit != watched) continue;
            if (event->type() == QEvent::FocusIn)
                help_->setText(
                    HelpText(input).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
            else
                Left(input);
            break;
        }
    }
    return QWizardPage::eventFilter(watched, event);
}

void InputPage::Changed(Input input) {
    QLineEdit* edit = Edit(input);
    QString& last = lastText_[input];
    // Each setText below changes the text again and comes back here, where it then fits and
    // passes the filter.
    const FittedEdit fitted = FitGbkEdit(last, edit->text(), MaxBytes(input));
    if (fitted.cut) {
        last = fitted.text;
        edit->setText(fitted.text);
        edit->setCursorPosition(fitted.caret);
        return;
    }
    const Filtered filtered = FilterTyping(input, edit->text());
    last = filtered.text;
    if (!filtered.changed) return;
    edit->setText(filtered.text);  // the caret goes to the end
    if (filtered.moveFocusTo) Edit(*filtered.moveFocusTo)->setFocus(Qt::TabFocusReason);
}

Step1Page::Step1Page(Registrar& registrar, MessageBoxes& boxes, QWidget* parent)
    : InputPage(QStringLiteral("注册信息："), parent), registrar_(registrar), boxes_(boxes) {
    setObjectName(QStringLiteral("registerStep1"));
    AddInput(Input::CountryCode, QStringLiteral("国家代号："), true);
    AddInput(Input::AreaCode, QStringLiteral("地区代号："), true);
    AddInput(Input::Number, QStringLiteral("Tessan号码："), true);
    AddInput(Input::Name, QStringLiteral("姓名："), true);
    AddInput(Input::PublicKey, QStringLiteral("公钥："), true);
    AddInput(Input::PrivateKey, QStringLiteral("私钥："), true)->setEchoMode(QLineEdit::Password);
    AddInput(Input::Confirmation, QStringLiteral("确认私钥："), true)
        ->setEchoMode(QLineEdit::Password);
}

void Step1Page::Left(Input input) {
    // The account number is the proposed public key; a key of one's own goes in after it.
    if (input != Input::AreaCode && input != Input::Number) return;
    Edit(Input::PublicKey)
        ->setText(
            DefaultPublicKey(Text(Input::CountryCode), Text(Input::AreaCode), Text(Input::Number)));
}

bool Step1Page::validatePage() {
    const Step1 step{Text(Input::CountryCode), Text(Input::AreaCode),  Text(Input::Number),
                     Text(Input::Name),        Text(Input::PublicKey), Text(Input::PrivateKey),
                     Text(Input::Confirmation)};
    if (const auto refusal = CheckStep1(step)) {
        boxes_.Tell(refusal->message);
        Edit(refusal->focus)->setFocus(Qt::OtherFocusReason);
        return false;
    }
    WriteStep1(registrar_.Profile(), step);
    return true;
}

Step2Page::Step2Page(Registrar& registrar, QWidget* parent)
    : InputPage(QStringLiteral("用户资料："), parent), registrar_(registrar) {
    setObjectName(QStringLiteral("registerStep2"));
    // Read-only rather than disabled, so that it can take the focus and show its help.
    QLineEdit* type = AddInput(Input::UserType, QStringLiteral("用户类型："));
    type->setText(QStringLiteral("免费用户  [5M]"));
    type->setReadOnly(true);
    AddInput(Input::Phone, QStringLiteral("电话号码："));
    AddInput(Input::Fax, QStringLiteral("传真号码："));
    AddInput(Input::Videophone, QStringLiteral("网电号码"));
    AddInput(Input::Mobile, QStringLiteral("手机号码："));
    AddInput(Input::WebAddress, QStringLiteral("网址："));
    setSubTitle(QStringLiteral("注：本页内容可以不填"));
}

bool Step2Page::validatePage() {
    WriteStep2(registrar_.Profile(), {Text(Input::Phone), Text(Input::Fax), Text(Input::Videophone),
                                      Text(Input::Mobile), Text(Input::WebAddress)});
    return true;
}

Step3Page::Step3Page(Registrar& registrar, QWidget* parent)
    : InputPage(QStringLiteral("用户资料："), parent), registrar_(registrar) {
    setObjectName(QStringLiteral("registerStep3"));
    AddInput(Input::Company, QStringLiteral("单位名称："));
    AddInput(Input::CountryName, QStringLiteral("国家名称："));
    AddInput(Input::Province, QStringLiteral("省份名称："));
    AddInput(Input::Address, QStringLiteral("所在地址："));
    AddInput(Input::PostCode, QStringLiteral("邮政编码："));
    AddInput(Input::Occupation, QStringLiteral("从事行业："));
    setSubTitle(QStringLiteral("注：本页内容可以不填"));
}

bool Step3Page::validatePage() {
    WriteStep3(registrar_.Profile(),
               {Text(Input::Company), Text(Input::CountryName), Text(Input::Province),
                Text(Input::Address), Text(Input::PostCode), Text(Input::Occupation)});
    return true;
}

}  // namespace registration

RegistrationWizard::RegistrationWizard(Registrar& registrar, MessageBoxes& boxes, QWidget* parent)
    : QWizard(parent), registrar_(registrar) {
    setObjectName(QStringLiteral("registrationWizard"));
    setWindowTitle(QStringLiteral("Tessan用户注册向导"));
    UseDialogFrame(*this);
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoBackButtonOnStartPage);
    setButtonText(QWizard::BackButton, QStringLiteral("< 上一步"));
    setButtonText(QWizard::NextButton, QStringLiteral("下一步 >"));
    setButtonText(QWizard::FinishButton, QStringLiteral("完成"));
    setButtonText(QWizard::CancelButton, QStringLiteral("取消"));
    setPage(kStep1, new registration::Step1Page(registrar, boxes, this));
    setPage(kStep2, new registration::Step2Page(registrar, this));
    setPage(kStep3, new registration::Step3Page(registrar, this));
    // The whole of every page, even where Qt would keep a new window to part of a small screen.
    resize(sizeHint());
}

void RegistrationWizard::Prepare() {
    registrar_.Begin();
    restart();
}

int RegistrationWizard::Run() {
    Prepare();
    return exec();
}

void RegistrationWizard::done(int result) {
    if (result != Accepted) return QWizard::done(result);
    // The last page writes its fields when it is validated, before anything is sent.
    if (!validateCurrentPage()) return;
    registrar_.Submit();
    // Whatever the outcome, the wizard ends; the typed values stay for another attempt.
    QDialog::done(result);
}

}  // namespace tessan
