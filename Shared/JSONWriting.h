#pragma once
// Compact JSON text written straight into a string, for records too large to go through a JSON
// document first (a snapshot holds every server of the machine). The text is the JSON library's
// own compact form: no spaces, strings escaped the same way (UTF-8 kept as it is, control
// characters escaped, ill-formed bytes replaced by U+FFFD), numbers in the same notation, so that
// what is written here and what the library dumps read and look alike. No state; any thread.

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace JSONWriting {

// The text as a JSON string, quotes included.
void appendString(std::string& out, std::string_view text);

void appendInteger(std::string& out, std::int64_t value);

// The shortest decimal form that reads back as the value, with a ".0" on whole numbers and an
// exponent outside 1e-5 to 1e15 ("12.5", "3.0", "1e+20"); "null" for infinities and NaN, which
// JSON has no number for.
void appendNumber(std::string& out, double value);

void appendBool(std::string& out, bool value);

// A JSON array of integers: [1,2,3]. Written through a buffer in pieces rather than number by
// number: a server's process group may hold many.
template <typename Integers>
void appendIntegers(std::string& out, const Integers& values) {
    char buffer[512];
    char* at = buffer;
    *at++ = '[';
    bool first = true;
    for (const auto value : values) {
        if (at > buffer + sizeof buffer - 24) {  // room for a comma and any 64-bit number
            out.append(buffer, at);
            at = buffer;
        }
        if (!first) *at++ = ',';
        first = false;
        at = std::to_chars(at, at + 21, static_cast<std::int64_t>(value)).ptr;
    }
    *at++ = ']';
    out.append(buffer, at);
}

}  // namespace JSONWriting
