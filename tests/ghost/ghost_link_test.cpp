#include "ghost/ghost_link.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// "瑞葉" in Shift_JIS.
const std::string kMizuha = "\x90\x90\x97\x74";

// A mapped view of exactly the given bytes (a heap block of that size, so that a read past
// it is caught by the address sanitizer): the end offset, then the entries.
struct View {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
};

View makeView(const std::string& entries, int64_t endOffset = -1, size_t extraZeros = 0) {
    View v;
    v.size = 4 + entries.size() + extraZeros;
    v.bytes.reset(new uint8_t[v.size]);
    const uint32_t n = endOffset < 0 ? uint32_t(4 + entries.size()) : uint32_t(endOffset);
    v.bytes[0] = uint8_t(n);
    v.bytes[1] = uint8_t(n >> 8);
    v.bytes[2] = uint8_t(n >> 16);
    v.bytes[3] = uint8_t(n >> 24);
    std::memcpy(v.bytes.get() + 4, entries.data(), entries.size());
    std::memset(v.bytes.get() + 4 + entries.size(), 0, extraZeros);
    return v;
}

std::string entry(const std::string& key, const std::string& value) { return key + "\x01" + value + "\r\n"; }

GhostDirectory scan(const View& v) {
    GhostDirectory d;
    scanGhostDirectory(v.bytes.get(), v.size, d);
    return d;
}

TEST(GhostDirectoryTest, ReadsHandleAndNameAmongOtherKeys) {
    const View v = makeView(entry("sakura.path", "C:\\ghost\\") + entry("sakura.hwnd", "1234567") +
                            entry("sakura.name", kMizuha) + entry("sakura.keroname", "x"));
    const GhostDirectory d = scan(v);
    EXPECT_EQ(d.targetWindow, 1234567u);
    EXPECT_EQ(std::string(d.name), kMizuha);
}

TEST(GhostDirectoryTest, LastHandleAndLastNameWin) {
    const View v = makeView(entry("a.hwnd", "111") + entry("a.name", "First") + entry("b.hwnd", "222") +
                            entry("b.name", "Second"));
    const GhostDirectory d = scan(v);
    EXPECT_EQ(d.targetWindow, 222u);
    EXPECT_STREQ(d.name, "Second");
}

TEST(GhostDirectoryTest, LastHandleWinsEvenWhenUnusable) {
    EXPECT_EQ(scan(makeView(entry("a.hwnd", "111") + entry("b.hwnd", "0"))).targetWindow, 0u);
    EXPECT_EQ(scan(makeView(entry("a.hwnd", "111") + entry("b.hwnd", "x12"))).targetWindow, 0u);
    EXPECT_EQ(scan(makeView(entry("a.hwnd", "12ab"))).targetWindow, 12u);
    EXPECT_EQ(scan(makeView(entry("a.hwnd", ""))).targetWindow, 0u);
    EXPECT_EQ(scan(makeView(entry("a.hwnd", "4294967295"))).targetWindow, 0xFFFFFFFFu);
    EXPECT_EQ(scan(makeView(entry("a.hwnd", "4294967296"))).targetWindow, 0u);
}

TEST(GhostDirectoryTest, OnlyTheExactSixByteKeysMatch) {
    const View v = makeView(entry("a.hwnd", "111") + "b.hwnd\x02" "222\r\n" + "c.hwndx\x01" "333\r\n" +
                            entry("d.Name", "Upper") + entry("e", "text with .hwnd inside"));
    const GhostDirectory d = scan(v);
    EXPECT_EQ(d.targetWindow, 111u);
    EXPECT_STREQ(d.name, "");
    // A key standing inside a value is found too: the scan does not skip values.
    EXPECT_EQ(scan(makeView(entry("a.path", "x.hwnd\x01" "77"))).targetWindow, 77u);
}

TEST(GhostDirectoryTest, StopsAtAZeroByteAndAtTheEndOffset) {
    const std::string first = entry("a.hwnd", "111");
    EXPECT_EQ(scan(makeView(first + std::string(1, '\0') + entry("b.hwnd", "222"))).targetWindow, 111u);
    // An end offset that stops before the second entry.
    EXPECT_EQ(scan(makeView(first + entry("b.hwnd", "222"), int64_t(4 + first.size()))).targetWindow, 111u);
    // End offsets of 4 or less mean an empty directory.
    EXPECT_EQ(scan(makeView(first, 4)).targetWindow, 0u);
    EXPECT_EQ(scan(makeView(first, 0)).targetWindow, 0u);
}

