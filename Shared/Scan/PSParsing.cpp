// The process table as `ps -axwwo pid=,pgid=,pcpu=,pmem=,rss=,etime=,time=,command=` prints it. A
// scan reads a line for every process of the machine, tens of thousands on a busy one, so a line in
// the plain form ps writes (each column a run of digits with a decimal point or the time
// punctuation, the columns apart by spaces) is read in one pass; any other line is read column by
// column, the general way. The plain reading accepts only what the general one reads to the very
// same values, so which of them read a line never shows.

#include <algorithm>
#include <array>
#include <limits>
#include <string>

#include "Shared/Scan/ProcessIDIndex.h"
#include "Shared/Scan/ProcessScannerParsing.h"
#include "Shared/ScanText.h"

namespace ProcessScannerParsing {

namespace {

constexpr double powersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// A ps time "[d-][h:]m:s" as numbers: two or three clock parts; the last one's digits include
// `fractionDigits` after a decimal point.
struct Clock {
    std::int64_t days = 0;
    std::array<std::int64_t, 3> parts{};
    std::size_t count = 0;
    int fractionDigits = 0;
};

bool checkedMultiplyAdd(std::int64_t value, std::int64_t factor, std::int64_t addend, std::int64_t& result) {
    std::int64_t product = 0;
    return !__builtin_mul_overflow(value, factor, &product) && !__builtin_add_overflow(product, addend, &result);
}

// No value when the result does not fit in 64 bits (real ps output never comes close).
std::optional<std::int64_t> elapsedSeconds(const Clock& clock) {
    const auto hours = clock.count == 3 ? clock.parts[0] : 0;
    const auto minutes = clock.parts[clock.count - 2];
    const auto seconds = clock.parts[clock.count - 1];
    std::int64_t totalHours = 0, totalMinutes = 0, totalSeconds = 0;
    if (!checkedMultiplyAdd(clock.days, 24, hours, totalHours) ||
        !checkedMultiplyAdd(totalHours, 60, minutes, totalMinutes) ||
        !checkedMultiplyAdd(totalMinutes, 60, seconds, totalSeconds))
        return std::nullopt;
    return totalSeconds;
}

// The arithmetic of both readings of a CPU time, in one place so that they agree to the last bit.
double cpuSeconds(std::int64_t days, std::int64_t hours, std::int64_t minutes, double seconds) {
    const double value = seconds + (static_cast<double>(hours) * 3600.0 + static_cast<double>(minutes) * 60.0);
    return static_cast<double>(days) * 86400.0 + value;
}

// ---- The plain reading ------------------------------------------------------------------------------

// Reads columns in their plain forms from the front of a text, each after any spaces and up to the
// next space or the end. Every reader fails for a column in any other form. The numbers have at
// most fifteen digits (no overflow, exact as doubles), so a decimal made of the digits over the
// power of ten below them rounds as the general reading rounds it. A column is read as runs of
// digits and the separators between them: this runs for every character of the process table.
class PlainColumns {
public:
    explicit PlainColumns(std::string_view text) : at_(text.data()), end_(text.data() + text.size()) {}

    template <typename Integer>
    bool integer(Integer& value) {
        skipSpaces();
        std::uint64_t number = 0;
        const int digits = digitRun(number);
        if (digits == 0 || digits > std::numeric_limits<Integer>::digits10 || !atColumnEnd()) return false;
        value = static_cast<Integer>(number);
        return true;
    }

    // Digits with at most one decimal point between digits.
    bool decimal(double& value) {
        skipSpaces();
        std::uint64_t number = 0;
        const int whole = digitRun(number);
        if (whole == 0) return false;
        int fraction = 0;
        if (at('.')) {
            ++at_;
            fraction = digitRun(number);  // the fraction's digits join the whole part's
            if (fraction == 0) return false;
        }
        if (whole + fraction > mostDigits || !atColumnEnd()) return false;
        value = static_cast<double>(number) / powersOfTen[fraction];
        return true;
    }

    // "[d-][h:]m:s", with a fraction on the seconds where `withFraction`.
    bool clock(bool withFraction, Clock& clock) {
        skipSpaces();
        std::uint64_t number = 0;
        int digits = digitRun(number);
        if (digits == 0 || digits > mostDigits) return false;
        if (at('-')) {
            clock.days = static_cast<std::int64_t>(number);
            if (!nextPart(number, digits)) return false;
        }
        while (at(':') && clock.count < 2) {
            clock.parts[clock.count++] = static_cast<std::int64_t>(number);
            if (!nextPart(number, digits)) return false;
        }
        if (clock.count == 0) return false;
        if (withFraction && at('.')) {
            ++at_;
            clock.fractionDigits = digitRun(number);  // the fraction's digits join the seconds'
            if (clock.fractionDigits == 0 || digits + clock.fractionDigits > mostDigits) return false;
        }
        if (!atColumnEnd()) return false;
        clock.parts[clock.count++] = static_cast<std::int64_t>(number);
        return true;
    }

