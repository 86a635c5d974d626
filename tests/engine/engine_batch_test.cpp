// The batches nec2c runs in: no more runs at once than cores, the most wanted first, and a
// cancel that ends every run of its batch, under way or waiting, and no other's.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine_batch.h"
#include "model_error.h"
#include "stand_in_engine.h"

namespace zandrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A stand-in that notes its deck's first line in `order` beside it, says it started, and runs
// until it is killed.
const std::string NotingHangingEngine =
    "#!/bin/sh\n"
    "here=${0%/*}\n"
    "IFS= read -r first < deck.nec\n"
    "echo \"$first\" >> \"$here/order\"\n"
    "echo $$ > \"$here/started\"\n"
    "trap '' INT TERM HUP\n"
    "/bin/sleep 100000 &\n"
    "wait\n";

class EngineBatches : public testing::Test {
  protected:
    void SetUp() override {
        const char* path = std::getenv("PATH");
        savedPath_ = path != nullptr ? path : "";
        standIn_ = std::make_unique<test_support::StandInEngine>(NotingHangingEngine);
        setenv("PATH", standIn_->Folder().c_str(), 1);
    }
    void TearDown() override { setenv("PATH", savedPath_.c_str(), 1); }

    std::vector<std::string> Order() const {
        std::ifstream file(standIn_->Folder() / "order");
        std::vector<std::string> lines;
        for (std::string line; std::getline(file, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    // Queues one run of a deck whose first line is `name`; its error, once it ends, joins
    // `errors`.
    void QueueRun(EngineBatch& batch, const std::string& name, int priority) {
        batch.Queue(
            [this, name](const DeckEvaluator& run) {
                try {
                    run(name + "\nEN\n");
                } catch (const ModelError& error) {
                    const std::lock_guard lock(mutex_);
                    errors_.push_back(error);
                }
            },
            priority);
    }

    std::unique_ptr<test_support::StandInEngine> standIn_;
    std::mutex mutex_;
    std::vector<ModelError> errors_;

  private:
    std::string savedPath_;
};

TEST_F(EngineBatches, RunNoMoreDecksAtOnceThanCoresAndTheMostWantedFirstWhenCoresFree) {
    const auto cores = static_cast<std::size_t>(EngineRunsAtOnce());
    EngineBatch busy;
    for (std::size_t i = 0; i < cores; ++i) {
        QueueRun(busy, "CM busy", 0);
    }
    ASSERT_EQ(standIn_->WaitForStarts(cores, 20s).size(), cores);

    EngineBatch waiting;
    for (std::size_t i = 0; i < cores; ++i) {
        QueueRun(waiting, "CM less wanted", 1);
    }
    QueueRun(waiting, "CM most wanted", 2);
    EXPECT_EQ(standIn_->WaitForStarts(cores + 1, 300ms).size(), cores);

    // Every core that frees starts a run, the most wanted among them; one less wanted waits.
    busy.Cancel();
    ASSERT_EQ(standIn_->WaitForStarts(2 * cores, 20s).size(), 2 * cores);
    std::vector<std::string> started = Order();
    started.erase(started.begin(), started.begin() + static_cast<std::ptrdiff_t>(cores));
    EXPECT_EQ(std::count(started.begin(), started.end(), "CM most wanted"), 1);
    EXPECT_EQ(std::count(started.begin(), started.end(), "CM less wanted"),
              static_cast<std::ptrdiff_t>(cores) - 1);
    waiting.Cancel();
    EXPECT_EQ(errors_.size(), 2 * cores + 1);
}

TEST_F(EngineBatches, CancelEndsEveryRunOfTheBatchUnderWayOrWaitingAndTakesNewWorkAfter) {
    const auto cores = static_cast<std::size_t>(EngineRunsAtOnce());
    EngineBatch other;
    QueueRun(other, "CM another batch", 0);
    ASSERT_EQ(standIn_->WaitForStarts(1, 20s).size(), 1u);

    EngineBatch batch;
    for (std::size_t i = 0; i < cores + 1; ++i) {
        QueueRun(batch, "CM cancelled", 0);
    }
    ASSERT_EQ(standIn_->WaitForStarts(cores, 20s).size(), cores);
    batch.Cancel();
    {
        const std::lock_guard lock(mutex_);
        ASSERT_EQ(errors_.size(), cores + 1);
        for (const ModelError& error : errors_) {
            EXPECT_EQ(error.Kind(), ModelErrorKind::EngineFailed);
            EXPECT_EQ(error.Detail(), "the nec2c run was stopped");
        }
    }
    const std::vector<pid_t> started = standIn_->WaitForStarts(0, 0ms);
    EXPECT_TRUE(test_support::EndsWithin(started[1], 5s));
    EXPECT_FALSE(test_support::EndsWithin(started[0], 0ms)) << "another batch's run was stopped";
    EXPECT_FALSE(batch.Stopped());

    QueueRun(batch, "CM after the cancel", 0);
    ASSERT_EQ(standIn_->WaitForStarts(cores + 1, 20s).size(), cores + 1);
    EXPECT_EQ(Order().back(), "CM after the cancel");
}

}  // namespace
}  // namespace zandrel
