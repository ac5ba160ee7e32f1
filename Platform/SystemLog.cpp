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

}  // namespace

void systemLog(const std::string& line) {
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
