#include "tools/companion-tool/LogReading.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "tools/companion-tool/TextOut.h"

namespace Korvane::PC::Tarnwick::Companion {
namespace {

constexpr std::size_t kFields = 8;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

LogTime Pack(int year, int month, int day, int hour, int minute, int second) {
    return ((((static_cast<LogTime>(year) * 100 + month) * 100 + day) * 100 + hour) * 100 + minute) * 100 + second;
}

bool ValidTime(int year, int month, int day, int hour, int minute, int second) {
    // The oldest year a Windows clock gives is 1601.
    return year >= 1601 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month) && hour < 24 &&
           minute < 60 && second < 60;
}

// A decimal number as printf's "%u" or "%d" writes it: an optional minus
// (signed types only), digits without a leading zero, no "-0", and a value
// that fits T; the whole text, so that a line reads only as the program
// wrote it.
template <typename T>
bool ParseDecimal(std::string_view text, T& value) {
    const std::string_view digits = text.substr(!text.empty() && text[0] == '-' ? 1 : 0);
    if (!digits.empty() && digits[0] == '0' && text.size() > 1) return false;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

// Strict UTF-8: no overlong forms, surrogates or code points above U+10FFFF.
bool IsUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = p + text.size();
    while (p < end) {
        // Eight ASCII bytes at a time.
        if (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                p += 8;
                continue;
            }
        }
        const unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        std::size_t length;
        char32_t c;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2, c = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3, c = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4, c = b & 0x07;
        } else {
            return false;
        }
        if (static_cast<std::size_t>(end - p) < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((p[k] & 0xC0) != 0x80) return false;
            c = (c << 6) | (p[k] & 0x3F);
        }
        if ((length == 3 && (c < 0x800 || (c >= 0xD800 && c < 0xE000))) ||
            (length == 4 && (c < 0x10000 || c > 0x10FFFF)))
            return false;
        p += length;
    }
    return true;
}

// A field quoted for a reason: at most 40 bytes (cut at a character), with
// control characters shown as \xNN.
std::string Quoted(std::string_view field) {
    std::string out = "\"";
    std::size_t n = 0;
    for (std::size_t i = 0; i < field.size(); ++i, ++n) {
        if (n >= 40 && (static_cast<unsigned char>(field[i]) & 0xC0) != 0x80) {
            out += "...";
            break;
        }
        const auto c = static_cast<unsigned char>(field[i]);
        if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += field[i];
        }
    }
    return out + "\"";
}

bool Fail(std::string* reason, Unreadable* kind, Unreadable why, std::string text) {
    if (reason) *reason = std::move(text);
    if (kind) *kind = why;
    return false;
}

}  // namespace

std::string FormatLogTime(LogTime time, char separator) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d%c%02d:%02d:%02d", static_cast<int>(time / 10000000000),
                  static_cast<int>(time / 100000000 % 100), static_cast<int>(time / 1000000 % 100), separator,
                  static_cast<int>(time / 10000 % 100), static_cast<int>(time / 100 % 100),
                  static_cast<int>(time % 100));
    return text;
}

std::string FormatDay(std::int32_t day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", day / 10000, day / 100 % 100, day % 100);
    return text;
}

std::optional<LogTime> ParseDateArgument(std::string_view text) {
    if (text.size() < 10 || (text[4] != '-' && text[4] != '/') || text[7] != text[4]) return std::nullopt;
    int y, mo, d, h = 0, mi = 0, s = 0;
    if (!Digits(text, 0, 4, y) || !Digits(text, 5, 2, mo) || !Digits(text, 8, 2, d)) return std::nullopt;
    if (text.size() > 10) {
        const std::string_view clock = text.substr(11);
        if ((text[10] != ' ' && text[10] != 'T') || (clock.size() != 5 && clock.size() != 8) || clock[2] != ':' ||
            !Digits(clock, 0, 2, h) || !Digits(clock, 3, 2, mi) ||
            (clock.size() == 8 && (clock[5] != ':' || !Digits(clock, 6, 2, s))))
            return std::nullopt;
    }
    if (!ValidTime(y, mo, d, h, mi, s)) return std::nullopt;
    return Pack(y, mo, d, h, mi, s);
}

