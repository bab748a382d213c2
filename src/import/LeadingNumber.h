#pragma once
// Leading-number parses in the C locale, whatever the process locale is:
// the longest prefix of the text that forms a number is converted and the
// rest is ignored, so "3.1+e2" reads as 3.1 and "12abc" as 12. Text that does
// not start with a number reads as 0.

#include <cstdint>
#include <string_view>

// Decimal floating number: an optional '+' or '-', digits with an optional
// point, and an optional exponent that counts only when digits follow its
// sign. Hexadecimal forms, "inf" and "nan" are not numbers here ("0x10"
// reads as 0, "inf" as 0), so a model never gets a non-finite coordinate
// from its text. A magnitude too small for a double reads as 0 (or the
// nearest subnormal). Returns false, with value 0, when the magnitude is too
// large for a double.
bool ParseLeadingDouble(std::string_view text, double& value);

// Decimal integer: an optional '+' or '-' and digits. Values beyond the
// 64-bit range saturate at its ends.
int64_t ParseLeadingInt(std::string_view text);
