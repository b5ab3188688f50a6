#include "cli/reading_json.h"

#include "cli/json_writer.h"

namespace kvcli {

std::string ReadingJson(const readinglog::Reading& r) {
    JsonWriter json;
    json.beginObject().key("time").value(readinglog::IsoTimestamp(r.time)).key("address").value(int64_t{r.address});
    json.key("angle");
    if (r.angle) json.value(*r.angle, 2);
    else json.null();
    json.key("answer_ms").value(int64_t{r.answerMs}).key("bad").value(int64_t{r.badReplies}).endObject();
    return json.str();
}

}  // namespace kvcli