namespace {

// "YYYY/MM/DD hh:mm:ss", as "%04u/%02u/%02u %02u:%02u:%02u" writes it: the
// one form of a command-line date with slashes, a space and seconds.
bool ParseTime(std::string_view text, LogTime& time) {
    if (text.size() != 19 || text[4] != '/' || text[10] != ' ') return false;
    const std::optional<LogTime> parsed = ParseDateArgument(text);
    if (parsed) time = *parsed;
    return parsed.has_value();
}

}  // namespace

LogTime AddDays(LogTime time, int days) {
    const LogTime clock = time % 1000000;
    const std::int32_t day = DayOf(time);
    std::int64_t y;
    unsigned m, d;
    CivilFromDays(DaysFromCivil(day / 10000, day / 100 % 100, day % 100) + days, y, m, d);
    return ((y * 100 + m) * 100 + d) * 1000000 + clock;
}

namespace {

constexpr std::int32_t LargestExitCode() {
    std::int32_t largest = 0;
    for (const ExitCodeInfo& info : kExitCodes) largest = std::max(largest, ToNumber(info.code));
    return largest;
}

// kExitCodes' failed column by number, made when the tool is built: it is
// asked for every run read.
constexpr auto kFailedByNumber = [] {
    std::array<bool, static_cast<std::size_t>(LargestExitCode()) + 1> failed{};
    for (const ExitCodeInfo& info : kExitCodes)
        failed[static_cast<std::size_t>(ToNumber(info.code))] = info.failed == RunFailed::kYes;
    return failed;
}();

}  // namespace

bool IsFailedRun(std::int32_t exit) {
    return exit >= 0 && static_cast<std::size_t>(exit) < kFailedByNumber.size() &&
           kFailedByNumber[static_cast<std::size_t>(exit)];
}

std::string FailedRunCodes(std::string_view to) {
    // The failed codes in the table's order, each run of consecutive numbers
    // written as its first and last.
    std::string text;
    for (std::size_t i = 0; i < kExitCodes.size(); ++i) {
        if (kExitCodes[i].failed != RunFailed::kYes) continue;
        std::size_t last = i;
        while (last + 1 < kExitCodes.size() && kExitCodes[last + 1].failed == RunFailed::kYes &&
               ToNumber(kExitCodes[last + 1].code) == ToNumber(kExitCodes[last].code) + 1)
            ++last;
        if (!text.empty()) text += ", ";
        text += ExitNumber(kExitCodes[i].code);
        if (last != i) text += std::string(to) + ExitNumber(kExitCodes[last].code);
        i = last;
    }
    return text;
}

std::string MissingSoftwareCodes() {
    return ExitNumber(ExitCode::kSupportPageOpened) + ", " + ExitNumber(ExitCode::kEssentialMissing);
}

const char* UnreadableName(Unreadable kind) {
    switch (kind) {
        case Unreadable::kEmpty: return "empty line";
        case Unreadable::kTooFewFields: return "too few fields";
        case Unreadable::kAmbiguous: return "ambiguous fields";
        case Unreadable::kTime: return "time not YYYY/MM/DD hh:mm:ss";
        case Unreadable::kRelease: return "release number not a number";
        case Unreadable::kExit: return "exit code not a number";
        case Unreadable::kNotUtf8: return "not UTF-8 text";
        case Unreadable::kNul: return "NUL bytes";
        case Unreadable::kTooLong: return "longer than 64 KiB";
        case Unreadable::kNoLineEnd: return "no line end";
    }
    return "unreadable";
}

