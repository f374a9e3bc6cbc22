// orvanel-play as it installs: make install's files below a DESTDIR and make uninstall
// taking them away, a man page without warnings, the Debian package's contents and
// dependencies, and the README and the man page saying what --help says.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "cli/exit_codes.h"
#include "cli/options.h"
#include "platform/posix/device_table.h"
#include "tests/posix/support/run_program.h"

std::string scratchPath(const char* name);

namespace {

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
    return text;
}

// The part of text from the line that starts with `start` to the next that starts with
// `next` (or the end).
std::string section(const std::string& text, const std::string& start, const std::string& next) {
    const size_t from = text.find("\n" + start);
    if (from == std::string::npos) return "";
    const size_t to = text.find("\n" + next, from + 1);
    return text.substr(from, to == std::string::npos ? std::string::npos : to + 1 - from);
}

ProgramResult run(std::vector<std::string> args, std::vector<std::string> env = {}) {
    ProgramRun r;
    r.args = std::move(args);
    r.env = std::move(env);
    r.seconds = 300;
    return runProgram(r);
}

// The build's install rules (what cmake --install runs) into DESTDIR=dest below prefix.
// The manifest the rules write goes to the scratch folder instead of the build folder:
// the tests write nothing outside it.
ProgramResult install(const std::string& dest, const std::string& prefix) {
    const std::string build = ORVANEL_BUILD_DIR, script = scratchPath("install.cmake");
    const std::string manifest = "file(WRITE \"" + build + "/${CMAKE_INSTALL_MANIFEST}\"";
    std::string rules = readText(build + "/cmake_install.cmake");
    const size_t at = rules.find(manifest);
    EXPECT_NE(at, std::string::npos) << "the install rules no longer write their manifest as expected";
    if (at != std::string::npos)
        rules.replace(at, manifest.size(), "file(WRITE \"" + scratchPath("${CMAKE_INSTALL_MANIFEST}") + "\"");
    std::ofstream(script) << rules;
    // Stripped, as make install --strip and the package install them.
    return run({"cmake", "-DCMAKE_INSTALL_PREFIX=" + prefix, "-DCMAKE_INSTALL_DO_STRIP=1", "-P", script},
               {"DESTDIR=" + dest});
}

// The man page as built, with groff's escaped hyphens as plain ones.
std::string manPage() { return replaceAll(readText(builtProgram("orvanel-play.1")), "\\-", "-"); }

// Every file below folder, relative to it.
std::set<std::string> filesBelow(const std::string& folder) {
    std::set<std::string> files;
    for (const std::string& line : run({"find", folder, "-type", "f"}).outLines()) files.insert(line.substr(folder.size()));
    return files;
}

