#include "cli/json_writer.h"

#include <cmath>
#include <cstdio>

namespace kvcli {

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!filled_.empty()) {
        if (filled_.back()) text_ += ',';
        filled_.back() = true;
    }
}

JsonWriter& JsonWriter::beginObject() {
    beforeValue();
    text_ += '{';
    filled_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    text_ += '}';
    filled_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    beforeValue();
    text_ += '[';
    filled_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    text_ += ']';
    filled_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
    beforeValue();
    writeString(name);
    text_ += ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::value(int64_t n) {
    beforeValue();
    text_ += std::to_string(n);
    return *this;
}

JsonWriter& JsonWriter::value(double x, int decimals) {
    if (!std::isfinite(x)) return null();
    beforeValue();
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, x);
    // -0.00 is the same number as 0.00 and only puzzles a reader.
    std::string s = text;
    if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-') s.erase(0, 1);
    text_ += s;
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view s) {
    beforeValue();
    writeString(s);
    return *this;
}

void JsonWriter::writeString(std::string_view s) {
    text_ += '"';
    for (unsigned char c : s) {
        switch (c) {
        case '"': text_ += "\\\""; break;
        case '\\': text_ += "\\\\"; break;
        case '\n': text_ += "\\n"; break;
        case '\r': text_ += "\\r"; break;
        case '\t': text_ += "\\t"; break;
        default:
            if (c < 0x20) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", c);
                text_ += esc;
            } else {
                text_ += static_cast<char>(c);
            }
        }
    }
    text_ += '"';
}

JsonWriter& JsonWriter::null() {
    beforeValue();
    text_ += "null";
    return *this;
}

JsonWriter& JsonWriter::boolean(bool b) {
    beforeValue();
    text_ += b ? "true" : "false";
    return *this;
}

}  // namespace kvcli
