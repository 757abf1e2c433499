#include "core/frame/noticeslider.h"
#include "testsupport/faketimer.h"

#include <gtest/gtest.h>

namespace tessan {
namespace {

class FakeNoticeView final : public NoticeView {
  public:
    QRect HostFrame() const override { return host; }
    int FullHeight() const override { return 64; }
    void AppendText(const QString& t) override { text += t; }
    void ClearText() override { text.clear(); }
    void Place(const QRect& f, bool v) override {
        frame = f;
        visible = v;
    }
    QRect PanelFrame() const override { return frame; }
    bool IsPanelVisible() const override { return visible; }

    QRect host{100, 50, 600, 400};  // bottom edge at y 449
    QString text;
    QRect frame;
    bool visible = false;
};

class NoticeSliderTest : public ::testing::Test {
  protected:
    FakeTimer& Slide() { return *timers.made.at(0); }
    FakeTimer& Hide() { return *timers.made.at(1); }
    void SlideOut() {
        for (int i = 0; i <= slider.Steps() && Slide().active; ++i) Slide().Fire();
    }

    FakeNoticeView view;
    FakeTimers timers;
    NoticeSlider slider{view, timers.Factory()};
};

TEST_F(NoticeSliderTest, SlidesOutInTenPixelStepsThenStaysTwentySeconds) {
    slider.ShowNotice(u"登录成功"_qs);
    EXPECT_EQ(slider.Text(), u"\r\n登录成功"_qs);
    EXPECT_EQ(view.text, slider.Text());
    EXPECT_FALSE(view.visible);
    EXPECT_EQ(view.frame, QRect(100, 450, 600, 1));
    EXPECT_TRUE(Slide().active);
    EXPECT_EQ(Slide().interval, 60);
    EXPECT_EQ(slider.Steps(), 6);  // 64 * 0.1

    Slide().Fire();
    Slide().Fire();
    EXPECT_TRUE(view.visible);
    EXPECT_EQ(view.frame, QRect(100, 450, 600, 10));
    EXPECT_EQ(slider.Counter(), 2);
    SlideOut();
    EXPECT_EQ(view.frame, QRect(100, 450, 600, 64));
    EXPECT_FALSE(Slide().active);
    EXPECT_TRUE(Hide().active);
    EXPECT_EQ(Hide().interval, 20000);

    Hide().Fire();
    EXPECT_FALSE(view.visible);
    EXPECT_FALSE(Hide().active);
    EXPECT_EQ(slider.Counter(), 0);
}

TEST_F(NoticeSliderTest, ANewNoticeWhileShownRestartsTheFullDisplayTime) {
    slider.ShowNotice(u"一"_qs);
    SlideOut();
    const int starts = Hide().starts;
    slider.ShowNotice(u"二"_qs);
    EXPECT_EQ(Hide().starts, starts + 1);  // from this moment, a full 20 s
    EXPECT_EQ(Hide().interval, 20000);
    EXPECT_FALSE(Slide().active);
    EXPECT_EQ(slider.Text(), u"\r\n一\r\n二"_qs);
    slider.ClearText();
    EXPECT_TRUE(view.text.isEmpty());
    EXPECT_TRUE(slider.Text().isEmpty());
}

TEST_F(NoticeSliderTest, FocusHoldsThePanelAndItFollowsTheWindow) {
    slider.OnTextFocus(true);  // hidden: nothing to hold
    EXPECT_FALSE(Hide().active);
    slider.ShowNotice(u"一"_qs);
    SlideOut();
    slider.OnTextFocus(true);
    EXPECT_FALSE(Hide().active);
    slider.OnTextFocus(false);
    EXPECT_TRUE(Hide().active);

    view.host.moveTo(300, 20);
    slider.OnHostMoved();
    EXPECT_EQ(view.frame, QRect(300, 420, 600, 64));
    Hide().Fire();
    view.host.moveTo(0, 0);
    slider.OnHostMoved();  // hidden: stays where it is
    EXPECT_EQ(view.frame.topLeft(), QPoint(300, 420));
}

}  // namespace
}  // namespace tessan
