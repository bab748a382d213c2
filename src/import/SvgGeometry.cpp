#include "import/SvgGeometry.h"

#include "import/SvgNumbers.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

constexpr double kPi = 3.14159265358979323846;

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsSvgSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSvgSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace

CSvgTransform CSvgTransform::Then(const CSvgTransform& m) const
{
    return {a * m.a + c * m.b, b * m.a + d * m.b,     a * m.c + c * m.d,
            b * m.c + d * m.d, a * m.e + c * m.f + e, b * m.e + d * m.f + f};
}

double CSvgTransform::MaxStretch() const
{
    // The largest singular value of [a c; b d].
    const double p = (a * a + b * b + c * c + d * d) / 2.0;
    const double q = std::hypot((a * a + b * b - c * c - d * d) / 2.0, a * c + b * d);
    return std::sqrt(p + q);
}

std::optional<CSvgTransform> ParseSvgTransform(std::string_view text)
{
    CSvgTransform total;
    CSvgNumberReader r(text);
    while (!r.AtEnd()) {
        const size_t start = r.Pos();
        while (std::isalpha(static_cast<unsigned char>(r.Peek())))
            r.Advance();
        const std::string_view name = text.substr(start, r.Pos() - start);
        r.SkipSpace();
        if (r.Peek() != '(')
            return std::nullopt;
        r.Advance();
        double v[6] = {};
        int n = 0;
        while (n < 6 && r.StartsNumber() && r.Number(v[n]))
            ++n;
        r.SkipSpace();
        if (r.Peek() != ')')
            return std::nullopt;
        r.Advance();
        r.SkipSeparator();
        CSvgTransform t;
        if (name == "matrix" && n == 6) {
            t = {v[0], v[1], v[2], v[3], v[4], v[5]};
        } else if (name == "translate" && (n == 1 || n == 2)) {
            t.e = v[0];
            t.f = n == 2 ? v[1] : 0.0;
        } else if (name == "scale" && (n == 1 || n == 2)) {
            t.a = v[0];
            t.d = n == 2 ? v[1] : v[0];
        } else if (name == "rotate" && (n == 1 || n == 3)) {
            const double phi = v[0] * kPi / 180.0;
            CSvgTransform rot{std::cos(phi), std::sin(phi), -std::sin(phi), std::cos(phi), 0, 0};
            if (n == 3) {
                const CSvgTransform to{1, 0, 0, 1, v[1], v[2]}, back{1, 0, 0, 1, -v[1], -v[2]};
                rot = to.Then(rot).Then(back);
            }
            t = rot;
        } else if ((name == "skewX" || name == "skewY") && n == 1) {
            const double k = std::tan(v[0] * kPi / 180.0);
            (name == "skewX" ? t.c : t.b) = k;
        } else {
            return std::nullopt;
        }
        total = total.Then(t);
    }
    return total;
}

std::optional<double> ParseSvgLengthMm(std::string_view text)
{
    text = Trim(text);
    CSvgNumberReader r(text);
    double value = 0.0;
    if (!r.Number(value))
        return std::nullopt;
    const std::string_view unit = Trim(r.Rest());
    static const struct {
        const char* name;
        double mm;
    } units[] = {{"", 25.4 / 96.0}, {"px", 25.4 / 96.0}, {"mm", 1.0},       {"cm", 10.0},
                 {"in", 25.4},      {"pt", 25.4 / 72.0}, {"pc", 25.4 / 6.0}};
    for (const auto& u : units)
        if (EqualsNoCase(unit, u.name))
            return value * u.mm;
    return std::nullopt;
}

std::optional<CRgb> ParseSvgColour(std::string_view text)
{
    text = Trim(text);
    const auto hex = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    if (!text.empty() && text[0] == '#') {
        int d[6];
        const size_t n = text.size() - 1;
        if (n != 3 && n != 6)
            return std::nullopt;
        for (size_t i = 0; i < n; ++i)
            if ((d[i] = hex(text[i + 1])) < 0)
                return std::nullopt;
        if (n == 3)
            return CRgb{d[0] * 17, d[1] * 17, d[2] * 17};
        return CRgb{d[0] * 16 + d[1], d[2] * 16 + d[3], d[4] * 16 + d[5]};
    }
    if (text.size() > 4 && EqualsNoCase(text.substr(0, 4), "rgb(") && text.back() == ')') {
        CSvgNumberReader r(text.substr(4, text.size() - 5));
        int c[3];
        for (int& channel : c) {
            double v = 0.0;
            if (!r.Number(v))
                return std::nullopt;
            r.SkipSpace();
            if (r.Peek() == '%') {
                v *= 2.55;
                r.Advance();
                r.SkipSeparator();
            }
            channel = static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0)));
        }
        if (!r.AtEnd())
            return std::nullopt;
        return CRgb{c[0], c[1], c[2]};
    }
    static const struct {
        const char* name;
        CRgb rgb;
    } names[] = {{"black", {0, 0, 0}},      {"white", {255, 255, 255}},  {"red", {255, 0, 0}},
                 {"lime", {0, 255, 0}},     {"green", {0, 128, 0}},      {"blue", {0, 0, 255}},
                 {"yellow", {255, 255, 0}}, {"magenta", {255, 0, 255}},  {"fuchsia", {255, 0, 255}},
                 {"cyan", {0, 255, 255}},   {"aqua", {0, 255, 255}},     {"gray", {128, 128, 128}},
                 {"grey", {128, 128, 128}}, {"silver", {192, 192, 192}}, {"maroon", {128, 0, 0}},
                 {"navy", {0, 0, 128}},     {"olive", {128, 128, 0}},    {"purple", {128, 0, 128}},
                 {"teal", {0, 128, 128}}};
    for (const auto& n : names)
        if (EqualsNoCase(text, n.name))
            return n.rgb;
    return std::nullopt;
}

std::optional<std::string_view> StyleProperty(std::string_view style, std::string_view property)
{
    while (!style.empty()) {
        const size_t semi = style.find(';');
        const std::string_view item = style.substr(0, semi);
        style = semi == std::string_view::npos ? std::string_view{} : style.substr(semi + 1);
        const size_t colon = item.find(':');
        if (colon == std::string_view::npos)
            continue;
        if (EqualsNoCase(Trim(item.substr(0, colon)), property)) {
            std::string_view value = Trim(item.substr(colon + 1));
            if (const size_t bang = value.find('!'); bang != std::string_view::npos)
                value = Trim(value.substr(0, bang)); // !important
            return value;
        }
    }
    return std::nullopt;
}

std::optional<double> ParseSvgNumber(std::string_view text)
{
    text = Trim(text);
    const bool percent = !text.empty() && text.back() == '%';
    if (percent)
        text.remove_suffix(1);
    CSvgNumberReader r(text);
    double v = 0.0;
    if (!r.Number(v) || !r.AtEnd())
        return std::nullopt;
    return percent ? v / 100.0 : v;
}

bool ParseSvgPoints(std::string_view text, std::vector<double>& out)
{
    out.clear();
    CSvgNumberReader r(text);
    while (!r.AtEnd()) {
        double v = 0.0;
        if (!r.Number(v))
            return false;
        out.push_back(v);
    }
    return out.size() % 2 == 0;
}
