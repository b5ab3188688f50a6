#pragma once
// A small writer of compact JSON, enough for kv275's reports: objects,
// arrays, whole numbers, fixed-point numbers, strings, booleans and null.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvcli {

class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    // The key of the next value inside an object.
    JsonWriter& key(std::string_view name);
    JsonWriter& value(int64_t n);
    // With a fixed number of decimals ("12.50"); a value that is not finite is null.
    JsonWriter& value(double x, int decimals);
    JsonWriter& value(std::string_view text);
    JsonWriter& null();
    JsonWriter& boolean(bool b);

    const std::string& str() const { return text_; }

private:
    void beforeValue();
    void writeString(std::string_view s);

    std::string text_;
    // Per open object or array: whether it holds a value yet.
    std::vector<bool> filled_;
    bool afterKey_ = false;
};

}  // namespace kvcli
