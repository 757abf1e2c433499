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

#include <array>

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
    controller_ = std::make_unique<RechargeController>(
        line, boxes, resolver, session.AppDir(),
        [&session](const QString& text, bool error) { session.ShowNotice(text, error); }, timers,
        timing.answerTimeoutMs);
    RechargeController::Form& form = controller_->CurrentForm();
    connect(controller_.get(), &RechargeController::formChanged, this, &RechargeDialog::Render);
    connect(first_, &QLineEdit::textChanged, this, [&form](const QString& t) { form.first = t; });
    connect(second_, &QLineEdit::textChanged, this, [&form](const QString& t) { form.second = t; });
    connect(&line, &RechargeLine::cardAnswer, this,
            [this](const Reply& reply) { controller_->OnCardAnswer(reply); });
    connect(&line, &RechargeLine::lost, this, [this] { controller_->OnConnectionLost(); });

    connect(action_, &QPushButton::clicked, this, [this] { controller_->Act(); });
    connect(cancel, &ImageButton::clicked, this, &RechargeDialog::reject);
    // Only the user's choice shows its period; the program's preselection does not.
    connect(cardTypes_, &QComboBox::currentIndexChanged, this,
            [&form](int index) { form.cardType = index; });
    connect(cardTypes_, &QComboBox::activated, this,
            [this](int index) { period_->setText(RechargeController::ServicePeriod(index)); });

    controller_->Open(accountNumber);
}

RechargeDialog::~RechargeDialog() = default;

void RechargeDialog::reject() {
    controller_->Cancel();
    QDialog::reject();
}

void RechargeDialog::Render() {
    using Focus = RechargeController::Focus;
    RechargeController::Form& form = controller_->CurrentForm();
    // What the user typed is in the form already: only the rules' own changes reach the boxes.
    if (first_->text() != form.first) first_->setText(form.first);
    if (second_->text() != form.second) second_->setText(form.second);
    firstLabel_->setText(form.firstLabel);
    secondLabel_->setText(form.secondLabel);
    action_->setText(form.action);
    action_->setEnabled(form.actionEnabled);
    typeOrStatus_->setCurrentIndex(form.cardTypesShown ? kCardTypePage : kStatusPage);
    cardTypes_->setEnabled(form.cardTypesEnabled);
    cardTypes_->setCurrentIndex(form.cardType);
    status_->setText(form.status);
    const std::array<QWidget*, 4> focus{nullptr, first_, second_, cardTypes_};
    if (QWidget* next = focus[static_cast<std::size_t>(std::exchange(form.focus, Focus::None))])
        next->setFocus();
    if (form.closed) accept();
}

}  // namespace tessan
