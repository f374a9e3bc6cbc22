// The native tests run as root on the developer's own machine, so tools/run-test.sh runs
// them where nothing but their temporary folder (and their results folder) can be
// written. This checks, without writing anything, that the sandbox really holds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/posix/support/run_program.h"

namespace {

// Mount points that stay writable: the kernel's own and the terminals.
bool exempt(const std::string& target) {
    for (const char* top : {"/proc", "/dev/pts", "/dev/shm"}) {
        const std::string t = top;
        if (target == t || target.compare(0, t.size() + 1, t + "/") == 0) return true;
    }
    return false;
}

// A path as /proc/self/mountinfo writes it, with \040 for a space and the like.
std::string unescaped(const std::string& field) {
    std::string path;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            path += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            path += field[i];
        }
    }
    return path;
}

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
    // The folder the results go to (GTEST_OUTPUT=xml:FOLDER/NAME.xml) is writable too.
    const char* output = std::getenv("GTEST_OUTPUT");
    std::string results = output ? output : "";
    results = results.compare(0, 4, "xml:") == 0 ? results.substr(4, results.rfind('/') - 4) : "";

    // Every other mount is read-only, the scratch folder is not.
    std::ifstream mounts("/proc/self/mountinfo");
    std::string line;
    bool scratchMounted = false;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, target, options;
        fields >> id >> parent >> device >> root >> target >> options;
        target = unescaped(target);
        const bool readOnly = options == "ro" || options.compare(0, 3, "ro,") == 0;
        if (target == scratch) {
            scratchMounted = true;
            EXPECT_FALSE(readOnly) << line;
        } else if (!exempt(target) && target.compare(0, scratch.size() + 1, scratch + "/") != 0 &&
                   target != results) {
            EXPECT_TRUE(readOnly) << line;
        }
    }
    EXPECT_TRUE(scratchMounted);

    // access() asks without writing: the tree, the build and the devices refuse.
    const struct {
        std::string path;
        bool writable;
    } kPaths[] = {
        {scratch, true},       {ORVANEL_SOURCE_DIR, false}, {ORVANEL_BUILD_DIR, false},
        {"/tmp", false},       {"/dev", false},             {"/", false},
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
