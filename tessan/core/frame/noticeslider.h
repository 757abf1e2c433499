// The rules of the notice panel that slides out under the main window: texts accumulate (the last
// 500 are kept, so a flood of notices costs the same per notice however long it runs), the panel
// grows in 10-pixel steps every 60 ms, stays 20 s after the last notice (not while the user is in
// its text) and follows the main window when it moves.
#pragma once

#include "core/base/timer.h"

#include <QRect>
#include <QString>

#include <deque>
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
    // Appends `text` (which starts with its line break) and shows the last line; lines beyond
    // NoticeSlider::kKeptLines go from the top.
    virtual void AppendText(const QString& text) = 0;
    virtual void ClearText() = 0;
    virtual void Place(const QRect& frame, bool visible) = 0;
    virtual QRect PanelFrame() const = 0;
    virtual bool IsPanelVisible() const = 0;
};

class NoticeSlider {
  public:
    static constexpr int kSlideIntervalMs = 60;
    static constexpr int kDisplayMs = 20000;
    static constexpr int kStepHeight = 10;
    static constexpr int kKeptLines = 500;

    // `view` must outlive the slider.
    NoticeSlider(NoticeView& view, const TimerFactory& timers);

    // ShowNotice: appends a line break and the text; slides the panel out, or keeps it out for
    // another full display time. The error flag does not change the display.
    void ShowNotice(const QString& text, bool error = false);
    void ClearText();
    // The kept notices, each after its line break.
    QString Text() const;

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
    std::deque<QString> kept_;
    QRect hostAtStart_;
    int steps_ = 0;
    int counter_ = 0;
};

}  // namespace tessan
