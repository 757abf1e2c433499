// NoticePanel: the borderless panel that slides out under the main window with the client's
// notices (ShowNotice). Its rules are NoticeSlider's; this is only the window and its text.
#pragma once

#include "core/frame/noticeslider.h"

#include <QWidget>

#include <memory>

class QPlainTextEdit;

namespace tessan {

class NoticePanel final : public QWidget, private NoticeView {
    Q_OBJECT
  public:
    static constexpr int kFullHeight = 64;

    // `host` is the window the panel hangs under; it owns the panel.
    explicit NoticePanel(QWidget* host, const TimerFactory& timers = {});
    ~NoticePanel() override;

    void ShowNotice(const QString& text, bool error = false) { slider_->ShowNotice(text, error); }
    void ClearNotices() { slider_->ClearText(); }
    void HostMoved() { slider_->OnHostMoved(); }
    QString Text() const { return slider_->Text(); }
    QPlainTextEdit* TextBox() const { return edit_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QRect HostFrame() const override;
    int FullHeight() const override { return kFullHeight; }
    void AppendText(const QString& text) override;
    void ClearText() override;
    void Place(const QRect& frame, bool visible) override;
    QRect PanelFrame() const override { return frameGeometry(); }
    bool IsPanelVisible() const override { return isVisible(); }

    QWidget* host_;
    QPlainTextEdit* edit_;
    std::unique_ptr<NoticeSlider> slider_;
};

}  // namespace tessan