TEST(Install, IntoADestdirAndOutAgain) {
    // zsh finds a package's completions in vendor-completions, a local install's in
    // site-functions.
    const std::pair<std::string, std::string> prefixes[] = {{"/usr", "vendor-completions"},
                                                            {"/opt/o", "site-functions"}};
    for (const auto& prefix : prefixes) {
        const std::string dest = scratchPath("destdir"), at = dest + prefix.first;
        ASSERT_EQ(install(dest, prefix.first).exitCode, 0);
        std::set<std::string> expected = {
            "/bin/orvanel-play", "/share/man/man1/orvanel-play.1.gz", "/share/doc/orvanel-play/copyright",
            "/share/doc/orvanel-play/changelog.gz", "/share/bash-completion/completions/orvanel-play",
            "/share/zsh/" + prefix.second + "/_orvanel-play"};
#ifdef ORVANEL_HAVE_FLUIDSYNTH
        expected.insert("/libexec/orvanel-play/orvanel-synth.so");
        // The installed player finds its synth module: a missing SoundFont is what it meets.
        const ProgramResult synth = run({at + "/bin/orvanel-play", "--device=synth:/no/such.sf2",
                                         std::string(ORVANEL_SOURCE_DIR) + "/samples/demo.mid"});
        EXPECT_EQ(synth.err.find("module"), std::string::npos) << synth.err;
#ifdef ORVANEL_HAVE_ALSA
        expected.insert("/libexec/orvanel-play/orvanel-alsa.so");
        const ProgramResult alsa = run({at + "/bin/orvanel-play", "--device=alsa:no-such-client:0",
                                        std::string(ORVANEL_SOURCE_DIR) + "/samples/demo.mid"});
        EXPECT_EQ(alsa.err.find("module"), std::string::npos) << alsa.err;
#endif
#endif
        EXPECT_EQ(filesBelow(at), expected) << prefix.first;
        EXPECT_EQ(run({at + "/bin/orvanel-play", "--version"}).exitCode, 0);
        const ProgramResult shown =
            run({"man", "-l", at + "/share/man/man1/orvanel-play.1.gz"}, {"MANPAGER=cat", "MANWIDTH=100", "LANG=C.UTF-8"});
        EXPECT_EQ(shown.exitCode, 0) << shown.err;
        for (const char* heading : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "DEVICES", "KEYS", "EXIT STATUS",
                                    "FILES", "EXAMPLES"})
            EXPECT_NE(shown.out.find(std::string("\n") + heading + "\n"), std::string::npos) << heading;

        EXPECT_EQ(run({"make", "-s", "-C", ORVANEL_SOURCE_DIR, "uninstall", "PREFIX=" + prefix.first, "DESTDIR=" + dest})
                      .exitCode,
                  0);
        EXPECT_EQ(filesBelow(at), std::set<std::string>()) << prefix.first;
        run({"rm", "-rf", dest});
    }
    const ProgramResult groff = run({"groff", "-man", "-ww", "-z", builtProgram("orvanel-play.1")});
    EXPECT_EQ(groff.exitCode, 0);
    EXPECT_EQ(groff.err, "") << "groff warns about the man page";
}

TEST(Install, TheDebianPackageHoldsThePlayerAndNamesItsLibraries) {
    // cpack would install the project itself, building and writing in the build folder:
    // it packs the files installed into the scratch folder, below the package's prefix.
    const std::string out = scratchPath("deb"), dest = scratchPath("debroot");
    const std::string config = std::string(ORVANEL_BUILD_DIR) + "/CPackConfig.cmake";
    std::smatch prefix;
    const std::string settings = readText(config);
    ASSERT_TRUE(std::regex_search(settings, prefix, std::regex("set\\(CPACK_PACKAGING_INSTALL_PREFIX \"([^\"]+)\"\\)")));
    ASSERT_EQ(install(dest, prefix[1]).exitCode, 0);
    const ProgramResult packed = run({"cpack", "-G", "DEB", "-B", out, "--config", config, "-D",
                                      "CPACK_INSTALL_CMAKE_PROJECTS=", "-D", "CPACK_INSTALLED_DIRECTORIES=" + dest + ";."});
    ASSERT_EQ(packed.exitCode, 0) << packed.out << packed.err;
    const std::string architecture = run({"dpkg", "--print-architecture"}).outLines().at(0);
    const std::string deb = out + "/orvanel-play_" + projectVersion() + "_" + architecture + ".deb";
    ASSERT_EQ(access(deb.c_str(), R_OK), 0) << deb << "\n" << packed.out;

    const std::string info = run({"dpkg-deb", "-I", deb}).out;
    EXPECT_NE(info.find("Package: orvanel-play\n"), std::string::npos) << info;
    std::smatch depends;
    ASSERT_TRUE(std::regex_search(info, depends, std::regex("\n Depends: ([^\n]*)"))) << info;
    std::vector<std::string> libraries = {"libc6", "libstdc++6"};
#ifdef ORVANEL_HAVE_ALSA
    libraries.push_back("libasound2");
#endif
#ifdef ORVANEL_HAVE_FLUIDSYNTH
    libraries.push_back("libfluidsynth");
#endif
    for (const std::string& library : libraries) EXPECT_NE(depends[1].str().find(library), std::string::npos) << library;

    const std::string contents = run({"dpkg-deb", "-c", deb}).out;
    std::vector<std::string> files = {"./usr/bin/orvanel-play", "./usr/share/man/man1/orvanel-play.1.gz",
                                      "./usr/share/doc/orvanel-play/copyright", "./usr/share/doc/orvanel-play/changelog.gz",
                                      "./usr/share/bash-completion/completions/orvanel-play",
                                      "./usr/share/zsh/vendor-completions/_orvanel-play"};
#ifdef ORVANEL_HAVE_FLUIDSYNTH
    files.push_back("./usr/libexec/orvanel-play/orvanel-synth.so");
#ifdef ORVANEL_HAVE_ALSA
    files.push_back("./usr/libexec/orvanel-play/orvanel-alsa.so");
#endif
#endif
    for (const std::string& file : files)
        EXPECT_NE(contents.find(std::string(" ") + file + "\n"), std::string::npos) << file << "\n" << contents;

    // Neither error nor warning, and no informational tag of a missing hardening (PIE,
    // RELRO, BINDNOW, FORTIFY).
    if (access("/usr/bin/lintian", X_OK) != 0) GTEST_SKIP() << "lintian is not installed (tools/setup.sh test)";
    // A sanitizer build (unoptimised, its own link flags) is not what ships: only its errors
    // and warnings count.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    const bool shipped = false;
#else
    const bool shipped = true;
#endif
    const ProgramResult lintian = run({"lintian", "--display-info", "--tag-display-limit", "0", deb});
    for (const std::string& line : lintian.outLines())
        EXPECT_FALSE(line.rfind("E: ", 0) == 0 || line.rfind("W: ", 0) == 0 ||
                     (shipped && line.find(" hardening-") != std::string::npos))
            << line;
    EXPECT_NE(lintian.exitCode, 2) << lintian.err;
}

