// The date and time functions against a fixed clock: the date and time texts with the year rule,
// the date picture through the host's formatter, the seconds counter in universal time, the
// argument errors; and the date text of the real clock.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "engine_fixture.h"

namespace kestrun::test {
namespace {

enum Code { kDate = 70, kTime = 71, kTimer = 72 };

std::time_t fixedNow = 0;
std::time_t fixedClock() { return fixedNow; }

// The calendar time of a local date and time.
std::time_t localMoment(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

// Sets the process's time zone for the life of the object.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            had_ = true;
            old_ = old;
        }
        set(zone);
    }
    ~ScopedTimeZone() { set(had_ ? old_.c_str() : nullptr); }

private:
    static void set(const char* zone) {
#ifdef _WIN32
        _putenv_s("TZ", zone ? zone : "");
        _tzset();
#else
        if (zone) setenv("TZ", zone, 1);
        else unsetenv("TZ");
        tzset();
#endif
    }
    bool had_ = false;
    std::string old_;
};

class DateTime : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        k.readClock = &fixedClock;
    }
    float floatResult() const {
        float f;
        std::memcpy(&f, k.resultFloat->data, sizeof f);
        return f;
    }
};

TEST_F(DateTime, TextsOfALocalMoment) {
    struct Case {
        int year, month, day, hour, minute, second;
        const char* date;
        const char* time;
    } cases[] = {
        {2026, 7, 4, 9, 5, 0, "07-04-2026", "09:05:00"},
        {2026, 12, 31, 23, 59, 59, "12-31-2026", "23:59:59"},
        {2000, 1, 1, 0, 0, 0, "01-01-2000", "00:00:00"},
        {1985, 3, 9, 12, 30, 7, "03-09-1985", "12:30:07"},
        // A year counted from 1900 below 80 is read as one of the 2000s.
        {1979, 5, 6, 18, 0, 1, "05-06-2079", "18:00:01"},
    };
    for (const Case& c : cases) {
        fixedNow = localMoment(c.year, c.month, c.day, c.hour, c.minute, c.second);
        ASSERT_EQ(call(kDate, {}), 0) << c.date;
        EXPECT_EQ(resultType(), TypeString);
        EXPECT_EQ(stringResult(), c.date);
        ASSERT_EQ(call(kTime, {}), 0) << c.time;
        EXPECT_EQ(resultType(), TypeString);
        EXPECT_EQ(stringResult(), c.time);
    }
}

TEST_F(DateTime, PictureGoesToTheSystemFormatter) {
    fixedNow = localMoment(2026, 7, 4, 9, 5, 0);
    ASSERT_EQ(call(kDate, {S("dddd, MMMM dd")}), 0);
    EXPECT_EQ(stringResult(), "dddd, MMMM dd 2026-07-04");

    // A picture held in a variable is passed whole; a text the formatter cannot fit into 255
    // characters fails there and gives the empty text.
    Variable* picture = k.createVariable("picture[400]", TypeIString, 1, nullptr);
    ASSERT_NE(picture, nullptr);
    std::memset(picture->base, 'd', 300);
    ASSERT_EQ(call(kDate, {V("picture")}), 0);
    ASSERT_FALSE(host.datePictures.empty());
    EXPECT_EQ(host.datePictures.back(), std::string(300, 'd'));
    EXPECT_EQ(resultType(), TypeString);
    EXPECT_EQ(stringResult(), "");
}

TEST_F(DateTime, SecondsCounterCountsUniversalTime) {
    ScopedTimeZone zone("EST5");  // five hours behind universal time, no daylight saving
    fixedNow = std::time_t{20000} * 86400 + 12 * 3600 + 34;
    ASSERT_EQ(call(kTimer, {}), 0);
    EXPECT_EQ(resultType(), TypeFloat);
    EXPECT_EQ(floatResult(), 43234.0f);
    ASSERT_EQ(call(kTime, {}), 0);
    EXPECT_EQ(stringResult(), "07:00:34");

    fixedNow = std::time_t{20000} * 86400 + 86399;
    ASSERT_EQ(call(kTimer, {}), 0);
    EXPECT_EQ(floatResult(), 86399.0f);
}

TEST_F(DateTime, ArgumentErrors) {
    struct Case {
        int code;
        std::vector<Arg> args;
        int error;
    } cases[] = {
        {kDate, {S("d"), S("M")}, 56},
        {kDate, {N("5")}, 14},
        {kTime, {N("1")}, 56},
        {kTimer, {N("1")}, 56},
    };
    for (const Case& c : cases) EXPECT_EQ(call(c.code, c.args), c.error) << c.code;
}

// The real clock: the date text is today's date (the one before or after the call, should the
// day change in between).
TEST(DateTimeRealClock, DateTextIsToday) {
    RecordingHost host;
    TestKestrun k(host);
    ASSERT_TRUE(k.initialise());
    auto today = [] {
        const std::time_t now = std::time(nullptr);
        char text[16];
        std::strftime(text, sizeof text, "%m-%d-%Y", std::localtime(&now));
        return std::string(text);
    };
    const std::string before = today();
    Statement* st = k.mainStatement;
    st->code = kDate;
    st->argCount = 0;
    ASSERT_NE(k.dispatch(st), nullptr);
    const std::string text = reinterpret_cast<const char*>(k.resultString->base);
    const std::string after = today();
    EXPECT_TRUE(text == before || text == after) << text;
}

}  // namespace
}  // namespace kestrun::test
