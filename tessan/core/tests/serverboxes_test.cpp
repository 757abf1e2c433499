// Boxes a server causes: after the notification, one at a time, a repeat never shown twice.
#include "core/base/serverboxes.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace tessan {
namespace {

// While a box is "on screen", `during` runs, as notifications do in the box's own event loop.
class OpenBoxes final : public MessageBoxes {
  public:
    Answer Show(const Box& box) override {
        shown.push_back(box.text);
        if (auto call = std::exchange(during, {})) call();
        return Answer::Yes;
    }
    std::vector<QString> shown;
    std::function<void()> during;
};

TEST(ServerBoxesTest, OneAtATimeAfterTheNotificationAndRepeatsAreDropped) {
    OpenBoxes boxes;
    std::vector<std::function<void()>> later;
    ServerBoxes gate(boxes, [&later](std::function<void()> call) { later.push_back(call); });
    const MessageBoxes::Box reminder{u"请续费"_qs, u"催费通知"_qs};

    EXPECT_TRUE(gate.Show(reminder));
    EXPECT_FALSE(gate.Show(reminder));  // waiting already
    EXPECT_TRUE(boxes.shown.empty());   // nothing while the notification is handled
    ASSERT_EQ(later.size(), 1u);

    std::vector<MessageBoxes::Answer> answers;
    QObject gone;
    auto* goneContext = new QObject;
    boxes.during = [&] {
        EXPECT_TRUE(gate.Showing());
        EXPECT_FALSE(gate.Show(reminder));  // the one on screen
        EXPECT_TRUE(gate.Show({u"文件:a已经存在，是否覆盖？"_qs, QString()}, &gone,
                              [&answers](MessageBoxes::Answer a) { answers.push_back(a); }));
        EXPECT_TRUE(gate.Show({u"文件:b已经存在，是否覆盖？"_qs, QString()}, goneContext,
                              [&answers](MessageBoxes::Answer a) { answers.push_back(a); }));
        delete goneContext;  // its question concerns something that went: never shown
    };
    later.front()();
    EXPECT_EQ(boxes.shown, (std::vector<QString>{u"请续费"_qs, u"文件:a已经存在，是否覆盖？"_qs}));
    EXPECT_EQ(answers, std::vector<MessageBoxes::Answer>{MessageBoxes::Answer::Yes});
    EXPECT_EQ(later.size(), 1u);  // the boxes that came meanwhile needed no second call
    EXPECT_FALSE(gate.Showing());

    // Closed: the same reminder again is a new box.
    EXPECT_TRUE(gate.Show(reminder));
    ASSERT_EQ(later.size(), 2u);
    later.back()();
    EXPECT_EQ(boxes.shown.size(), 3u);

    // A question someone waits for is asked however like the others it reads.
    const MessageBoxes::Box question{u"文件:c已经存在，是否覆盖？"_qs, QString()};
    const auto answer = [&answers](MessageBoxes::Answer a) { answers.push_back(a); };
    answers.clear();
    boxes.during = [&] { EXPECT_TRUE(gate.Show(question, &gone, answer)); };
    EXPECT_TRUE(gate.Show(question, &gone, answer));
    EXPECT_TRUE(gate.Show(question, &gone, answer));
    ASSERT_EQ(later.size(), 3u);
    later.back()();
    EXPECT_EQ(boxes.shown.size(), 6u);
    EXPECT_EQ(answers.size(), 3u);
}

}  // namespace
}  // namespace tessan
