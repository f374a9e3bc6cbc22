// What the terminal player sends for every song of the repository and every song made by
// rule (tools/log_guard), compared with the recording in tests/recorded/. A deliberate
// change of the output is recorded anew with `make record-logs`.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

TEST(LogGuard, EverySongSendsWhatWasRecorded) {
    // The tests run in the build folder, beside orvanel-play and the tools.
    const std::string cmd = std::string("./log_guard check --source '") + ORVANEL_SOURCE_DIR +
                            "' --play ./orvanel-play 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string report;
    char line[1024];
    while (std::fgets(line, sizeof line, p)) report += line;
    const int raw = pclose(p);
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << report;
    EXPECT_NE(report.find(" as recorded"), std::string::npos) << report;
}

}  // namespace
