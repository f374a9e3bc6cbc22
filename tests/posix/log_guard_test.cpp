// What the terminal player sends for every song of the repository and every song made by
// rule (tools/log_guard), compared with the recording in tests/recorded/. A deliberate
// change of the output is recorded anew with `make record-logs`.
#include <gtest/gtest.h>

#include <string>

#include "tests/posix/support/run_program.h"

namespace {

TEST(LogGuard, EverySongSendsWhatWasRecorded) {
    ProgramRun run;
    run.args = {builtProgram("log_guard"), "check", "--source", ORVANEL_SOURCE_DIR, "--play",
                builtProgram("orvanel-play")};
    run.seconds = 600;  // hundreds of runs of the player, under a sanitizer on a busy machine
    const ProgramResult r = runProgram(run);
    const std::string report = r.out + r.err;
    EXPECT_EQ(r.exitCode, 0) << report;
    EXPECT_NE(report.find(" as recorded"), std::string::npos) << report;
}

}  // namespace
