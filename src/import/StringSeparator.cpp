#include "import/StringSeparator.h"

#include "import/LeadingNumber.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <strings.h>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

int LeadingInt(std::string_view text)
{
    const int64_t v = ParseLeadingInt(text);
    return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

double LeadingDouble(std::string_view text)
{
    double value = 0.0;
    ParseLeadingDouble(text, value); // an overflow leaves 0
    return value;
}

bool StartsWithNumber(std::string_view text)
{
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    const std::string_view rest = text.substr(i);
    if (!rest.empty() && IsDigit(rest[0]))
        return true;
    if (rest.size() >= 2 && rest[0] == '.' && IsDigit(rest[1]))
        return true;
    return false;
}

StringSeparator::StringSeparator()
{
    for (const char c : {'(', ')', ',', ':', ';', '=', '[', ']', '{', '}'})
        singleCharTokens[static_cast<unsigned char>(c)] = 1;
}

StringSeparator::~StringSeparator() = default;

void StringSeparator::SetToken(int index, const char* text)
{
    if (index < 0)
        return;
    if (static_cast<size_t>(index) >= tokens.size())
        tokens.resize(static_cast<size_t>(index) + 1);
    tokens[static_cast<size_t>(index)].assign(text);
}

int StringSeparator::Tokenize(const char* text)
{
    scratch_.clear();
    int count = 0;
    bool inQuotes = false;
    auto emit = [&] {
        SetToken(count++, scratch_.c_str());
        scratch_.clear();
    };
    for (const char* p = text;; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\0' || c == '\n' || c == '\r') {
            if (!scratch_.empty())
                emit();
            break;
        }
        if (c == ' ' || c == '\t') {
            if (inQuotes)
                scratch_.push_back(static_cast<char>(c));
            else if (!scratch_.empty())
                emit();
            continue;
        }
        if (c == static_cast<unsigned char>(quoteChar)) {
            if (inQuotes) {
                emit(); // "" is one empty token
                inQuotes = false;
            } else {
                if (!scratch_.empty())
                    emit();
                inQuotes = true;
            }
            continue;
        }
        if (!inQuotes && c < 128 && singleCharTokens[c]) {
            if (!scratch_.empty())
                emit();
            scratch_.push_back(static_cast<char>(c));
            emit();
            continue;
        }
        scratch_.push_back(static_cast<char>(c));
    }
    tokenCount = count;
    return count;
}

const char* StringSeparator::Token(int i) const
{
    if (i < 0 || i >= tokenCount)
        return "";
    return tokens[static_cast<size_t>(i)].c_str();
}

bool StringSeparator::FirstTokenIs(const char* word, int n) const
{
    return tokenCount >= n && tokenCount > 0 && strcasecmp(tokens[0].c_str(), word) == 0;
}

bool StringSeparator::TokenIs(int i, const char* word) const
{
    return i >= 0 && i < tokenCount &&
           strcasecmp(tokens[static_cast<size_t>(i)].c_str(), word) == 0;
}

int StringSeparator::TokenAsInt(int i) const
{
    return (i >= 0 && i < tokenCount) ? LeadingInt(tokens[static_cast<size_t>(i)]) : 0;
}

double StringSeparator::TokenAsDouble(int i) const
{
    return (i >= 0 && i < tokenCount) ? LeadingDouble(tokens[static_cast<size_t>(i)]) : 0.0;
}

int FileStringSeparator::ReadLine()
{
    line_.clear();
    bool any = false;
    for (;;) {
        const int c = std::getc(file);
        if (c == EOF)
            break;
        any = true;
        if (c == '\n')
            break;
        if (c == '\r') {
            const int following = std::getc(file);
            if (following != '\n' && following != EOF)
                std::ungetc(following, file);
            break;
        }
        line_.push_back(static_cast<char>(c));
    }
    if (!any) {
        tokenCount = -1;
        return -1;
    }
    return Tokenize(line_.c_str());
}

int AsciiFileString::ReadLine()
{
    char buffer[kPieceLimit + 1];
    if (!std::fgets(buffer, kPieceLimit, file)) {
        tokenCount = -1;
        return -1;
    }
    return Tokenize(buffer);
}
