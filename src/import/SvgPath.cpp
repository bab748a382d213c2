#include "import/SvgPath.h"

#include "import/SvgNumbers.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace {

constexpr double kPi = 3.14159265358979323846;

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

bool FlattenSvgPath(std::string_view data, const CSvgTransform& toOut, CFlattenLimits& limits,
                    std::vector<CPolyline>& out, std::string& why)
{
    PathFlattener path(toOut, limits, out);
    CSvgNumberReader r(data);
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