    bool atEnd() const { return at_ == end_; }

    // After the last column: none at the end of the text, else what follows the one space.
    std::optional<std::string_view> rest() const {
        if (at_ == end_) return std::nullopt;
        return std::string_view(at_ + 1, static_cast<std::size_t>(end_ - at_ - 1));
    }

private:
    static constexpr int mostDigits = 15;

    // Appends the digits at the cursor to `number` (wrapping past 19 digits, which every caller
    // refuses) and returns how many there were.
    int digitRun(std::uint64_t& number) {
        const char* at = at_;
        std::uint64_t value = number;
        for (; at != end_; ++at) {
            const unsigned digit = static_cast<unsigned char>(*at) - unsigned{'0'};  // no digit wraps past 9
            if (digit > 9) break;
            value = value * 10 + digit;
        }
        const auto digits = static_cast<int>(at - at_);
        at_ = at;
        number = value;
        return digits;
    }

    // Past a clock separator, the next part's digits in place of `number`.
    bool nextPart(std::uint64_t& number, int& digits) {
        ++at_;
        number = 0;
        digits = digitRun(number);
        return digits > 0 && digits <= mostDigits;
    }

    bool at(char character) const { return at_ != end_ && *at_ == character; }
    void skipSpaces() {
        const char* at = at_;
        while (at != end_ && *at == ' ') ++at;
        at_ = at;
    }
    bool atColumnEnd() const { return at_ == end_ || *at_ == ' '; }

