// A second process for the cross-process user-defaults tests. It uses the same HOME and XDG folders
// as the test that starts it (inherited environment).
//
//   defaults_peer <domain> <command> [arguments]
//
// <domain> is "standard" or a suite name. Commands:
//   set-string KEY TEXT | set-int KEY NUMBER | set-bool KEY 0|1 | set-data KEY HEX | remove KEY
//   get-string KEY | get-int KEY | get-bool KEY | get-data KEY    (prints the value; hex for data)
//   set-many PREFIX COUNT    sets PREFIX-0 ... PREFIX-(COUNT-1) to their index, one write each
//   count-prefix PREFIX      prints how many keys PREFIX-i (i from 0) hold the integer i, stopping
//                            at the first that does not
// Exit status: 0 done, 1 no value of that type, 2 bad usage, 3 the write failed, 4 no such suite.

#include "Platform/UserDefaults.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

using Platform::UserDefaults;

namespace {

std::string toHex(const UserDefaults::Data& data) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::uint8_t byte : data) {
        out += digits[byte >> 4];
        out += digits[byte & 0xf];
    }
    return out;
}

std::optional<UserDefaults::Data> fromHex(const std::string& text) {
    if (text.size() % 2) return std::nullopt;
    UserDefaults::Data out;
    for (size_t i = 0; i < text.size(); i += 2) {
        char* end = nullptr;
        const std::string pair = text.substr(i, 2);
        const long byte = std::strtol(pair.c_str(), &end, 16);
        if (*end) return std::nullopt;
        out.push_back(static_cast<std::uint8_t>(byte));
    }
    return out;
}

std::optional<std::int64_t> toInteger(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const long long number = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end || errno) return std::nullopt;
    return number;
}

int printed(const std::optional<std::string>& text) {
    if (!text) return 1;
    std::printf("%s", text->c_str());
    return 0;
}

int run(UserDefaults& defaults, const std::string& command, const std::string& key, const char* argument) {
    if (command == "get-string") return printed(defaults.string(key));
    if (command == "get-int") {
        auto number = defaults.integer(key);
        return printed(number ? std::optional(std::to_string(*number)) : std::nullopt);
    }
    if (command == "get-bool") {
        auto flag = defaults.boolean(key);
        return printed(flag ? std::optional<std::string>(*flag ? "1" : "0") : std::nullopt);
    }
    if (command == "get-data") {
        auto data = defaults.data(key);
        return printed(data ? std::optional(toHex(*data)) : std::nullopt);
    }
    if (command == "remove") return defaults.remove(key) ? 0 : 3;
    if (command == "count-prefix") {
        int count = 0;
        while (defaults.integer(key + "-" + std::to_string(count)) == count) ++count;
        std::printf("%d", count);
        return 0;
    }

    if (!argument) return 2;
    const std::string value = argument;
    if (command == "set-string") return defaults.set(key, value) ? 0 : 3;
    if (command == "set-bool") {
        if (value != "0" && value != "1") return 2;
        return defaults.set(key, value == "1") ? 0 : 3;
    }
    if (command == "set-int") {
        auto number = toInteger(value);
        if (!number) return 2;
        return defaults.set(key, *number) ? 0 : 3;
    }
    if (command == "set-data") {
        auto data = fromHex(value);
        if (!data) return 2;
        return defaults.set(key, *data) ? 0 : 3;
    }
    if (command == "set-many") {
        auto count = toInteger(value);
        if (!count) return 2;
        for (std::int64_t i = 0; i < *count; ++i)
            if (!defaults.set(key + "-" + std::to_string(i), i)) return 3;
        return 0;
    }
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: defaults_peer <domain> <command> <key> [value]\n");
        return 2;
    }
    const std::string domain = argv[1];
    std::shared_ptr<UserDefaults> suite;
    if (domain != "standard") {
        suite = UserDefaults::suite(domain);
        if (!suite) return 4;
    }
    UserDefaults& defaults = suite ? *suite : UserDefaults::standard();
    return run(defaults, argv[2], argv[3], argc > 4 ? argv[4] : nullptr);
}
