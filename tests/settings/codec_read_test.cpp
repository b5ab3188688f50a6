// Finding entries in the settings text and converting them to numbers.

#include "sensorlink/settings_codec.h"
#include "sensorlink/settings_numbers.h"
#include "tests/support/message_box_recorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

class CodecRead : public ::testing::Test {
protected:
    void SetUp() override { setCodecLanguage(CodecLanguage::German); }
    void TearDown() override { setCodecLanguage(CodecLanguage::German); }

    // Reads with a buffer that is filled with a marker first, so stray writes show.
    std::string read(const char* text, const char* section, const char* key, int32_t index, bool* found = nullptr,
                     const char* defaultValue = "dflt") {
        std::memset(buffer, '#', sizeof buffer);
        const bool ok = ReadEntry(text, section, key, index, buffer, sizeof buffer, defaultValue);
        if (found) *found = ok;
        return buffer;
    }
    char buffer[256];
    testsupport::MessageBoxRecorder boxes;
};

TEST_F(CodecRead, PlainAndIndexedKeys) {
    const char* text = "[A]\r\nAddr=plain\r\nAddr[3]=180\r\nAddr[13]=190\r\nOther=x";
    bool found = false;
    EXPECT_EQ(read(text, "[A]", "Addr", 3, &found), "180");
    EXPECT_TRUE(found);
    EXPECT_EQ(read(text, "[A]", "Addr", -1, &found), "plain");
    EXPECT_EQ(read(text, "[A]", "Addr", 13, &found), "190");
    EXPECT_EQ(read(text, "[A]", "Other", -1, &found), "x");
    EXPECT_TRUE(boxes.calls.empty());
    // The value is followed by two zero bytes.
    read(text, "[A]", "Addr", 3);
    EXPECT_EQ(buffer[3], '\0');
    EXPECT_EQ(buffer[4], '\0');
    EXPECT_EQ(buffer[5], '#');
}

