#include "core/login/logindialog.h"

#include "core/base/gbkvalidator.h"
#include "core/base/messageboxes.h"
#include "core/login/loginstate.h"
#include "core/session/clientsession.h"
#include "look/banner.h"
#include "look/imagebutton.h"
#include "look/look.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessan {

namespace {

QPushButton* Button(const QString& text, const char* name, QWidget* parent,
                    const ButtonColours& colours = ButtonColours::Standard()) {
    auto* button = new ImageButton(text, parent);
    button->SetColours(colours);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

}  // namespace

LoginDialog::LoginDialog(ClientSession& session, LoginState& login, MessageBoxes& boxes,
                         HostResolver& resolver, LoginController::StartProgram startProgram,
                         QWidget* parent)
    : QDialog(parent),
      boxes_(boxes),
      number_(new QComboBox(this)),
      key_(new QLineEdit(this)),
      rememberKey_(new QCheckBox(QStringLiteral("记住密码"), this)),
      login_(Button(QStringLiteral("登录"), "loginButton", this, ButtonColours::Accent())) {
    setObjectName(QStringLiteral("loginDialog"));
    setWindowTitle(QStringLiteral("登录Tessan系统"));
    UseDialogFrame(*this);

    number_->setObjectName(QStringLiteral("numberBox"));
    number_->setEditable(true);
    number_->setInsertPolicy(QComboBox::NoInsert);
    number_->lineEdit()->setMaxLength(LoginController::kMaxInput);
    number_->lineEdit()->setValidator(new GbkLengthValidator(LoginController::kMaxInput, this));
    key_->setObjectName(QStringLiteral("keyBox"));
    key_->setEchoMode(QLineEdit::Password);
    key_->setMaxLength(LoginController::kMaxInput);
    key_->setValidator(new GbkLengthValidator(LoginController::kMaxInput, this));
    rememberKey_->setObjectName(QStringLiteral("rememberKey"));
    auto* numberLabel = new QLabel(QStringLiteral("号码："), this);
    numberLabel->setBuddy(number_);
    auto* keyLabel = new QLabel(QStringLiteral("私钥："), this);
    keyLabel->setBuddy(key_);
    number_->setAccessibleName(QStringLiteral("号码"));
    key_->setAccessibleName(QStringLiteral("私钥"));

    login_->setDefault(true);
    auto* cancel = Button(QStringLiteral("取消"), "cancelButton", this);
    auto* registration = Button(QStringLiteral("注册"), "registerButton", this);
    auto* clear = Button(QStringLiteral("清除"), "clearButton", this);
    auto* recharge = Button(QStringLiteral("充值"), "rechargeButton", this);

    auto* fieldsGrid = new QGridLayout;
    fieldsGrid->addWidget(numberLabel, 0, 0);
    fieldsGrid->addWidget(number_, 0, 1);
    fieldsGrid->addWidget(clear, 0, 2);
    fieldsGrid->addWidget(keyLabel, 1, 0);
    fieldsGrid->addWidget(key_, 1, 1);
    fieldsGrid->addWidget(rememberKey_, 1, 2);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {login_, cancel, registration, recharge}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    // The advertisement "ad.gif" or "ad.png" from the program folder, else the bundled banner.
    layout->addWidget(new Banner(session.AppDir(), this));
    layout->addLayout(fieldsGrid);
    layout->addWidget(line);
    layout->addLayout(buttons);

    LoginView& view = *this;
    controller_ = std::make_unique<LoginController>(session, login, boxes, resolver, view,
                                                    std::move(startProgram), QtTimers(this));
    // Only a choice in the list shows a remembered login; typing a number does not.
    connect(number_, &QComboBox::activated, this, &LoginDialog::ShowRecord);

    connect(login_, &QPushButton::clicked, this, [this] { controller_->Login(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(clear, &QPushButton::clicked, this, [this] { controller_->ClearRemembered(); });
    const auto request = [this](void (LoginDialog::*signal)()) {
        if (isSignalConnected(QMetaMethod::fromSignal(signal)))
            (this->*signal)();
        else
            boxes_.Tell(QStringLiteral("此功能暂未开放!"));
    };
    connect(registration, &QPushButton::clicked, this,
            [request] { request(&LoginDialog::registerRequested); });
    connect(recharge, &QPushButton::clicked, this,
            [request] { request(&LoginDialog::rechargeRequested); });

    connect(&login, &LoginState::ownLoginResult, this,
            [this](const Reply& reply) { controller_->OnLoginReply(reply); });
    connect(&login, &LoginState::ownConnectFailed, this,
            [this] { controller_->OnConnectFailed(); });

    controller_->SetUp();
}

LoginDialog::~LoginDialog() {
    // Also restores the cursor of a lookup under way.
    controller_->Cancel();
}

void LoginDialog::done(int result) {
    controller_->Cancel();
    QDialog::done(result);
}

void LoginDialog::ShowRemembered(const RememberedLogins& logins) {
    number_->clear();
    for (int i = 0; i < logins.Count(); ++i)
        number_->addItem(GbkToQString(logins.Record(i).Number()));
    ShowRecord(logins.LastUsedIndex());
}

void LoginDialog::ShowRecord(int position) {
    const RememberedLogins& logins = controller_->Remembered();
    const bool known = position >= 0 && position < logins.Count();
    // A drop-down selects its first item by itself: shown is only the number chosen on purpose.
    number_->setCurrentIndex(known ? position : -1);
    rememberKey_->setChecked(known && logins.Record(position).HasPrivateKey());
    key_->setText(known ? GbkToQString(logins.Record(position).PrivateKey()) : QString());
}

QString LoginDialog::NumberText() const {
    return number_->currentText();
}
QString LoginDialog::KeyText() const {
    return key_->text();
}
bool LoginDialog::RememberKeyChecked() const {
    return rememberKey_->isChecked();
}
void LoginDialog::SetLoginEnabled(bool enabled) {
    login_->setEnabled(enabled);
}

void LoginDialog::SetConnecting(bool connecting) {
    // Opening the connection blocks this thread: paint the disabled button now, not after it.
    if (connecting) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        login_->repaint();
    } else {
        QGuiApplication::restoreOverrideCursor();
    }
}
void LoginDialog::FocusNumber() {
    number_->setFocus();
}
void LoginDialog::FocusKey() {
    key_->setFocus();
}

void LoginDialog::CloseAllForUpgrade() {
    QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
    emit upgradeAccepted();
}

}  // namespace tessan
