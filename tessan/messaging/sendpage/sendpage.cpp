#include "messaging/sendpage/sendpage.h"

#include "core/browser/localfilelistview.h"
#include "core/session/clientsession.h"
#include "look/icons.h"
#include "look/imagebutton.h"
#include "look/locationbox.h"
#include "messaging/messagefiles.h"
#include "messaging/sendingpipeline.h"
#include "messaging/sendpage/frienddetailsdialog.h"
#include "messaging/sendpage/messagetexts.h"
#include "messaging/textmessagedialog.h"
#include "messaging/voicemessagedialog.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSplitter>
#include <QUrl>
#include <QVBoxLayout>

namespace tessan {
namespace {

bool IsLocalFileDrag(const QMimeData* mime) {
    return mime && mime->hasFormat(LocalFileList::kDragMimeType);
}

bool IsDesktopDrop(const QMimeData* mime) {
    return mime && mime->hasUrls() && !IsLocalFileDrag(mime);
}

Recipient RecipientOf(const UserProfile& profile) {
    using Field = UserProfile::Field;
    return Recipient{profile.RawText(Field::Number), profile.RawText(Field::Name),
                     profile.RawText(Field::PublicKey)};
}

QString RecipientLine(const UserProfile& profile) {
    return profile.Number() + QLatin1Char('\t') + profile.Name();
}

QStringList DroppedPaths(const QMimeData* mime) {
    QStringList paths;
    for (const QUrl& url : mime->urls())
        paths.append(url.isLocalFile() ? url.toLocalFile() : url.toString());
    return paths;
}

}  // namespace

FriendListView::FriendListView(FriendList& friends, QWidget* parent)
    : QTreeView(parent), friends_(friends) {
    setObjectName(QStringLiteral("friendList"));
    setModel(&friends_);
    setRootIsDecorated(false);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setColumnWidth(FriendList::kNumber, 130);
    setColumnWidth(FriendList::kName, 90);
    setAccessibleName(QStringLiteral("好友列表"));
}

bool FriendListView::TakeDropped() {
    return std::exchange(dropped_, false);
}

void FriendListView::dragEnterEvent(QDragEnterEvent* event) {
    if (IsLocalFileDrag(event->mimeData()) || IsDesktopDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void FriendListView::dragMoveEvent(QDragMoveEvent* event) {
    if (IsLocalFileDrag(event->mimeData())) {
        friends_.DragOver(indexAt(event->position().toPoint()).row());
        event->acceptProposedAction();
    } else if (IsDesktopDrop(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void FriendListView::dragLeaveEvent(QDragLeaveEvent* event) {
    // The marks stay until the button is released: outside, the release unchecks every row.
    event->accept();
}

void FriendListView::dropEvent(QDropEvent* event) {
    if (IsLocalFileDrag(event->mimeData())) {
        dropped_ = true;
        event->acceptProposedAction();
    } else if (IsDesktopDrop(event->mimeData())) {
        event->acceptProposedAction();
        emit desktopFilesDropped(DroppedPaths(event->mimeData()));
    } else {
        event->ignore();
    }
}

SendPage::Sending SendPage::Through(SendingPipeline& pipeline, VoiceDevice& device) {
    Sending sending;
    sending.fanOut = [&pipeline](const std::vector<UserProfile>& to,
                                 const std::vector<SendPageRules::File>& files) {
        std::vector<Recipient> recipients;
        recipients.reserve(to.size());
        for (const UserProfile& profile : to) recipients.push_back(RecipientOf(profile));
        std::vector<SendingPipeline::OutgoingFile> outgoing;
        outgoing.reserve(files.size());
        for (const SendPageRules::File& file : files)
            outgoing.push_back({file.localPath, file.remoteName});
        pipeline.FanOut(recipients, outgoing);
    };
    sending.sendImmediately = pipeline.Immediately();
    sending.voiceDevice = &device;
    return sending;
}

SendPage::SendPage(ClientSession& session, MessageBoxes& boxes, Sending sending,
                   LocalFileList::Services files, QWidget* parent)
    : Page(session, QStringLiteral("发送文件"), QStringLiteral("sendPage"), parent),
      boxes_(boxes),
      sending_(std::move(sending)),
      files_(std::make_unique<LocalFileList>(
          boxes, files.volumes ? std::move(files) : SystemFileServices())),
      rules_(friends_, boxes, sending_.fanOut) {
    setAcceptDrops(true);

    // Left: where the files are.
    auto* left = new QWidget;
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* places = new QHBoxLayout;
    location_ = new LocationBox(this);
    location_->setObjectName(QStringLiteral("locationBox"));
    location_->setAccessibleName(QStringLiteral("位置"));
    places->addWidget(location_, 1);
    auto* up = ImageButton::IconOnly(Icon(LookIcon::GoUp), QStringLiteral("向上"), this);
    up->setObjectName(QStringLiteral("upButton"));
    auto* desktop = ImageButton::IconOnly(Icon(LookIcon::Desktop), QStringLiteral("桌面"), this);
    desktop->setObjectName(QStringLiteral("desktopButton"));
    places->addWidget(up);
    places->addWidget(desktop);
    leftLayout->addLayout(places);
    fileView_ = new LocalFileListView(*files_, this);
    fileView_->setAccessibleName(QStringLiteral("本地文件"));
    leftLayout->addWidget(fileView_, 1);

    // Right: whom they go to.
    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto* search = new QHBoxLayout;
    auto* nameLabel = new QLabel(QStringLiteral("姓名:"));
    search->addWidget(nameLabel);
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("nameBox"));
    name_->setAccessibleName(QStringLiteral("姓名"));
    nameLabel->setBuddy(name_);
    name_->setMaxLength(127);
    search->addWidget(name_, 1);
    auto* find = new ImageButton(QStringLiteral("查找"), this);
    find->setObjectName(QStringLiteral("findButton"));
    find->setDefault(true);
    search->addWidget(find);
    rightLayout->addLayout(search);
    friendView_ = new FriendListView(friends_, this);
    rightLayout->addWidget(friendView_, 1);
    auto* buttons = new QHBoxLayout;
    checkAll_ = new ImageButton(QStringLiteral("全选"), this);
    checkAll_->setObjectName(QStringLiteral("checkAllButton"));
    auto* groupText = new ImageButton(QStringLiteral("文字群发"), this);
    groupText->setObjectName(QStringLiteral("groupTextButton"));
    auto* groupVoice = new ImageButton(QStringLiteral("语音群发"), this);
    groupVoice->setObjectName(QStringLiteral("groupVoiceButton"));
    auto* send = new ImageButton(QStringLiteral("发送"), this);
    send->setObjectName(QStringLiteral("sendButton"));
    send->SetColours(ButtonColours::Accent());
    for (QPushButton* button :
         {static_cast<QPushButton*>(checkAll_), static_cast<QPushButton*>(groupText),
          static_cast<QPushButton*>(groupVoice), static_cast<QPushButton*>(send)})
        buttons->addWidget(button);
    rightLayout->addLayout(buttons);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(splitter);

    friendMenu_ = new QMenu(this);
    friendMenu_->setObjectName(QStringLiteral("friendMenu"));
    friendMenu_->addAction(QStringLiteral("发送文字(&T)"), this, &SendPage::SendTextToFriend);
    friendMenu_->addAction(QStringLiteral("发送语音(&M)"), this, &SendPage::SendVoiceToFriend);
    friendMenu_->addAction(QStringLiteral("发送公钥(&S)"), this, &SendPage::SendKeyNotice);
    friendMenu_->addAction(QStringLiteral("好友详情(&Q)"), this, &SendPage::ShowFriendDetails);

    connect(files_.get(), &LocalFileList::locationChanged, location_, &LocationBox::SetFolder);
    connect(location_, &LocationBox::locationChosen, this, [this](const QString& path) {
        if (!files_->ShowFolder(path, false)) location_->SetFolder(files_->Location());
    });
    connect(up, &QPushButton::clicked, this, [this] { files_->GoUp(); });
    connect(desktop, &QPushButton::clicked, this, [this] { files_->ShowDesktop(); });
    connect(fileView_, &LocalFileListView::sendRequested, this, &SendPage::SendSelectedFiles);
    connect(fileView_, &LocalFileListView::dragStarted, this, &SendPage::DragStarted);
    connect(fileView_, &LocalFileListView::dragFinished, this, &SendPage::DragFinished);
    connect(find, &QPushButton::clicked, this, &SendPage::FindFriend);
    connect(name_, &QLineEdit::returnPressed, this, &SendPage::FindFriend);
    connect(checkAll_, &QPushButton::clicked, this, &SendPage::ToggleCheckAll);
    connect(send, &QPushButton::clicked, this, &SendPage::SendSelectedFiles);
    connect(groupText, &QPushButton::clicked, this, &SendPage::GroupText);
    connect(groupVoice, &QPushButton::clicked, this, &SendPage::GroupVoice);
    connect(&friends_, &FriendList::dropTargetChanged, this, [this](int row) {
        if (row >= 0)
            SelectFriend(row);
        else
            friendView_->clearSelection();
    });
    connect(friendView_, &FriendListView::desktopFilesDropped, this,
            [this](const QStringList& paths) { rules_.ShowDroppedPaths(paths); });
    connect(friendView_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        friendMenu_->popup(friendView_->viewport()->mapToGlobal(at));
    });

    files_->ShowFolder(LocalFileList::kComputer, false);
}

SendPage::~SendPage() = default;

void SendPage::SendSelectedFiles() {
    rules_.SendSelectedFiles(files_->PickedFiles(fileView_->SelectedRows()));
}

void SendPage::FindFriend() {
    const int row = rules_.FindFriend(name_->text());
    if (row >= 0) SelectFriend(row);
}

void SendPage::ToggleCheckAll() {
    checkAll_->setText(rules_.ToggleCheckAll());
}

void SendPage::FanOutFile(const QString& localPath, const QString& remoteName, bool checkedOnly) {
    rules_.FanOutFile(localPath, remoteName, checkedOnly);
}

int SendPage::SelectedFriend() const {
    int first = -1;
    for (const QModelIndex& index : friendView_->selectionModel()->selectedRows())
        if (first < 0 || index.row() < first) first = index.row();
    return first;
}

void SendPage::SelectFriend(int row) {
    friendView_->selectionModel()->select(
        friends_.index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    friendView_->scrollTo(friends_.index(row, 0));
}

void SendPage::ShowFriendDetails() {
    const int row = SelectedFriend();
    if (row < 0) return;
    FriendDetailsDialog dialog(friends_.Profile(row), this);
    dialog.exec();
}

void SendPage::GroupText() {
    if (!rules_.CheckedFriendsChosen()) return;
    const UserProfile& own = Session().OwnProfile();
    TextMessageDialog dialog(Session().AppDir(), boxes_, sending_.sendImmediately, this);
    TextMessage& message = dialog.message();
    message.texts = {QStringLiteral("文字群发"), QStringLiteral("发送给"),
                     QStringLiteral("发送主题"), QStringLiteral("请在下面输入要发送的内容:"),
                     QStringLiteral("确认"),     QStringLiteral("取消")};
    message.recipientLine = QStringLiteral("文字群发");
    message.subject = MessageSubject(own.Name());
    message.body = GroupTextBody(own.Name());
    message.ownNumber = own.RawText(UserProfile::Field::Number);
    message.callerSends = 1;
    if (dialog.exec() != QDialog::Accepted || message.messageFilePath.isEmpty()) return;
    rules_.FanOutFile(message.messageFilePath, message.subject + QStringLiteral(".txt"), true);
}

void SendPage::GroupVoice() {
    if (!rules_.CheckedFriendsChosen() || !sending_.voiceDevice) return;
    const UserProfile& own = Session().OwnProfile();
    VoiceMessageDialog dialog(Session().AppDir(), *sending_.voiceDevice, boxes_, sending_.timers,
                              sending_.sendImmediately, this);
    VoiceRecorder& recorder = dialog.recorder();
    recorder.texts = {QStringLiteral("语音群发"), QStringLiteral("发送给"),
                      QStringLiteral("发送主题"), QStringLiteral("确认"), QStringLiteral("取消")};
    recorder.recipientLine = QStringLiteral("语音群发");
    recorder.subject = MessageSubject(own.Name());
    recorder.ownNumber = own.RawText(UserProfile::Field::Number);
    recorder.callerSends = 1;
    if (dialog.exec() != QDialog::Accepted || recorder.recordingPath().isEmpty()) return;
    rules_.FanOutFile(recorder.recordingPath(), recorder.subject + QStringLiteral(".wav"), true);
}

void SendPage::SendTextToFriend() {
    const int row = SelectedFriend();
    if (row < 0) return;
    const UserProfile& friendProfile = friends_.Profile(row);
    const UserProfile& own = Session().OwnProfile();
    TextMessageDialog dialog(Session().AppDir(), boxes_, sending_.sendImmediately, this);
    TextMessage& message = dialog.message();
    message.texts = {QStringLiteral("发送文字"), QStringLiteral("发送给"),
                     QStringLiteral("发送主题"), QStringLiteral("请在下面输入要发送的内容:"),
                     QStringLiteral("确认发送"), QStringLiteral("取消")};
    message.recipientLine = RecipientLine(friendProfile);
    message.recipient = RecipientOf(friendProfile);
    message.ownNumber = own.RawText(UserProfile::Field::Number);
    message.subject = MessageSubject(own.Name());
    message.body = FriendTextBody(own.Name(), own.Number(), QDateTime::currentDateTime());
    message.callerSends = 0;
    dialog.exec();
}

void SendPage::SendVoiceToFriend() {
    const int row = SelectedFriend();
    if (row < 0 || !sending_.voiceDevice) return;
    const UserProfile& friendProfile = friends_.Profile(row);
    const UserProfile& own = Session().OwnProfile();
    VoiceMessageDialog dialog(Session().AppDir(), *sending_.voiceDevice, boxes_, sending_.timers,
                              sending_.sendImmediately, this);
    VoiceRecorder& recorder = dialog.recorder();
    recorder.texts = {QStringLiteral("发送语音"), QStringLiteral("发送给"),
                      QStringLiteral("发送主题"), QStringLiteral("确认发送"),
                      QStringLiteral("取消")};
    recorder.recipientLine = RecipientLine(friendProfile);
    recorder.recipient = RecipientOf(friendProfile);
    recorder.ownNumber = own.RawText(UserProfile::Field::Number);
    recorder.subject = MessageSubject(own.Name());
    recorder.callerSends = 0;
    dialog.exec();
}

bool SendPage::SendKeyChangeNotice(const UserProfile& own, const QDateTime& now) {
    const QString subject = KeyNoticeSubject(own.Name());
    const auto path = WriteTextMessage(Session().AppDir(), subject, KeyChangeNoticeBody(own, now));
    if (path) FanOutFile(*path, subject + u".txt"_qs, false);
    return path.has_value();
}

void SendPage::SendKeyNotice() {
    const int row = SelectedFriend();
    if (row < 0) return;
    const UserProfile& own = Session().OwnProfile();
    const QString subject = KeyNoticeSubject(own.Name());
    const auto path =
        WriteTextMessage(Session().AppDir(), subject,
                         KeyNoticeBody(own.Name(), own.Number(), QDateTime::currentDateTime()));
    if (!path) {
        boxes_.Tell(QStringLiteral("无法建立文件，发送失败！"));
        return;
    }
    if (sending_.sendImmediately)
        sending_.sendImmediately(RecipientOf(friends_.Profile(row)), *path,
                                 subject + QStringLiteral(".txt"));
}

void SendPage::DragStarted() {
    friends_.BeginDrag();
    friendView_->clearSelection();
}

void SendPage::DragFinished(bool dropped) {
    if (!(dropped && friendView_->TakeDropped())) {
        friends_.EndDragOutside();
        return;
    }
    const int target = friends_.Drop();
    if (target < 0) return;
    SelectFriend(target);
    if (rules_.ConfirmDrop(target)) SendSelectedFiles();
}

void SendPage::dragEnterEvent(QDragEnterEvent* event) {
    if (IsDesktopDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void SendPage::dropEvent(QDropEvent* event) {
    if (!IsDesktopDrop(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    rules_.ShowDroppedPaths(DroppedPaths(event->mimeData()));
}

}  // namespace tessan
