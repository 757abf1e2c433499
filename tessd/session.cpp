#include "session.h"

#include <cstdio>
#include <iostream>
#include <mutex>

#include "text.h"

namespace tessd {

using namespace tessnet;

void LogLine(std::string_view line) {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    std::cerr << "tessd: " << line << '\n';
}

Session::Session(Store& store, const ServerHooks& hooks, RemoteLookup remoteLookup, Sink sink,
                 std::string peer)
    : store_(store),
      hooks_(hooks),
      remoteLookup_(std::move(remoteLookup)),
      sink_(std::move(sink)),
      peer_(std::move(peer)) {}

bool Session::Send(std::uint8_t command, const Bytes& payload, std::uint32_t pieceCount,
                   std::uint32_t pieceNumber) {
    return sink_(command, payload, pieceCount, pieceNumber);
}

bool Session::SendRecords(std::uint8_t command, const Bytes& records, std::size_t recordSize) {
    const std::size_t perPacket = (kMaxRawPayload / recordSize) * recordSize;
    for (std::size_t at = 0; at < records.size(); at += perPacket) {
        const std::size_t n = std::min(perPacket, records.size() - at);
        if (!Send(command, Bytes(records.begin() + static_cast<std::ptrdiff_t>(at),
                                 records.begin() + static_cast<std::ptrdiff_t>(at + n))))
            return false;
    }
    return true;
}

bool Session::Handle(const Packet& packet) {
    const Bytes& b = packet.payload;
    const std::uint8_t command = packet.header.command;
    note_.clear();
    bool keep = true;
    switch (command) {
        case CMD_LOGIN:
            keep = Login(b);
            break;
        case CMD_REGISTER:
            keep = Register(b);
            break;
        case CMD_LIST:
            keep = List();
            break;
        case CMD_DOWNLOAD:
            keep = Download(b);
            break;
        case CMD_ANNOUNCE:
            keep = Announce(b);
            break;
        case CMD_CHUNK:
            keep = Chunk(b);
            break;
        case CMD_DELETE:
            keep = Delete(b);
            break;
        case CMD_ADD_FRIEND:
            keep = AddFriend(b);
            break;
        case CMD_DEL_FRIEND:
            keep = DelFriend(b);
            break;
        case CMD_MODIFY_FRIEND:
            keep = ModifyFriend(b);
            break;
        case CMD_MODIFY_USER:
            keep = ModifyUser(b);
            break;
        case CMD_OWN_PROFILE:
            keep = PublicProfile();
            break;
        case CMD_CARD_QUERY:
            keep = CardQuery(b);
            break;
        case CMD_RECHARGE:
            keep = Recharge(b);
            break;
        case CMD_CONFIG_REQUEST:
            keep = ConfigFile(b);
            break;
        default:
            note_ = "ignored";
            break;
    }
    // Chunks log only when they start or end a file, not once per 7848 bytes.
    if (!note_.empty())
        LogLine(peer_ + " [" + (account_.empty() ? "-" : account_) + "] cmd " +
                std::to_string(command) + ": " + note_);
    return keep;
}

bool Session::RequireOwner() {
    if (role_ == Role::Owner) return true;
    note_ = role_ == Role::None ? "refused, not logged in" : "refused, sender session";
    return false;
}

std::string NotAllowedText(Session::Role role) {
    return Gbk(role == Session::Role::None ? "请先登录服务器!" : "没有操作权限!");
}

bool Session::Login(const Bytes& b) {
    const LoginRequest req = LoginRequest::Decode(b.data(), b.size());
    role_ = Role::None;
    account_.clear();
    pending_.clear();
    active_.reset();

    if (hooks_.upgradeNotice) {
        note_ = "login " + req.account + " refused for upgrade";
        return Send(CMD_LOGIN_RESULT, StatusReply(0, "-1025" + *hooks_.upgradeNotice));
    }
    const auto profile = store_.FindAccount(req.account);
    if (!profile) {
        note_ = "login " + req.account + " refused, no such account";
        return Send(CMD_LOGIN_RESULT, StatusReply(0, Gbk("用户不存在!")));
    }
    if (!req.key.empty() && req.key == profile->PrivateKey()) {
        role_ = Role::Owner;
    } else if (!req.key.empty() && req.key == profile->PublicKey()) {
        role_ = Role::Sender;
    } else {
        note_ = "login " + req.account + " refused, wrong key";
        return Send(CMD_LOGIN_RESULT, StatusReply(0, Gbk("密码错误!")));
    }
    account_ = req.account;
    note_ = role_ == Role::Owner ? "login as owner" : "login as sender";
    if (!Send(CMD_LOGIN_RESULT, StatusReply(1, Gbk("登录成功!")))) return false;
    if (role_ != Role::Owner) return true;

    if (!Send(CMD_OWN_PROFILE, Bytes(profile->data(), profile->data() + UserProfile::kSize)) ||
        !SendAddressBook())
        return false;
    if (hooks_.paymentReminder &&
        !Send(CMD_PAYMENT_REMINDER, StatusReply(0, *hooks_.paymentReminder)))
        return false;
    if (hooks_.notice && !Send(CMD_NOTICE, StatusReply(1, *hooks_.notice))) return false;
    if (hooks_.serverData && !hooks_.serverData->empty() &&
        !Send(CMD_SERVER_DATA, Bytes(hooks_.serverData->begin(), hooks_.serverData->end())))
        return false;
    return true;
}

bool Session::Register(const Bytes& b) {
    // The server closes a registration connection after its answer, whatever the outcome.
    auto refuse = [&](const char* why, const char* text) {
        note_ = std::string("register refused, ") + why;
        Send(CMD_REGISTER_RESULT, StatusReply(0, Gbk(text)));
        return false;
    };
    if (b.size() <= kRegisterProfileOffset) return refuse("short request", "注册信息不完整!");
    UserProfile profile = UserProfile::FromBytes(b.data() + kRegisterProfileOffset,
                                                 b.size() - kRegisterProfileOffset);
    const std::string number = profile.Number();
    if (!IsRegistrableNumber(number)) return refuse("malformed number", "Tessan号码格式错误!");
    if (profile.Name().empty()) return refuse("no name", "请输入正确的用户名称!");
    if (profile.PublicKey().empty() || profile.PrivateKey().empty())
        return refuse("empty key", "公钥和私钥不能为空!");
    if (profile.PublicKey() == profile.PrivateKey())
        return refuse("keys equal", "私钥不能和公钥相同!");
    profile.SetUserType('0');
    if (!store_.CreateAccount(profile)) return refuse("number exists", "该Tessan号码已经被注册!");
    note_ = "registered " + number;
    Send(CMD_REGISTER_RESULT, StatusReply(1, Gbk("注册成功!")));
    return false;
}

Bytes Session::AddressBookEntry(const FriendEntry& entry) {
    UserProfile record;
    if (auto profile = store_.FindPublicProfile(entry.number)) record = *profile;
    record.SetNumber(entry.number);
    record.SetPublicKey(entry.key);
    return Bytes(record.data(), record.data() + UserProfile::kSize);
}

bool Session::SendAddressBook() {
    Bytes records;
    for (const FriendEntry& entry : store_.Friends(account_)) {
        const Bytes one = AddressBookEntry(entry);
        records.insert(records.end(), one.begin(), one.end());
    }
    return SendRecords(CMD_ADDRESS_BOOK, records, UserProfile::kSize);
}

Session::KeyCheck Session::CheckFriendKey(const std::string& number, const std::string& key) {
    if (key.empty()) return KeyCheck::Wrong;
    if (const auto profile = store_.FindAccount(number))
        return profile->PublicKey() == key ? KeyCheck::Valid : KeyCheck::Wrong;
    if (!remoteLookup_) return KeyCheck::Unknown;
    const RemoteAccount remote = remoteLookup_(number, key);
    if (remote.answer != RemoteAccount::Answer::KeyAccepted) return KeyCheck::Unknown;
    if (remote.profile) store_.PutRemoteProfile(*remote.profile);
    return KeyCheck::Valid;
}

bool Session::AddFriend(const Bytes& b) {
    const FriendRecord req = FriendRecord::Decode(b.data(), b.size());
    auto answer = [&](std::uint8_t status, const char* text) {
        return Send(CMD_ADD_FRIEND_RESULT, FriendReply(status, req.friendNumber, "", Gbk(text)));
    };
    if (!RequireOwner())
        return Send(CMD_ADD_FRIEND_RESULT,
                    FriendReply(0, req.friendNumber, "", NotAllowedText(role_)));
    note_ = "add friend " + req.friendNumber;
    if (!req.owner.empty() && req.owner != account_) {
        note_ += " refused, record names another owner";
        return answer(0, "不能修改其他用户的地址簿!");
    }
    if (req.friendNumber == account_) {
        note_ += " refused, own number";
        return answer(0, "不用添加自己为好友!");
    }
    if (!IsAccountNumber(req.friendNumber) || req.friendKey.empty()) {
        note_ += " refused, malformed";
        return answer(0, "好友号码或公钥格式错误!");
    }
    switch (CheckFriendKey(req.friendNumber, req.friendKey)) {
        case KeyCheck::Valid:
            break;
        case KeyCheck::Wrong:
            note_ += " refused, wrong key";
            return answer(0, "公钥不正确，不能添加该好友!");
        case KeyCheck::Unknown:
            note_ += " refused, unknown or wrong key";
            return answer(0, "该用户不存在或公钥不正确!");
    }
    if (!store_.PutFriend(account_, req.friendNumber, req.friendKey)) {
        note_ += " failed";
        return answer(0, "添加好友失败!");
    }
    note_ += " ok";
    return answer(1, "添加好友成功!") &&
           Send(CMD_ADDRESS_BOOK, AddressBookEntry({req.friendNumber, req.friendKey}));
}

bool Session::DelFriend(const Bytes& b) {
    const FriendRecord req = FriendRecord::Decode(b.data(), b.size());
    if (!RequireOwner())
        return Send(CMD_DEL_FRIEND_RESULT,
                    FriendReply(0, req.friendNumber, "", NotAllowedText(role_)));
    note_ = "delete friend " + req.friendNumber;
    const bool ok = store_.RemoveFriend(account_, req.friendNumber);
    note_ += ok ? " ok" : " refused, not in the address book";
    return Send(CMD_DEL_FRIEND_RESULT,
                FriendReply(ok ? 1 : 0, req.friendNumber, "",
                            Gbk(ok ? "删除好友成功!" : "地址簿中没有该好友!")));
}

bool Session::ModifyFriend(const Bytes& b) {
    const FriendRecord req = FriendRecord::Decode(b.data(), b.size());
    auto answer = [&](std::uint8_t status, const char* text) {
        return Send(CMD_MODIFY_FRIEND_RESULT,
                    FriendReply(status, req.friendNumber, req.friendKey, Gbk(text)));
    };
    if (!RequireOwner())
        return Send(CMD_MODIFY_FRIEND_RESULT,
                    FriendReply(0, req.friendNumber, req.friendKey, NotAllowedText(role_)));
    note_ = "change friend " + req.friendNumber;
    if (!req.owner.empty() && req.owner != account_) {
        note_ += " refused, record names another owner";
        return answer(0, "不能修改其他用户的地址簿!");
    }
    if (!store_.HasFriend(account_, req.friendNumber)) {
        note_ += " refused, not in the address book";
        return answer(0, "地址簿中没有该好友!");
    }
    // The new key must be the friend's real one, as when the friend was added.
    const bool keyOk = CheckFriendKey(req.friendNumber, req.friendKey) == KeyCheck::Valid;
    if (!keyOk) {
        note_ += " refused, wrong key";
        return answer(0, "公钥不正确，修改失败!");
    }
    if (!store_.PutFriend(account_, req.friendNumber, req.friendKey)) {
        note_ += " failed";
        return answer(0, "修改好友失败!");
    }
    note_ += " ok";
    return answer(1, "修改好友公钥成功!");
}

bool Session::ModifyUser(const Bytes& b) {
    if (!RequireOwner()) return Send(CMD_MODIFY_USER_RESULT, StatusReply(0, NotAllowedText(role_)));
    const UserProfile profile = UserProfile::FromBytes(b.data(), b.size());
    auto answer = [&](std::uint8_t status, const char* text) {
        return Send(CMD_MODIFY_USER_RESULT, StatusReply(status, Gbk(text)));
    };
    note_ = "change profile";
    if (profile.Number() != account_) {
        note_ += " refused, record names " + profile.Number();
        return answer(0, "不能修改其他用户的资料!");
    }
    if (profile.PublicKey().empty() || profile.PrivateKey().empty()) {
        note_ += " refused, empty key";
        return answer(0, "公钥和私钥不能为空!");
    }
    if (profile.PublicKey() == profile.PrivateKey()) {
        note_ += " refused, keys equal";
        return answer(0, "私钥和公钥不能相同，请修改!");
    }
    if (!store_.UpdateProfile(profile)) {
        note_ += " failed";
        return answer(0, "修改用户资料失败!");
    }
    note_ += " ok";
    if (!answer(1, "修改用户资料成功!")) return false;
    // The client keeps the own profile only as the server sends it: the stored record, user type
    // included, replaces its copy.
    const auto stored = store_.FindAccount(account_);
    return !stored ||
           Send(CMD_OWN_PROFILE, Bytes(stored->data(), stored->data() + UserProfile::kSize));
}

// Lets a server whose user adds this account as a friend show its name: whoever knows the public
// key may see what friends see. Without a login the request is ignored like an unknown one.
bool Session::PublicProfile() {
    if (role_ == Role::None) {
        note_ = "profile request ignored, not logged in";
        return true;
    }
    const auto profile = store_.FindPublicProfile(account_);
    if (!profile) return true;
    note_ = "public profile sent";
    return Send(CMD_OWN_PROFILE, Bytes(profile->data(), profile->data() + UserProfile::kSize));
}

bool Session::CardQuery(const Bytes& b) {
    const Bytes q = PaddedCopy(b.data(), b.size(), RechargeRequest::kQuerySize);
    const std::string number = ReadText(q.data(), kKeyWidth);
    const auto profile = store_.FindAccount(number);
    // A paid tier can only be renewed with a card of the same tier; a free account chooses.
    char verdict = '9';
    if (profile) {
        const char type = profile->UserType();
        verdict = (type >= '1' && type <= '3') ? type : '0';
    }
    note_ = "card query " + number + ": " + verdict;
    return Send(CMD_CARD_ANSWER, Bytes{static_cast<std::uint8_t>(verdict)});
}

bool Session::Recharge(const Bytes& b) {
    const RechargeRequest req = RechargeRequest::Decode(b.data(), b.size());
    note_ = "recharge " + req.number + " card " + req.cardNumber;
    auto answer = [&](std::uint8_t status, const std::string& gbkText, const char* why) {
        note_ += why;
        return Send(CMD_NOTICE, StatusReply(status, gbkText));
    };
    if (req.cardType < '1' || req.cardType > '3')
        return answer(0, Gbk("请选择充值类型!"), " refused, no card type");
    const auto profile = store_.FindAccount(req.number);
    if (!profile) return answer(0, Gbk("无此用户，无法进行充值!"), " refused, no account");
    const char tier = profile->UserType();
    if (tier >= '1' && tier <= '3' && tier != req.cardType)
        return answer(0, Gbk("该帐号只能用同类型的充值卡续费!"), " refused, other tier");
    switch (store_.Recharge(req.number, req.cardType, req.cardNumber, req.cardPassword)) {
        case RechargeResult::Ok:
            return answer(1, Gbk("充值成功! 帐号:") + req.number + Gbk(" 的空间已经升级."), " ok");
        case RechargeResult::NoAccount:
            return answer(0, Gbk("无此用户，无法进行充值!"), " refused, no account");
        case RechargeResult::BadCard:
            return answer(0, Gbk("充值卡号或密码错误!"), " refused, bad card");
        case RechargeResult::CardUsed:
            return answer(0, Gbk("该充值卡已经使用过!"), " refused, card used");
        case RechargeResult::WrongType:
            return answer(0, Gbk("充值卡类型不符!"), " refused, card type");
        case RechargeResult::Failed:
            break;
    }
    return answer(0, Gbk("充值失败，请稍后再试!"), " failed");
}

}  // namespace tessd
