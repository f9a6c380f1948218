#include "platform/TimeZoneText.h"

#include <cstddef>

namespace Platform {
namespace {

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Skips a run of letters; true when it had at least three.
bool SkipName(std::string_view zone, std::size_t& at) {
  const std::size_t start = at;
  while (at < zone.size() && IsLetter(zone[at])) ++at;
  return at - start >= 3;
}

// Skips one to maxDigits digits; true when there was at least one.
bool SkipNumber(std::string_view zone, std::size_t& at, std::size_t maxDigits) {
  const std::size_t start = at;
  while (at < zone.size() && at - start < maxDigits && IsDigit(zone[at])) ++at;
  return at > start;
}

}  // namespace

bool IsRuntimeTimeZoneText(std::string_view zone) {
  std::size_t at = 0;
  if (!SkipName(zone, at)) return false;
  if (at < zone.size() && (zone[at] == '+' || zone[at] == '-')) ++at;
  if (!SkipNumber(zone, at, 2)) return false;
  for (int part = 0; part < 2 && at < zone.size() && zone[at] == ':'; ++part) {
    ++at;
    if (at + 2 > zone.size() || !IsDigit(zone[at]) || !IsDigit(zone[at + 1])) return false;
    at += 2;
  }
  if (at == zone.size()) return true;
  return SkipName(zone, at) && at == zone.size();
}

}  // namespace Platform
