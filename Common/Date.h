// rt::Date: an owning handle over a Date object. Every operation is an entry
// point of DateCommon.h.
#pragma once
#include <optional>

#include "Common/DateCommon.h"
#include "Common/Ref.h"
#include "Common/String.h"

namespace rt {

/// An owning handle over a Date object; every operation is an entry point.
class Date : public ObjectHandle<Date> {
public:
    using Handle::Handle;
    /// Empty, like every handle: no date until one is made.
    Date() noexcept = default;
    /// A new date holding now.
    static Date now() { return adopt(RuntimeNewObject(DateClass())); }
    /// A new date at the same TotalSeconds as `other` (GMT offset 0).
    static Date copyOf(const Date& other) {
        Date copy = now();
        DateConstructorWithDate(copy.get(), other.get());
        return copy;
    }
    /// The date a text names, or nothing when it names none.
    static std::optional<Date> parse(const String& text) {
        RuntimeObject* parsed = nullptr;
        if (!parseDate(text.get(), &parsed)) return std::nullopt;
        return adopt(parsed);
    }

    int32_t field(DateField index) const { return dateFieldGetter(get(), index); }
    void setField(DateField index, int32_t value) const { dateFieldSetter(get(), index, value); }
    int32_t year() const { return field(kDateYear); }
    int32_t month() const { return field(kDateMonth); }
    int32_t day() const { return field(kDateDay); }
    int32_t hour() const { return field(kDateHour); }
    int32_t minute() const { return field(kDateMinute); }
    int32_t second() const { return field(kDateSecond); }
    int32_t dayOfWeek() const { return field(kDateDayOfWeek); }
    int32_t dayOfYear() const { return field(kDateDayOfYear); }
    int32_t weekOfYear() const { return field(kDateWeekOfYear); }
    void setMonth(int32_t v) const { setField(kDateMonth, v); }
    void setDay(int32_t v) const { setField(kDateDay, v); }
    void setHour(int32_t v) const { setField(kDateHour, v); }

    String text(DateTextKind kind) const { return String::adopt(dateStringGetter(get(), kind)); }
    double totalSeconds() const { return dateTotalSecondsGetter(get()); }
    void setTotalSeconds(double seconds) const { dateTotalSecondsSetter(get(), seconds); }
    double gmtOffset() const { return dateGMTOffsetGetter(get()); }
    void setGMTOffset(double hours) const { dateGMTOffsetSetter(get(), hours); }
    String sqlDate() const { return String::adopt(dateSQLDateGetter(get())); }
    void setSQLDate(const String& text) const { dateSQLDateSetter(get(), text.get()); }
    String sqlDateTime() const { return String::adopt(dateSQLDateTimeGetter(get())); }
    void setSQLDateTime(const String& text) const { dateSQLDateTimeSetter(get(), text.get()); }

    friend int compare(const Date& a, const Date& b) { return DateCompare(a.get(), b.get()); }

};

} // namespace rt
