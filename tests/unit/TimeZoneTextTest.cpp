#include "platform/TimeZoneText.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

struct ZoneCase {
  std::string_view Zone;
  bool Understood;
};

class RuntimeTimeZoneText : public testing::TestWithParam<ZoneCase> {};

TEST_P(RuntimeTimeZoneText, TellsTheRuntimesOwnFormFromOtherValues) {
  EXPECT_EQ(Platform::IsRuntimeTimeZoneText(GetParam().Zone), GetParam().Understood)
      << "TZ=" << GetParam().Zone;
}

INSTANTIATE_TEST_SUITE_P(
    Values, RuntimeTimeZoneText,
    testing::Values(
        // Name, offset, optional daylight-saving name.
        ZoneCase{"EST5EDT", true}, ZoneCase{"PST8PDT", true}, ZoneCase{"JST-9", true},
        ZoneCase{"GMT0", true}, ZoneCase{"CET-1CEST", true}, ZoneCase{"UTC+12", true},
        ZoneCase{"IST-5:30", true}, ZoneCase{"XYZ-5:30:15", true}, ZoneCase{"CHAST-12:45", true},
        // Zone names, and values the runtime would misread.
        ZoneCase{"America/New_York", false}, ZoneCase{"Europe/Paris", false},
        ZoneCase{"UTC", false}, ZoneCase{"Japan", false}, ZoneCase{"", false},
        ZoneCase{":America/New_York", false}, ZoneCase{"EST5EDT,M3.2.0,M11.1.0", false},
        ZoneCase{"ES5", false}, ZoneCase{"EST123", false}, ZoneCase{"EST5:3", false},
        ZoneCase{"EST5:", false}, ZoneCase{"EST5ED", false}, ZoneCase{"EST+", false},
        ZoneCase{"EST5EDT ", false}, ZoneCase{"5EST", false}));

}  // namespace