std::string LineExcerpt(std::string_view line) {
    constexpr std::size_t kBytes = 60;
    std::string_view cut = line.substr(0, kBytes);
    // Cut at a character, so that a whole line of UTF-8 stays UTF-8.
    while (cut.size() < line.size() && !cut.empty() && (static_cast<unsigned char>(line[cut.size()]) & 0xC0) == 0x80)
        cut.remove_suffix(1);
    const bool utf8 = IsUtf8(cut);
    std::string out;
    for (const char ch : cut) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && !utf8)) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += ch;
        }
    }
    if (cut.size() < line.size()) out += "...";
    return out;
}

bool ParseLogLine(std::string_view line, LogRun& run, std::string* reason, Unreadable* kind) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) return Fail(reason, kind, Unreadable::kEmpty, "empty line");
    if (std::memchr(line.data(), 0, line.size())) return Fail(reason, kind, Unreadable::kNul, "holds NUL bytes");
    if (!IsUtf8(line)) return Fail(reason, kind, Unreadable::kNotUtf8, "not UTF-8 text");

    // The separators: every ", ". A comma followed by anything else belongs
    // to its field.
    std::size_t at[kFields - 1];
    std::size_t separators = 0;
    const char* const begin = line.data();
    const char* const end = begin + line.size();
    for (const char* p = begin; (p = static_cast<const char*>(std::memchr(p, ',', end - p))) != nullptr;) {
        if (p + 1 < end && p[1] == ' ') {
            if (separators < kFields - 1) at[separators] = p - begin;
            ++separators;
            p += 2;
        } else {
            ++p;
        }
    }
    if (separators < kFields - 1)
        return Fail(reason, kind, Unreadable::kTooFewFields, "too few fields: " + std::to_string(separators + 1) + " where a line has 8");
    if (separators > kFields - 1)
        return Fail(reason, kind, Unreadable::kAmbiguous, "ambiguous: " + std::to_string(separators + 1) +
                                " fields where a line has 8 (some field holds \", \", but which one cannot be told)");
    std::string_view field[kFields];
    std::size_t from = 0;
    for (std::size_t i = 0; i < kFields - 1; ++i) {
        field[i] = line.substr(from, at[i] - from);
        from = at[i] + 2;
    }
    field[kFields - 1] = line.substr(from);

    if (!ParseTime(field[0], run.time))
        return Fail(reason, kind, Unreadable::kTime, "time " + Quoted(field[0]) + " is not YYYY/MM/DD hh:mm:ss");
    if (!ParseDecimal(field[1], run.release))
        return Fail(reason, kind, Unreadable::kRelease, "release number " + Quoted(field[1]) + " is not a number");
    if (!ParseDecimal(field[2], run.exit))
        return Fail(reason, kind, Unreadable::kExit, "exit code " + Quoted(field[2]) + " is not a number");
    run.manufacturer = field[3];
    run.board = field[4];
    run.model = field[5];
    run.serial = field[6];
    run.version = field[7];
    return true;
}

bool LogFilter::Accepts(const LogRun& run) const {
    const auto has = [](const auto& list, const auto& value) {
        return list.empty() || std::find(list.begin(), list.end(), value) != list.end();
    };
    return has(boards, run.board) && has(models, run.model) && has(releases, run.release);
}

