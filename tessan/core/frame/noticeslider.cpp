#include "core/frame/noticeslider.h"

namespace tessan {

NoticeSlider::NoticeSlider(NoticeView& view, const TimerFactory& timers)
    : view_(view), slide_(timers([this] { SlideStep(); })), hide_(timers([this] { Hide(); })) {}

void NoticeSlider::ShowNotice(const QString& text, bool /*error*/) {
    const QString line = QStringLiteral("\r\n") + text;
    kept_.push_back(line);
    if (kept_.size() > kKeptLines) kept_.pop_front();
    view_.AppendText(line);
    if (counter_ > 0) {
        hide_->Start(kDisplayMs);
        return;
    }
    hostAtStart_ = view_.HostFrame();
    steps_ = static_cast<int>(view_.FullHeight() * 0.1);
    counter_ = 0;
    view_.Place(Under(1), false);
    slide_->Start(kSlideIntervalMs);
}

void NoticeSlider::ClearText() {
    kept_.clear();
    view_.ClearText();
}

QString NoticeSlider::Text() const {
    QString text;
    for (const QString& line : kept_) text += line;
    return text;
}

QRect NoticeSlider::Under(int height) const {
    return QRect(hostAtStart_.left(), hostAtStart_.bottom() + 1, hostAtStart_.width(), height);
}

void NoticeSlider::SlideStep() {
    if (counter_ < steps_) {
        view_.Place(Under(counter_ * kStepHeight), true);
        ++counter_;
        return;
    }
    view_.Place(Under(view_.FullHeight()), true);
    slide_->Stop();
    hide_->Start(kDisplayMs);
}

void NoticeSlider::Hide() {
    hide_->Stop();
    view_.Place(view_.PanelFrame(), false);
    counter_ = 0;
}

void NoticeSlider::OnTextFocus(bool focused) {
    if (!view_.IsPanelVisible()) return;
    if (focused)
        hide_->Stop();
    else
        hide_->Start(kDisplayMs);
}

void NoticeSlider::OnHostMoved() {
    if (!view_.IsPanelVisible()) return;
    const QRect host = view_.HostFrame();
    QRect panel = view_.PanelFrame();
    panel.moveTopLeft(QPoint(host.left(), host.bottom() + 1));
    hostAtStart_ = host;
    view_.Place(panel, true);
}

}  // namespace tessan
