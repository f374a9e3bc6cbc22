// What the terminal player sends for every song of the repository and every song made by
// rule (tools/log_guard), compared with the recording in tests/recorded/. A deliberate
// change of the output is recorded anew with `make record-logs`. The songs are checked in
// parts, one test each, so the parts run side by side; together they check every song.
#include <gtest/gtest.h>

#include <string>

#include "tests/posix/support/run_program.h"

namespace {

constexpr int kParts = 4;

class LogGuard : public ::testing::TestWithParam<int> {};

TEST_P(LogGuard, EverySongSendsWhatWasRecorded) {
    ProgramRun run;
    run.args = {builtProgram("log_guard"), "check", "--source", ORVANEL_SOURCE_DIR, "--play",
                builtProgram("orvanel-play"), "--part", std::to_string(GetParam()) + "/" + std::to_string(kParts)};
    run.seconds = 600;  // a hundred and more runs of the player, under a sanitizer on a busy machine
    const ProgramResult r = runProgram(run);
    const std::string report = r.out + r.err;
    EXPECT_EQ(r.exitCode, 0) << report;
    EXPECT_NE(report.find(" as recorded (part " + std::to_string(GetParam())), std::string::npos) << report;
}

INSTANTIATE_TEST_SUITE_P(Part, LogGuard, ::testing::Range(1, kParts + 1));

}  // namespace
