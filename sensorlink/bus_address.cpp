#include "sensorlink/bus_address.h"

std::optional<long> TypedAddressNumber(std::string_view text) {
    std::string_view digits = text;
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        digits = text.substr(2);
        base = 16;
    } else if (text.size() > 1 && (text[0] == 'h' || text[0] == 'H')) {
        digits = text.substr(1);
        base = 16;
    }
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    long value = 0;
    for (char c : digits) {
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) return std::nullopt;
        value = value * base + d;
    }
    return value;
}
