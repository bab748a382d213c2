#include "model/SweepTriangulation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <utility>

namespace {

struct Point2 {
    double x = 0.0;
    double y = 0.0;
};

double Orient(const Point2& a, const Point2& b, const Point2& c)
{
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// The sweep runs from the top down, left to right along a level, as if
// turned a hair so that no two corners lie level.
bool Above(const Point2& a, const Point2& b)
{
    return a.y > b.y || (a.y == b.y && a.x < b.x);
}

enum class Kind : uint8_t { Start, End, Split, Merge, Regular };

class Sweep {
public:
    explicit Sweep(const std::vector<Point2>& p) : p_(p), n_(static_cast<int>(p.size())) {}

    // Cuts the polygon into monotone pieces and fills them; false when the
    // sweep finds the outline is not simple.
    bool Run(std::vector<std::array<int, 3>>& out)
    {
        if (!Decompose())
            return false;
        return FillPieces(out);
    }

private:
    int Next(int i) const { return i + 1 == n_ ? 0 : i + 1; }
    int Prev(int i) const { return i == 0 ? n_ - 1 : i - 1; }

    // Where edge e (corner e to the next, running down) crosses the level
    // of the corner being swept.
    double XAt(int e) const
    {
        const Point2& a = p_[e];
        const Point2& b = p_[Next(e)];
        if (a.y == b.y)
            return a.x;
        return a.x + (level_ - a.y) * (b.x - a.x) / (b.y - a.y);
    }

    struct EdgeLess {
        const Sweep* sweep;
        using is_transparent = void;
        bool operator()(int a, int b) const
        {
            const double xa = sweep->XAt(a), xb = sweep->XAt(b);
            return xa != xb ? xa < xb : a < b;
        }
        bool operator()(int a, double x) const { return sweep->XAt(a) < x; }
        bool operator()(double x, int b) const { return x < sweep->XAt(b); }
    };
    using Status = std::set<int, EdgeLess>;

    Kind KindOf(int i) const
    {
        const bool prevBelow = Above(p_[i], p_[Prev(i)]);
        const bool nextBelow = Above(p_[i], p_[Next(i)]);
        const bool convex = Orient(p_[Prev(i)], p_[i], p_[Next(i)]) > 0.0;
        if (prevBelow && nextBelow)
            return convex ? Kind::Start : Kind::Split;
        if (!prevBelow && !nextBelow)
            return convex ? Kind::End : Kind::Merge;
        return Kind::Regular;
    }

    // Monotone pieces by diagonals from split and merge corners to the
    // corners that help the edge left of them.
    bool Decompose()
    {
        std::vector<int> order(static_cast<size_t>(n_));
        for (int i = 0; i < n_; ++i)
            order[static_cast<size_t>(i)] = i;
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            return Above(p_[a], p_[b]) || (!Above(p_[b], p_[a]) && a < b);
        });
        kind_.resize(static_cast<size_t>(n_));
        for (int i = 0; i < n_; ++i)
            kind_[static_cast<size_t>(i)] = KindOf(i);
        Status status(EdgeLess{this});
        std::vector<Status::iterator> where(static_cast<size_t>(n_), status.end());
        std::vector<int> helper(static_cast<size_t>(n_), -1);
        auto insert = [&](int e, int v) {
            where[static_cast<size_t>(e)] = status.insert(e).first;
            helper[static_cast<size_t>(e)] = v;
        };
        // The edge ending at v leaves the status; false when it was never in.
        auto finish = [&](int v) {
            const int e = Prev(v);
            if (where[static_cast<size_t>(e)] == status.end())
                return false;
            const int h = helper[static_cast<size_t>(e)];
            if (h >= 0 && kind_[static_cast<size_t>(h)] == Kind::Merge)
                diagonals_.push_back({v, h});
            status.erase(where[static_cast<size_t>(e)]);
            where[static_cast<size_t>(e)] = status.end();
            return true;
        };
        // The edge directly left of v takes v as its helper.
        auto helpLeft = [&](int v) {
            auto it = status.lower_bound(p_[v].x);
            if (it == status.begin())
                return false;
            --it;
            int& h = helper[static_cast<size_t>(*it)];
            if (kind_[static_cast<size_t>(v)] == Kind::Split ||
                kind_[static_cast<size_t>(h)] == Kind::Merge)
                diagonals_.push_back({v, h});
            h = v;
            return true;
        };
        for (const int v : order) {
            level_ = p_[v].y;
            switch (kind_[static_cast<size_t>(v)]) {
            case Kind::Start:
                insert(v, v);
                break;
            case Kind::End:
                if (!finish(v))
                    return false;
                break;
            case Kind::Split:
                if (!helpLeft(v))
                    return false;
                insert(v, v);
                break;
            case Kind::Merge:
                if (!finish(v) || !helpLeft(v))
                    return false;
                break;
            case Kind::Regular:
                if (Above(p_[Prev(v)], p_[v])) { // the inside lies right of v
                    if (!finish(v))
                        return false;
                    insert(v, v);
                } else if (!helpLeft(v)) {
                    return false;
                }
                break;
            }
        }
        return status.empty();
    }

