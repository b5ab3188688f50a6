#include "sensorlink/settings_codec.h"

#include "platform/message_box.h"
#include "sensorlink/settings_numbers.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

namespace {

CodecLanguage g_language = CodecLanguage::German;
size_t g_growthLimit = 0;

// Every block keeps room for at least the terminator and the second zero.
constexpr size_t kMinimumBlock = 2;
// A formatted entry is cut below this many characters.
constexpr size_t kEntryBufferSize = 256;

void showError(const std::string& text, const char* title) {
    platform::MessageBox(nullptr, text, title, platform::MsgIcon::Error, platform::MsgButtons::Ok);
}

void showCatMemoryError() {
    showError(g_language == CodecLanguage::German ? "dynstrcat:Nicht genügend Heap Speicher für 'new' Operator."
                                                  : "dynstrcat:Not enough heap memory for 'realloc' operator.",
              "Memory Error");
}

void showInsertMemoryError() {
    showError(g_language == CodecLanguage::German ? "dynstrcat:Nicht genügend Heap Speicher für 'realloc' Operator."
                                                  : "dynstrcat:Not enough heap memory for 'realloc' operator.",
              "Memory Error");
}

void showSectionMissing(const char* section) {
    const std::string s = section;
    showError(g_language == CodecLanguage::German ? "Der Eintrag " + s + " im File fehlt!"
                                                  : "The entry " + s + " is missing in the file!",
              "Initialization Error");
}

void showEntryMissing(const std::string& pattern, const char* section) {
    const std::string s = section;
    showError(g_language == CodecLanguage::German ? "Der Eintrag " + pattern + " unter " + s + " im File fehlt!"
                                                  : "The entry " + pattern + " under " + s + " is missing in the file!",
              "Initialization Error");
}

// Makes sure the block holds `need` bytes; shows nothing.
bool ensureCapacity(SettingsText& text, size_t need) {
    return text.capacity() >= need || text.reserveExactly(need);
}

// Where a section that starts its body at `from` ends: the character before a
// CR LF that is followed by "[", else the last character of the text.
// Returned as an offset plus one, so that 0 stands for "before the text".
size_t sectionEndPlusOne(const char* text, size_t length, size_t from) {
    const char* next = std::strstr(text + std::min(from, length), "\r\n[");
    return next ? static_cast<size_t>(next - text) : length;
}

// Copies up to `length` characters into a caller's buffer of `valueSize`
// bytes, cutting so that two zero bytes always follow.
void copyValue(char* value, size_t valueSize, const char* from, size_t length) {
    if (!value || valueSize == 0) return;
    if (valueSize < 2) {
        value[0] = '\0';
        return;
    }
    const size_t n = std::min(length, valueSize - 2);
    if (n) std::memcpy(value, from, n);
    value[n] = '\0';
    value[n + 1] = '\0';
}

// The writers report their own failures; these tell the caller whether the
// addition took place.
bool appendChecked(SettingsText& text, const char* add) {
    const size_t expect = text.length() + std::strlen(add);
    dynstrcat(text, add);
    return text.length() == expect;
}

bool insertChecked(SettingsText& text, size_t position, const char* add) {
    const size_t expect = text.length() + std::strlen(add);
    dynstrinsert(text, position, add);
    return text.length() == expect;
}

// Puts back the text as it was before a write that failed part way; the block
// never shrinks, so the old text always fits.
SettingsText& restoreText(SettingsText& text, const std::string& before) {
    const size_t grown = text.length();
    char* data = text.data();
    std::memcpy(data, before.c_str(), before.size() + 1);
    std::fill(data + before.size() + 1, data + std::min(text.capacity(), grown + 2), '\0');
    return text;
}

std::string formatPattern(const char* key, int32_t index) {
    std::string pattern = key;
    if (index >= 0) pattern += "[" + std::to_string(index) + "]";
    pattern += "=";
    return pattern;
}

}  // namespace

void setCodecLanguage(CodecLanguage language) { g_language = language; }
CodecLanguage codecLanguage() { return g_language; }

SettingsText::SettingsText(size_t initialSize) : block_(std::max(initialSize, kMinimumBlock), '\0') {}

SettingsText SettingsText::fromBytes(const char* data, size_t size) {
    const size_t n = data ? strnlen(data, size) : 0;
    SettingsText text(n + 2);
    if (n) std::memcpy(text.block_.data(), data, n);
    return text;
}

size_t SettingsText::length() const { return strnlen(block_.data(), block_.size()); }

