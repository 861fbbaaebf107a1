// The record of long steps a probe reads: nothing while off, nested and running steps while
// on, steps of other threads told apart, and a bounded record that old steps cannot spoil.
#include "base/StepTrace.h"

#include <QThread>

#include <cstring>
#include <memory>
#include <optional>

#include <gtest/gtest.h>

namespace {

std::vector<StepTrace::Entry> Named(const char* name, qint64 from, qint64 to) {
    std::vector<StepTrace::Entry> found;
    for (const StepTrace::Entry& e : StepTrace::Overlapping(from, to)) {
        if (std::strcmp(e.name, name) == 0)
            found.push_back(e);
    }
    return found;
}

} // namespace

TEST(StepTrace, StepsAreRecordedOnlyWhileOnWithTheirNestingAndThread) {
    StepTrace::Enable(false);
    { const StepTrace::Step off("off"); }
    StepTrace::Enable(true);
    const qint64 start = StepTrace::Now();
    std::optional<StepTrace::Step> running;
    {
        const StepTrace::Step outer("outer");
        { const StepTrace::Step inner("inner"); }
        running.emplace("running");
    }
    std::unique_ptr<QThread> thread(QThread::create([] { const StepTrace::Step step("worker"); }));
    thread->start();
    thread->wait();
    const qint64 end = StepTrace::Now();

    EXPECT_TRUE(Named("off", 0, end).empty());
    const auto outer = Named("outer", start, end);
    const auto inner = Named("inner", start, end);
    ASSERT_EQ(outer.size(), 1u);
    ASSERT_EQ(inner.size(), 1u);
    EXPECT_LE(outer[0].startNs, inner[0].startNs);
    EXPECT_LE(inner[0].endNs, outer[0].endNs);
    EXPECT_TRUE(outer[0].gui);
    // A step still running overlaps whatever comes after its start.
    const auto running1 = Named("running", end, end + 1000000000);
    ASSERT_EQ(running1.size(), 1u);
    EXPECT_EQ(running1[0].endNs, -1);
    // A finished step does not overlap what comes after its end.
    EXPECT_TRUE(Named("outer", outer[0].endNs + 1, end + 1000000000).empty());
    const auto worker = Named("worker", start, end);
    ASSERT_EQ(worker.size(), 1u);
    EXPECT_FALSE(worker[0].gui);
    running.reset();
    EXPECT_GE(Named("running", start, StepTrace::Now())[0].endNs, end);
    StepTrace::Enable(false);
}

TEST(StepTrace, AStepOlderThanTheRecordEndsWithoutTouchingNewerSteps) {
    StepTrace::Enable(true);
    auto old = std::make_unique<StepTrace::Step>("old");
    for (int i = 0; i < 10000; ++i) {
        const StepTrace::Step step("short");
    }
    const qint64 shortEnded = StepTrace::Now();
    old.reset();
    const auto shorts = Named("short", 0, StepTrace::Now());
    EXPECT_LT(shorts.size(), 10000u); // the record is bounded
    EXPECT_GT(shorts.size(), 1000u);
    for (const StepTrace::Entry& e : shorts)
        EXPECT_LE(e.endNs, shortEnded);
    EXPECT_TRUE(Named("old", 0, StepTrace::Now()).empty());
    StepTrace::Enable(false);
}