    // Walks the faces the outline and the diagonals make inside the polygon
    // and fills each.
    bool FillPieces(std::vector<std::array<int, 3>>& out)
    {
        // Neighbours of each corner by angle, counter-clockwise.
        std::vector<uint32_t> start(static_cast<size_t>(n_) + 1, 2);
        start[0] = 0;
        for (const auto& [a, b] : diagonals_) {
            ++start[static_cast<size_t>(a) + 1];
            ++start[static_cast<size_t>(b) + 1];
        }
        for (size_t i = 1; i < start.size(); ++i)
            start[i] += start[i - 1];
        struct Slot {
            double angle;
            int to;
        };
        std::vector<Slot> slot(start.back());
        std::vector<uint32_t> fill(start.begin(), start.end() - 1);
        auto link = [&](int a, int b) {
            const double angle = std::atan2(p_[b].y - p_[a].y, p_[b].x - p_[a].x);
            slot[fill[static_cast<size_t>(a)]++] = {angle, b};
        };
        for (int i = 0; i < n_; ++i) {
            link(i, Next(i));
            link(i, Prev(i));
        }
        for (const auto& [a, b] : diagonals_) {
            link(a, b);
            link(b, a);
        }
        for (int i = 0; i < n_; ++i)
            std::sort(slot.begin() + start[static_cast<size_t>(i)],
                      slot.begin() + start[static_cast<size_t>(i) + 1],
                      [](const Slot& a, const Slot& b) { return a.angle < b.angle; });
        // The slot of the half-edge from a to b.
        auto find = [&](int a, int b) -> int64_t {
            const auto first = slot.begin() + start[static_cast<size_t>(a)];
            const auto last = slot.begin() + start[static_cast<size_t>(a) + 1];
            const double angle = std::atan2(p_[b].y - p_[a].y, p_[b].x - p_[a].x);
            auto it = std::lower_bound(first, last, angle,
                                       [](const Slot& s, double x) { return s.angle < x; });
            for (; it != last && it->angle == angle; ++it)
                if (it->to == b)
                    return it - slot.begin();
            return -1;
        };
        std::vector<uint8_t> walked(slot.size(), 0);
        std::vector<int> piece;
        // Half-edges with the inside on their left: the outline's own, and
        // both ways along each diagonal.
        std::vector<std::pair<int, int>> seeds;
        for (int i = 0; i < n_; ++i)
            seeds.push_back({i, Next(i)});
        for (const auto& [a, b] : diagonals_) {
            seeds.push_back({a, b});
            seeds.push_back({b, a});
        }
        for (const auto& [a0, b0] : seeds) {
            int64_t s = find(a0, b0);
            if (s < 0)
                return false;
            if (walked[static_cast<size_t>(s)])
                continue;
            piece.clear();
            int a = a0, b = b0;
            while (!walked[static_cast<size_t>(s)]) {
                walked[static_cast<size_t>(s)] = 1;
                piece.push_back(a);
                if (piece.size() > static_cast<size_t>(n_))
                    return false;
                // Next along the face: the neighbour of b just clockwise of a.
                const int64_t back = find(b, a);
                if (back < 0)
                    return false;
                const int64_t first = start[static_cast<size_t>(b)];
                const int64_t turn =
                    back == first ? start[static_cast<size_t>(b) + 1] - 1 : back - 1;
                a = b;
                b = slot[static_cast<size_t>(turn)].to;
                s = turn;
            }
            if (a != a0 || b != b0 || !FillMonotone(piece, out))
                return false;
        }
        return true;
    }

    void Emit(int a, int b, int c, std::vector<std::array<int, 3>>& out) const
    {
        if (Orient(p_[a], p_[b], p_[c]) < 0.0)
            std::swap(b, c);
        out.push_back({a, b, c});
    }

