// A second process for the user-defaults tests, in the HOME of the test that starts it:
//   defaults_peer SUITE get KEY                 prints s:TEXT, i:NUMBER, b:0|1 or d:BYTES; exits 1 if absent
//   defaults_peer SUITE set KEY NUMBER          exits 3 when the write failed
//   defaults_peer SUITE set-many PREFIX COUNT   PREFIX-i = i for every i below COUNT, one write each
//   defaults_peer SUITE count PREFIX            how many of PREFIX-0, PREFIX-1, ... in a row hold their index

#include "Platform/UserDefaults.h"

#include <cstdio>
#include <string>

using Platform::UserDefaults;

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    const std::string command = argv[2], key = argv[3];
    const auto suite = UserDefaults::suite(argv[1]);
    if (!suite) return 4;
    if (command == "get") {
        const auto stored = suite->object(key);
        if (!stored) return 1;
        std::string text;
        if (auto* raw = std::get_if<UserDefaults::Data>(&*stored)) text = "d:" + std::string(raw->begin(), raw->end());
        else if (auto* string = std::get_if<std::string>(&*stored)) text = "s:" + *string;
        else if (auto* flag = std::get_if<bool>(&*stored)) text = *flag ? "b:1" : "b:0";
        else text = "i:" + std::to_string(std::get<std::int64_t>(*stored));
        return std::fwrite(text.data(), 1, text.size(), stdout) != text.size();
    }
    if (command == "count") {
        int count = 0;
        while (suite->integer(key + "-" + std::to_string(count)) == count) ++count;
        return std::printf("%d", count) < 0;
    }
    bool written = true;
    if (command == "set" && argc == 5) written = suite->set(key, std::int64_t{std::stoll(argv[4])});
    else if (command != "set-many" || argc != 5) return 2;
    for (std::int64_t i = 0; command == "set-many" && written && i < std::stoll(argv[4]); ++i)
        written = suite->set(key + "-" + std::to_string(i), i);
    return written ? 0 : 3;
}
