// tools/check-includes.sh on small trees planted in the scratch folder: its verdict on a
// clean tree, on an upward include (in a header as well as a source file) and on two
// sibling folders, and the file, line and rule it names.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/posix/support/run_program.h"

std::string scratchPath(const char* name);

namespace {

struct PlantedFile {
    const char* path;  // below the tree
    const char* text;
};

struct FloorCase {
    const char* name;  // also the tree's folder
    std::vector<PlantedFile> files;
    int exitCode;
    std::vector<const char*> named;  // "file:line: ..." starts the checker must print
    const char* rule;                // a part of its rule message, when it fails
};

// Every folder of path below root, then the file.
void plant(const std::string& root, const PlantedFile& f) {
    const std::string path = f.path;
    for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
        mkdir((root + "/" + path.substr(0, slash)).c_str(), 0755);
    std::ofstream(root + "/" + path) << f.text;
}

const std::vector<FloorCase> kFloorCases = {
    {"clean",
     {{"shell/program.h", "#pragma once\n#include \"display/list_view.h\"\n#include \"core/settings.h\"\n"},
      {"shell/win32/window.cpp", "#include \"shell/program.h\"\n#include <windows.h>\n"},
      {"sequencer/sequencer.cpp", "#include \"midi/port.h\"\n"},
      {"midi/port.h", "#include \"sequencer/step.h\"\n#include \"platform/files.h\"\n"},
      {"autoplay/walker.cpp", "#include \"core/text.h\"\n// #include \"shell/program.h\" in a comment\n"},
      {"tests/any_test.cpp", "#include \"cli/options.h\"\n"}},
     0, {}, nullptr},
    {"upward-header",
     {{"core/clock.h", "#pragma once\n#include <cstdint>\n#include \"shell/program.h\"\n"},
      {"shell/program.h", "#pragma once\n"}},
     1, {"core/clock.h:3: #include \"shell/program.h\""}, "core/ may include only core/ platform/"},
    {"upward-source",
     {{"platform/posix/files.cpp", "  #  include \"sequencer/sequencer.h\"\n"},
      {"sequencer/sequencer.h", "#pragma once\n"}},
     1, {"platform/posix/files.cpp:1:"}, "platform/ may include only platform/"},
    {"siblings",
     {{"autoplay/folder_search.cpp", "#include \"ghost/ghost_link.h\"\n"},
      {"ghost/ghost_link.h", "#include \"autoplay/play_list.h\"\n"},
      {"autoplay/play_list.h", "#pragma once\n"}},
     1, {"autoplay/folder_search.cpp:1:", "ghost/ghost_link.h:1:"}, "may include only"},
    {"no-product-folder",
     {{"display/list_view.cpp", "#include \"tests/support/capture.h\"\n"}},
     1, {"display/list_view.cpp:1:"}, "tests/ is no product folder"},
};

TEST(IncludeFloors, TheCheckerJudgesPlantedTrees) {
    const std::string checker = std::string(ORVANEL_SOURCE_DIR) + "/tools/check-includes.sh";
    const std::string top = scratchPath("floors");
    mkdir(top.c_str(), 0755);
    for (const FloorCase& c : kFloorCases) {
        SCOPED_TRACE(c.name);
        const std::string root = top + "/" + c.name;
        ASSERT_EQ(mkdir(root.c_str(), 0755), 0);
        for (const PlantedFile& f : c.files) plant(root, f);
        ProgramRun run;
        run.args = {"bash", checker, root};
        run.seconds = 60;
        const ProgramResult r = runProgram(run);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
        size_t violations = 0;
        for (const std::string& line : r.outLines()) violations += line.find(".h:") != std::string::npos ||
                                                                   line.find(".cpp:") != std::string::npos;
        EXPECT_EQ(violations, c.named.size()) << r.out;
        for (const char* start : c.named) EXPECT_NE(r.out.find(start), std::string::npos) << start << "\n" << r.out;
        if (c.rule) {
            EXPECT_NE(r.out.find(c.rule), std::string::npos) << r.out;
        }
    }
}

}  // namespace
