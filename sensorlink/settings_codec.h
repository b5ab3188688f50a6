#pragma once
// The keyed settings text: sections, "key=value" and "key[index]=value" lines
// separated by CR LF. The text lives in an owner-managed growing buffer that
// always keeps room for the text plus two zero bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Which language the codec's message boxes speak; each program sets its own.
enum class CodecLanguage { German, English };
void setCodecLanguage(CodecLanguage language);
CodecLanguage codecLanguage();

class SettingsText {
public:
    explicit SettingsText(size_t initialSize = 4096);
    // A text read from a file: the bytes up to the first zero, then two zeros.
    static SettingsText fromBytes(const char* data, size_t size);

    const char* c_str() const { return block_.data(); }
    char* data() { return block_.data(); }
    size_t length() const;             // up to the first zero byte
    size_t capacity() const { return block_.size(); }  // usable size of the block
    std::string str() const { return std::string(c_str(), length()); }

    // Grows the block to exactly `need` bytes; false when it cannot.
    bool reserveExactly(size_t need);

    // Tests: a block may never grow beyond this many bytes (0 = no limit), to
    // exercise the memory-failure path.
    static void setGrowthLimit(size_t bytes);

private:
    std::vector<char> block_;
};

SettingsText& dynstrcat(SettingsText& text, const char* add);
SettingsText& dynstrinsert(SettingsText& text, size_t position, const char* add);

SettingsText& WriteEntry(SettingsText& text, const char* section, const char* key, int32_t index, const char* value);
SettingsText& WriteByteEntry(SettingsText& text, const char* section, const char* key, int32_t index, uint8_t value);
SettingsText& WriteLongEntry(SettingsText& text, const char* section, const char* key, int32_t index, uint32_t value);

// valueSize is the size of `value` in bytes; a longer value is cut to
// valueSize - 2 characters and always ends in two zero bytes.
bool ReadEntry(const char* text, const char* section, const char* key, int32_t index, char* value,
               size_t valueSize, const char* defaultValue);
void ReadByteEntry(const char* text, const char* section, const char* key, int32_t index, uint8_t& value,
                   uint8_t defaultValue);
void ReadLongEntry(const char* text, const char* section, const char* key, int32_t index, uint32_t& value,
                   uint32_t defaultValue);
