#pragma once
// Property lists made to order, XML and binary, for the tests of their readers: above all the
// pathological ones no writer makes, nested hundreds of thousands of levels deep or looping back.

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// A 4-byte object reference of a binary property list.
inline std::string plistReference(std::uint64_t object) {
    std::string bytes;
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>(object >> shift & 0xFF));
    return bytes;
}

// A binary property list of these objects (each its marker byte and content, references made with
// plistReference), object 0 the root.
inline std::string binaryPlist(const std::vector<std::string>& objects) {
    std::string bytes = "bplist00";
    std::string table;
    for (const std::string& object : objects) {
        table += plistReference(bytes.size());
        bytes += object;
    }
    const std::uint64_t tableStart = bytes.size();
    bytes += table;
    const auto eightBytes = [](std::uint64_t value) { return plistReference(value >> 32) + plistReference(value); };
    bytes += std::string(6, '\0') + "\x04\x04" + eightBytes(objects.size()) + eightBytes(0) + eightBytes(tableStart);
    return bytes;
}

// {"a": [[[ ... [true] ... ]]]} with `levels` arrays, as XML.
inline std::string nestedXMLPlist(std::size_t levels) {
    std::string text = R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict><key>a</key>)";
    text.reserve(text.size() + levels * 15 + 40);
    for (std::size_t i = 0; i < levels; ++i) text += "<array>";
    text += "<true/>";
    for (std::size_t i = 0; i < levels; ++i) text += "</array>";
    return text + "</dict></plist>";
}

// The same document in binary form.
inline std::string nestedBinaryPlist(std::size_t levels) {
    std::vector<std::string> objects{"\xD1" + plistReference(1) + plistReference(2),
                                     "\x51"
                                     "a"};
    for (std::size_t i = 0; i < levels; ++i) objects.push_back("\xA1" + plistReference(3 + i));
    objects.push_back("\x09");  // true
    return binaryPlist(objects);
}

}  // namespace testing_support
