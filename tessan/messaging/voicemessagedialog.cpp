#include "messaging/voicemessagedialog.h"

#include "look/imagebutton.h"
#include "look/look.h"
#include "messaging/messagefiles.h"

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
      parts_(this),
      status_(new QLabel(this)),
      slider_(new QSlider(Qt::Horizontal, this)),
      elapsed_(new QLabel(this)),
      maximum_(new QLabel(QStringLiteral("300.00秒"), this)),
      record_(new ImageButton(QStringLiteral("录音●"), this)),
      stop_(new ImageButton(QStringLiteral("停止■"), this)),
      preview_(new ImageButton(QStringLiteral("试听>>"), this)) {
    setObjectName(QStringLiteral("VoiceMessageDialog"));
    UseDialogFrame(*this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setTextFormat(Qt::PlainText);
    slider_->setObjectName(QStringLiteral("position"));
    // The slider only shows time; the user does not move it.
    slider_->setEnabled(false);
    elapsed_->setObjectName(QStringLiteral("elapsed"));
    maximum_->setObjectName(QStringLiteral("maximum"));
    record_->setObjectName(QStringLiteral("recordButton"));
    stop_->setObjectName(QStringLiteral("stopButton"));
    preview_->setObjectName(QStringLiteral("previewButton"));
    for (ImageButton* b : {record_, stop_, preview_}) b->setAutoDefault(false);
    parts_.ChainFocus({record_, stop_, preview_});

    auto* time = new QHBoxLayout;
    time->addWidget(elapsed_);
    time->addStretch();
    time->addWidget(maximum_);
    auto* device_buttons = new QHBoxLayout;
    device_buttons->addWidget(record_);
    device_buttons->addWidget(stop_);
    device_buttons->addWidget(preview_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(parts_.FieldsLayout());
    layout->addWidget(status_);
    layout->addWidget(slider_);
    layout->addLayout(time);
    layout->addLayout(device_buttons);
    layout->addLayout(parts_.ButtonsLayout());

    VoiceRecorder* r = recorder_.get();
    connect(r, &VoiceRecorder::changed, this, &VoiceMessageDialog::Show);
    connect(record_, &QPushButton::clicked, this,
            [this, r] { Act(r->Record(parts_.subject->text())); });
    connect(stop_, &QPushButton::clicked, this, [r] { r->Stop(); });
    connect(preview_, &QPushButton::clicked, this, [r] { r->Preview(); });
    Fill();
}

void VoiceMessageDialog::Fill() {
    const VoiceRecorder::Texts texts = VoiceRecorder::Effective(recorder_->texts);
    parts_.Fill({texts.title, texts.recipientLabel, texts.subjectLabel, texts.okText,
                 texts.cancelText, recorder_->recipientLine, recorder_->subject});
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
    parts_.ok->setEnabled(enabled.ok);
    parts_.cancel->setEnabled(enabled.cancel);
}

void VoiceMessageDialog::Act(VoiceRecorder::Outcome outcome) {
    switch (outcome) {
        case VoiceRecorder::Outcome::Accept:
            parts_.subject->setText(recorder_->subject);
            QDialog::accept();
            return;
        case VoiceRecorder::Outcome::FocusSubject:
            parts_.subject->setFocus();
            return;
        case VoiceRecorder::Outcome::StayOpen:
            return;
    }
}

int VoiceMessageDialog::exec() {
    Fill();
    parts_.subject->setFocus();
    return QDialog::exec();
}

void VoiceMessageDialog::accept() {
    Act(recorder_->Ok(parts_.subject->text()));
}

void VoiceMessageDialog::reject() {
    recorder_->Cancel();
    QDialog::reject();
}

}  // namespace tessan
