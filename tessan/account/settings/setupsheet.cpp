#include "account/settings/setupsheet.h"

#include "account/fieldedit.h"
#include "look/imagebutton.h"

#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

namespace tessan {

namespace {

// Object names of the profile boxes, in ProfileBox order.
constexpr std::array<const char16_t*, kProfileBoxCount> kBoxNames = {
    u"numberBox",   u"typeBox",       u"publicKeyBox",  u"privateKeyBox", u"confirmationBox",
    u"nameBox",     u"companyBox",    u"countryBox",    u"phoneBox",      u"provinceBox",
    u"faxBox",      u"mobileBox",     u"videophoneBox", u"webAddressBox", u"postalAddressBox",
    u"postCodeBox", u"occupationBox",
};

}  // namespace

CSetupPage1::CSetupPage1(ProfileSettings& settings, QWidget* parent)
    : QWidget(parent),
      settings_(settings),
      save_(new ImageButton(QStringLiteral("保存"), this)),
      notice_(new ImageButton(QStringLiteral("发送公钥给所有好友"), this)) {
    setObjectName(QStringLiteral("profilePage"));
    auto* group = new QGroupBox(QStringLiteral("参数设置"), this);
    auto* grid = new QGridLayout(group);
    int index = 0;
    for (const ProfileBoxSpec& spec : ProfileBoxSpecs()) {
        auto* box = new QLineEdit(group);
        box->setObjectName(QString::fromUtf16(kBoxNames[static_cast<std::size_t>(spec.box)]));
        box->setReadOnly(spec.readOnly);
        box->setAccessibleName(QString::fromUtf16(spec.label).remove(u' '));
        if (spec.password) box->setEchoMode(QLineEdit::Password);
        if (!spec.readOnly) FieldEdit::Attach(box, spec.limit, spec.digitsAndDashes);
        boxes_[static_cast<std::size_t>(spec.box)] = box;
        auto* label = new QLabel(QString::fromUtf16(spec.label), group);
        label->setBuddy(box);
        grid->addWidget(label, index / 2, (index % 2) * 2);
        grid->addWidget(box, index / 2, (index % 2) * 2 + 1);
        ++index;
    }
    save_->setObjectName(QStringLiteral("saveButton"));
    notice_->setObjectName(QStringLiteral("noticeButton"));
    notice_->setEnabled(settings_.NoticeEnabled());
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(notice_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    layout->addStretch();

    connect(save_, &QPushButton::clicked, this, &CSetupPage1::Save);
    connect(notice_, &QPushButton::clicked, this,
            [this] { settings_.SendKeyNotice(QDateTime::currentDateTime()); });
    connect(&settings_, &ProfileSettings::noticeEnabledChanged, notice_, &QWidget::setEnabled);
}

void CSetupPage1::Activate() {
    const auto values = settings_.ValuesToShow();
    if (!values) return;
    for (const ProfileBoxSpec& spec : ProfileBoxSpecs())
        Box(spec.box)->setText(At(*values, spec.box));
}

void CSetupPage1::Save() {
    ProfileValues values;
    for (const ProfileBoxSpec& spec : ProfileBoxSpecs())
        At(values, spec.box) = Box(spec.box)->text();
    if (const auto focus = settings_.Save(values)) Box(*focus)->setFocus();
}

LogPage::LogPage(TransferLog log, QString appDir, const AccountText& currentAccount,
                 QWidget* parent)
    : QWidget(parent),
      log_(log),
      appDir_(std::move(appDir)),
      currentAccount_(currentAccount),
      text_(new QPlainTextEdit(this)) {
    const bool send = log == TransferLog::Send;
    setObjectName(send ? QStringLiteral("sendLogPage") : QStringLiteral("receiveLogPage"));
    text_->setObjectName(QStringLiteral("logText"));
    text_->setAccessibleName(send ? QStringLiteral("发送日志") : QStringLiteral("接收日志"));
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* save = new ImageButton(QStringLiteral("保存"), this);
    save->setObjectName(QStringLiteral("saveButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addLayout(buttons);
    connect(save, &QPushButton::clicked, this, &LogPage::Save);
}

QString LogPage::Path() const {
    // An account number that would name a file outside the log folder has no log.
    const QByteArray account = currentAccount_.Bytes();
    if (account.isEmpty() || account.contains('/') || account.contains('\\')) return {};
    return TransferLogPath(appDir_, account, log_);
}

void LogPage::Activate() {
    if (Path().isEmpty()) return;
    document_.Load(Path());
    text_->setPlainText(document_.Text());
    text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
}

void LogPage::Save() {
    if (Path().isEmpty()) return;
    document_.Save(Path(), text_->toPlainText());
}

CSetupSheet::CSetupSheet(ProfileSettings& settings, const QString& appDir,
                         const AccountText& currentAccount, QWidget* parent)
    : QTabWidget(parent),
      profile_(new CSetupPage1(settings, this)),
      sendLog_(new CSetupPage2(appDir, currentAccount, this)),
      receiveLog_(new CSetupPage3(appDir, currentAccount, this)) {
    setObjectName(QStringLiteral("setupSheet"));
    setWindowTitle(QStringLiteral("系统设置"));
    addTab(profile_, QStringLiteral(" 用户资料修改"));
    addTab(sendLog_, QStringLiteral(" Tessan发送日志 "));
    addTab(receiveLog_, QStringLiteral(" Tessan接收日志 "));
    connect(this, &QTabWidget::currentChanged, this, &CSetupSheet::Activate);
}

void CSetupSheet::Activate() {
    if (currentWidget() == profile_)
        profile_->Activate();
    else if (auto* log = qobject_cast<LogPage*>(currentWidget()))
        log->Activate();
}

void CSetupSheet::ShowProfile() {
    if (currentWidget() == profile_)
        profile_->Activate();
    else
        setCurrentWidget(profile_);  // refills through currentChanged
}

}  // namespace tessan
