#include "account/recharge/rechargedialog.h"

#include "core/session/clientsession.h"
#include "look/imagebutton.h"
#include "look/look.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tessan {

namespace {
constexpr int kStatusPage = 0;
constexpr int kCardTypePage = 1;
}  // namespace

RechargeDialog::RechargeDialog(ClientSession& session, RechargeLine& line, MessageBoxes& boxes,
                               HostResolver& resolver, const QByteArray& accountNumber,
                               Timing timing, QWidget* parent)
    : QDialog(parent),
      firstLabel_(new QLabel(QStringLiteral("输入Tessan号码："), this)),
      first_(new QLineEdit(this)),
      secondLabel_(new QLabel(QStringLiteral("确认Tessan号码："), this)),
      second_(new QLineEdit(this)),
      typeOrStatus_(new QStackedWidget(this)),
      cardTypes_(new QComboBox(this)),
      period_(new QLabel(this)),
      status_(new QLabel(this)),
      action_(new ImageButton(QStringLiteral("充值"), this)) {
    setObjectName(QStringLiteral("rechargeDialog"));
    setWindowTitle(QStringLiteral("帐号充值"));
    UseDialogFrame(*this);
    first_->setObjectName(QStringLiteral("firstBox"));
    second_->setObjectName(QStringLiteral("secondBox"));
    first_->setMaxLength(RechargeController::kMaxInput);
    second_->setMaxLength(RechargeController::kMaxInput);
    firstLabel_->setBuddy(first_);
    secondLabel_->setBuddy(second_);
    cardTypes_->setObjectName(QStringLiteral("cardTypes"));
    cardTypes_->addItems(RechargeController::kCardTypes);
    cardTypes_->setCurrentIndex(-1);
    period_->setObjectName(QStringLiteral("servicePeriod"));
    status_->setObjectName(QStringLiteral("statusLine"));
    // Names the server by what serverlist.ini or the resolver said: never markup.
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    action_->setObjectName(QStringLiteral("actionButton"));
    action_->setDefault(true);
    action_->SetColours(ButtonColours::Accent());
    auto* cancel = new ImageButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));

    // The status line stands where the card type will be, until the type is asked for.
    auto* typeRow = new QWidget(this);
    auto* typeLayout = new QHBoxLayout(typeRow);
    typeLayout->setContentsMargins(0, 0, 0, 0);
    auto* typeLabel = new QLabel(QStringLiteral("充值的类型："), typeRow);
    typeLabel->setBuddy(cardTypes_);
    typeLayout->addWidget(typeLabel);
    typeLayout->addWidget(cardTypes_, 1);
    typeOrStatus_->insertWidget(kStatusPage, status_);
    typeOrStatus_->insertWidget(kCardTypePage, typeRow);

    auto* grid = new QGridLayout;
    grid->addWidget(firstLabel_, 0, 0);
    grid->addWidget(first_, 0, 1);
    grid->addWidget(secondLabel_, 1, 0);
    grid->addWidget(second_, 1, 1);
    grid->addWidget(typeOrStatus_, 2, 0, 1, 2);
    grid->addWidget(period_, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(action_);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    const TimerFactory timers = timing.timers ? timing.timers : QtTimers(this);
    RechargeView& view = *this;
    controller_ = std::make_unique<RechargeController>(
        line, boxes, resolver, session.AppDir(), view,
        [&session](const QString& text, bool error) { session.ShowNotice(text, error); }, timers,
        timing.answerTimeoutMs);
    connect(&line, &RechargeLine::cardAnswer, this,
            [this](const Reply& reply) { controller_->OnCardAnswer(reply); });
    connect(&line, &RechargeLine::lost, this, [this] { controller_->OnConnectionLost(); });

    connect(action_, &QPushButton::clicked, this, [this] { controller_->Act(); });
    connect(cancel, &ImageButton::clicked, this, &RechargeDialog::reject);
    // Only the user's choice shows its period; the program's preselection does not.
    connect(cardTypes_, &QComboBox::activated, this,
            [this](int index) { period_->setText(RechargeController::ServicePeriod(index)); });

    controller_->Open(accountNumber);
}

RechargeDialog::~RechargeDialog() = default;

void RechargeDialog::reject() {
    controller_->Cancel();
    QDialog::reject();
}

QString RechargeDialog::FirstText() const {
    return first_->text();
}
QString RechargeDialog::SecondText() const {
    return second_->text();
}
void RechargeDialog::SetFirstText(const QString& text) {
    first_->setText(text);
}
void RechargeDialog::SetSecondText(const QString& text) {
    second_->setText(text);
}
void RechargeDialog::SetLabels(const QString& first, const QString& second) {
    firstLabel_->setText(first);
    secondLabel_->setText(second);
}
void RechargeDialog::SetActionText(const QString& text) {
    action_->setText(text);
}
void RechargeDialog::SetActionEnabled(bool enabled) {
    action_->setEnabled(enabled);
}
void RechargeDialog::ShowStatusLine() {
    typeOrStatus_->setCurrentIndex(kStatusPage);
}
void RechargeDialog::ShowCardTypes(bool enabled) {
    cardTypes_->setEnabled(enabled);
    typeOrStatus_->setCurrentIndex(kCardTypePage);
}
void RechargeDialog::SetStatus(const QString& text) {
    status_->setText(text);
}
void RechargeDialog::SelectCardType(int index) {
    cardTypes_->setCurrentIndex(index);
}
int RechargeDialog::SelectedCardType() const {
    return cardTypes_->currentIndex();
}
void RechargeDialog::FocusFirst() {
    first_->setFocus();
}
void RechargeDialog::FocusSecond() {
    second_->setFocus();
}
void RechargeDialog::FocusCardTypes() {
    cardTypes_->setFocus();
}
void RechargeDialog::Close() {
    accept();
}

}  // namespace tessan
