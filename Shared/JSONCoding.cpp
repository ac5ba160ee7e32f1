#include "Shared/JSONCoding.h"

#include <cmath>
#include <limits>

namespace JSONCoding {
namespace {

using Json = nlohmann::json;

[[noreturn]] void fail(const char* key, const char* expectation) {
    throw DecodingError(std::string("\"") + key + "\": " + expectation);
}

// The integral value of a JSON number, when it has one that fits 64 signed bits.
std::optional<std::int64_t> integralValue(const Json& value) {
    switch (value.type()) {
    case Json::value_t::number_integer: return value.get<std::int64_t>();
    case Json::value_t::number_unsigned: {
        const auto unsignedValue = value.get<std::uint64_t>();
        if (unsignedValue > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(unsignedValue);
    }
    case Json::value_t::number_float: {
        const double number = value.get<double>();
        // -2^63 is exact as a double; 2^63 is the first value out of range.
        constexpr double lowest = -9223372036854775808.0;
        constexpr double beyondHighest = 9223372036854775808.0;
        if (!std::isfinite(number) || number != std::trunc(number) || number < lowest || number >= beyondHighest) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(number);
    }
    default: return std::nullopt;
    }
}

std::int64_t integerOrFail(const Json& value, const char* key) {
    const auto integer = integralValue(value);
    if (!integer) fail(key, "expected an integer");
    return *integer;
}

std::int32_t int32OrFail(const Json& value, const char* key) {
    const auto integer = integralValue(value);
    if (!integer || *integer < std::numeric_limits<std::int32_t>::min() ||
        *integer > std::numeric_limits<std::int32_t>::max()) {
        fail(key, "expected a 32-bit integer");
    }
    return static_cast<std::int32_t>(*integer);
}

// Missing and null both mean "absent" for an optional key.
const Json* optionalMember(const Json& object, const char* key) {
    requireObject(object, "record");
    const auto found = object.find(key);
    if (found == object.end() || found->is_null()) return nullptr;
    return &*found;
}

}  // namespace

void requireObject(const Json& value, const char* what) {
    if (!value.is_object()) throw DecodingError(std::string(what) + ": expected a JSON object");
}

const Json& requiredMember(const Json& object, const char* key) {
    requireObject(object, "record");
    const auto found = object.find(key);
    if (found == object.end()) fail(key, "missing");
    return *found;
}

std::int32_t requiredInt32(const Json& object, const char* key) {
    return int32OrFail(requiredMember(object, key), key);
}

std::int64_t requiredInteger(const Json& object, const char* key) {
    return integerOrFail(requiredMember(object, key), key);
}

double requiredNumber(const Json& object, const char* key) {
    const Json& value = requiredMember(object, key);
    if (!value.is_number()) fail(key, "expected a number");
    const double number = value.get<double>();
    // Text like 1e999 overflows to infinity, which no writer produces and which could not be
    // written back.
    if (!std::isfinite(number)) fail(key, "expected a finite number");
    return number;
}

bool requiredBool(const Json& object, const char* key) {
    const Json& value = requiredMember(object, key);
    if (!value.is_boolean()) fail(key, "expected true or false");
    return value.get<bool>();
}

std::string requiredString(const Json& object, const char* key) {
    const Json& value = requiredMember(object, key);
    if (!value.is_string()) fail(key, "expected a string");
    return value.get<std::string>();
}

const Json& requiredArray(const Json& object, const char* key) {
    const Json& value = requiredMember(object, key);
    if (!value.is_array()) fail(key, "expected an array");
    return value;
}

template <typename Integer>
std::vector<Integer> integerArray(const Json& object, const char* key, Integer (*read)(const Json&, const char*)) {
    const Json& array = requiredArray(object, key);
    std::vector<Integer> values;
    values.reserve(array.size());
    for (const Json& element : array) values.push_back(read(element, key));
    return values;
}

std::vector<std::int32_t> requiredInt32Array(const Json& object, const char* key) {
    return integerArray(object, key, int32OrFail);
}

std::vector<std::int64_t> requiredInt64Array(const Json& object, const char* key) {
    return integerArray(object, key, integerOrFail);
}

std::optional<std::int64_t> optionalInteger(const Json& object, const char* key) {
    const Json* value = optionalMember(object, key);
    if (!value) return std::nullopt;
    return integerOrFail(*value, key);
}

std::optional<std::string> optionalString(const Json& object, const char* key) {
    const Json* value = optionalMember(object, key);
    if (!value) return std::nullopt;
    if (!value->is_string()) fail(key, "expected a string");
    return value->get<std::string>();
}

std::optional<bool> optionalBool(const Json& object, const char* key) {
    const Json* value = optionalMember(object, key);
    if (!value) return std::nullopt;
    if (!value->is_boolean()) fail(key, "expected true or false");
    return value->get<bool>();
}

}  // namespace JSONCoding
