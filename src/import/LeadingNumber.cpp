#include "import/LeadingNumber.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>
#include <system_error>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Slow path for magnitudes from_chars will not represent: decide between an
// underflow (keep what strtod gives) and an overflow (refuse).
bool ParseOutOfRange(std::string_view text, double& value)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    const std::string copy(text);
    value = cLocale ? strtod_l(copy.c_str(), nullptr, cLocale) : std::strtod(copy.c_str(), nullptr);
    if (!std::isfinite(value)) {
        value = 0.0;
        return false;
    }
    return true;
}

} // namespace

bool ParseLeadingDouble(std::string_view text, double& value)
{
    value = 0.0;
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // from_chars would also take "inf", "nan" or a second sign: only a digit,
    // or a point followed by a digit, starts a number.
    const bool starts =
        i < text.size() &&
        (IsDigit(text[i]) || (text[i] == '.' && i + 1 < text.size() && IsDigit(text[i + 1])));
    if (!starts)
        return true;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    double parsed = 0.0;
    const auto res = std::from_chars(first, last, parsed, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        if (!ParseOutOfRange(text, value))
            return false;
        return true;
    }
    if (res.ec != std::errc())
        return true;
    value = negative ? -parsed : parsed;
    return true;
}

int64_t ParseLeadingInt(std::string_view text)
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    uint64_t magnitude = 0;
    bool saturated = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (magnitude > (static_cast<uint64_t>(kMax) + 1 - digit) / 10) {
            saturated = true;
            continue; // keep consuming digits, the value stays at the limit
        }
        magnitude = magnitude * 10 + digit;
    }
    if (negative) {
        if (saturated || magnitude > static_cast<uint64_t>(kMax))
            return std::numeric_limits<int64_t>::min();
        return -static_cast<int64_t>(magnitude);
    }
    if (saturated || magnitude > static_cast<uint64_t>(kMax))
        return kMax;
    return static_cast<int64_t>(magnitude);
}
