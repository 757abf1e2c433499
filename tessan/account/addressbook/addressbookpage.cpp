#include "account/addressbook/addressbookpage.h"

#include "account/addressbook/addfrienddialog.h"
#include "account/fieldedit.h"
#include "core/login/loginstate.h"
#include "core/session/clientsession.h"
#include "look/imagebutton.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

namespace tessan {

namespace {

// Object names of the detail boxes, in DetailField order.
constexpr std::array<const char16_t*, kDetailFieldCount> kBoxNames = {
    u"countryCodeBox",   u"areaCodeBox",   u"personalNumberBox", u"typeBox",   u"publicKeyBox",
    u"nameBox",          u"countryBox",    u"provinceBox",       u"mobileBox", u"webAddressBox",
    u"postCodeBox",      u"companyBox",    u"phoneBox",          u"faxBox",    u"videophoneBox",
    u"postalAddressBox", u"occupationBox", u"privateKeyBox",
};

// What a screen reader says for a box: its label, and which part of the number the parts are.
QString AccessibleName(const DetailSpec& spec) {
    switch (spec.field) {
        case DetailField::CountryCode:
            return QStringLiteral("Tessan号码 国家码");
        case DetailField::AreaCode:
            return QStringLiteral("Tessan号码 区号");
        case DetailField::PersonalNumber:
            return QStringLiteral("Tessan号码 个人号码");
        default:
            return QString::fromUtf16(spec.label);
    }
}

}  // namespace

AddressBookPage::AddressBookPage(ClientSession& session, LoginState& login, Library& library,
                                 MessageBoxes& boxes, QWidget* parent)
    : Page(session, QStringLiteral("地址簿"), QStringLiteral("addressBookPage"), parent),
      book_(login, library, boxes, session.CurrentAccount(),
            [&session](const QString& text, bool error) { session.ShowNotice(text, error); }),
      list_(new QTableView(this)),
      add_(new ImageButton(QStringLiteral("添加"), this)),
      delete_(new ImageButton(QStringLiteral("删除"), this)),
      modify_(new ImageButton(QStringLiteral("修改"), this)),
      help_(new QLabel(AddressBookHelpText(), this)) {
    askFriend_ = [this, &boxes]() -> std::optional<std::pair<QString, QString>> {
        AddFriendDialog dialog(boxes, this);
        dialog.exec();
        if (dialog.Flow().Step() != 2) return std::nullopt;
        return std::pair(dialog.Flow().FriendNumber(), dialog.Flow().FriendKey());
    };

    list_->setObjectName(QStringLiteral("entryList"));
    list_->setAccessibleName(QStringLiteral("好友列表"));
    list_->setModel(&book_);
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->verticalHeader()->hide();
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setMinimumWidth(fontMetrics().averageCharWidth() * 24);

    auto* details = new QGridLayout;
    int index = 0;
    for (const DetailSpec& spec : DetailSpecs()) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QString::fromUtf16(kBoxNames[static_cast<std::size_t>(spec.field)]));
        // The number's parts and the type are never typed into; what the server sent shows whole.
        if (spec.profileField) FieldEdit::Attach(box, spec.limit, false);
        box->setReadOnly(spec.readOnlyAfterSelection);
        box->setAccessibleName(AccessibleName(spec));
        boxes_[static_cast<std::size_t>(spec.field)] = box;
        if (spec.field == DetailField::PrivateKey) {
            // Kept with the details, never shown.
            box->setEchoMode(QLineEdit::Password);
            box->hide();
            continue;
        }
        auto* label = new QLabel(QString::fromUtf16(spec.label), this);
        label->setBuddy(box);
        const int row = index / 2;
        const int column = (index % 2) * 2;
        details->addWidget(label, row, column);
        details->addWidget(box, row, column + 1);
        ++index;
    }
    add_->setObjectName(QStringLiteral("addButton"));
    delete_->setObjectName(QStringLiteral("deleteButton"));
    modify_->setObjectName(QStringLiteral("modifyButton"));
    help_->setObjectName(QStringLiteral("helpText"));
    help_->setWordWrap(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(add_);
    buttons->addWidget(delete_);
    buttons->addWidget(modify_);
    auto* right = new QVBoxLayout;
    right->addLayout(details);
    right->addLayout(buttons);
    right->addWidget(help_);
    right->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(right, 1);

    modify_->setEnabled(book_.ModifyEnabled());

    connect(&book_, &AddressBook::selectionChanged, this, &AddressBookPage::SelectionChanged);
    connect(&book_, &AddressBook::modifyEnabledChanged, modify_, &QWidget::setEnabled);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &AddressBookPage::ListSelectionChanged);
    connect(list_, &QTableView::clicked, this, &AddressBookPage::Clicked);
    connect(add_, &QPushButton::clicked, this, &AddressBookPage::AddClicked);
    connect(delete_, &QPushButton::clicked, &book_, &AddressBook::DeleteSelected);
    connect(modify_, &QPushButton::clicked, this, [this] { book_.ModifySelected(BoxTexts()); });
}

void AddressBookPage::Shown() {
    book_.SelectOwn();
    ShowSelectedEntry();
}

bool AddressBookPage::ShowSelectedEntry() {
    const auto details = book_.SelectedDetails();
    if (book_.Selected() < 0) return false;
    if (details) ShowDetails(*details);
    return true;
}

void AddressBookPage::SelectionChanged(int row) {
    // The view's own selection comes back here as the same row: Select ignores it. No current
    // row either, or the view would select another one when rows go.
    if (row < 0)
        list_->selectionModel()->clear();
    else
        list_->selectRow(row);
    if (const auto details = book_.SelectedDetails()) ShowDetails(*details);
    for (const DetailSpec& spec : DetailSpecs())
        Box(spec.field)->setReadOnly(spec.readOnlyAfterSelection);
}

void AddressBookPage::ListSelectionChanged() {
    const auto selected = list_->selectionModel()->selectedRows();
    book_.Select(selected.isEmpty() ? -1 : selected.first().row());
}

void AddressBookPage::Clicked() {
    if (book_.Selected() < 0) return;
    if (const auto details = book_.SelectedDetails()) ShowDetails(*details);
    book_.CountInHeader();
}

void AddressBookPage::ShowDetails(const Details& details) {
    for (const DetailSpec& spec : DetailSpecs()) Box(spec.field)->setText(At(details, spec.field));
}

Details AddressBookPage::BoxTexts() const {
    Details details;
    for (const DetailSpec& spec : DetailSpecs()) At(details, spec.field) = Box(spec.field)->text();
    return details;
}

void AddressBookPage::AddClicked() {
    if (const auto given = askFriend_()) book_.Add(given->first, given->second);
}

}  // namespace tessan
