#pragma once
// Number and text output for the export formats: a decimal point whatever the locale, and
// the escapes each format needs.

#include <cstdint>
#include <string>
#include <string_view>

namespace r47 {

// Fixed-point with `decimals` digits, in the C locale; "-0.00" is written "0.00".
void AppendFixed(std::string& out, double value, int decimals);
void AppendInt(std::string& out, int64_t value);
// "YYYY-MM-DD".
void AppendDate(std::string& out, int year, int month, int day);
// "HH:MM:SS.mmm" of a time of day in ms.
void AppendTime(std::string& out, int64_t todMs);
// A CSV field, quoted when it holds a comma, quote, CR or LF.
void AppendCsvField(std::string& out, std::string_view text);
void AppendXmlEscaped(std::string& out, std::string_view text);
// A JSON string with its quotes; bytes above 0x7F are taken as Latin-1.
void AppendJsonString(std::string& out, std::string_view text);

} // namespace r47