    const char* at_;
    const char* end_;
};

double plainSeconds(const Clock& clock) {
    return static_cast<double>(clock.parts[clock.count - 1]) / powersOfTen[clock.fractionDigits];
}

std::optional<double> plainCPUSeconds(const Clock& clock) {
    return cpuSeconds(clock.days, clock.count == 3 ? clock.parts[0] : 0, clock.parts[clock.count - 2],
                      plainSeconds(clock));
}

// A time that is nothing but the plain form.
std::optional<Clock> plainClock(std::string_view text, bool withFraction) {
    PlainColumns columns(text);
    Clock clock;
    if (!columns.clock(withFraction, clock) || !columns.atEnd()) return std::nullopt;
    return clock;
}

void setCommandLine(PSEntry& entry, std::optional<std::string_view> rest) {
    if (!rest) return;
    const auto commandLine = ScanText::trimSpacesAndTabs(*rest);
    if (!commandLine.empty()) entry.commandLine = std::string(commandLine);
}

using Row = ProcessTable::value_type;

// Both readings keep the command line only where `keepsCommandLine(pid)`. The plain one fills the
// row in place and fails for a line in any other form.
template <typename KeepsCommandLine>
bool readPlainRow(std::string_view line, Row& row, const KeepsCommandLine& keepsCommandLine) {
    PlainColumns columns(line);
    auto& [pid, entry] = row;
    Clock elapsed, time;
    if (!columns.integer(pid) || !columns.integer(entry.pgid) || !columns.decimal(entry.cpu) ||
        !columns.decimal(entry.mem) || !columns.integer(entry.rss) || !columns.clock(false, elapsed) ||
        !columns.clock(true, time))
        return false;
    entry.uptimeSeconds = elapsedSeconds(elapsed);
    entry.cpuTimeSeconds = plainCPUSeconds(time);
    if (keepsCommandLine(pid)) setCommandLine(entry, columns.rest());
    return true;
}

// ---- The general reading ----------------------------------------------------------------------------

// The text with every decimal comma made a point; a copy in `storage` only when there is one.
std::string_view withDecimalPoints(std::string_view text, std::string& storage) {
    if (std::find(text.begin(), text.end(), ',') == text.end()) return text;
    storage.assign(text);
    std::replace(storage.begin(), storage.end(), ',', '.');
    return storage;
}

std::optional<double> parseDecimal(std::string_view text) {
    std::string storage;
    return ScanText::parseFiniteDouble(withDecimalPoints(text, storage));
}

// A ps time cut apart: the days before the first "-" (a number; 0 without a "-"), then the rest cut
// at every ":", empty parts kept. No value unless there are two or three parts.
struct TimeParts {
    std::int64_t days = 0;
    std::array<std::string_view, 3> clock;
    std::size_t count = 0;
};

std::optional<TimeParts> splitTime(std::string_view text) {
    TimeParts parts;
    const char* const end = text.data() + text.size();
    const char* start = std::find(text.data(), end, '-');
    if (start != end) {
        const auto days =
            ScanText::parseInt64(std::string_view(text.data(), static_cast<std::size_t>(start - text.data())));
        if (!days) return std::nullopt;
        parts.days = *days;
        ++start;
    } else {
        start = text.data();
    }
    for (const char* at = start;; ++at) {
        if (at != end && *at != ':') continue;
        if (parts.count == parts.clock.size()) return std::nullopt;
        parts.clock[parts.count++] = std::string_view(start, static_cast<std::size_t>(at - start));
        if (at == end) break;
        start = at + 1;
    }
    if (parts.count < 2) return std::nullopt;
    return parts;
}

// The eight ps columns: seven runs of non-space characters and, when anything follows, the rest of
// the line (the command line keeps its inner spaces).
struct PSColumns {
    std::array<std::string_view, 7> fields;
    std::optional<std::string_view> rest;
};

std::optional<PSColumns> splitPSLine(std::string_view line) {
    PSColumns columns;
    const char* position = line.data();
    const char* const end = position + line.size();
    for (auto& field : columns.fields) {
        while (position != end && *position == ' ') ++position;
        if (position == end) return std::nullopt;
        const char* const start = position;
        while (position != end && *position != ' ') ++position;
        field = std::string_view(start, static_cast<std::size_t>(position - start));
    }
    if (position != end) columns.rest = std::string_view(position + 1, static_cast<std::size_t>(end - position - 1));
    return columns;
}

template <typename KeepsCommandLine>
std::optional<Row> generalRow(std::string_view line, const KeepsCommandLine& keepsCommandLine) {
    const auto columns = splitPSLine(line);
    if (!columns) return std::nullopt;
    const auto& field = columns->fields;
    const auto pid = ScanText::parseInt32(field[0]);
    const auto pgid = ScanText::parseInt32(field[1]);
    const auto cpu = parseDecimal(field[2]);
    const auto mem = parseDecimal(field[3]);
    if (!pid || !pgid || !cpu || !mem) return std::nullopt;
    Row row{*pid, PSEntry{*pgid, *cpu, *mem, ScanText::parseInt64(field[4]).value_or(0), parseETime(field[5]),
                          parseCPUTime(field[6]), std::nullopt}};
    if (keepsCommandLine(*pid)) setCommandLine(row.second, columns->rest);
    return row;
}

template <typename KeepsCommandLine>
ProcessTable readPS(std::string_view text, const KeepsCommandLine& keepsCommandLine) {
    ProcessTable::Entries rows;
    rows.reserve(text.size() / 64);  // ps lines are longer than that: room for nearly all at once
    ScanText::forEachLine(text, [&](std::string_view line) {
        auto& row = rows.emplace_back();
        if (readPlainRow(line, row, keepsCommandLine)) return;
        if (auto general = generalRow(line, keepsCommandLine)) {
            row = std::move(*general);
        } else {
            rows.pop_back();
        }
    });
    return ProcessTable::keepingLastOfEachKey(std::move(rows));
}

}  // namespace

ProcessTable parsePS(std::string_view text) {
    return readPS(text, [](std::int32_t) { return true; });
}

ProcessTable parsePS(std::string_view text, const ListeningPorts& listeners) {
    const auto index = ProcessIDIndex::ofKeys(listeners);
    return readPS(text, [&](std::int32_t pid) { return index.contains(pid); });
}

std::optional<std::int64_t> parseETime(std::string_view text) {
    text = ScanText::trimSpacesAndTabs(text);
    if (text.empty()) return std::nullopt;
    if (const auto clock = plainClock(text, false)) return elapsedSeconds(*clock);
    const auto parts = splitTime(text);
    if (!parts) return std::nullopt;
    Clock clock;
    clock.days = parts->days;
    for (; clock.count < parts->count; ++clock.count) {
        const auto number = ScanText::parseInt64(parts->clock[clock.count]);
        if (!number) return std::nullopt;
        clock.parts[clock.count] = *number;
    }
    return elapsedSeconds(clock);
}

std::optional<double> parseCPUTime(std::string_view text) {
    text = ScanText::trimSpacesAndTabs(text);
    if (const auto clock = plainClock(text, true)) return plainCPUSeconds(*clock);
    std::string storage;
    const auto normalised = withDecimalPoints(text, storage);
    if (normalised.empty()) return std::nullopt;
    const auto parts = splitTime(normalised);
    if (!parts) return std::nullopt;
    const auto& clock = parts->clock;
    const auto seconds = ScanText::parseFiniteDouble(clock[parts->count - 1]);
    const auto hours = parts->count == 3 ? ScanText::parseInt64(clock[0]) : std::optional<std::int64_t>(0);
    const auto minutes = ScanText::parseInt64(clock[parts->count - 2]);
    if (!seconds || !hours || !minutes) return std::nullopt;
    return cpuSeconds(parts->days, *hours, *minutes, *seconds);
}

std::optional<Row> Testing::readPlainPSLine(std::string_view line) {
    Row row;
    if (!readPlainRow(line, row, [](std::int32_t) { return true; })) return std::nullopt;
    return row;
}

std::optional<Row> Testing::readGeneralPSLine(std::string_view line) {
    return generalRow(line, [](std::int32_t) { return true; });
}

}  // namespace ProcessScannerParsing
