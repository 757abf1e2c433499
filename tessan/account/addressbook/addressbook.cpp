#include "account/addressbook/addressbook.h"

#include "account/fieldinput.h"
#include "core/base/gbk.h"
#include "core/login/loginstate.h"
#include "core/login/serverlist.h"
#include "core/records/friendrecord.h"
#include "core/records/usertype.h"

#include <algorithm>

namespace tessan {

namespace {

using F = UserProfile::Field;

}  // namespace

const std::array<DetailSpec, kDetailFieldCount>& DetailSpecs() {
    static const std::array<DetailSpec, kDetailFieldCount> specs = {{
        {DetailField::CountryCode, u"Tessan", 5, true, std::nullopt},
        {DetailField::AreaCode, u"-", 5, true, std::nullopt},
        {DetailField::PersonalNumber, u"-", 31, true, std::nullopt},
        {DetailField::Type, u"类型", 31, true, std::nullopt},
        {DetailField::PublicKey, u"公钥", 31, false, F::PublicKey},
        {DetailField::Name, u"姓名", 31, true, F::Name},
        {DetailField::Country, u"国家", 63, true, F::Country},
        {DetailField::Province, u"省份", 63, true, F::Province},
        {DetailField::Mobile, u"手机", 31, true, F::Mobile},
        {DetailField::WebAddress, u"网址", 127, true, F::WebAddress},
        {DetailField::PostCode, u"邮编", 31, true, F::PostCode},
        {DetailField::Company, u"单位", 127, true, F::Company},
        {DetailField::Phone, u"电话", 31, true, F::Phone},
        {DetailField::Fax, u"传真", 31, true, F::Fax},
        {DetailField::Videophone, u"网电", 31, true, F::Videophone},
        {DetailField::PostalAddress, u"地址", 127, true, F::PostalAddress},
        {DetailField::Occupation, u"从事", 127, true, F::Occupation},
        {DetailField::PrivateKey, u"私钥", 31, true, F::PrivateKey},
    }};
    return specs;
}

const DetailSpec& SpecOf(DetailField field) {
    return DetailSpecs()[static_cast<std::size_t>(field)];
}

std::optional<Details> DetailsOf(const UserProfile& profile) {
    AccountNumberParts parts;
    const QByteArray number = profile.RawText(F::Number);
    if (SplitAccountNumber(number.constData(), parts) != 1) return std::nullopt;
    Details d;
    At(d, DetailField::CountryCode) = GbkToQString(parts.country);
    At(d, DetailField::AreaCode) = GbkToQString(parts.area);
    At(d, DetailField::PersonalNumber) = GbkToQString(parts.personal);
    At(d, DetailField::Type) = UserTypeLabel(profile.UserType());
    for (const DetailSpec& spec : DetailSpecs())
        if (spec.profileField) At(d, spec.field) = profile.Text(*spec.profileField);
    return d;
}

void ReadDetailsInto(const Details& details, UserProfile& profile) {
    profile.SetText(F::Number, At(details, DetailField::CountryCode) + u'-' +
                                   At(details, DetailField::AreaCode) + u'-' +
                                   At(details, DetailField::PersonalNumber));
    for (const DetailSpec& spec : DetailSpecs())
        if (spec.profileField) profile.SetText(*spec.profileField, At(details, spec.field));
}

QString AddressBookHelpText() {
    return QStringLiteral(
        "添加好友有二种方法.\r\n"
        "一、是在收取文件时，按右键加入好友.\r\n"
        "二、是在地址簿中占击添加按钮输入好友的Tessan号码与公钥，\r\n"
        "    如 0086-10-1234567,\r\n"
        "    一般情况下Tessan主人的Tessan号码默认为公钥.\r\n"
        "    如果公钥不正确，将不可以将其添加到地址簿.");
}

QString AddressBookHeader(int selectedRow, int count) {
    return QStringLiteral("好友列表  %1/%2").arg(selectedRow + 1).arg(count);
}

AddressBook::AddressBook(LoginState& login, Library& library, MessageBoxes& boxes,
                         const AccountText& currentAccount, Notice notice, QObject* parent)
    : QAbstractTableModel(parent),
      library_(library),
      boxes_(boxes),
      currentAccount_(currentAccount),
      notice_(std::move(notice)),
      header_(QStringLiteral("好友列表")) {
    connect(&login, &LoginState::loginResetBeforeDialog, this, &AddressBook::LoginReset);
    connect(&login, &LoginState::ownProfileArriving, this, &AddressBook::OwnProfileArrived);
    connect(&login, &LoginState::ownConnectionLost, this, &AddressBook::ConnectionLost);
    NotificationHub& hub = login.Notifications();
    connect(&hub, &NotificationHub::addFriendResult, this, &AddressBook::AddResult);
    connect(&hub, &NotificationHub::delFriendResult, this, &AddressBook::DeleteResult);
    connect(&hub, &NotificationHub::modifyFriendResult, this, &AddressBook::ChangeResult);
    connect(&hub, &NotificationHub::modifyUserResult, this, &AddressBook::ProfileChangeResult);
    connect(&hub, &NotificationHub::addressBookEntries, this, &AddressBook::Entries);
}

AddressBook::~AddressBook() = default;

int AddressBook::Find(QByteArrayView number) const {
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (QByteArrayView(rows_[i].number).compare(number, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

void AddressBook::Select(int row) {
    if (row < -1 || row >= Count()) row = -1;
    if (row == selected_) return;
    selected_ = row;
    emit selectionChanged(row);
}

void AddressBook::CountInHeader() {
    if (selected_ < 0) return;
    header_ = AddressBookHeader(selected_, Count());
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

int AddressBook::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

int AddressBook::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QVariant AddressBook::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= Count()) return {};
    return GbkToQString(NumberAt(index.row()));
}

QVariant AddressBook::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section != 0 || role != Qt::DisplayRole) return {};
    return header_;
}

void AddressBook::RowChanged(int row) {
    emit dataChanged(index(row, 0), index(row, 0));
}

void AddressBook::SelectOwn() {
    if (const int row = Find(currentAccount_.Bytes()); row >= 0 && !currentAccount_.IsEmpty())
        Select(row);
}

std::optional<Details> AddressBook::SelectedDetails() const {
    if (selected_ < 0) return std::nullopt;
    return DetailsOf(ProfileAt(selected_));
}

void AddressBook::AddOrUpdateEntry(const UserProfile& profile) {
    const QByteArray number = profile.RawText(F::Number);
    if (const int row = Find(number); row >= 0) {
        *rows_[static_cast<std::size_t>(row)].profile = profile;
        RowChanged(row);
        return;
    }
    // The first entry after a clear stays on top; every later one goes directly below it.
    const int row = rows_.empty() ? 0 : 1;
    beginInsertRows({}, row, row);
    rows_.insert(rows_.begin() + row, Row{number, std::make_unique<UserProfile>(profile)});
    if (selected_ >= row) ++selected_;
    endInsertRows();
    Select(row);
}

void AddressBook::RemoveEntry(QByteArrayView number) {
    const int row = Find(number);
    if (row < 0) return;
    if (selected_ == row) Select(-1);
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    if (selected_ > row) --selected_;
    endRemoveRows();
}

void AddressBook::SetEntryKey(QByteArrayView number, QByteArrayView key) {
    const int row = Find(number);
    if (row < 0) return;
    rows_[static_cast<std::size_t>(row)].profile->SetRawText(F::PublicKey, key);
    RowChanged(row);
}

void AddressBook::ClearEntries() {
    Select(-1);
    beginResetModel();
    rows_.clear();
    endResetModel();
}

bool AddressBook::IsOwn(QByteArrayView number) const {
    return !currentAccount_.IsEmpty() && number == currentAccount_.Bytes();
}

void AddressBook::SetModifyEnabled(bool enabled) {
    if (modifyEnabled_ == enabled) return;
    modifyEnabled_ = enabled;
    emit modifyEnabledChanged(enabled);
}

void AddressBook::Add(const QString& number, const QString& key) {
    const QByteArray friendNumber = QStringToGbk(TrimTrailingSpaces(number));
    const QByteArray friendKey = QStringToGbk(TrimTrailingSpaces(key));
    if (IsOwn(friendNumber)) {
        notice_(QStringLiteral("不用添加自己为好友!"), true);
        return;
    }
    const FriendRecord record(currentAccount_.Bytes(), friendNumber, friendKey);
    if (library_.AddFriend(currentAccount_.Bytes(), record) != 1)
        notice_(QStringLiteral("添加好友失败，先登录服务器!"), true);
}

void AddressBook::DeleteSelected() {
    if (selected_ < 0) return;
    const QByteArray number = ProfileAt(selected_).RawText(F::Number);
    if (IsOwn(number)) {
        notice_(QStringLiteral("删除错误，用户不能删除自己!"), true);
        return;
    }
    if (!boxes_.AskYesNo(QStringLiteral("确实要删除好友:%1吗？").arg(GbkToQString(number)),
                         QStringLiteral("删除好友")))
        return;
    if (library_.DelFriend(currentAccount_.Bytes(), number) != 1)
        notice_(QStringLiteral("删除失败，请先登录服务器!"), true);
}

void AddressBook::ModifySelected(const Details& boxes) {
    if (selected_ < 0) return;
    const int row = selected_;
    UserProfile working = ProfileAt(row);
    ReadDetailsInto(boxes, working);
    if (working.RawText(F::PublicKey) == working.RawText(F::PrivateKey)) {
        boxes_.Tell(QStringLiteral("私钥和公钥不能相同，请修改!"));
        return;
    }
    if (IsOwn(ProfileAt(row).RawText(F::Number))) {
        *rows_[static_cast<std::size_t>(row)].profile = working;
        RowChanged(row);
        if (library_.ModifyUser(working) == 1) SetModifyEnabled(false);
        return;
    }
    const QByteArray number = working.RawText(F::Number);
    const QByteArray key = working.RawText(F::PublicKey);
    library_.ModifyFriend(currentAccount_.Bytes(),
                          FriendRecord(currentAccount_.Bytes(), number, key));
    // The send page uses the new key at once; this entry changes when the server confirms.
    emit friendKeyChanged(number, key);
}

void AddressBook::LoginReset() {
    ClearEntries();
    // An own-profile request of the login before will not be answered on this one.
    SetModifyEnabled(true);
    emit friendsCleared();
}

void AddressBook::ConnectionLost() {
    // The answer to a pending own-profile request went with the connection.
    SetModifyEnabled(true);
}

void AddressBook::AddResult(const FriendAnswer& answer) {
    notice_(answer.text, answer.status == 0);
}

void AddressBook::DeleteResult(const FriendAnswer& answer) {
    if (answer.status == 1) {
        RemoveEntry(answer.number);
        emit friendRemoved(answer.number);
    }
    notice_(answer.text, answer.status == 0);
}

void AddressBook::ChangeResult(const FriendAnswer& answer) {
    if (answer.status == 1) {
        SetEntryKey(answer.number, answer.key);
        emit friendKeyChanged(answer.number, answer.key);
    }
    notice_(answer.text, answer.status == 0);
}

void AddressBook::ProfileChangeResult(const Reply& reply) {
    SetModifyEnabled(true);
    notice_(reply.TextAt(0), reply.status == 0);
}

void AddressBook::Entries(const Reply& reply) {
    const qsizetype length = std::clamp<qsizetype>(reply.dataLength, 0, reply.data.size());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(reply.data.constData());
    for (qsizetype at = 0; at + UserProfile::kSize <= static_cast<std::size_t>(length);
         at += UserProfile::kSize) {
        const auto profile = UserProfile::FromBytes(std::span(bytes + at, UserProfile::kSize));
        AddOrUpdateEntry(*profile);
        emit friendAddedOrUpdated(*profile);
    }
}

void AddressBook::OwnProfileArrived(const UserProfile& profile) {
    AddOrUpdateEntry(profile);
    emit friendAddedOrUpdated(profile);
}

}  // namespace tessan
