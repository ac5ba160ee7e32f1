#pragma once
// Strict reading of the records' JSON: required keys must be present with the right type, 32-bit
// ids must fit, unknown keys are ignored, optional keys may be missing (null counts as missing).
// An integer is any JSON number with an integral value that fits the target type, so 12 and 12.0
// read alike while 1.5, "12" and 3000000000 (for 32 bits) are refused.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

struct DecodingError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

namespace JSONCoding {

const nlohmann::json& requiredMember(const nlohmann::json& object, const char* key);
std::int32_t requiredInt32(const nlohmann::json& object, const char* key);
std::int64_t requiredInteger(const nlohmann::json& object, const char* key);
double requiredNumber(const nlohmann::json& object, const char* key);
bool requiredBool(const nlohmann::json& object, const char* key);
std::string requiredString(const nlohmann::json& object, const char* key);
// The member must be a JSON array; its elements are left to the caller.
const nlohmann::json& requiredArray(const nlohmann::json& object, const char* key);
// An array whose every element is a 32-bit (or 64-bit) integer.
std::vector<std::int32_t> requiredInt32Array(const nlohmann::json& object, const char* key);
std::vector<std::int64_t> requiredInt64Array(const nlohmann::json& object, const char* key);
std::optional<std::int64_t> optionalInteger(const nlohmann::json& object, const char* key);
std::optional<std::string> optionalString(const nlohmann::json& object, const char* key);
std::optional<bool> optionalBool(const nlohmann::json& object, const char* key);
void requireObject(const nlohmann::json& value, const char* what);

}  // namespace JSONCoding
