// How a transfer's steps reach the host: the step thread that writes or sends chunks for a reader
// or sender thread, and the host's thread delivering closely following steps.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "host_link.h"
#include "lib_fixture.h"
#include "step_pipe.h"

namespace tessnet::testing {
namespace {

std::vector<std::uint8_t> ProgressOf(std::uint16_t step) {
    std::vector<std::uint8_t> record(TESS_PROGRESS_SIZE, 0);
    PutU16(record.data() + TESS_PROGRESS_OFF_PERCENT, step);
    return record;
}

TEST_F(LibTest, EveryStepsEffectComesBeforeItsNotificationAndAfterTheOneBefore) {
    constexpr std::uint16_t kSteps = 200;
    std::mutex mutex;
    std::vector<std::string> log;
    host_.on_note = [&](const Note& note) {
        std::lock_guard lock(mutex);
        log.push_back("n" + std::to_string(note.Percent()));
    };
    auto slot = std::make_shared<ThreadSlot>();
    std::atomic<bool> done{false};
    slot->Start([&] {
        StepPipe pipe;
        for (std::uint16_t i = 1; i <= kSteps; ++i) {
            AwaitNotice();
            pipe.Hand(
                slot,
                [&, i] {
                    std::lock_guard lock(mutex);
                    log.push_back("e" + std::to_string(i));
                    return true;
                },
                TESS_NOTE_PROGRESS, ProgressOf(i));
        }
        AwaitNotice();
        done = true;
    });
    ASSERT_TRUE(host_.RunUntil([&] { return done.load(); }, std::chrono::seconds(60)));
    slot->StopWithin(std::chrono::seconds(5));
    std::vector<std::string> expected;
    for (std::uint16_t i = 1; i <= kSteps; ++i) {
        expected.push_back("e" + std::to_string(i));
        expected.push_back("n" + std::to_string(i));
    }
    EXPECT_EQ(log, expected);
}

TEST_F(LibTest, AFailedStepIsNotReportedAndReleasesItsThread) {
    auto slot = std::make_shared<ThreadSlot>();
    std::atomic<bool> done{false};
    bool awaited = true, failedAfter = false, clearedAfter = true;
    slot->Start([&] {
        StepPipe pipe;
        pipe.Hand(
            slot, [] { return false; }, TESS_NOTE_PROGRESS, ProgressOf(1));
        awaited = AwaitNotice();
        failedAfter = pipe.failed();
        pipe.ClearFailure();
        clearedAfter = pipe.failed();
        // The pipe goes on with the next step.
        pipe.Hand(
            slot, [] { return true; }, TESS_NOTE_PROGRESS, ProgressOf(2));
        AwaitNotice();
        done = true;
    });
    ASSERT_TRUE(host_.RunUntil([&] { return done.load(); }));
    slot->StopWithin(std::chrono::seconds(5));
    EXPECT_FALSE(awaited);
    EXPECT_TRUE(failedAfter);
    EXPECT_FALSE(clearedAfter);
    const auto notes = host_.NotesOfType(TESS_NOTE_PROGRESS);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].Percent(), 2);
}

TEST_F(LibTest, AStopWhileAStepWaitsForTheHostCancelsItsNotification) {
    auto slot = std::make_shared<ThreadSlot>();
    std::atomic<bool> handed{false}, returned{false};
    slot->Start([&] {
        StepPipe pipe;
        pipe.Hand(
            slot, [] { return true; }, TESS_NOTE_PROGRESS, ProgressOf(1));
        handed = true;
        AwaitNotice();
        returned = true;
    });
    // The host does not run its loop, so the notification stays posted; the stop releases the
    // waiting thread and the notification never runs.
    ASSERT_TRUE(host_.WaitPosted(1));
    slot->StopWithin(std::chrono::seconds(5));
    EXPECT_TRUE(handed);
    EXPECT_TRUE(returned);
    host_.RunUntil([] { return false; }, std::chrono::milliseconds(50));
    EXPECT_EQ(host_.CountType(TESS_NOTE_PROGRESS), 0u);
}

TEST_F(LibTest, ClosePacedStepsLeaveTheHostItsLoopEveryFewMilliseconds) {
    // A thread that reports steps as fast as the host takes them: the host's thread delivers
    // them one after the other, but its own queued work still runs long before the stream ends.
    constexpr std::size_t kSteps = 20000;
    auto slot = std::make_shared<ThreadSlot>();
    std::atomic<bool> done{false};
    slot->Start([&] {
        StepPipe pipe;
        for (std::size_t i = 0; i < kSteps; ++i) {
            AwaitNotice();
            pipe.Hand(
                slot, [] { return true; }, TESS_NOTE_PROGRESS, ProgressOf(1));
        }
        AwaitNotice();
        done = true;
    });
    struct Probe {
        EventLoopHost* host;
        std::size_t stepsSeen = 0;
        bool ran = false;
    } probe{&host_};
    host_.on_note = [&](const Note&) {
        // Well into a stretch of steps delivered without returning to the host's loop.
        if (host_.progress_count() != 100) return;
        host_.descriptor()->post(
            host_.descriptor()->context,
            [](void* arg) {
                auto* p = static_cast<Probe*>(arg);
                p->stepsSeen = p->host->progress_count();
                p->ran = true;
            },
            &probe);
    };
    ASSERT_TRUE(host_.RunUntil([&] { return done.load(); }, std::chrono::seconds(60)));
    slot->StopWithin(std::chrono::seconds(5));
    ASSERT_TRUE(probe.ran);
    EXPECT_LT(probe.stepsSeen, kSteps / 2);
    EXPECT_EQ(host_.progress_count(), kSteps);
}

}  // namespace
}  // namespace tessnet::testing