TEST(GhostDirectoryTest, TruncatedBlockIsReadOnlyToTheEndOfTheView) {
    GhostDirectory d;
    scanGhostDirectory(nullptr, 0, d);
    EXPECT_EQ(d.targetWindow, 0u);
    const uint8_t tiny[3] = {0xFF, 0xFF, 0xFF};
    scanGhostDirectory(tiny, sizeof tiny, d);
    EXPECT_EQ(d.targetWindow, 0u);

    // A key cut off by the end of the view.
    EXPECT_EQ(scan(makeView(entry("a.hwnd", "111") + ".hwn", 0xFFFFFFFF)).targetWindow, 111u);
    EXPECT_EQ(scan(makeView(entry("a.hwnd", "111") + "b.hwnd", 0xFFFFFFFF)).targetWindow, 111u);
}

TEST(GhostDirectoryTest, LengthFieldBeyondTheViewEndsValuesAtTheView) {
    // No CR before the end: the values run to the last byte of the view and no further.
    EXPECT_EQ(scan(makeView("a.hwnd\x01" "4321", 100000)).targetWindow, 4321u);
    const GhostDirectory d = scan(makeView("a.name\x01" "Trunc", 0x7FFFFFFF));
    EXPECT_STREQ(d.name, "Trunc");
}

TEST(GhostDirectoryTest, VeryLongValuesAreCutToTheirBuffers) {
    const std::string longName(5000, 'N');
    const GhostDirectory d = scan(makeView(entry("a.name", longName) + entry("a.hwnd", std::string(5000, '7'))));
    EXPECT_EQ(std::strlen(d.name), 126u);
    EXPECT_EQ(std::string(d.name), longName.substr(0, 126));
    EXPECT_EQ(d.targetWindow, 0u);  // far more than 32 bits
    // Ten digits and the CR fit the handle text exactly.
    EXPECT_EQ(scan(makeView(entry("a.hwnd", "0000004660"))).targetWindow, 4660u);
    // A name of exactly 126 bytes is kept whole.
    EXPECT_EQ(std::strlen(scan(makeView(entry("a.name", std::string(126, 'k')))).name), 126u);
}

TEST(GhostNameListTest, FormAndQuotedRows) {
    std::vector<std::string> names;
    const char* p = kGhostNameList;
    while (*p != '\0') {
        const char* end = std::strstr(p, "\r\n");
        ASSERT_NE(end, nullptr) << "every row ends in CR LF";
        names.emplace_back(p, end);
        p = end + 2;
    }
    ASSERT_EQ(names.size(), 116u);
    EXPECT_EQ(std::strlen(kGhostNameList), 983u);
    EXPECT_EQ(names[0], "\x83\x76\x83\x8C\x83\x43\x83\x84");  // プレイヤ
    EXPECT_EQ(names[1], kMizuha);
    EXPECT_EQ(names[2], "\x83\x74\x83\x62\x83\x54\x81\x5B\x83\x8B");  // フッサール
    EXPECT_EQ(names[3], "\x8B\x49\x8D\xB9");                          // 紀沙
    EXPECT_EQ(names.back(), "Emily");
    int duplicates = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_FALSE(names[i].empty());
        for (size_t j = i + 1; j < names.size(); ++j) duplicates += names[i] == names[j];
    }
    EXPECT_EQ(duplicates, 1);
}

TEST(GhostNameListTest, WholeLinesMatchExactly) {
    EXPECT_TRUE(ghostNameListed(kMizuha.c_str()));
    EXPECT_TRUE(ghostNameListed("SERION"));
    EXPECT_TRUE(ghostNameListed("NoName"));
    EXPECT_TRUE(ghostNameListed("Emily"));
    EXPECT_TRUE(ghostNameListed("\x83\x76\x83\x8C\x83\x43\x83\x84"));
    EXPECT_FALSE(ghostNameListed((kMizuha + "\x82\xA0").c_str()));  // one more character
    EXPECT_FALSE(ghostNameListed("\x90\x90"));                       // part of one
    EXPECT_FALSE(ghostNameListed("emily"));
    EXPECT_FALSE(ghostNameListed("Emil"));
    EXPECT_FALSE(ghostNameListed("Emily\r"));
    EXPECT_FALSE(ghostNameListed("SERION\r\nNoName"));
    EXPECT_FALSE(ghostNameListed(""));
}

const std::string kStartScriptRequest =
    "SEND SSTP/1.4\r\n"
    "Sender: Orvanel\r\n"
    "Script: \\0\\s[0]Orvanel\x82\xF0\x8B\x4E\x93\xAE\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42\\_w[75]\\e\r\n"
    "HWnd: 66102\r\n"
    "Charset: Shift_JIS";

