#pragma once
// The system log: every diagnostic line goes to syslog and to standard error. Callers pass the whole
// line, prefix included ("Vellumark: failed to write snapshot: ..."), names in it as they are: the
// log escapes control characters itself, so a line stays one line whatever a name holds.
//
// Tests read what was logged through LogCapture, which sees every line written in this process while
// it lives (from any thread).

#include <mutex>
#include <string>
#include <vector>

namespace Platform {

void systemLog(const std::string& text);

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const;
    // True when some captured line contains the text.
    bool contains(const std::string& text) const;
    void clear();

    void append(const std::string& line);  // called by systemLog

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

}  // namespace Platform