// --help is made from the tables of options, devices and exit statuses; the man page and
// the README are held to the same tables.
TEST(Docs, TheReadmeAndTheManPageSayWhatTheHelpSays) {
    const std::string man = manPage();
    const std::string readme = section(readText(std::string(ORVANEL_SOURCE_DIR) + "/README.md"), "## orvanel-play", "## ");
    ASSERT_FALSE(readme.empty());
    // Every option in the man page's list; neither names one that is not.
    std::set<std::string> options;
    for (const OptionRow& row : optionRows()) options.insert(std::string("--") + row.name);
    for (const std::string& option : options)
        EXPECT_NE(section(man, ".SH OPTIONS", ".SH ").find(option), std::string::npos) << option << " in the man page";
    const std::regex named("--[a-z][a-z-]*");
    for (const auto& text : {std::make_pair("README", readme), {"man page", man}})
        for (std::sregex_iterator m(text.second.begin(), text.second.end(), named), end; m != end; ++m)
            EXPECT_TRUE(options.count(m->str())) << text.first << " names " << m->str();
    // One table of exit statuses.
    const std::string statuses = section(man, ".SH EXIT STATUS", ".SH ");
    for (const ExitCodeRow& row : kExitCodes) {
        const std::string code = std::to_string(row.code);
        EXPECT_NE(statuses.find(".B " + code + "\n" + row.meaning + "\n"), std::string::npos) << code;
        EXPECT_NE(readme.find("| `" + code + "` | " + row.meaning + " |"), std::string::npos) << code;
    }
    // Standard output as a render's output, in all three.
    EXPECT_NE(usageText(nativeDeviceRows()).find("wav:-"), std::string::npos);
    EXPECT_NE(section(man, ".SH DEVICES", ".SH ").find("wav:-"), std::string::npos);
    EXPECT_NE(readme.find("wav:-"), std::string::npos);
    // Every device of this build in the man page's list and the README.
    const std::string devices = section(man, ".SH DEVICES", ".SH ");
    std::vector<std::string> names = {"log"};
    for (const DeviceRow& row : nativeDeviceRows()) names.push_back(row.name);
    for (const std::string& name : names) {
        EXPECT_TRUE(std::regex_search(devices, std::regex("\n\\.B[IR]? " + name + "\\b"))) << name;
        EXPECT_NE(readme.find("`" + name), std::string::npos) << name;
    }
}

}  // namespace