bool ResolveAmbiguousLine(std::string_view line, const KnownTexts& known, LogRun& run) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || std::memchr(line.data(), 0, line.size()) || !IsUtf8(line)) return false;
    std::vector<std::size_t> at;
    for (std::size_t p = line.find(", "); p != std::string_view::npos; p = line.find(", ", p + 2)) at.push_back(p);
    // The time, release and exit code hold no ", ": the first three separate.
    // Of the others, four separate the five texts; at most a few dozen ways.
    constexpr std::size_t kMostSeparators = 16;
    if (at.size() <= kFields - 1 || at.size() > kFields - 1 + kMostSeparators) return false;
    if (!ParseTime(line.substr(0, at[0]), run.time) ||
        !ParseDecimal(line.substr(at[0] + 2, at[1] - at[0] - 2), run.release) ||
        !ParseDecimal(line.substr(at[1] + 2, at[2] - at[1] - 2), run.exit))
        return false;
    struct Reading {
        std::string_view field[5];
    };
    std::vector<Reading> readings;
    const std::size_t n = at.size();
    for (std::size_t a = 3; a < n; ++a)
        for (std::size_t b = a + 1; b < n; ++b)
            for (std::size_t c = b + 1; c < n; ++c)
                for (std::size_t d = c + 1; d < n; ++d) {
                    const std::size_t cut[] = {at[2], at[a], at[b], at[c], at[d]};
                    Reading r;
                    for (std::size_t k = 0; k < 5; ++k) {
                        const std::size_t from = cut[k] + 2;
                        const std::size_t to = k + 1 < 5 ? cut[k + 1] : line.size();
                        r.field[k] = line.substr(from, to - from);
                    }
                    readings.push_back(r);
                }
    // Keeps the readings whose field `k` is in `texts`, when any is.
    const auto narrow = [&](std::size_t k, const std::vector<std::string>& texts) {
        const auto fits = [&](const Reading& r) {
            return std::find(texts.begin(), texts.end(), r.field[k]) != texts.end();
        };
        if (std::any_of(readings.begin(), readings.end(), fits))
            readings.erase(std::remove_if(readings.begin(), readings.end(), [&](const Reading& r) { return !fits(r); }),
                           readings.end());
    };
    narrow(0, known.manufacturers);
    narrow(1, known.boards);
    narrow(2, known.models);
    if (readings.size() != 1) return false;
    run.manufacturer = readings[0].field[0];
    run.board = readings[0].field[1];
    run.model = readings[0].field[2];
    run.serial = readings[0].field[3];
    run.version = readings[0].field[4];
    return true;
}

LogAnalysis::LogAnalysis(std::size_t watchedRuns)
    : watchedRuns_(std::clamp<std::size_t>(watchedRuns, 1, kMaxWatchedRuns)) {}

void LogAnalysis::BeginFile(std::string name) {
    files_.push_back({std::move(name), 0, 0, 0});
    pending_.clear();
    overlong_ = false;
    skipLf_ = false;
    lineNumber_ = 0;
}

void LogAnalysis::AddBytes(std::string_view bytes) {
    if (skipLf_ && !bytes.empty()) {
        skipLf_ = false;
        if (bytes[0] == '\n') bytes.remove_prefix(1);
    }
    while (!bytes.empty()) {
        // The next line end: CR LF, LF, or CR alone.
        const char* const begin = bytes.data();
        const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', bytes.size()));
        const std::size_t limit = lf ? static_cast<std::size_t>(lf - begin) : bytes.size();
        const auto* cr = static_cast<const char*>(std::memchr(begin, '\r', limit));
        std::size_t length, end;
        if (cr) {
            length = static_cast<std::size_t>(cr - begin);
            if (length + 1 < bytes.size()) {
                end = length + (begin[length + 1] == '\n' ? 2 : 1);
            } else {
                end = length + 1;
                skipLf_ = true;  // its LF, if any, comes with the next chunk
            }
        } else if (lf) {
            length = limit;
            end = limit + 1;
        } else {
            // Kept until its end comes, unless it is already too long to be
            // a line of the log; then only the fact is kept.
            if (!overlong_ && pending_.size() + bytes.size() > kMaxLine) {
                overlong_ = true;
                pending_.clear();
            }
            if (!overlong_) pending_.append(bytes);
            return;
        }
        if (overlong_ || pending_.empty()) {
            Line(bytes.substr(0, length));
        } else if (pending_.size() + length > kMaxLine) {
            overlong_ = true;
            pending_.clear();
            Line({});
        } else {
            pending_.append(bytes.substr(0, length));
            Line(pending_);
            pending_.clear();
        }
        bytes.remove_prefix(end);
    }
}