TEST(SstpRequestTest, ByteForByte) {
    char request[kSstpRequestSize];
    uint32_t length = 0;
    ASSERT_TRUE(formatSstpRequest(request, kGhostStartScript, 66102, length));
    EXPECT_EQ(std::string(request, length), kStartScriptRequest);
    EXPECT_EQ(request[length], '\0');

    ASSERT_TRUE(formatSstpRequest(request, "x", 0x80000000u, length));
    EXPECT_EQ(std::string(request, length),
              "SEND SSTP/1.4\r\nSender: Orvanel\r\nScript: x\r\nHWnd: -2147483648\r\nCharset: Shift_JIS");
}

TEST(SstpRequestTest, ScriptThatDoesNotFitIsRefused) {
    char request[kSstpRequestSize];
    uint32_t length = 0;
    // The frame of the request is 73 bytes with a five-digit handle; 299 bytes fit.
    const std::string fits(299 - 73, 's');
    ASSERT_TRUE(formatSstpRequest(request, fits.c_str(), 12345, length));
    EXPECT_EQ(length, 299u);
    EXPECT_FALSE(formatSstpRequest(request, (fits + "s").c_str(), 12345, length));
    EXPECT_FALSE(formatSstpRequest(request, std::string(5000, 's').c_str(), 12345, length));
}

// A mascot program in memory: its directory, and the messages it was sent.
class FakeTransport : public GhostTransport {
public:
    bool running = true;
    bool mapped = true;
    View view;
    int opens = 0, closes = 0;
    struct Delivery {
        uint32_t target, own, dwData, cbData;
        std::string bytes;  // cbData bytes, plus the byte after them
    };
    std::vector<Delivery> deliveries;

    bool mascotRunning() override { return running; }
    bool openDirectory(const uint8_t*& bytes, size_t& size) override {
        if (!mapped) return false;
        ++opens;
        bytes = view.bytes.get();
        size = view.size;
        return true;
    }
    void closeDirectory() override { ++closes; }
    void deliver(uint32_t target, uint32_t own, const SstpCopyData& d) override {
        deliveries.push_back({target, own, d.dwData, d.cbData, std::string(d.lpData, d.cbData + 1)});
    }
};

class GhostSendTest : public ::testing::Test {
protected:
    GhostSendTest() { link.transport = &transport; link.ownWindow = 66102; }
    void mascot(const std::string& entries) { transport.view = makeView(entries); }

    FakeTransport transport;
    GhostLink link;
};

TEST_F(GhostSendTest, GreetsTheLastListedMascotWithTheRequest) {
    mascot(entry("a.hwnd", "500") + entry("a.name", "Other") + entry("b.hwnd", "900") +
           entry("b.name", kMizuha));
    send(link, kGhostStartScript, true);
    ASSERT_EQ(transport.deliveries.size(), 1u);
    const auto& d = transport.deliveries[0];
    EXPECT_EQ(d.target, 900u);
    EXPECT_EQ(d.own, 66102u);
    EXPECT_EQ(d.dwData, 9801u);
    EXPECT_EQ(d.cbData, kStartScriptRequest.size());
    EXPECT_EQ(d.bytes, kStartScriptRequest + std::string(1, '\0'));
    EXPECT_EQ(transport.closes, transport.opens);
}

TEST_F(GhostSendTest, NameFilterDecidesOnTheLastName) {
    mascot(entry("a.hwnd", "500") + entry("a.name", kMizuha) + entry("b.name", kMizuha + "\x82\xA0"));
    send(link, kGhostCloseScript, true);
    EXPECT_TRUE(transport.deliveries.empty());
    EXPECT_EQ(transport.closes, 1);

    // Without the filter any name is greeted.
    send(link, kGhostCloseScript, false);
    ASSERT_EQ(transport.deliveries.size(), 1u);
    EXPECT_EQ(transport.deliveries[0].target, 500u);
    EXPECT_EQ(transport.deliveries[0].cbData, std::strlen(transport.deliveries[0].bytes.c_str()));
}

TEST_F(GhostSendTest, NothingIsSentWithoutAMascotOrAHandle) {
    mascot(entry("a.hwnd", "500"));
    transport.running = false;
    send(link, kGhostStartScript, false);
    EXPECT_EQ(transport.opens, 0);

    transport.running = true;
    transport.mapped = false;
    send(link, kGhostStartScript, false);
    EXPECT_EQ(transport.closes, 0);

    transport.mapped = true;
    mascot(entry("a.name", "Emily"));
    send(link, kGhostStartScript, false);
    mascot(entry("a.hwnd", "500") + entry("b.hwnd", "0"));
    send(link, kGhostStartScript, false);
    EXPECT_TRUE(transport.deliveries.empty());
    EXPECT_EQ(transport.opens, 2);
    EXPECT_EQ(transport.closes, 2);

    GhostLink unset;
    send(unset, kGhostStartScript, false);  // no transport: nothing, no crash
}

}  // namespace
