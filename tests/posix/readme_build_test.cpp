// The user's guide as it ships: tools/make_readme.sh turns the UTF-8 source into
// Shift_JIS with CR LF line ends, and refuses a source that code page 932 cannot carry.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/capture.h"

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

const std::string kSource = std::string(ORVANEL_SOURCE_DIR) + "/resources/readme.ja.txt";

int makeReadme(const std::string& source, const std::string& out) {
    const std::string cmd = "sh '" + std::string(ORVANEL_SOURCE_DIR) + "/tools/make_readme.sh' '" +
                            source + "' '" + out + "' 2>/dev/null";
    const int raw = std::system(cmd.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(Readme, ShipsAsShiftJisWithCrLf) {
    const std::string out = scratchPath("readme.txt");
    std::remove(out.c_str());
    ASSERT_EQ(makeReadme(kSource, out), 0);
    const std::string sjis = readAll(out), utf8 = readAll(kSource);
    ASSERT_FALSE(sjis.empty());

    // Every line ends in CR LF, and there is no other CR or LF.
    size_t lines = 0;
    for (size_t i = 0; i < sjis.size(); ++i) {
        if (sjis[i] == '\n') {
            ASSERT_TRUE(i > 0 && sjis[i - 1] == '\r') << "bare LF at byte " << i;
            ++lines;
        } else if (sjis[i] == '\r') {
            ASSERT_TRUE(i + 1 < sjis.size() && sjis[i + 1] == '\n') << "bare CR at byte " << i;
        }
    }
    size_t sourceLines = 0;
    for (char c : utf8) sourceLines += c == '\n';
    EXPECT_EQ(lines, sourceLines);
    EXPECT_EQ(sjis.substr(sjis.size() - 2), "\r\n");

    // Japanese text is really Shift_JIS: the menu caption of the skin command, with its
    // half-width katakana menu title beside it.
    EXPECT_NE(sjis.find("\x95\xca\x82\xccOrva\x82\xf0\x92\x54\x82\xb7(&S)"), std::string::npos)
        << "\"別のOrvaを探す(&S)\" is not in Shift_JIS";
    EXPECT_NE(sjis.find("\xc6\xac\xb0(&N)"), std::string::npos) << "\"ﾆｬｰ(&N)\"";
    std::remove(out.c_str());
}

TEST(Readme, NamesWhatTheProgramShows) {
    const std::string text = readAll(kSource);
    // Captions, menu items and files the guide must call by the names the program uses.
    for (const char* name :
         {"open", "play", "close", "break", "cont", "autoplay", "cancel", "next", "<- ->", "normal",
          "loop", "cc111loop", "bigloop", "ファイルを開く(&O)", "オートプレイ(&A)",
          "別のOrvaを探す(&S)", "設定(&C)", "Orvanelの終了(&X)", "パニック(&Z)",
          "使い方(readme,txt)", "ﾊﾞｰｼﾞｮﾝ情報(&A)", "switch.txt", "history.txt", "helpdir.txt",
          "kivopath.txt", "kivo.txt", "kivo\\default.bmp", "2080", "26",
          "ロード失敗、又はサイズが不正です。", "Orvanelを起動しました。", "Orvanelを閉じました。",
          "050%", "200%", "-6", "+6"})
        EXPECT_NE(text.find(name), std::string::npos) << name;
}

TEST(Readme, RefusesACharacterCp932CannotGiveBack) {
    // U+301C WAVE DASH goes into code page 932 but comes back as U+FF5E: the guide would
    // show a different character than written, so the build stops.
    const std::string source = scratchPath("wave.txt"), out = scratchPath("wave_out.txt");
    std::remove(out.c_str());
    {
        std::ofstream f(source, std::ios::binary);
        f << "1 \xe3\x80\x9c 2\n";
    }
    EXPECT_NE(makeReadme(source, out), 0);
    EXPECT_FALSE(std::ifstream(out).good()) << "nothing is written on failure";

    {
        std::ofstream f(source, std::ios::binary);
        f << "\xf0\x9f\x8e\xb5 no emoji in code page 932\n";
    }
    EXPECT_NE(makeReadme(source, out), 0);
    EXPECT_FALSE(std::ifstream(out).good());
    std::remove(source.c_str());
}

}  // namespace
