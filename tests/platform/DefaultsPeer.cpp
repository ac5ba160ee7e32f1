// A second process for the cross-process user-defaults tests, in the HOME and XDG folders of the
// test that starts it:  defaults_peer <"standard" or suite> <command> <key> [value]
//   get-string | get-int | get-bool | get-data KEY   print the value (data as hex)
//   set-string | set-int | set-bool | set-data KEY VALUE, remove KEY
//   set-many PREFIX COUNT   sets PREFIX-i to i for every i below COUNT, one write each
//   count-prefix PREFIX     prints how many of PREFIX-0, PREFIX-1, ... in a row hold their index
// Exit status: 0 done, 1 no value of that kind, 2 bad usage, 3 the write failed, 4 no such suite.

#include "Platform/UserDefaults.h"

#include <cstdio>
#include <string>

using Platform::UserDefaults;

namespace {

int printed(const std::optional<std::string>& text) {
    if (!text) return 1;
    std::fputs(text->c_str(), stdout);
    return 0;
}

int run(UserDefaults& defaults, const std::string& command, const std::string& key, const std::string& value) {
    static const char digits[] = "0123456789abcdef";
    if (command == "get-string") return printed(defaults.string(key));
    if (command == "get-int") {
        const auto number = defaults.integer(key);
        return printed(number ? std::optional(std::to_string(*number)) : std::nullopt);
    }
    if (command == "get-bool") {
        const auto flag = defaults.boolean(key);
        return printed(flag ? std::optional<std::string>(*flag ? "1" : "0") : std::nullopt);
    }
    if (command == "get-data") {
        const auto data = defaults.data(key);
        std::string hex;
        for (auto byte : data.value_or(UserDefaults::Data{})) hex += {digits[byte >> 4], digits[byte & 0xf]};
        return printed(data ? std::optional(hex) : std::nullopt);
    }
    if (command == "count-prefix") {
        int count = 0;
        while (defaults.integer(key + "-" + std::to_string(count)) == count) ++count;
        std::printf("%d", count);
        return 0;
    }
    bool written = false;
    try {
        if (command == "remove") written = defaults.remove(key);
        else if (command == "set-string") written = defaults.set(key, value);
        else if (command == "set-bool") written = defaults.set(key, value == "1");
        else if (command == "set-int") written = defaults.set(key, std::int64_t{std::stoll(value)});
        else if (command == "set-data") {
            UserDefaults::Data data;
            for (size_t i = 0; i + 1 < value.size(); i += 2) data.push_back(std::stoul(value.substr(i, 2), nullptr, 16));
            written = defaults.set(key, data);
        } else if (command == "set-many") {
            written = true;
            for (std::int64_t i = 0; written && i < std::stoll(value); ++i) written = defaults.set(key + "-" + std::to_string(i), i);
        } else {
            return 2;
        }
    } catch (const std::exception&) {
        return 2;
    }
    return written ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    const std::string domain = argv[1];
    auto suite = domain == "standard" ? nullptr : UserDefaults::suite(domain);
    if (domain != "standard" && !suite) return 4;
    return run(suite ? *suite : UserDefaults::standard(), argv[2], argv[3], argc > 4 ? argv[4] : "");
}
