// The rules of the notice panel that slides out under the main window: texts accumulate, the
// panel grows in 10-pixel steps every 60 ms, stays 20 s after the last notice (not while the
// user is in its text) and follows the main window when it moves.
#pragma once

#include "core/base/timer.h"

#include <QRect>
#include <QString>

#include <memory>

namespace tessan {

// The panel and the window it hangs under, as the slider sees them.
class NoticeView {
  public:
    virtual ~NoticeView() = default;
    // The main window's frame in screen coordinates.
    virtual QRect HostFrame() const = 0;
    // The panel's height when fully out.
    virtual int FullHeight() const = 0;
    virtual void SetText(const QString& text) = 0;  // and show its last line
    virtual void Place(const QRect& frame, bool visible) = 0;
    virtual QRect PanelFrame() const = 0;
    virtual bool IsPanelVisible() const = 0;
};

class NoticeSlider {
  public:
    static constexpr int kSlideIntervalMs = 60;
    static constexpr int kDisplayMs = 20000;
    static constexpr int kStepHeight = 10;

    // `view` must outlive the slider.
    NoticeSlider(NoticeView& view, const TimerFactory& timers);

    // ShowNotice: appends a line break and the text; slides the panel out, or keeps it out for
    // another full display time. The error flag does not change the display.
    void ShowNotice(const QString& text, bool error = false);
    void ClearText();
    QString Text() const { return text_; }

    void OnTextFocus(bool focused);
    void OnHostMoved();

    int Counter() const { return counter_; }
    int Steps() const { return steps_; }

  private:
    void SlideStep();
    void Hide();
    QRect Under(int height) const;

    NoticeView& view_;
    std::unique_ptr<Timer> slide_;
    std::unique_ptr<Timer> hide_;
    QString text_;
    QRect hostAtStart_;
    int steps_ = 0;
    int counter_ = 0;
};

}  // namespace tessan
