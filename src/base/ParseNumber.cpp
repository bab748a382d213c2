#include "base/ParseNumber.h"

#include <charconv>
#include <cmath>

bool ParseNumber(const std::string& text, double& out)
{
    const char* first = text.data();
    const char* last = first + text.size();
    double value = 0.0;
    const auto res = std::from_chars(first, last, value, std::chars_format::general);
    if (text.empty() || res.ec != std::errc() || res.ptr != last || !std::isfinite(value))
        return false;
    out = value;
    return true;
}

bool ParseInteger(const std::string& text, int lo, int hi, int& out)
{
    const char* first = text.data();
    const char* last = first + text.size();
    int value = 0;
    const auto res = std::from_chars(first, last, value);
    if (res.ec != std::errc() || res.ptr != last || value < lo || value > hi)
        return false;
    out = value;
    return true;
}
