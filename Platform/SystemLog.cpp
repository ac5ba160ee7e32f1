#include "Platform/SystemLog.h"

#include <syslog.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>

namespace Platform {
namespace {

std::mutex& capturesMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<LogCapture*>& captures() {
    static std::vector<LogCapture*> list;
    return list;
}

void writeToStandardError(std::string_view line) {
    std::string text(line);
    text.push_back('\n');
    std::string_view rest = text;
    while (!rest.empty()) {
        ssize_t written = ::write(STDERR_FILENO, rest.data(), rest.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return;
        }
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
}

// A name from the file system may hold any byte but "/" and NUL: a folder named "a\nVellumark: ..."
// would start a log line of its own making, an escape sequence would reach the terminal. Control
// characters are written as escapes (C0 and DEL as \n, \r, \t or \xHH, C1 as \u00HH); the
// rest stays as it is.
std::string escapingControlCharacters(std::string_view line) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(line.size());
    for (std::size_t at = 0; at < line.size(); ++at) {
        const auto byte = static_cast<unsigned char>(line[at]);
        const auto next = at + 1 < line.size() ? static_cast<unsigned char>(line[at + 1]) : 0;
        if (byte == '\n') {
            escaped += "\\n";
        } else if (byte == '\r') {
            escaped += "\\r";
        } else if (byte == '\t') {
            escaped += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            escaped += {'\\', 'x', hex[byte >> 4], hex[byte & 0xF]};
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {  // U+0080 to U+009F in UTF-8
            escaped += {'\\', 'u', '0', '0', hex[next >> 4], hex[next & 0xF]};
            ++at;
        } else {
            escaped += static_cast<char>(byte);
        }
    }
    return escaped;
}

}  // namespace

void systemLog(const std::string& text) {
    const std::string line = escapingControlCharacters(text);
    syslog(LOG_NOTICE, "%s", line.c_str());
    writeToStandardError(line);
    std::lock_guard lock(capturesMutex());
    for (LogCapture* capture : captures()) capture->append(line);
}

LogCapture::LogCapture() {
    std::lock_guard lock(capturesMutex());
    captures().push_back(this);
}

LogCapture::~LogCapture() {
    std::lock_guard lock(capturesMutex());
    auto& list = captures();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

std::vector<std::string> LogCapture::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool LogCapture::contains(const std::string& text) const {
    std::lock_guard lock(mutex_);
    return std::any_of(lines_.begin(), lines_.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

void LogCapture::clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

void LogCapture::append(const std::string& line) {
    std::lock_guard lock(mutex_);
    lines_.push_back(line);
}

}  // namespace Platform
