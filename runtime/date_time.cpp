// The date and time functions: the local date and time as text, and the seconds counter. They
// read the calendar time through readClock, so that a test can fix the moment.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "kestrun.h"
#include "results.h"
#include "text_work.h"

namespace kestrun {

namespace {

// Room for a date formatted by the system's date formatter, terminator included.
constexpr std::size_t kFormattedDateRoom = 256;

std::time_t calendarTime(const Kestrun& k) { return k.readClock ? k.readClock() : std::time(nullptr); }

// The local time (daylight saving included) of the current calendar time; false when the C
// library cannot convert it.
bool localNow(const Kestrun& k, std::tm& out) {
    const std::time_t now = calendarTime(k);
    const std::tm* local = std::localtime(&now);
    if (!local) return false;
    out = *local;
    return true;
}

// Formats three two-or-more-digit numbers with format into SYSTEM_STRING0.
Statement* setNumbersText(Kestrun& k, Statement* st, const char* format, int a, int b, int c) {
    char text[48];
    const int n = std::snprintf(text, sizeof text, format, a, b, c);
    const std::size_t length = n < 0 ? 0 : static_cast<std::size_t>(n) < sizeof text ? static_cast<std::size_t>(n) : sizeof text - 1;
    return setStringResult(k, st, text, length);
}

}  // namespace

// DATE: no argument or one STRING picture (56 for more). Without a picture the local date as
// "MM-DD-YYYY", where a year counted from 1900 below 80 is taken as 2000 and later (the
// two-digit years of the clock's own era). With a picture, the system's date formatter
// (Host::formatDate) writes the local date in the picture's language, at most 255 characters;
// a formatter failure gives the empty text, and so does a clock the C library cannot convert.
Statement* Kestrun::CmdDateText(Statement* st) {
    if (!checkArgCount(*this, st, 0, 1, 56)) return nullptr;
    TextView picture{};
    if (st->argCount == 1) {
        ArgValue a;
        if (!getArg(a, st, 0, TypeString)) return nullptr;
        picture = textOf(*this, a);
    }
    std::tm date;
    if (!localNow(*this, date)) return setStringResult(*this, st, "", 0);
    if (st->argCount == 0) {
        const int year = date.tm_year + (date.tm_year >= 80 ? 1900 : 2000);
        return setNumbersText(*this, st, "%02d-%02d-%04d", date.tm_mon + 1, date.tm_mday, year);
    }
    // The formatter wants a terminated picture; the fetched text may end at its storage instead.
    TextWork work(*this);
    if (!work.area(0)) return failStatement(*this, 2);
    std::memcpy(work.area(0), picture.text, picture.length);
    work.area(0)[picture.length] = '\0';
    char text[kFormattedDateRoom];
    std::size_t length = host.formatDate(date, work.area(0), text, sizeof text);
    if (length >= sizeof text) length = 0;
    return setStringResult(*this, st, text, length);
}

// TIME: no argument (56 otherwise). The local time as "HH:MM:SS", hours 0 to 23.
Statement* Kestrun::CmdTimeText(Statement* st) {
    if (!checkArgCount(*this, st, 0, 0, 56)) return nullptr;
    std::tm now;
    if (!localNow(*this, now)) return setStringResult(*this, st, "", 0);
    return setNumbersText(*this, st, "%02d:%02d:%02d", now.tm_hour, now.tm_min, now.tm_sec);
}

// TIMER: no argument (56 otherwise). The calendar time modulo 86400 as a FLOAT: the seconds since
// midnight of universal time, not of the local zone.
Statement* Kestrun::CmdSecondsToday(Statement* st) {
    if (!checkArgCount(*this, st, 0, 0, 56)) return nullptr;
    const double seconds = std::fmod(static_cast<double>(calendarTime(*this)), 86400.0);
    return setFloatResult(*this, st, static_cast<float>(seconds));
}

}  // namespace kestrun
