// Building the settings text: growth, insertion and the entry writers.

#include "sensorlink/settings_codec.h"
#include "tests/support/message_box_recorder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char* const kSection = "[INCLINATION SENSOR COMPARAMETERS]";

class CodecWrite : public ::testing::Test {
protected:
    void SetUp() override { setCodecLanguage(CodecLanguage::German); }
    void TearDown() override {
        SettingsText::setGrowthLimit(0);
        setCodecLanguage(CodecLanguage::German);
    }
    // The two zero bytes that must follow the text in its block.
    static void expectTwoZeros(const SettingsText& text) {
        ASSERT_GE(text.capacity(), text.length() + 2);
        EXPECT_EQ(text.c_str()[text.length()], '\0');
        EXPECT_EQ(text.c_str()[text.length() + 1], '\0');
    }
    testsupport::MessageBoxRecorder boxes;
};

TEST_F(CodecWrite, CatGrowsToExactlyTheNeededSize) {
    SettingsText text(4);
    dynstrcat(text, "ab");
    EXPECT_EQ(text.capacity(), 4u);  // 2 + 2 fits without growth
    dynstrcat(text, "cdef");
    EXPECT_EQ(text.str(), "abcdef");
    EXPECT_EQ(text.capacity(), 8u);  // 6 characters + two zero bytes, no growth factor
    expectTwoZeros(text);
    // Appending the text to itself reads the old block, not a moved one.
    dynstrcat(text, text.c_str());
    EXPECT_EQ(text.str(), "abcdefabcdef");
    expectTwoZeros(text);
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(CodecWrite, InsertCarriesTheByteAfterTheTerminator) {
    SettingsText text(16);
    dynstrcat(text, "ac");
    // A marker in the byte after the terminator must travel with the text.
    text.data()[3] = 'X';
    dynstrinsert(text, 1, "b");
    EXPECT_EQ(text.str(), "abc");
    EXPECT_EQ(text.c_str()[3], '\0');
    EXPECT_EQ(text.c_str()[4], 'X');

    SettingsText small = SettingsText::fromBytes("xyz", 3);
    EXPECT_EQ(small.capacity(), 5u);
    dynstrinsert(small, 0, "12");
    EXPECT_EQ(small.str(), "12xyz");
    EXPECT_EQ(small.capacity(), 7u);
    expectTwoZeros(small);
    dynstrinsert(small, 5, "!");  // at the end
    EXPECT_EQ(small.str(), "12xyz!");
    dynstrinsert(small, 1000, "?");  // past the end: appended, no gap, no overrun
    EXPECT_EQ(small.str(), "12xyz!?");
    expectTwoZeros(small);
}

TEST_F(CodecWrite, FromBytesStopsAtTheFirstZero) {
    const char bytes[] = {'a', 'b', '\0', 'c', 'd'};
    SettingsText text = SettingsText::fromBytes(bytes, sizeof bytes);
    EXPECT_EQ(text.str(), "ab");
    expectTwoZeros(text);
    SettingsText empty = SettingsText::fromBytes(nullptr, 0);
    EXPECT_EQ(empty.length(), 0u);
    expectTwoZeros(empty);
}

TEST_F(CodecWrite, FirstEntryIntoEmptyText) {
    SettingsText text;
    WriteEntry(text, kSection, "ISPort", -1, "1");
    EXPECT_EQ(text.str(), "[INCLINATION SENSOR COMPARAMETERS]\r\nISPort=1");
    WriteEntry(text, kSection, "ISAddress", -1, "1");
    EXPECT_EQ(text.str(), "[INCLINATION SENSOR COMPARAMETERS]\r\nISPort=1\r\nISAddress=1");
    expectTwoZeros(text);
}

TEST_F(CodecWrite, SecondSectionAndLaterEntryForTheFirst) {
    SettingsText text;
    WriteEntry(text, "[A]", "k1", -1, "1");
    WriteEntry(text, "[B]", "k2", -1, "2");
    EXPECT_EQ(text.str(), "[A]\r\nk1=1\r\n\r\n[B]\r\nk2=2");
    WriteEntry(text, "[A]", "k3", -1, "3");
    EXPECT_EQ(text.str(), "[A]\r\nk1=1\r\nk3=3\r\n\r\n[B]\r\nk2=2");
    WriteEntry(text, "[B]", "k4", -1, "4");
    EXPECT_EQ(text.str(), "[A]\r\nk1=1\r\nk3=3\r\n\r\n[B]\r\nk2=2\r\nk4=4");
    // A section directly followed by the next one gets its entry after the header.
    SettingsText bare = SettingsText::fromBytes("[A]\r\n[B]\r\nx=1", 13);
    WriteEntry(bare, "[A]", "y", -1, "2");
    EXPECT_EQ(bare.str(), "[A]\r\ny=2\r\n[B]\r\nx=1");
    // Trailing line ends of the last section are stepped over, not kept before the entry.
    SettingsText trailing = SettingsText::fromBytes("[A]\r\nx=1\r\n\r\n", 12);
    WriteEntry(trailing, "[A]", "y", -1, "2");
    EXPECT_EQ(trailing.str(), "[A]\r\nx=1\r\ny=2\r\n\r\n");
}

TEST_F(CodecWrite, RepeatedKeyAddsASecondLine) {
    SettingsText text;
    WriteEntry(text, "[A]", "k", -1, "first");
    WriteEntry(text, "[A]", "k", -1, "second");
    EXPECT_EQ(text.str(), "[A]\r\nk=first\r\nk=second");
    char value[256];
    EXPECT_TRUE(ReadEntry(text.c_str(), "[A]", "k", -1, value, sizeof value, "x"));
    EXPECT_STREQ(value, "first");
}

TEST_F(CodecWrite, IndexedEntries) {
    SettingsText text;
    WriteEntry(text, "[A]", "Addr", 3, "180");
    WriteEntry(text, "[A]", "Addr", 0, "178");
    WriteEntry(text, "[A]", "Addr", -1, "plain");
    EXPECT_EQ(text.str(), "[A]\r\nAddr[3]=180\r\nAddr[0]=178\r\nAddr=plain");
}

TEST_F(CodecWrite, NumbersAreFormattedAsStored) {
    SettingsText text;
    WriteByteEntry(text, "[A]", "b", -1, 200);
    WriteByteEntry(text, "[A]", "c", -1, 127);
    WriteByteEntry(text, "[A]", "d", -1, 255);
    WriteByteEntry(text, "[A]", "e", -1, 128);
    WriteLongEntry(text, "[A]", "l", -1, 4294967295u);
    WriteLongEntry(text, "[A]", "z", 2, 0);
    EXPECT_EQ(text.str(), "[A]\r\nb=65480\r\nc=127\r\nd=65535\r\ne=65408\r\nl=4294967295\r\nz[2]=0");
}

TEST_F(CodecWrite, OverlongEntryIsCutBelow256Characters) {
    SettingsText text;
    const std::string value(400, 'v');
    WriteEntry(text, "[A]", "key", -1, value.c_str());
    const std::string expected = "[A]\r\n" + ("key=" + value).substr(0, 255);
    EXPECT_EQ(text.str(), expected);
    expectTwoZeros(text);
}

TEST_F(CodecWrite, MemoryFailuresLeaveTheTextUnchanged) {
    SettingsText text = SettingsText::fromBytes("abc", 3);
    SettingsText::setGrowthLimit(6);
    dynstrcat(text, "d");  // need 6: fits the limit
    EXPECT_EQ(text.str(), "abcd");
    dynstrcat(text, "e");  // need 7: refused
    EXPECT_EQ(text.str(), "abcd");
    dynstrinsert(text, 0, "e");
    EXPECT_EQ(text.str(), "abcd");
    expectTwoZeros(text);
    ASSERT_EQ(boxes.calls.size(), 2u);
    EXPECT_EQ(boxes.calls[0].text, "dynstrcat:Nicht genügend Heap Speicher für 'new' Operator.");
    EXPECT_EQ(boxes.calls[1].text, "dynstrcat:Nicht genügend Heap Speicher für 'realloc' Operator.");
    for (const auto& call : boxes.calls) {
        EXPECT_EQ(call.title, "Memory Error");
        EXPECT_EQ(call.icon, platform::MsgIcon::Error);
        EXPECT_EQ(call.buttons, platform::MsgButtons::Ok);
        EXPECT_EQ(call.owner, nullptr);
    }

    setCodecLanguage(CodecLanguage::English);
    boxes.calls.clear();
    dynstrcat(text, "e");
    dynstrinsert(text, 0, "e");
    EXPECT_EQ(boxes.summary(), (std::vector<std::string>{
                                   "Memory Error|dynstrcat:Not enough heap memory for 'realloc' operator.",
                                   "Memory Error|dynstrcat:Not enough heap memory for 'realloc' operator.",
                               }));
}

TEST_F(CodecWrite, WriteEntryFailingPartWayLeavesNoHalfEntry) {
    // Room for the new section header but not for its entry: nothing may stay behind.
    SettingsText text = SettingsText::fromBytes("[A]\r\nx=1", 8);
    const std::string before = text.str();
    SettingsText::setGrowthLimit(before.size() + 4 + 3 + 2 + 2);
    WriteEntry(text, "[B]", "key", -1, "value");
    EXPECT_EQ(text.str(), before);
    expectTwoZeros(text);
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].title, "Memory Error");

    // Without the limit the same write goes through on the same text.
    SettingsText::setGrowthLimit(0);
    WriteEntry(text, "[B]", "key", -1, "value");
    EXPECT_EQ(text.str(), "[A]\r\nx=1\r\n\r\n[B]\r\nkey=value");
}

}  // namespace
