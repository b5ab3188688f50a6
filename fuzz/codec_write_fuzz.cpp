// Writing entries into the keyed settings text: any text, section, key, index
// and value, sometimes under a growth limit so that the writes fail part way.
//
// What the codec promises, and what is checked here:
// - the block always holds the text plus two zero bytes, and never grows past
//   the limit;
// - a write that fails leaves the text exactly as it was;
// - a write that succeeds only adds: either the entry line "\r\n" + entry at
//   one place of the text, or (a section not in the text yet) the section
//   header and the entry at its end;
// - the round trip: an entry that was missing before is read back as written.
//   That holds when the codec can find the line again: a section name and key
//   without CR or LF (a line break in them would split them), an entry that
//   does not begin with "[" (it would read as the next section), and a key
//   pattern that fits the 255 characters of an entry. The value read is the
//   written one (cut to the entry's 255 characters) up to its first CR LF. A
//   text whose section ends in lone CRs or LFs keeps them after the new entry,
//   where they join its value up to the next CR LF: the value read may carry
//   such characters at its end, and nothing else.
//
// Input: flags, index (4 bytes), number (4 bytes), limit slack (2 bytes),
// then text, section, key and value, each ending at a zero byte.

#include "fuzz/fuzz_support.h"
#include "sensorlink/settings_codec.h"

#include <cstring>
#include <string>

namespace {

constexpr size_t kEntryCharacters = 255;

bool hasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

// Every CR followed by LF and every LF preceded by CR.
FUZZ_UNGUIDED bool onlyCrLfPairs(const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && (i + 1 >= s.size() || s[i + 1] != '\n')) return false;
        if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) return false;
    }
    return true;
}

std::string cutAtCrLf(const std::string& s) { return s.substr(0, s.find("\r\n")); }

void checkBlock(const SettingsText& text) {
    FUZZ_CHECK(text.capacity() >= text.length() + 2);
    FUZZ_CHECK(text.c_str()[text.length()] == '\0');
    FUZZ_CHECK(text.c_str()[text.length() + 1] == '\0');
}

// `after` is `before` with `insert` put in at one place.
FUZZ_UNGUIDED bool isInsertion(const std::string& before, const std::string& after, const std::string& insert) {
    if (after.size() != before.size() + insert.size()) return false;
    size_t prefix = 0;
    while (prefix < before.size() && before[prefix] == after[prefix]) ++prefix;
    size_t suffix = 0;
    while (suffix < before.size() && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) ++suffix;
    // Any place p with the text before it and after it unchanged will do.
    const size_t lowest = before.size() > suffix ? before.size() - suffix : 0;
    for (size_t p = lowest; p <= prefix; ++p)
        if (after.compare(p, insert.size(), insert) == 0) return true;
    return false;
}

// The value read back, against the value written (`written`, already cut to
// the entry's characters): equal up to the first CR LF, or followed by CR and
// LF characters only that were in the text behind the section's last line.
void checkReadBack(const std::string& read, const std::string& written, bool cleanLineEnds) {
    FUZZ_CHECK(read.find("\r\n") == std::string::npos);
    if (cleanLineEnds) {
        FUZZ_CHECK(read == cutAtCrLf(written + "\r\n"));
        return;
    }
    if (read.size() <= written.size()) {
        FUZZ_CHECK(written.compare(0, read.size(), read) == 0);
        if (read.size() < written.size()) {
            // Cut at a CR LF in the value, or at its last character, a CR
            // that pairs with an LF behind it.
            FUZZ_CHECK(written[read.size()] == '\r');
            FUZZ_CHECK(read.size() + 1 == written.size() || written[read.size() + 1] == '\n');
        }
    } else {
        FUZZ_CHECK(read.compare(0, written.size(), written) == 0);
        FUZZ_CHECK(read.find_first_not_of("\r\n", written.size()) == std::string::npos);
    }
}

