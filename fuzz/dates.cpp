// Date parsing and the calendar arithmetic over arbitrary input: parseDate and
// the SQL text setters read any text, and fields set to any Int32 or seconds
// to any double normalise to a real calendar date without overflow.
#include "Common/Date.h"
#include "FuzzSupport.h"
#include "Universal/DateImp/DateImpUnix.h"

namespace {

void checkNormalised(const rt::Date& date) {
    RuntimeObject* d = date.get();
    const int32_t month = dateFieldGetter(d, kDateMonth);
    FuzzCheck(month >= 1 && month <= 12, "a normalised month lies in 1 to 12");
    const int32_t day = dateFieldGetter(d, kDateDay);
    FuzzCheck(day >= 1 && day <= DateMonthLength(dateFieldGetter(d, kDateYear), month - 1),
              "a normalised day lies within its month");
    for (int32_t field = kDateDayOfWeek; field <= kDateWeekOfYear; ++field) dateFieldGetter(d, field);
    dateTotalSecondsGetter(d);
    for (int32_t kind = kDateShortDate; kind <= kDateLongTime; ++kind) rt::String::adopt(dateStringGetter(d, kind));
    rt::String::adopt(dateSQLDateTimeGetter(d));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInitRuntime();
    FuzzedDataProvider input(data, size);
    rt::Date date = rt::Date::now();
    switch (input.ConsumeIntegral<uint8_t>() % 4) {
    case 0: {
        rt::String text = FuzzString(input.ConsumeRemainingBytesAsString());
        if (std::optional<rt::Date> parsed = rt::Date::parse(text)) checkNormalised(*parsed);
        return 0;
    }
    case 1: {
        rt::String text = FuzzString(input.ConsumeRemainingBytesAsString());
        dateSQLDateTimeSetter(date.get(), text.get());
        dateSQLDateSetter(date.get(), text.get());
        break;
    }
    case 2:
        while (input.remaining_bytes()) {
            int32_t field = input.ConsumeIntegralInRange<int32_t>(kDateYear, kDateDayOfYear);
            dateFieldSetter(date.get(), field, input.ConsumeIntegral<int32_t>());
        }
        break;
    default:
        dateTotalSecondsSetter(date.get(), input.ConsumeFloatingPoint<double>());
        dateGMTOffsetSetter(date.get(), input.ConsumeFloatingPoint<double>());
        break;
    }
    checkNormalised(date);
    return 0;
}
