#include "account/recharge/rechargecontroller.h"

#include "account/fieldinput.h"
#include "account/recharge/rechargepackets.h"
#include "core/base/diagnostics.h"
#include "core/base/gbk.h"
#include "core/login/serverlist.h"

#include <optional>

namespace tessan {

namespace {

// The GBK form of a typed text, or nothing when it does not fit a 32-byte field.
std::optional<QByteArray> FitField(const QString& text) {
    QByteArray gbk = QStringToGbk(text);
    if (gbk.size() > RechargeController::kMaxInput) return std::nullopt;
    return gbk;
}

const QString kNext = QStringLiteral("下一步");
const QString kConfirm = QStringLiteral("确认");

}  // namespace

const QStringList RechargeController::kCardTypes{QStringLiteral("商务用户(100M)"),
                                                 QStringLiteral("高级用户(200M)"),
                                                 QStringLiteral("黄金用户(500M)")};

QString RechargeController::ServicePeriod(int index) {
    switch (index) {
        case 0:
            return QStringLiteral("服务12个月");
        case 1:
            return QStringLiteral("服务6个月");
        case 2:
            return QStringLiteral("服务3个月");
        default:
            return {};
    }
}

RechargeController::RechargeController(RechargeLine& line, MessageBoxes& boxes,
                                       HostResolver& resolver, QString appDir,
                                       ShowNotice showNotice, const TimerFactory& timers,
                                       int answerTimeoutMs, QObject* parent)
    : QObject(parent),
      line_(line),
      boxes_(boxes),
      appDir_(std::move(appDir)),
      showNotice_(std::move(showNotice)),
      answerTimer_(timers([this] { NoAnswer(); })),
      answerTimeoutMs_(answerTimeoutMs),
      lookup_(std::make_unique<ServerLookup>(resolver)) {}

RechargeController::~RechargeController() = default;

void RechargeController::Open(const QByteArray& accountNumber) {
    lookup_->Cancel();
    step_ = kAskNumber;
    verdict_ = '0';
    awaitingAnswer_ = false;
    ownsConnection_ = false;
    accountNumber_ = accountNumber;
    cardNumber_.clear();
    cardPassword_.clear();
    form_ = Form{};
    form_.first = form_.second = GbkToQString(accountNumber_);
    emit formChanged();
}

void RechargeController::Act() {
    switch (step_) {
        case kAskNumber:
            AskServer();
            break;
        case kAnswered:
            ShowAnswer();
            break;
        case kAskCard:
            TakeCard();
            break;
        default:
            form_.closed = true;
            break;
    }
    emit formChanged();
}

void RechargeController::AskServer() {
    form_.action = kNext;
    const QString first = form_.first;
    const QString second = form_.second;
    if (first.isEmpty()) {
        boxes_.Tell(QStringLiteral("请输入要充值的Tessan号码!"));
        form_.focus = Focus::First;
        return;
    }
    if (second.isEmpty()) {
        boxes_.Tell(QStringLiteral("请确认输入要充值的Tessan号码!"));
        form_.focus = Focus::Second;
        return;
    }
    const QString number = TrimTrailingSpaces(first);
    if (number != TrimTrailingSpaces(second)) {
        boxes_.Tell(QStringLiteral("两次输入的Tessan号码不一致，请确认后再次输入!"));
        form_.focus = Focus::First;
        return;
    }
    const QString invalid = QStringLiteral("无效格式的Tessan号码!参考格式:0086-123-1234567!");
    // A number too long for its field would reach the server cut; it cannot be an account.
    const std::optional<QByteArray> gbk = FitField(number);
    if (!gbk) {
        boxes_.Tell(invalid);
        return;
    }
    accountNumber_ = *gbk;
    QByteArray server;
    int port = kDefaultServerPort;
    if (ResolveServer(appDir_, accountNumber_.constData(), server, port) != 1) {
        boxes_.Tell(invalid);
        return;
    }
    // The number's connection is the login's: the user decides whether to interrupt it.
    if (line_.InterruptsLogin(accountNumber_) &&
        !boxes_.AskYesNo(
            QStringLiteral("帐号%1正在登录中，充值时登录将中断，充值结束后自动重新登录。"
                           "是否继续充值？")
                .arg(number),
            QStringLiteral("帐号充值")))
        return;
    form_.status = QStringLiteral("正在连接注册服务器，请稍侯...");
    form_.actionEnabled = false;
    // A host name is looked up in the background; the dialog stays responsive and can be left.
    lookup_->Find(server, [this, server, port](const LookupResult& found) {
        Query(server, port, found);
        emit formChanged();
    });
}

void RechargeController::Query(const QByteArray& server, int port, const LookupResult& found) {
    if (!found.Found()) {
        form_.actionEnabled = true;
        form_.status = LookupFailureText(server, found.error) + QLatin1Char('!');
        return;
    }
    server_ = server;
    port_ = port;
    ownsConnection_ = true;
    const int connected = line_.Open(found.address, port, accountNumber_);
    if (connected != 1) return ConnectFailed(connected);
    form_.status = QStringLiteral("已经连接到注册服务器，等待验证...");
    RechargeQuery query;
    query.SetNumber(accountNumber_);
    if (line_.Send(query.Payload(), command::kRechargeQuery) != 1) {
        form_.actionEnabled = true;
        form_.status = QStringLiteral("现在不能充值!");
        return;
    }
    awaitingAnswer_ = true;
    answerTimer_->Start(answerTimeoutMs_);
}

void RechargeController::ConnectFailed(int result) {
    answerTimer_->Stop();
    awaitingAnswer_ = false;
    form_.actionEnabled = true;
    form_.status = QStringLiteral("不能连接到服务器IP:%1,端口:%2!%3")
                       .arg(QString::fromLatin1(server_))
                       .arg(port_)
                       .arg(result);
}

void RechargeController::OnConnectionLost() {
    if (!awaitingAnswer_) return;
    ConnectFailed(0);
    emit formChanged();
}

void RechargeController::OnCardAnswer(const Reply& reply) {
    // Only the answer to this dialog's own query counts; a late one from an abandoned query is
    // dropped.
    if (!awaitingAnswer_ || reply.account != accountNumber_) {
        qCInfo(lcAccount, "card answer that no query of this dialog awaits, dropped");
        return;
    }
    awaitingAnswer_ = false;
    answerTimer_->Stop();
    verdict_ = reply.dataLength > 0 && !reply.data.isEmpty() ? reply.data.at(0) : '\0';
    step_ = kAnswered;
    ShowAnswer();
    emit formChanged();
}

void RechargeController::ShowAnswer() {
    form_.action = kConfirm;
    form_.actionEnabled = true;
    // '0': the user chooses the card type; '1' to '3' fix it.
    if (verdict_ >= '0' && verdict_ <= '3') {
        const bool choose = verdict_ == '0';
        form_.first.clear();
        form_.second.clear();
        form_.firstLabel =
            choose ? QStringLiteral("输入充值卡卡号:") : QStringLiteral("输入充值卡号:");
        form_.secondLabel =
            choose ? QStringLiteral("输入充值卡密码:") : QStringLiteral("输入充值密码:");
        form_.cardType = choose ? -1 : verdict_ - '1';
        form_.cardTypesShown = true;
        form_.cardTypesEnabled = choose;
        step_ = kAskCard;
        return;
    }
    form_.status = QStringLiteral("无此用户，无法进行充值!");
    step_ = kAskNumber;
}

void RechargeController::TakeCard() {
    const QString number = form_.first;
    if (number.isEmpty()) {
        boxes_.Tell(QStringLiteral("请输入充值卡号码!"));
        form_.focus = Focus::First;
        return;
    }
    const QString password = form_.second;
    if (password.isEmpty()) {
        boxes_.Tell(QStringLiteral("请输入充值卡密码!"));
        form_.focus = Focus::Second;
        return;
    }
    // A card number or password cut to its field would only be refused by the server.
    const std::optional<QByteArray> cardNumber = FitField(TrimTrailingSpaces(number));
    if (!cardNumber) {
        boxes_.Tell(QStringLiteral("充值卡号码太长!"));
        form_.focus = Focus::First;
        return;
    }
    const std::optional<QByteArray> cardPassword = FitField(TrimTrailingSpaces(password));
    if (!cardPassword) {
        boxes_.Tell(QStringLiteral("充值卡密码太长!"));
        form_.focus = Focus::Second;
        return;
    }
    cardNumber_ = *cardNumber;
    cardPassword_ = *cardPassword;
    const int type = form_.cardType;
    if (type < 0 || type >= kCardTypes.size()) {
        boxes_.Tell(QStringLiteral("请选择充值类型!"));
        form_.focus = Focus::CardTypes;
        return;
    }
    verdict_ = static_cast<char>('1' + type);
    RechargeRequest request;
    request.SetNumber(accountNumber_);
    request.SetCardType(verdict_);
    request.SetCardNumber(cardNumber_);
    request.SetCardPassword(cardPassword_);
    if (line_.Send(request.Payload(), command::kRechargeRequest) != 1) {
        showNotice_(QStringLiteral("未连接服务器!充值失败."), true);
        return;
    }
    // The line stays open: the server's result arrives on it as a notice.
    line_.AwaitVerdict();
    step_ = kRequestSent;
    form_.closed = true;
}

void RechargeController::NoAnswer() {
    answerTimer_->Stop();
    if (!awaitingAnswer_) return;
    awaitingAnswer_ = false;
    qCWarning(lcAccount, "no card answer within %d ms, connection closed", answerTimeoutMs_);
    // The server took the connection but says nothing: drop it, so that a later attempt starts
    // clean, and let the user try again or cancel.
    line_.Close();
    form_.actionEnabled = true;
    form_.status = QStringLiteral("服务器没有应答，现在不能充值!");
    emit formChanged();
}

void RechargeController::Cancel() {
    lookup_->Cancel();
    answerTimer_->Stop();
    awaitingAnswer_ = false;
    // Only a connection this dialog opened: an earlier dialog's request may still wait for its
    // verdict on the line.
    if (ownsConnection_) line_.Close();
}

}  // namespace tessan
