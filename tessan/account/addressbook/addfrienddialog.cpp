#include "account/addressbook/addfrienddialog.h"

#include "account/fieldedit.h"
#include "look/look.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessan {

AddFriendDialog::AddFriendDialog(MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent),
      flow_(boxes),
      prompt_(new QLabel(this)),
      edit_(new QLineEdit(this)),
      back_(new QPushButton(QStringLiteral("<<上一步"), this)),
      next_(new QPushButton(this)) {
    setWindowTitle(QStringLiteral("添加好友"));
    UseDialogFrame(*this);
    setObjectName(QStringLiteral("addFriendDialog"));
    prompt_->setObjectName(QStringLiteral("prompt"));
    prompt_->setTextFormat(Qt::PlainText);
    prompt_->setBuddy(edit_);
    edit_->setObjectName(QStringLiteral("input"));
    FieldEdit::Attach(edit_, AddFriendFlow::kEditLimit, true);
    back_->setObjectName(QStringLiteral("backButton"));
    back_->setAutoDefault(false);
    next_->setObjectName(QStringLiteral("nextButton"));
    next_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(back_);
    buttons->addWidget(next_);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt_);
    layout->addWidget(edit_);
    layout->addWidget(line);
    layout->addLayout(buttons);

    connect(next_, &QPushButton::clicked, this, &AddFriendDialog::Next);
    connect(back_, &QPushButton::clicked, this, &AddFriendDialog::Back);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    ShowView();
    edit_->setFocus();
}

void AddFriendDialog::Next() {
    if (flow_.Next(edit_->text())) {
        accept();
        return;
    }
    ShowView();
}

void AddFriendDialog::Back() {
    flow_.Back();
    ShowView();
}

void AddFriendDialog::ShowView() {
    const AddFriendFlow::View& view = flow_.CurrentView();
    prompt_->setText(view.prompt);
    back_->setEnabled(view.backEnabled);
    next_->setText(view.nextLabel);
    if (view.editText) edit_->setText(*view.editText);
    edit_->setFocus();
    if (view.selectAll) edit_->selectAll();
}

}  // namespace tessan