void LogAnalysis::EndFile() {
    if (overlong_ || !pending_.empty()) {
        ++lineNumber_;
        ++lines_;
        ++files_.back().lines;
        if (overlong_) {
            AddUnreadable(Unreadable::kTooLong, "longer than " + std::to_string(kMaxLine) + " bytes, and no line end",
                          {});
        } else {
            AddUnreadable(Unreadable::kNoLineEnd, "no line end: the line was cut short", pending_);
        }
    }
    pending_.clear();
    overlong_ = false;
    skipLf_ = false;
}

namespace {

// Where the last thing that cannot be inside a line of the log ends: a NUL,
// a UTF-8 or UTF-16 byte-order mark, or a byte that is never UTF-8. What
// follows it may be a whole line that a damaged stretch ran into. 0 when
// there is none.
std::size_t AfterLastBreak(std::string_view line) {
    for (std::size_t i = line.size(); i > 0; --i) {
        const auto c = static_cast<unsigned char>(line[i - 1]);
        if (c == 0 || c == 0xFE || c == 0xFF || c == 0xC0 || c == 0xC1 || c >= 0xF5) return i;
        if (c == 0xBF && i >= 3 && line.substr(i - 3, 3) == kByteOrderMark) return i;
    }
    return 0;
}

}  // namespace

void LogAnalysis::Line(std::string_view line) {
    ++lineNumber_;
    ++lines_;
    ++files_.back().lines;
    if (overlong_ || line.size() > kMaxLine) {
        overlong_ = false;
        AddUnreadable(Unreadable::kTooLong, "longer than " + std::to_string(kMaxLine) + " bytes", line);
        return;
    }
    // A new file starts with the mark; runs that find the file empty at the
    // same moment each write one, so it may start a later line too.
    if (line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
    LogRun run;
    std::string reason;
    Unreadable kind = Unreadable::kEmpty;
    if (ParseLogLine(line, run, &reason, &kind)) {
        Read(line);
        return;
    }
    // A damaged stretch followed by a whole line: the line is read, the
    // stretch is one unreadable line of its own (same line number).
    if (const std::size_t after = AfterLastBreak(line); after > 0 && after < line.size()) {
        const std::string_view tail = line.substr(after);
        const std::string_view head = line.substr(0, after);
        if (ParseLogLine(tail, run, nullptr)) {
            const bool nul = std::memchr(head.data(), 0, head.size()) != nullptr;
            AddUnreadable(nul ? Unreadable::kNul : Unreadable::kNotUtf8,
                          std::string(nul ? "holds NUL bytes" : "not UTF-8 text") + " (" +
                              std::to_string(head.size()) + " bytes before a whole line, which was read)",
                          head);
            ++lines_;
            ++files_.back().lines;
            Read(tail);
            return;
        }
    }
    if (kind == Unreadable::kAmbiguous && ResolveAmbiguousLine(line, known_, run)) {
        ++resolvedAmbiguous_;
        Accept(run);
        return;
    }
    if (kind == Unreadable::kAmbiguous && ambiguousMakers_.size() < 10000) {
        // The field after the exit code: the third ", " is always a separator.
        std::size_t at = 0;
        for (int k = 0; k < 3 && at != std::string_view::npos; ++k) {
            at = line.find(", ", at);
            if (at != std::string_view::npos) at += 2;
        }
        if (at != std::string_view::npos) {
            const std::string_view rest = line.substr(at);
            ++ambiguousMakers_[std::string(rest.substr(0, rest.find(", ")))];
        }
    }
    AddUnreadable(kind, std::move(reason), line);
}

void LogAnalysis::Read(std::string_view line) {
    LogRun run;
    if (ParseLogLine(line, run, nullptr)) Accept(run);
}

void LogAnalysis::Accept(const LogRun& run) {
    if (!filter_.empty() && !filter_.Accepts(run)) {
        ++filteredOut_;
        return;
    }
    Record(run);
    if (sink_) sink_(run, static_cast<std::uint32_t>(files_.size() - 1), lineNumber_);
}

void LogAnalysis::AddUnreadable(Unreadable kind, std::string reason, std::string_view line) {
    ++files_.back().unreadable;
    const auto file = static_cast<std::uint32_t>(files_.size() - 1);
    UnreadableSummary& summary = byKind_[static_cast<std::size_t>(kind)];
    if (summary.count++ == 0) summary = {kind, 1, file, lineNumber_, LineExcerpt(line)};
    unreadable_.push_back({file, lineNumber_, std::move(reason), kind});
}

std::vector<UnreadableSummary> LogAnalysis::UnreadableByKind() const {
    std::vector<UnreadableSummary> out;
    for (const UnreadableSummary& s : byKind_)
        if (s.count) out.push_back(s);
    return out;
}

std::pair<std::string, std::uint64_t> LogAnalysis::CommonAmbiguousManufacturer() const {
    std::pair<std::string, std::uint64_t> most;
    for (const auto& [text, count] : ambiguousMakers_)
        if (count > most.second || (count == most.second && text < most.first)) most = {text, count};
    return most;
}

std::uint32_t LogAnalysis::TextPool::Intern(std::string_view text) {
    const auto found = ids_.find(text);
    if (found != ids_.end()) return found->second;
    const auto id = static_cast<std::uint32_t>(texts_.size());
    texts_.emplace_back(text);
    ids_.emplace(texts_.back(), id);
    return id;
}

namespace {

// A 64-bit hash of a machine's key (also where size_t has 32 bits): the
// upper half tags a slot, the lower half places it.
std::uint64_t KeyHash(std::string_view board, std::string_view serial) {
    std::uint64_t h = (static_cast<std::uint64_t>(std::hash<std::string_view>{}(board)) * 0x9E3779B97F4A7C15ull) ^
                      std::hash<std::string_view>{}(serial);
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 29);
}

}  // namespace

