// The TZ form that the Microsoft C runtime understands.
#pragma once

#include <string_view>

namespace Platform {

// Whether a TZ value has the runtime's form: a zone name of at least three
// letters, an hour offset from UTC (an optional sign, one or two digits,
// optional ":mm" and ":ss"), then optionally a daylight-saving zone name of at
// least three letters, as in "EST5EDT", "JST-9" or "IST-5:30". The runtime
// takes any other value, such as a zone name like America/New_York, for UTC.
bool IsRuntimeTimeZoneText(std::string_view zone);

}  // namespace Platform
