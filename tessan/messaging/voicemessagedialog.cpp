#include "messaging/voicemessagedialog.h"

#include "look/imagebutton.h"
#include "messaging/messagefiles.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace tessan {

VoiceMessageDialog::VoiceMessageDialog(const QString& appDir, VoiceDevice& device,
                                       MessageBoxes& boxes, TimerFactory timers,
                                       SendImmediatelyFn send, QWidget* parent)
    : QDialog(parent),
      recorder_(std::make_unique<VoiceRecorder>(
          appDir, device, boxes, timers ? std::move(timers) : QtTimers(this), std::move(send))),
      recipientLabel_(new QLabel(this)),
      recipientLine_(new QLineEdit(this)),
      subjectLabel_(new QLabel(this)),
      subject_(new QLineEdit(this)),
      status_(new QLabel(this)),
      slider_(new QSlider(Qt::Horizontal, this)),
      elapsed_(new QLabel(this)),
      maximum_(new QLabel(QStringLiteral("300.00秒"), this)),
      record_(new ImageButton(QStringLiteral("录音●"), this)),
      stop_(new ImageButton(QStringLiteral("停止■"), this)),
      preview_(new ImageButton(QStringLiteral("试听>>"), this)),
      ok_(new ImageButton(QString(), this)),
      cancel_(new ImageButton(QString(), this)) {
    setObjectName(QStringLiteral("VoiceMessageDialog"));
    recipientLine_->setObjectName(QStringLiteral("recipientLine"));
    recipientLine_->setReadOnly(true);
    subject_->setObjectName(QStringLiteral("subject"));
    subject_->setMaxLength(static_cast<int>(kSubjectMaxLength));
    status_->setObjectName(QStringLiteral("status"));
    slider_->setObjectName(QStringLiteral("position"));
    // The slider only shows time; the user does not move it.
    slider_->setEnabled(false);
    elapsed_->setObjectName(QStringLiteral("elapsed"));
    maximum_->setObjectName(QStringLiteral("maximum"));
    record_->setObjectName(QStringLiteral("recordButton"));
    stop_->setObjectName(QStringLiteral("stopButton"));
    preview_->setObjectName(QStringLiteral("previewButton"));
    ok_->setObjectName(QStringLiteral("okButton"));
    ok_->SetColours(ButtonColours::Accent());
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    for (ImageButton* b : {record_, stop_, preview_, ok_, cancel_}) b->setAutoDefault(false);

    auto* fields = new QGridLayout;
    fields->addWidget(recipientLabel_, 0, 0);
    fields->addWidget(recipientLine_, 0, 1);
    fields->addWidget(subjectLabel_, 1, 0);
    fields->addWidget(subject_, 1, 1);
    auto* time = new QHBoxLayout;
    time->addWidget(elapsed_);
    time->addStretch();
    time->addWidget(maximum_);
    auto* device_buttons = new QHBoxLayout;
    device_buttons->addWidget(record_);
    device_buttons->addWidget(stop_);
    device_buttons->addWidget(preview_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(status_);
    layout->addWidget(slider_);
    layout->addLayout(time);
    layout->addLayout(device_buttons);
    layout->addLayout(buttons);

    VoiceRecorder* r = recorder_.get();
    connect(r, &VoiceRecorder::changed, this, &VoiceMessageDialog::Show);
    connect(record_, &QPushButton::clicked, this, [this, r] { Act(r->Record(subject_->text())); });
    connect(stop_, &QPushButton::clicked, this, [r] { r->Stop(); });
    connect(preview_, &QPushButton::clicked, this, [r] { r->Preview(); });
    connect(ok_, &QPushButton::clicked, this, &VoiceMessageDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &VoiceMessageDialog::reject);
    Fill();
}

void VoiceMessageDialog::Fill() {
    const VoiceRecorder::Texts texts = VoiceRecorder::Effective(recorder_->texts);
    setWindowTitle(texts.title);
    recipientLabel_->setText(texts.recipientLabel);
    subjectLabel_->setText(texts.subjectLabel);
    ok_->setText(texts.okText);
    cancel_->setText(texts.cancelText);
    recipientLine_->setText(recorder_->recipientLine);
    subject_->setText(recorder_->subject);
    Show();
}

void VoiceMessageDialog::Show() {
    const VoiceRecorder& r = *recorder_;
    status_->setText(r.StatusText());
    slider_->setRange(0, r.SliderMaximum());
    slider_->setValue(r.SliderPosition());
    elapsed_->setText(r.ElapsedText());
    const VoiceRecorder::Buttons enabled = r.buttons();
    record_->setEnabled(enabled.record);
    stop_->setEnabled(enabled.stop);
    preview_->setEnabled(enabled.preview);
    ok_->setEnabled(enabled.ok);
    cancel_->setEnabled(enabled.cancel);
}

void VoiceMessageDialog::Act(VoiceRecorder::Outcome outcome) {
    switch (outcome) {
        case VoiceRecorder::Outcome::Accept:
            subject_->setText(recorder_->subject);
            QDialog::accept();
            return;
        case VoiceRecorder::Outcome::FocusSubject:
            subject_->setFocus();
            return;
        case VoiceRecorder::Outcome::StayOpen:
            return;
    }
}

int VoiceMessageDialog::exec() {
    Fill();
    subject_->setFocus();
    return QDialog::exec();
}

void VoiceMessageDialog::accept() {
    Act(recorder_->Ok(subject_->text()));
}

void VoiceMessageDialog::reject() {
    recorder_->Cancel();
    QDialog::reject();
}

}  // namespace tessan