LogAnalysis::Machine& LogAnalysis::Find(std::string_view board, std::string_view serial) {
    const std::uint64_t hash = KeyHash(board, serial);
    const std::uint64_t tag = hash & 0xFFFFFFFF00000000ull;
    if (slots_.empty()) slots_.assign(1024, 0);
    std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const std::uint64_t slot = slots_[at];
        if (slot == 0) break;
        if ((slot & 0xFFFFFFFF00000000ull) != tag) continue;
        Machine& machine = machines_[(slot & 0xFFFFFFFFu) - 1];
        if (machine.serial == serial && texts_[machine.board] == board) return machine;
    }
    // A new machine; the table stays at most half full.
    machines_.push_back({});
    machines_.back().serial = serial;
    machines_.back().board = texts_.Intern(board);
    recent_.resize(recent_.size() + watchedRuns_);
    if (machines_.size() * 2 > slots_.size()) {
        std::vector<std::uint64_t> old(slots_.size() * 2, 0);
        old.swap(slots_);
        mask = slots_.size() - 1;
        for (const std::uint64_t slot : old) {
            if (slot == 0) continue;
            const Machine& m = machines_[(slot & 0xFFFFFFFFu) - 1];
            std::size_t at = KeyHash(texts_[m.board], m.serial) & mask;
            while (slots_[at] != 0) at = (at + 1) & mask;
            slots_[at] = slot;
        }
    }
    std::size_t at = hash & mask;
    while (slots_[at] != 0) at = (at + 1) & mask;
    slots_[at] = tag | machines_.size();
    return machines_.back();
}

