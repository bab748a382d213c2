#pragma once
// The number scanner the SVG attribute readers share.

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string_view>

inline bool IsSvgSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// Reads numbers the way SVG writes them: "1.5.5" is two numbers, "-1-2" two,
// separators are spaces and at most one comma.
class CSvgNumberReader {
public:
    explicit CSvgNumberReader(std::string_view text) : text_(text) {}

    void SkipSpace()
    {
        while (pos_ < text_.size() && IsSvgSpace(text_[pos_]))
            ++pos_;
    }
    void SkipSeparator()
    {
        SkipSpace();
        if (pos_ < text_.size() && text_[pos_] == ',') {
            ++pos_;
            SkipSpace();
        }
    }
    bool AtEnd()
    {
        SkipSpace();
        return pos_ >= text_.size();
    }
    char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
    void Advance() { ++pos_; }
    size_t Pos() const { return pos_; }
    void Seek(size_t p) { pos_ = p; }
    std::string_view Rest() const { return text_.substr(pos_); }

    bool StartsNumber()
    {
        SkipSpace();
        const char c = Peek();
        return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+';
    }

    bool Number(double& out)
    {
        SkipSpace();
        const size_t start = pos_;
        size_t p = pos_;
        if (p < text_.size() && (text_[p] == '+' || text_[p] == '-'))
            ++p;
        size_t digits = 0;
        while (p < text_.size() && std::isdigit(static_cast<unsigned char>(text_[p])))
            ++p, ++digits;
        if (p < text_.size() && text_[p] == '.') {
            ++p;
            while (p < text_.size() && std::isdigit(static_cast<unsigned char>(text_[p])))
                ++p, ++digits;
        }
        if (digits == 0)
            return false;
        if (p < text_.size() && (text_[p] == 'e' || text_[p] == 'E')) {
            size_t q = p + 1;
            if (q < text_.size() && (text_[q] == '+' || text_[q] == '-'))
                ++q;
            if (q < text_.size() && std::isdigit(static_cast<unsigned char>(text_[q]))) {
                while (q < text_.size() && std::isdigit(static_cast<unsigned char>(text_[q])))
                    ++q;
                p = q;
            }
        }
        const char* first = text_.data() + start + (text_[start] == '+' ? 1 : 0);
        const auto [end, ec] = std::from_chars(first, text_.data() + p, out);
        if (ec != std::errc() || end != text_.data() + p || !std::isfinite(out))
            return false;
        pos_ = p;
        SkipSeparator();
        return true;
    }

    // An arc flag: one character 0 or 1, which may run into what follows.
    bool Flag(bool& out)
    {
        SkipSpace();
        const char c = Peek();
        if (c != '0' && c != '1')
            return false;
        out = c == '1';
        ++pos_;
        SkipSeparator();
        return true;
    }

private:
    std::string_view text_;
    size_t pos_ = 0;
};