bool entryPresent(const char* text, const std::string& section, const std::string& key, int32_t index) {
    char value[256];
    return ReadEntry(text, section.c_str(), key.c_str(), index, value, sizeof value, "");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::installSilentBoxes();
    fuzzsupport::Input in(data, size);
    const uint8_t flags = in.byte();
    const int32_t index = in.i32();
    const uint32_t number = in.u32();
    const uint16_t slack = in.u16();
    const std::string source = in.text();
    const std::string section = in.text();
    const std::string key = in.text();
    const std::string valueText = in.text();
    setCodecLanguage(flags & 1 ? CodecLanguage::English : CodecLanguage::German);
    const bool limited = flags & 2;
    const int kind = (flags >> 2) % 5;  // string, byte, long entry; insertion; appending part of itself

    SettingsText text = SettingsText::fromBytes(source.data(), source.size());
    const std::string before = text.str();
    checkBlock(text);
    const size_t limit = text.capacity() + (slack % 512);
    if (limited) SettingsText::setGrowthLimit(limit);
    const size_t capacityBefore = text.capacity();

    if (kind == 3 || kind == 4) {
        // The two primitives the writers are built on.
        std::string add;
        size_t position = before.size();
        if (kind == 3) {
            add = valueText;
            position = number % (before.size() + 8);  // now and then past the end
            dynstrinsert(text, position, add.c_str());
        } else {
            // A piece of the block itself, which moves when the block grows.
            const size_t from = before.empty() ? 0 : number % before.size();
            add = before.substr(from);
            dynstrcat(text, text.c_str() + from);
        }
        checkBlock(text);
        const std::string after = text.str();
        // Refused exactly when the text, the piece and two zeros would not fit the limit.
        const bool refused = limited && before.size() + add.size() + 2 > limit;
        if (refused) {
            FUZZ_CHECK(after == before);
        } else {
            const size_t at = std::min(position, before.size());
            FUZZ_CHECK(after == before.substr(0, at) + add + before.substr(at));
        }
        if (limited && text.capacity() > capacityBefore) FUZZ_CHECK(text.capacity() <= limit);
        SettingsText::setGrowthLimit(0);
        return 0;
    }

    std::string written = valueText;
    if (kind == 1) written = std::to_string(static_cast<uint16_t>(static_cast<int16_t>(static_cast<int8_t>(number))));
    if (kind == 2) written = std::to_string(number);

    std::string pattern = key;
    if (index >= 0) pattern += "[" + std::to_string(index) + "]";
    pattern += "=";
    const std::string entry = (pattern + written).substr(0, kEntryCharacters);

    const bool presentBefore = entryPresent(before.c_str(), section, key, index);

    if (kind == 0) WriteEntry(text, section.c_str(), key.c_str(), index, valueText.c_str());
    if (kind == 1) WriteByteEntry(text, section.c_str(), key.c_str(), index, static_cast<uint8_t>(number));
    if (kind == 2) WriteLongEntry(text, section.c_str(), key.c_str(), index, number);
    SettingsText::setGrowthLimit(0);

    checkBlock(text);
    if (limited && text.capacity() > capacityBefore) FUZZ_CHECK(text.capacity() <= limit);
    const std::string after = text.str();
    if (after.size() == before.size()) {
        // Only a refused growth stops a write, and then nothing of it stays.
        FUZZ_CHECK(limited);
        FUZZ_CHECK(after == before);
        return 0;
    }

    if (before.find(section) == std::string::npos) {
        // A new section goes to the end, its entry right behind it. (A section
        // name ending in line breaks gets the entry before them; no program
        // has such a name.)
        if (!hasLineBreak(section))
            FUZZ_CHECK(after == before + (before.empty() ? "" : "\r\n\r\n") + section + "\r\n" + entry);
    } else {
        FUZZ_CHECK(isInsertion(before, after, "\r\n" + entry));
    }

    const bool findable = !presentBefore && !hasLineBreak(section) && !hasLineBreak(key) && entry[0] != '[' &&
                          pattern.size() <= kEntryCharacters;
    if (!findable) return 0;
    const bool clean = onlyCrLfPairs(before);
    const std::string writtenCut = entry.substr(pattern.size());
    if (kind == 0) {
        char value[512];
        FUZZ_CHECK(ReadEntry(after.c_str(), section.c_str(), key.c_str(), index, value, sizeof value, "default"));
        checkReadBack(value, writtenCut, clean);
    } else if (pattern.size() + written.size() <= kEntryCharacters) {
        // A number read back whole; one cut short by the entry's length is not.
        FUZZ_CHECK(entryPresent(after.c_str(), section, key, index));
        if (kind == 1) {
            uint8_t byte = static_cast<uint8_t>(~number);
            ReadByteEntry(after.c_str(), section.c_str(), key.c_str(), index, byte, static_cast<uint8_t>(~number));
            FUZZ_CHECK(byte == static_cast<uint8_t>(number));
        } else {
            uint32_t value = ~number;
            ReadLongEntry(after.c_str(), section.c_str(), key.c_str(), index, value, ~number);
            FUZZ_CHECK(value == number);
        }
    }
    return 0;
}