void LogAnalysis::Record(const LogRun& run) {
    ++files_.back().runs;
    if (!cachedExitRuns_ || cachedExit_ != run.exit) {
        cachedExit_ = run.exit;
        cachedExitRuns_ = &runsByExit_[run.exit];
    }
    ++*cachedExitRuns_;
    const bool plausible =
        run.time >= kEarliestPlausibleTime && (!latestPlausible_ || run.time <= *latestPlausible_);
    if (plausible) {
        if (!hasPlausible_) first_ = last_ = run.time;
        hasPlausible_ = true;
        first_ = std::min(first_, run.time);
        last_ = std::max(last_, run.time);
        const std::int32_t day = DayOf(run.time);
        if (day != cachedDay_) {
            cachedDay_ = day;
            cachedDayCounts_ = &days_[day];
        }
        ++cachedDayCounts_->runs;
        cachedDayCounts_->failures += IsFailedRun(run.exit);
    } else {
        ++clockOutOfRange_;
    }
    ++runs_;

    if (run.board.empty() && run.serial.empty()) {
        ++anonymousByExit_[run.exit];
        return;
    }
    // A run without a machine ended before battery.dll was read: its number
    // is no release.
    newestRelease_ = std::max(newestRelease_, run.release);
    Machine& machine = Find(run.board, run.serial);
    const auto file = static_cast<std::uint32_t>(files_.size() - 1);
    const bool first = machine.runs++ == 0;
    if (!first && machine.current.file != file) Fold(machine);
    State& state = machine.current;
    // Mostly the same texts as the machine's run before.
    if (first || texts_[state.manufacturer] != run.manufacturer) state.manufacturer = texts_.Intern(run.manufacturer);
    if (first || texts_[state.model] != run.model) {
        if (!first) machine.severalModels = true;
        state.model = texts_.Intern(run.model);
    }
    if (first || texts_[state.version] != run.version) state.version = texts_.Intern(run.version);
    state.time = run.time;
    state.line = lineNumber_;
    state.file = file;
    state.release = run.release;
    state.exit = run.exit;
    if (plausible) {
        machine.lastPlausible = std::max(machine.lastPlausible, run.time);
    } else {
        ++machine.clockOutOfRange;
    }
    // The watched exit codes, in the order read.
    std::int32_t* const recent = recent_.data() + (&machine - machines_.data()) * watchedRuns_;
    if (machine.recentCount == watchedRuns_) {
        std::copy(recent + 1, recent + watchedRuns_, recent);
        --machine.recentCount;
    }
    recent[machine.recentCount++] = run.exit;
}

// The machine's last run of a file against its latest of the files before:
// the later time wins, and on the same time the later file.
void LogAnalysis::Fold(Machine& machine) {
    if (!machine.hasBest || machine.current.time >= machine.best.time) machine.best = machine.current;
    machine.hasBest = true;
}

std::vector<MachineState> LogAnalysis::TakeMachines() {
    std::vector<MachineState> out;
    out.reserve(machines_.size());
    for (std::size_t i = 0; i < machines_.size(); ++i) {
        Machine& m = machines_[i];
        Fold(m);
        const State& s = m.best;
        const std::int32_t* const recent = recent_.data() + i * watchedRuns_;
        MachineState state{texts_[m.board], std::move(m.serial), texts_[s.manufacturer], texts_[s.model],
                           texts_[s.version], LogPlace{s.time, s.file, s.line}, s.release, s.exit, m.runs,
                           m.recentCount == watchedRuns_ &&
                               std::all_of(recent, recent + m.recentCount, [](std::int32_t exit) { return exit == 1; })};
        state.clockOutOfRange = m.clockOutOfRange;
        state.lastPlausible = m.lastPlausible;
        state.severalModels = m.severalModels;
        out.push_back(std::move(state));
    }
    machines_.clear();
    recent_.clear();
    slots_.clear();
    return out;
}

bool ReadLogStream(std::FILE* file, const std::string& name, LogAnalysis& analysis, std::ostream& err) {
    analysis.BeginFile(name);
    std::vector<char> buffer(1 << 20);
    std::size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) analysis.AddBytes({buffer.data(), got});
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    analysis.EndFile();
    if (failed) err << "tarnwick-companion: " << name << ": cannot read the log: " << std::strerror(error) << "\n";
    return !failed;
}

}  // namespace Korvane::PC::Tarnwick::Companion
