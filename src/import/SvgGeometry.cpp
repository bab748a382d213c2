#include "import/SvgGeometry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cctype>
#include <cstring>

namespace {

constexpr double kPi = 3.14159265358979323846;

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// Reads numbers the way SVG writes them: "1.5.5" is two numbers, "-1-2" two,
// separators are spaces and at most one comma.
class NumberReader {
public:
    explicit NumberReader(std::string_view text) : text_(text) {}

    void SkipSpace()
    {
        while (pos_ < text_.size() && IsSpace(text_[pos_]))
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
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

class PathFlattener {
public:
    PathFlattener(const CSvgTransform& t, CFlattenLimits& limits, std::vector<CPolyline>& out)
        : t_(t), limits_(limits), out_(out)
    {
    }

    bool MoveTo(double x, double y)
    {
        cx_ = sx_ = x;
        cy_ = sy_ = y;
        out_.emplace_back();
        return Emit(x, y);
    }
    bool LineTo(double x, double y)
    {
        cx_ = x;
        cy_ = y;
        return Emit(x, y);
    }
    bool Close()
    {
        if (!LineTo(sx_, sy_))
            return false;
        out_.emplace_back();
        return Emit(sx_, sy_);
    }
    bool Cubic(double x1, double y1, double x2, double y2, double x, double y)
    {
        const CPaperPoint p0 = t_.Apply(cx_, cy_), p1 = t_.Apply(x1, y1), p2 = t_.Apply(x2, y2),
                          p3 = t_.Apply(x, y);
        // A chord of a step h off the curve by at most h^2/8 max|B''|.
        const double m = 6.0 * std::max(std::hypot(p0.u - 2 * p1.u + p2.u, p0.v - 2 * p1.v + p2.v),
                                        std::hypot(p1.u - 2 * p2.u + p3.u, p1.v - 2 * p2.v + p3.v));
        const size_t n = Steps(std::sqrt(m / (8.0 * limits_.tolerance)));
        for (size_t i = 1; i < n; ++i) {
            const double s = static_cast<double>(i) / static_cast<double>(n), r = 1.0 - s;
            const double w0 = r * r * r, w1 = 3 * r * r * s, w2 = 3 * r * s * s, w3 = s * s * s;
            if (!EmitOut({w0 * p0.u + w1 * p1.u + w2 * p2.u + w3 * p3.u,
                          w0 * p0.v + w1 * p1.v + w2 * p2.v + w3 * p3.v}))
                return false;
        }
        return LineTo(x, y);
    }
    bool Quadratic(double x1, double y1, double x, double y)
    {
        const CPaperPoint p0 = t_.Apply(cx_, cy_), p1 = t_.Apply(x1, y1), p2 = t_.Apply(x, y);
        const double m = 2.0 * std::hypot(p0.u - 2 * p1.u + p2.u, p0.v - 2 * p1.v + p2.v);
        const size_t n = Steps(std::sqrt(m / (8.0 * limits_.tolerance)));
        for (size_t i = 1; i < n; ++i) {
            const double s = static_cast<double>(i) / static_cast<double>(n), r = 1.0 - s;
            if (!EmitOut({r * r * p0.u + 2 * r * s * p1.u + s * s * p2.u,
                          r * r * p0.v + 2 * r * s * p1.v + s * s * p2.v}))
                return false;
        }
        return LineTo(x, y);
    }
    // The elliptical arc from the current point, by the endpoint rules of SVG.
    bool Arc(double rx, double ry, double rotation, bool large, bool sweep, double x, double y)
    {
        rx = std::fabs(rx);
        ry = std::fabs(ry);
        if ((x == cx_ && y == cy_))
            return true;
        if (rx == 0.0 || ry == 0.0)
            return LineTo(x, y);
        const double phi = rotation * kPi / 180.0, cs = std::cos(phi), sn = std::sin(phi);
        const double dx = (cx_ - x) / 2.0, dy = (cy_ - y) / 2.0;
        const double x1 = cs * dx + sn * dy, y1 = -sn * dx + cs * dy;
        const double lambda = (x1 * x1) / (rx * rx) + (y1 * y1) / (ry * ry);
        if (lambda > 1.0) {
            rx *= std::sqrt(lambda);
            ry *= std::sqrt(lambda);
        }
        const double num = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
        const double den = rx * rx * y1 * y1 + ry * ry * x1 * x1;
        double k = den > 0.0 ? std::sqrt(std::max(0.0, num / den)) : 0.0;
        if (large == sweep)
            k = -k;
        const double ccx = k * rx * y1 / ry, ccy = -k * ry * x1 / rx;
        const double centreX = cs * ccx - sn * ccy + (cx_ + x) / 2.0;
        const double centreY = sn * ccx + cs * ccy + (cy_ + y) / 2.0;
        const double a0 = std::atan2((y1 - ccy) / ry, (x1 - ccx) / rx);
        double sweepAngle = std::atan2((-y1 - ccy) / ry, (-x1 - ccx) / rx) - a0;
        if (sweep && sweepAngle < 0)
            sweepAngle += 2 * kPi;
        else if (!sweep && sweepAngle > 0)
            sweepAngle -= 2 * kPi;
        // A chord of angle h on radius r is off the arc by r (1 - cos(h/2)).
        const double r = std::max(rx, ry) * t_.MaxStretch();
        const double ratio = std::clamp(1.0 - limits_.tolerance / std::max(r, 1e-300), -1.0, 1.0);
        const double step = 2.0 * std::acos(ratio);
        const size_t n = Steps(step > 0.0 ? std::fabs(sweepAngle) / step : 1e18);
        for (size_t i = 1; i < n; ++i) {
            const double a = a0 + sweepAngle * static_cast<double>(i) / static_cast<double>(n);
            const double ex = rx * std::cos(a), ey = ry * std::sin(a);
            if (!EmitOut(t_.Apply(centreX + cs * ex - sn * ey, centreY + sn * ex + cs * ey)))
                return false;
        }
        return LineTo(x, y);
    }

    double X() const { return cx_; }
    double Y() const { return cy_; }
    bool Started() const { return !out_.empty(); }
    const char* Why() const { return why_; }

private:
    size_t Steps(double n)
    {
        if (!(n < 1e6))
            return 1'000'000;
        return std::max<size_t>(1, static_cast<size_t>(std::ceil(n)));
    }
    bool Emit(double x, double y) { return EmitOut(t_.Apply(x, y)); }
    bool EmitOut(const CPaperPoint& p)
    {
        if (++limits_.used > limits_.maxPoints) {
            why_ = "too many line segments";
            return false;
        }
        if (!std::isfinite(p.u) || !std::isfinite(p.v)) {
            why_ = "a coordinate is out of range";
            return false;
        }
        out_.back().push_back(p);
        return true;
    }

    const CSvgTransform& t_;
    CFlattenLimits& limits_;
    std::vector<CPolyline>& out_;
    double cx_ = 0.0, cy_ = 0.0, sx_ = 0.0, sy_ = 0.0;
    const char* why_ = "path data is not well formed";
};

} // namespace

CSvgTransform CSvgTransform::Then(const CSvgTransform& m) const
{
    return {a * m.a + c * m.b,       b * m.a + d * m.b,       a * m.c + c * m.d,
            b * m.c + d * m.d,       a * m.e + c * m.f + e,   b * m.e + d * m.f + f};
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
    NumberReader r(text);
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
    NumberReader r(text);
    double value = 0.0;
    if (!r.Number(value))
        return std::nullopt;
    const std::string_view unit = Trim(r.Rest());
    static const struct {
        const char* name;
        double mm;
    } units[] = {{"", 25.4 / 96.0}, {"px", 25.4 / 96.0}, {"mm", 1.0},         {"cm", 10.0},
                 {"in", 25.4},       {"pt", 25.4 / 72.0}, {"pc", 25.4 / 6.0}};
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
        NumberReader r(text.substr(4, text.size() - 5));
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
    } names[] = {{"black", {0, 0, 0}},       {"white", {255, 255, 255}}, {"red", {255, 0, 0}},
                 {"lime", {0, 255, 0}},      {"green", {0, 128, 0}},     {"blue", {0, 0, 255}},
                 {"yellow", {255, 255, 0}},  {"magenta", {255, 0, 255}}, {"fuchsia", {255, 0, 255}},
                 {"cyan", {0, 255, 255}},    {"aqua", {0, 255, 255}},    {"gray", {128, 128, 128}},
                 {"grey", {128, 128, 128}},  {"silver", {192, 192, 192}}, {"maroon", {128, 0, 0}},
                 {"navy", {0, 0, 128}},      {"olive", {128, 128, 0}},   {"purple", {128, 0, 128}},
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
    NumberReader r(text);
    double v = 0.0;
    if (!r.Number(v) || !r.AtEnd())
        return std::nullopt;
    return percent ? v / 100.0 : v;
}

bool ParseSvgPoints(std::string_view text, std::vector<double>& out)
{
    out.clear();
    NumberReader r(text);
    while (!r.AtEnd()) {
        double v = 0.0;
        if (!r.Number(v))
            return false;
        out.push_back(v);
    }
    return out.size() % 2 == 0;
}

bool FlattenSvgPath(std::string_view data, const CSvgTransform& toOut, CFlattenLimits& limits,
                    std::vector<CPolyline>& out, std::string& why)
{
    PathFlattener path(toOut, limits, out);
    NumberReader r(data);
    char command = 0;
    double lastCtrlX = 0.0, lastCtrlY = 0.0; // reflected by S and T
    char lastCommand = 0;
    while (!r.AtEnd()) {
        if (std::isalpha(static_cast<unsigned char>(r.Peek()))) {
            command = r.Peek();
            r.Advance();
            if (!std::strchr("MmLlHhVvZzCcSsQqTtAa", command)) {
                why = std::string("path data holds an unknown command '") + command + "'";
                return false;
            }
        } else if (command == 0 || command == 'Z' || command == 'z') {
            why = "path data does not start with a move";
            return false;
        }
        if (command != 'M' && command != 'm' && !path.Started()) {
            why = "path data does not start with a move";
            return false;
        }
        const bool rel = std::islower(static_cast<unsigned char>(command));
        const double ox = rel ? path.X() : 0.0, oy = rel ? path.Y() : 0.0;
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(command)));
        double v[6] = {};
        bool flags[2] = {};
        bool ok = true;
        const auto numbers = [&](int n) {
            for (int i = 0; i < n && ok; ++i)
                ok = r.Number(v[i]);
            return ok;
        };
        const bool smoothCubic = lastCommand == 'C' || lastCommand == 'S';
        const bool smoothQuad = lastCommand == 'Q' || lastCommand == 'T';
        double cx1 = path.X(), cy1 = path.Y();
        bool drew = true;
        switch (upper) {
        case 'Z':
            drew = path.Close();
            break;
        case 'M':
            drew = numbers(2) && path.MoveTo(ox + v[0], oy + v[1]);
            command = rel ? 'l' : 'L'; // pairs after a move are lines
            break;
        case 'L':
            drew = numbers(2) && path.LineTo(ox + v[0], oy + v[1]);
            break;
        case 'H':
            drew = numbers(1) && path.LineTo(ox + v[0], path.Y());
            break;
        case 'V':
            drew = numbers(1) && path.LineTo(path.X(), oy + v[0]);
            break;
        case 'C':
            if (numbers(6)) {
                lastCtrlX = ox + v[2];
                lastCtrlY = oy + v[3];
                drew = path.Cubic(ox + v[0], oy + v[1], lastCtrlX, lastCtrlY, ox + v[4], oy + v[5]);
            }
            break;
        case 'S':
            if (numbers(4)) {
                if (smoothCubic) {
                    cx1 = 2 * path.X() - lastCtrlX;
                    cy1 = 2 * path.Y() - lastCtrlY;
                }
                lastCtrlX = ox + v[0];
                lastCtrlY = oy + v[1];
                drew = path.Cubic(cx1, cy1, lastCtrlX, lastCtrlY, ox + v[2], oy + v[3]);
            }
            break;
        case 'Q':
            if (numbers(4)) {
                lastCtrlX = ox + v[0];
                lastCtrlY = oy + v[1];
                drew = path.Quadratic(lastCtrlX, lastCtrlY, ox + v[2], oy + v[3]);
            }
            break;
        case 'T':
            if (numbers(2)) {
                if (smoothQuad) {
                    cx1 = 2 * path.X() - lastCtrlX;
                    cy1 = 2 * path.Y() - lastCtrlY;
                }
                lastCtrlX = cx1;
                lastCtrlY = cy1;
                drew = path.Quadratic(cx1, cy1, ox + v[0], oy + v[1]);
            }
            break;
        case 'A':
            ok = numbers(3) && r.Flag(flags[0]) && r.Flag(flags[1]) && r.Number(v[3]) &&
                 r.Number(v[4]);
            if (ok)
                drew = path.Arc(v[0], v[1], v[2], flags[0], flags[1], ox + v[3], oy + v[4]);
            break;
        default:
            break;
        }
        if (!ok) {
            why = std::string("path data: '") + command + "' lacks a number";
            return false;
        }
        if (!drew) {
            why = std::string("path data: ") + path.Why();
            return false;
        }
        lastCommand = upper == 'M' ? 'L' : upper;
    }
    return true;
}