TEST_F(CodecRead, ValuesAtTheEndOfTheText) {
    bool found = false;
    EXPECT_EQ(read("[A]\r\nk=end of text", "[A]", "k", -1, &found), "end of text");
    EXPECT_TRUE(found);
    EXPECT_EQ(read("[A]\r\nk=7", "[A]", "k", -1, &found), "7");
    EXPECT_TRUE(found);
    EXPECT_EQ(read("[A]\r\nk=", "[A]", "k", -1, &found), "");
    EXPECT_TRUE(found);
    // Blanks belong to the value; a lone CR does not end it.
    EXPECT_EQ(read("[A]\r\nk= a b \r\nz=1", "[A]", "k", -1), " a b ");
    EXPECT_EQ(read("[A]\r\nk=1\rz=2\r\n", "[A]", "k", -1), "1\rz=2");
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(CodecRead, MissingSectionAndMissingEntry) {
    bool found = true;
    EXPECT_EQ(read("[A]\r\nk=1", "[B]", "k", -1, &found), "dflt");
    EXPECT_FALSE(found);
    // Only in another section: reported as missing in its own section.
    EXPECT_EQ(read("[A]\r\nx=1\r\n\r\n[B]\r\nk=2", "[A]", "k", -1, &found), "dflt");
    EXPECT_FALSE(found);
    EXPECT_EQ(read("[A]\r\nk=1", "[A]", "k", 4, &found), "dflt");
    ASSERT_EQ(boxes.calls.size(), 3u);
    EXPECT_EQ(boxes.summary()[0], "Initialization Error|Der Eintrag [B] im File fehlt!");
    EXPECT_EQ(boxes.summary()[1], "Initialization Error|Der Eintrag k= unter [A] im File fehlt!");
    EXPECT_EQ(boxes.summary()[2], "Initialization Error|Der Eintrag k[4]= unter [A] im File fehlt!");
    for (const auto& call : boxes.calls) {
        EXPECT_EQ(call.icon, platform::MsgIcon::Error);
        EXPECT_EQ(call.buttons, platform::MsgButtons::Ok);
        EXPECT_EQ(call.owner, nullptr);
    }

    setCodecLanguage(CodecLanguage::English);
    boxes.calls.clear();
    read("", "[B]", "k", -1);
    read("[A]\r\nx=1", "[A]", "ISPort", -1);
    EXPECT_EQ(boxes.summary(), (std::vector<std::string>{
                                   "Initialization Error|The entry [B] is missing in the file!",
                                   "Initialization Error|The entry ISPort= under [A] is missing in the file!",
                               }));
}

TEST_F(CodecRead, FirstSectionOccurrenceAndFirstEntryWin) {
    const char* text = "[A]\r\nk=1\r\nk=2\r\n\r\n[A]\r\nk=3\r\nj=4";
    EXPECT_EQ(read(text, "[A]", "k", -1), "1");
    // j stands in the second copy of the section only, so it is missing.
    bool found = true;
    read(text, "[A]", "j", -1, &found);
    EXPECT_FALSE(found);
}

TEST_F(CodecRead, LongValueIsCutToTheCallersBuffer) {
    const std::string text = "[A]\r\nk=" + std::string(300, 'v') + "\r\nz=1";
    char small[8];
    std::memset(small, '#', sizeof small);
    EXPECT_TRUE(ReadEntry(text.c_str(), "[A]", "k", -1, small, sizeof small, ""));
    EXPECT_EQ(std::string(small), "vvvvvv");
    EXPECT_EQ(small[6], '\0');
    EXPECT_EQ(small[7], '\0');
    EXPECT_EQ(read(text.c_str(), "[A]", "k", -1), std::string(254, 'v'));
    // A default longer than the buffer is cut the same way.
    std::memset(small, '#', sizeof small);
    EXPECT_FALSE(ReadEntry(text.c_str(), "[A]", "none", -1, small, sizeof small, "0123456789"));
    EXPECT_EQ(std::string(small), "012345");
    EXPECT_EQ(small[7], '\0');
}

TEST_F(CodecRead, ValueFarIntoALongTextIsReadWhole) {
    // The value ends at its own line end, however much text follows it.
    std::string text = "[A]\r\nk=42\r\n";
    text.resize(7 + 65536, 'x');  // 65536 characters from the value's start to the end
    EXPECT_EQ(read(text.c_str(), "[A]", "k", -1), "42");
}

TEST_F(CodecRead, ByteEntries) {
    const char* text = "[A]\r\nwide=65480\r\nnarrow=200\r\nneg=-1\r\nbig=300\r\nletters=abc\r\nhuge=99999999999999999999";
    uint8_t value = 0;
    ReadByteEntry(text, "[A]", "wide", -1, value, 9);
    EXPECT_EQ(value, 200);
    ReadByteEntry(text, "[A]", "narrow", -1, value, 9);
    EXPECT_EQ(value, 200);
    ReadByteEntry(text, "[A]", "neg", -1, value, 9);
    EXPECT_EQ(value, 255);
    ReadByteEntry(text, "[A]", "big", -1, value, 9);
    EXPECT_EQ(value, 44);
    ReadByteEntry(text, "[A]", "letters", -1, value, 9);
    EXPECT_EQ(value, 0);
    ReadByteEntry(text, "[A]", "huge", -1, value, 9);  // saturates, no overflow
    EXPECT_EQ(value, 255);
    EXPECT_TRUE(boxes.calls.empty());
    ReadByteEntry(text, "[A]", "absent", -1, value, 9);
    EXPECT_EQ(value, 9);
    EXPECT_EQ(boxes.calls.size(), 1u);
}

TEST_F(CodecRead, ByteRoundTripsThroughItsText) {
    for (int b = 0; b < 256; ++b) {
        SettingsText text;
        WriteByteEntry(text, "[A]", "b", -1, static_cast<uint8_t>(b));
        uint8_t back = static_cast<uint8_t>(b + 1);
        ReadByteEntry(text.c_str(), "[A]", "b", -1, back, 0);
        ASSERT_EQ(back, b);
    }
}

TEST_F(CodecRead, LongEntries) {
    const char* text =
        "[A]\r\nmax=4294967295\r\nfrac=12.7\r\nexp=1e3\r\nletters=abc\r\nblank=  +25\r\nneg=-1\r\n"
        "over=4294967296\r\nnegfrac=-12.7\r\nhex=0x10\r\ninf=inf\r\nhuge=1e999\r\ntrail=77km";
    struct Case {
        const char* key;
        uint32_t expected;
    } cases[] = {
        {"max", 4294967295u}, {"frac", 12}, {"exp", 1000}, {"letters", 0}, {"blank", 25}, {"neg", 4294967295u},
        {"over", 0},          {"negfrac", 4294967284u},    {"hex", 0},     {"inf", 0},     {"huge", 0},
        {"trail", 77},
    };
    for (const auto& c : cases) {
        uint32_t value = 5;
        ReadLongEntry(text, "[A]", c.key, -1, value, 5);
        EXPECT_EQ(value, c.expected) << c.key;
    }
    EXPECT_TRUE(boxes.calls.empty());  // letters are found, so no box and no default
    uint32_t value = 0;
    ReadLongEntry(text, "[A]", "absent", -1, value, 123);
    EXPECT_EQ(value, 123u);
    EXPECT_EQ(boxes.calls.size(), 1u);
}

TEST(SettingsNumbers, TruncationKeepsLow32BitsWithoutOverflow) {
    EXPECT_EQ(low32OfTruncated(12.7), 12u);
    EXPECT_EQ(low32OfTruncated(-0.5), 0u);
    EXPECT_EQ(low32OfTruncated(4294967297.9), 1u);
    EXPECT_EQ(low32OfTruncated(-4294967297.0), 4294967295u);
    EXPECT_EQ(low32OfTruncated(1e20), 1661992960u);
    EXPECT_EQ(low32OfTruncated(std::numeric_limits<double>::quiet_NaN()), 0u);
    EXPECT_EQ(low32OfTruncated(-std::numeric_limits<double>::infinity()), 0u);
    EXPECT_EQ(low32OfTruncated(std::numeric_limits<double>::max()), 0u);  // a multiple of 2^32
    EXPECT_EQ(widenByteAsSigned(200), 65480);
    EXPECT_EQ(widenByteAsSigned(127), 127);
}

}  // namespace
