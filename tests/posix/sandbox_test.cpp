// The native tests run as root on the developer's own machine, so tools/run-test.sh runs
// them where nothing but their temporary folder (and their results folder) can be
// written. This checks, without writing anything, that the sandbox really holds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "tests/posix/support/run_program.h"

namespace {

TEST(Sandbox, OnlyTheTemporaryFolderIsWritable) {
    const char* state = std::getenv("ORVANEL_TEST_SANDBOX");
    const char* tmp = std::getenv("TMPDIR");
    if (!state || std::string(state) == "off") GTEST_SKIP() << "not run by tools/run-test.sh, or left out on purpose";
    if (std::string(state) != "1") {
        // Left out: right only where it cannot be had.
        if (geteuid() != 0) GTEST_SKIP() << "not root: the tests cannot write the machine's files";
        ProgramRun run;
        run.args = {"unshare", "--mount", "true"};
        run.seconds = 30;
        EXPECT_NE(runProgram(run).exitCode, 0) << "root with mount namespaces, yet the tests ran unsandboxed";
        return;
    }
    ASSERT_TRUE(tmp && *tmp);
    const std::string scratch = tmp;
    // access() asks without writing: the tree, the build and the devices refuse.
    const struct {
        std::string path;
        bool writable;
    } kPaths[] = {
        {scratch, true},       {ORVANEL_SOURCE_DIR, false}, {ORVANEL_BUILD_DIR, false},
        {"/tmp", false},       {"/dev", false},             {"/", false},
        {"/etc", false},       {"/var", false},
    };
    for (const auto& p : kPaths) {
        errno = 0;
        const int rc = access(p.path.c_str(), W_OK);
        EXPECT_EQ(rc == 0, p.writable) << p.path;
        if (!p.writable) {
            EXPECT_EQ(errno, EROFS) << p.path;
        }
    }
}

}  // namespace