    // A piece monotone along the sweep, counter-clockwise, filled by the
    // one-pass stack walk down its two chains.
    bool FillMonotone(const std::vector<int>& piece, std::vector<std::array<int, 3>>& out)
    {
        const size_t k = piece.size();
        if (k < 3)
            return false;
        if (k == 3) {
            Emit(piece[0], piece[1], piece[2], out);
            return true;
        }
        size_t top = 0, bottom = 0;
        for (size_t i = 1; i < k; ++i) {
            if (Above(p_[piece[i]], p_[piece[top]]))
                top = i;
            if (Above(p_[piece[bottom]], p_[piece[i]]))
                bottom = i;
        }
        // Counter-clockwise from the top runs down the left chain.
        std::vector<std::pair<int, bool>> down; // corner, on the left chain
        down.reserve(k);
        for (size_t i = top; i != bottom; i = (i + 1) % k)
            down.push_back({piece[i], true});
        for (size_t i = (top + k - 1) % k; i != bottom; i = (i + k - 1) % k)
            down.push_back({piece[i], false});
        down.push_back({piece[bottom], false});
        std::sort(down.begin() + 1, down.end() - 1,
                  [&](const auto& a, const auto& b) { return Above(p_[a.first], p_[b.first]); });
        // Each chain must come down in order, or the piece is not monotone.
        for (size_t i = 1; i < k; ++i)
            if (!Above(p_[down[i - 1].first], p_[down[i].first]))
                return false;
        std::vector<std::pair<int, bool>> stack = {down[0], down[1]};
        for (size_t j = 2; j + 1 < k; ++j) {
            const auto u = down[j];
            if (u.second != stack.back().second) {
                for (size_t i = 1; i < stack.size(); ++i)
                    Emit(u.first, stack[i - 1].first, stack[i].first, out);
                stack = {down[j - 1], u};
            } else {
                auto last = stack.back();
                stack.pop_back();
                while (!stack.empty()) {
                    const double turn = Orient(p_[stack.back().first], p_[last.first], p_[u.first]);
                    if (u.second ? !(turn > 0.0) : !(turn < 0.0))
                        break;
                    Emit(u.first, last.first, stack.back().first, out);
                    last = stack.back();
                    stack.pop_back();
                }
                stack.push_back(last);
                stack.push_back(u);
            }
        }
        for (size_t i = 1; i < stack.size(); ++i)
            Emit(down[k - 1].first, stack[i - 1].first, stack[i].first, out);
        return true;
    }

    const std::vector<Point2>& p_;
    int n_;
    double level_ = 0.0;
    std::vector<Kind> kind_;
    std::vector<std::pair<int, int>> diagonals_;
};

} // namespace

bool TriangulateBySweep(const std::vector<CVector3>& points, const CVector3& normal,
                        std::vector<std::array<int, 3>>& triangles)
{
    const size_t n = points.size();
    if (n < 3)
        return false;
    // Onto the plane of the normal's largest axis, the remaining two taken
    // in the order that keeps the outline counter-clockwise.
    const double axis[3] = {std::fabs(normal.x), std::fabs(normal.y), std::fabs(normal.z)};
    const int k = axis[2] >= axis[0] && axis[2] >= axis[1] ? 2 : (axis[1] >= axis[0] ? 1 : 0);
    const double along = k == 0 ? normal.x : (k == 1 ? normal.y : normal.z);
    std::vector<Point2> p(n);
    for (size_t i = 0; i < n; ++i) {
        const double c[3] = {points[i].x, points[i].y, points[i].z};
        p[i] = {c[(k + 1) % 3], c[(k + 2) % 3]};
        if (along < 0.0)
            std::swap(p[i].x, p[i].y);
    }
    double area = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const Point2& a = p[i];
        const Point2& b = p[(i + 1) % n];
        area += a.x * b.y - a.y * b.x;
    }
    if (!(area > 0.0))
        return false;
    std::vector<std::array<int, 3>> out;
    out.reserve(n - 2);
    Sweep sweep(p);
    if (!sweep.Run(out) || out.size() != n - 2)
        return false;
    // Every triangle turns the outline's way; together they cover its area
    // once, or something overlapped.
    double covered = 0.0;
    for (const std::array<int, 3>& t : out)
        covered += Orient(p[t[0]], p[t[1]], p[t[2]]);
    if (!(std::fabs(covered - area) <= 1e-9 * area))
        return false;
    triangles.insert(triangles.end(), out.begin(), out.end());
    return true;
}
