#include "Platform/JSONNesting.h"

namespace Platform::JSONNesting {

bool isDeeperThan(std::string_view text, std::size_t depth) {
    std::size_t open = 0;
    bool inString = false, escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped) escaped = false;
            else if (c == '\\') escaped = true;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++open > depth) return true;
        } else if ((c == ']' || c == '}') && open > 0) {
            --open;
        }
    }
    return false;
}

}  // namespace Platform::JSONNesting
