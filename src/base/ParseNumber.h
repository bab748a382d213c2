#pragma once
// Numbers typed by the user, as whole strings: nothing before or after the
// number, no locale.

#include <string>

// A finite number in the general (fixed or scientific) form; false, `out`
// untouched, for anything else.
bool ParseNumber(const std::string& text, double& out);

// A whole number in lo..hi; false, `out` untouched, for anything else.
bool ParseInteger(const std::string& text, int lo, int hi, int& out);