bool SettingsText::reserveExactly(size_t need) {
    if (need <= block_.size()) return true;
    if (g_growthLimit != 0 && need > g_growthLimit) return false;
    try {
        // New bytes are zero, so whatever follows the terminator stays zero.
        block_.resize(need, '\0');
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

void SettingsText::setGrowthLimit(size_t bytes) { g_growthLimit = bytes; }

SettingsText& dynstrcat(SettingsText& text, const char* add) {
    // A copy, since `add` may point into the block that is about to move.
    const std::string piece = add ? add : "";
    const size_t length = text.length();
    const size_t need = length + piece.size() + 2;
    if (!ensureCapacity(text, need)) {
        showCatMemoryError();
        return text;
    }
    char* data = text.data();
    std::memcpy(data + length, piece.c_str(), piece.size() + 1);
    data[length + piece.size() + 1] = '\0';
    return text;
}

SettingsText& dynstrinsert(SettingsText& text, size_t position, const char* add) {
    const std::string piece = add ? add : "";
    const size_t length = text.length();
    const size_t n = piece.size();
    const size_t need = length + n + 2;
    if (!ensureCapacity(text, need)) {
        showInsertMemoryError();
        return text;
    }
    // A position beyond the text would leave a gap of stale bytes: append instead.
    position = std::min(position, length);
    char* data = text.data();
    // Everything from the position through the byte after the terminator moves up.
    std::memmove(data + position + n, data + position, length + 2 - position);
    if (n) std::memcpy(data + position, piece.data(), n);
    return text;
}

SettingsText& WriteEntry(SettingsText& text, const char* section, const char* key, int32_t index, const char* value) {
    if (!section) section = "";
    if (!key) key = "";
    if (!value) value = "";

    // A failure halfway (a header without its entry, say) must not stay behind.
    const std::string before = text.str();
    const size_t sectionLength = std::strlen(section);
    const char* found = std::strstr(text.c_str(), section);
    size_t anchor = 0;
    if (!found) {
        if (text.length() != 0 && !appendChecked(text, "\r\n\r\n")) return restoreText(text, before);
        if (!appendChecked(text, section)) return restoreText(text, before);
        anchor = text.length() == 0 ? 0 : text.length() - 1;
    } else {
        anchor = static_cast<size_t>(found - text.c_str()) + sectionLength;
    }

    // The insertion point: right after the section's last visible character.
    size_t endPlusOne = sectionEndPlusOne(text.c_str(), text.length(), anchor);
    const char* data = text.c_str();
    while (endPlusOne > 0 && (data[endPlusOne - 1] == '\r' || data[endPlusOne - 1] == '\n')) --endPlusOne;

    char entry[kEntryBufferSize];
    if (index >= 0)
        std::snprintf(entry, sizeof entry, "%s[%d]=%s", key, static_cast<int>(index), value);
    else
        std::snprintf(entry, sizeof entry, "%s=%s", key, value);

    if (!insertChecked(text, endPlusOne, "\r\n") || !insertChecked(text, endPlusOne + 2, entry))
        return restoreText(text, before);
    return text;
}

SettingsText& WriteByteEntry(SettingsText& text, const char* section, const char* key, int32_t index, uint8_t value) {
    char number[16];
    std::snprintf(number, sizeof number, "%hu", static_cast<unsigned short>(widenByteAsSigned(value)));
    return WriteEntry(text, section, key, index, number);
}

SettingsText& WriteLongEntry(SettingsText& text, const char* section, const char* key, int32_t index, uint32_t value) {
    char number[16];
    std::snprintf(number, sizeof number, "%lu", static_cast<unsigned long>(value));
    return WriteEntry(text, section, key, index, number);
}

bool ReadEntry(const char* text, const char* section, const char* key, int32_t index, char* value, size_t valueSize,
               const char* defaultValue) {
    if (!text) text = "";
    if (!section) section = "";
    if (!key) key = "";
    if (!defaultValue) defaultValue = "";
    auto useDefault = [&] {
        copyValue(value, valueSize, defaultValue, std::strlen(defaultValue));
        return false;
    };

    const size_t length = std::strlen(text);
    const char* found = std::strstr(text, section);
    if (!found) {
        showSectionMissing(section);
        return useDefault();
    }
    const size_t bodyStart = static_cast<size_t>(found - text) + std::strlen(section);
    const size_t endPlusOne = sectionEndPlusOne(text, length, bodyStart);

    const std::string pattern = formatPattern(key, index);
    const char* match = std::strstr(text + bodyStart, pattern.c_str());
    // "No later than the body's last character" (offset < endPlusOne).
    if (!match || static_cast<size_t>(match - text) >= endPlusOne) {
        showEntryMissing(pattern, section);
        return useDefault();
    }

    // The value runs to the first CR LF after it, or to the end of the text.
    const char* start = match + pattern.size();
    const char* lineEnd = std::strstr(start, "\r\n");
    const size_t valueLength = lineEnd ? static_cast<size_t>(lineEnd - start) : std::strlen(start);
    copyValue(value, valueSize, start, valueLength);
    return true;
}

void ReadByteEntry(const char* text, const char* section, const char* key, int32_t index, uint8_t& value,
                   uint8_t defaultValue) {
    char buffer[kEntryBufferSize];
    if (ReadEntry(text, section, key, index, buffer, sizeof buffer, ""))
        value = lowByteOfInteger(buffer);
    else
        value = defaultValue;
}

void ReadLongEntry(const char* text, const char* section, const char* key, int32_t index, uint32_t& value,
                   uint32_t defaultValue) {
    char buffer[kEntryBufferSize];
    if (ReadEntry(text, section, key, index, buffer, sizeof buffer, ""))
        value = low32OfDecimal(buffer);
    else
        value = defaultValue;
}
