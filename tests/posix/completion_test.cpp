// The Bash and zsh completions of orvanel-play offer every option of its table and every
// device of the build, the choices of an option's value, and song files, play lists and
// folders: they read them from the built program's --help.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "cli/options.h"
#include "platform/posix/device_table.h"
#include "tests/posix/support/run_program.h"

std::string scratchPath(const char* name);

namespace {

using Words = std::set<std::string>;

const std::string kSource = ORVANEL_SOURCE_DIR;

Words lines(const std::string& text) {
    Words words;
    size_t at = 0;
    for (size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        if (end > at) words.insert(text.substr(at, end - at));
    return words;
}

// What Bash offers for the command line typed (the cursor at its end), run in folder.
Words bashOffers(const std::string& typed, const std::string& folder) {
    ProgramRun r;
    r.args = {"bash", "-c",
              "cd \"$1\" && source \"$2\" && COMP_LINE=$3 COMP_POINT=${#3} && COMP_WORDS=(\"$4\") && "
              "_orvanel_play; printf '%s\\n' \"${COMPREPLY[@]}\"",
              "bash", folder, kSource + "/cli/completion/orvanel-play.bash", typed, builtProgram("orvanel-play")};
    return lines(runProgram(r).out);
}

TEST(Completion, BashOffersTheOptionsDevicesValuesAndSongs) {
    const std::string dir = scratchPath("completion");
    mkdir(dir.c_str(), 0755);
    mkdir((dir + "/tree").c_str(), 0755);
    for (const char* name : {"a.mid", "b.KAR", "list.m3u8", "notes.txt", "out.wav"})
        close(creat((dir + "/" + name).c_str(), 0644));
    Words options;
    for (const OptionRow& row : optionRows()) options.insert(std::string("--") + row.name + (row.value ? "=" : ""));
    Words devices = {"log"};
    for (const DeviceRow& row : nativeDeviceRows()) devices.insert(row.name);
    const Words offered = bashOffers("orvanel-play --device=", dir);
    for (const std::string& device : devices)
        EXPECT_TRUE(offered.count(device) || offered.count(device + ":")) << device;
    struct Case {
        std::string typed;
        Words offers;
    } cases[] = {
        {"orvanel-play --", options},
        {"orvanel-play --speed=", {"50", "100", "200"}},
        {"orvanel-play --fast --bank-mode ", {"0", "1", "2", "3", "4"}},
        {"orvanel-play --device=wav:o", {"out.wav"}},  // Bash replaces what follows the ':'
        {"orvanel-play --fast ", {"a.mid", "b.KAR", "list.m3u8", "tree"}},
        {"orvanel-play --seed ", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(bashOffers(c.typed, dir), c.offers) << c.typed;
}

// zsh's completion system needs a terminal; its _arguments is replaced by one that prints
// the option specifications the completion made from the help.
TEST(Completion, ZshSpecifiesEveryOptionAndItsChoices) {
    if (access("/usr/bin/zsh", X_OK) != 0 && access("/bin/zsh", X_OK) != 0) GTEST_SKIP() << "zsh is not installed";
    ProgramRun r;
    r.args = {"zsh", "-f", "-c",
              "_arguments() { print -rl -- \"$@\" }; _call_program() { shift; eval \"$@\" }; words=(\"$2\"); "
              "source \"$1\"",
              "zsh", kSource + "/cli/completion/_orvanel-play", builtProgram("orvanel-play")};
    const ProgramResult result = runProgram(r);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    Words names;
    for (const std::string& spec : lines(result.out)) names.insert(spec.substr(0, spec.find_first_of("[=")));
    for (const OptionRow& row : optionRows()) EXPECT_TRUE(names.count(std::string("--") + row.name)) << row.name;
    EXPECT_NE(result.out.find("]:50|100|200:(50 100 200)\n"), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find(":0..4:(0 1 2 3 4)\n"), std::string::npos) << result.out;
}

}  // namespace
