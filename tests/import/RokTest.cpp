#include "import/LoaderROK.h"
#include "import/TextReaderSupport.h"
#include "model/PolyModel.h"
#include "support/Meshes.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <sstream>

using textreader::RecordingProgress;

namespace {

// A ROK file written from points and faces given as point numbers (1-based);
// each face gets lines of its own, listed head to tail from its first point.
struct RokFile {
    std::vector<CVector3> points;
    std::vector<std::vector<int>> faces;
    std::vector<int> materials; // per face; 0 when absent
    std::vector<std::array<int, 6>> palette;
    bool withPalette = false;

    std::string Text() const
    {
        std::ostringstream s;
        s << "ROKU model\nPOINT\n";
        for (const CVector3& p : points)
            s << "0 0 0 0 0 " << p.x << ' ' << p.y << ' ' << p.z << '\n';
        s << "LINE0\n";
        for (const auto& f : faces)
            for (size_t k = 0; k < f.size(); ++k)
                s << f[k] << ' ' << f[(k + 1) % f.size()] << " 0 0\n";
        s << "FACE0\n";
        int line = 1;
        for (size_t i = 0; i < faces.size(); ++i) {
            s << faces[i].size() << ' ' << (i < materials.size() ? materials[i] : 0) << " 0";
            for (size_t k = 0; k < faces[i].size(); ++k)
                s << ' ' << line++;
            s << '\n';
        }
        s << "END00\n";
        if (withPalette) {
            s << "PALC0\n" << palette.size() << '\n';
            for (const auto& c : palette)
                s << "0 " << c[0] << ' ' << c[1] << ' ' << c[2] << ' ' << c[3] << ' ' << c[4] << ' '
                  << c[5] << '\n';
        }
        return s.str();
    }
};

int Read(const std::string& name, const std::string& text, CPolyModel& model,
         IProgress* progress = nullptr)
{
    return model.ReadROK(testfiles::WriteScratch(name + ".rok", text), progress);
}

std::vector<int> CornerIds(const CPolyFace* f)
{
    std::vector<int> ids;
    for (const CFaceCorner* c : f->corners)
        ids.push_back(c->vertex->id);
    return ids;
}

std::vector<std::vector<int>> AllCornerIds(const CPolyModel& m)
{
    std::vector<std::vector<int>> out;
    for (const auto& obj : m.objects)
        for (const CPolyFace* f : obj->faces)
            out.push_back(CornerIds(f));
    return out;
}

// ---- The winding harmonisation exactly as first described: after every settled
// face the search starts again from the first face. Kept as the oracle. ----

void LiteralReverse(CPolyFace* f)
{
    f->normal = f->normal * -1.0;
    f->d = -f->d;
    std::vector<std::pair<CPolyVertex*, CTexCoord*>> successor;
    for (CFaceCorner* c : f->corners)
        successor.push_back({c->next->vertex, c->next->tex});
    for (int k = 0; k < f->corners.size(); ++k) {
        f->corners[k]->vertex = successor[k].first;
        f->corners[k]->tex = successor[k].second;
    }
    for (CFaceCorner* c : f->corners)
        std::swap(c->next, c->prev);
    f->corners.Reverse();
}

void LiteralHarmonise(CPolyModel& model)
{
    std::vector<CPolyFace*> faces;
    for (const auto& obj : model.objects)
        for (CPolyFace* f : obj->faces)
            if (f->corners.size() >= 3)
                faces.push_back(f);
    for (CPolyFace* first : faces) {
        if (first->sel)
            continue;
        first->sel = 1;
        for (bool found = true; found;) {
            found = false;
            for (CPolyFace* q : faces) {
                if (q->sel)
                    continue;
                for (CPolyFace* s : faces) {
                    if (!s->sel)
                        continue;
                    for (CFaceCorner* qc : q->corners) {
                        for (CFaceCorner* sc : s->corners) {
                            if (qc->vertex == sc->next->vertex && qc->next->vertex == sc->vertex) {
                                found = true;
                            } else if (qc->vertex == sc->vertex &&
                                       qc->next->vertex == sc->next->vertex) {
                                LiteralReverse(q);
                                found = true;
                            }
                            if (found) {
                                q->sel = 1;
                                goto restart;
                            }
                        }
                    }
                }
            }
        restart:;
        }
    }
    for (CPolyFace* f : faces)
        f->sel = 0;
}

// Faces on shared vertex records, corners linked, as the reader leaves them.
std::unique_ptr<CPolyModel> BuildMesh(const std::vector<CVector3>& points,
                                      const std::vector<std::vector<int>>& faces)
{
    auto m = std::make_unique<CPolyModel>();
    CPolyObject* obj = m->AddObject();
    for (size_t i = 0; i < points.size(); ++i)
        obj->AddVertex(points[i])->id = static_cast<int>(i) + 1;
    for (const auto& f : faces) {
        CPolyFace* face = obj->AddFace();
        for (int p : f)
            face->AddCorner(obj->vertices[static_cast<size_t>(p) - 1]);
        face->CleanCorners();
        face->ComputePlane();
    }
    return m;
}

// A band of `segments` quads (two triangles each) around a circle; with a half
// twist it is a Moebius strip and cannot be oriented consistently.
RokFile Band(int segments, bool twist, std::mt19937* flips)
{
    RokFile file;
    const double pi = std::acos(-1.0);
    for (int i = 0; i < segments; ++i) {
        const double t = 2 * pi * i / segments;
        const double phi = twist ? t / 2 : 0.0;
        for (int side : {-1, 1}) {
            const double r = 4.0 + side * std::cos(phi);
            file.points.push_back({r * std::cos(t), r * std::sin(t), side * std::sin(phi)});
        }
    }
    for (int i = 0; i < segments; ++i) {
        const int j = (i + 1) % segments;
        const bool wrap = twist && j == 0;
        const int a = 2 * i + 1, b = 2 * i + 2;
        const int c = wrap ? 2 * j + 2 : 2 * j + 1; // the twist swaps the sides
        const int d = wrap ? 2 * j + 1 : 2 * j + 2;
        file.faces.push_back({a, c, b});
        file.faces.push_back({b, c, d});
    }
    if (flips)
        for (auto& f : file.faces)
            if ((*flips)() % 2)
                std::reverse(f.begin(), f.end());
    return file;
}

// How many shared edges run the same way in both faces (0 for a consistent mesh).
int SameWayEdges(const CPolyModel& m)
{
    std::map<std::pair<int, int>, int> directed;
    for (const auto& ids : AllCornerIds(m))
        for (size_t k = 0; k < ids.size(); ++k)
            ++directed[{ids[k], ids[(k + 1) % ids.size()]}];
    int same = 0;
    for (const auto& [edge, count] : directed)
        same += count - 1;
    return same;
}

} // namespace

TEST(Rok, PointsLinesFacesAndPalette)
{
    RokFile file;
    file.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 2}, {7, 7, 7}};
    file.faces = {{1, 2, 3}, {1, 3, 2}};
    file.materials = {1, 5};
    file.withPalette = true;
    file.palette = {{255, 0, 0, 0, 255, 0}, {0, 0, 255, 51, 102, 255}, {1, 1, 1, 1, 1, 1}};
    CPolyModel m;
    RecordingProgress progress;
    const std::string path = testfiles::WriteScratch("basic.rok", file.Text());
    ASSERT_EQ(m.ReadROK(path, &progress), kReadOk);
    EXPECT_EQ(m.fileName, path);
    EXPECT_EQ(progress.title, "File Open");
    EXPECT_EQ(progress.ends, 1);
    EXPECT_EQ(progress.texts, (std::vector<std::string>{"Loading...", "Constructing..."}));

    const CPolyObject* obj = m.objects[0].get();
    ASSERT_EQ(obj->vertices.size(), 4u);
    EXPECT_EQ(obj->vertices[2]->pos, CVector3(0, -1, -2)); // y and z negated
    EXPECT_EQ(obj->vertices[2]->id, 3);
    // The unused point still counts for the box.
    EXPECT_EQ(m.bboxMax, CVector3(7, 0, 0));
    EXPECT_EQ(m.bboxMin, CVector3(0, -7, -7));

    ASSERT_EQ(m.faceCount, 2);
    EXPECT_EQ(obj->faces[0]->material, 1);
    EXPECT_EQ(obj->faces[1]->material, -1); // 5 is beyond the palette
    ASSERT_EQ(m.materials.size(), 3u);
    const float* c = m.materials[1].values;
    EXPECT_FLOAT_EQ(c[2], 1.0f);
    EXPECT_FLOAT_EQ(c[3], 1.0f);
    EXPECT_FLOAT_EQ(c[4], 0.2f);
    EXPECT_FLOAT_EQ(c[5], 0.4f);
    EXPECT_FLOAT_EQ(c[11], 1.0f);
    EXPECT_FLOAT_EQ(c[16], 0.0f);
    // Both faces lie on the same three points and already oppose each other.
    EXPECT_EQ(CornerIds(obj->faces[0]), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(SameWayEdges(m), 0);
}

TEST(Rok, CornersFromLinesInEitherDirection)
{
    const std::string text = "POINT\n0 0 0 0 0 0 0 0\n0 0 0 0 0 1 0 0\n0 0 0 0 0 0 1 0\n"
                             "LINE0\n1 2 0 0\n3 2 0 0\n3 1 0 0\nFACE0\n3 0 0 1 2 3\nEND00\n";
    CPolyModel m;
    ASSERT_EQ(Read("directions", text, m), kReadOk);
    EXPECT_EQ(CornerIds(m.objects[0]->faces[0]), (std::vector<int>{1, 2, 3}));
}

TEST(Rok, SharedEdgeRunningTheSameWayReversesTheLaterFace)
{
    RokFile file;
    file.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {5, 5, 0}, {6, 5, 0}, {5, 6, 0}};
    // Faces 1 and 2 share 3->1 the same way; face 3 touches nothing and keeps its winding.
    file.faces = {{1, 2, 3}, {3, 1, 4}, {5, 7, 6}};
    CPolyModel m;
    ASSERT_EQ(Read("pair", file.Text(), m), kReadOk);
    const auto ids = AllCornerIds(m);
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids[0], (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(ids[1], (std::vector<int>{3, 4, 1}));
    EXPECT_EQ(ids[2], (std::vector<int>{5, 7, 6}));
    EXPECT_EQ(SameWayEdges(m), 0);
}

TEST(Rok, MalformedInputFails)
{
    const std::string points = "POINT\n0 0 0 0 0 0 0 0\n0 0 0 0 0 1 0 0\n0 0 0 0 0 0 1 0\n";
    const std::string lines = "LINE0\n1 2 0 0\n2 3 0 0\n3 1 0 0\n";
    const std::map<std::string, std::string> cases = {
        {"empty", ""},
        {"no-point", "LINE0\n1 2 0 0\nFACE0\n3 0 0 1 2 3\nEND00\n"},
        {"short-point", "POINT\n0 0 0 0 0 0 0\nLINE0\n"},
        {"short-line", points + "LINE0\n1 2 0\nFACE0\n"},
        {"short-face", points + lines + "FACE0\n3 0 0 1 2\nEND00\n"},
        {"eof-in-face", points + lines + "FACE0\n3 0 0 1 2"},
        {"no-end", points + lines + "FACE0\n3 0 0 1 2 3\n"},
        {"line-number", points + lines + "FACE0\n3 0 0 1 2 4\nEND00\n"},
        {"line-zero", points + lines + "FACE0\n3 0 0 0 1 2\nEND00\n"},
        {"point-number", points + "LINE0\n1 2 0 0\n2 9 0 0\n3 1 0 0\nFACE0\n3 0 0 1 2 3\nEND00\n"},
        {"negative-count", points + lines + "FACE0\n-3 0 0 1 2 3\nEND00\n"},
        {"huge-count", points + lines + "FACE0\n2000000000 0 0 1 2 3\nEND00\n"},
        {"palette-short", points + lines + "FACE0\n3 0 0 1 2 3\nEND00\nPALC0\n2\n0 1 2 3 4 5 6\n"},
        {"palette-negative", points + lines + "FACE0\n3 0 0 1 2 3\nEND00\nPALC0\n-1\n"},
        {"flat", "POINT\n0 0 0 0 0 0 0 0\n0 0 0 0 0 1 0 0\n0 0 0 0 0 2 0 0\n" + lines +
                     "FACE0\n3 0 0 1 2 3\nEND00\n"},
    };
    for (const auto& [name, text] : cases) {
        CPolyModel m;
        RecordingProgress progress;
        EXPECT_EQ(Read("bad-" + name, text, m, &progress), kReadFailed) << name;
        EXPECT_EQ(progress.begins, progress.ends) << name;
    }
    CPolyModel ok;
    EXPECT_EQ(Read("end-only", points + lines + "FACE0\n3 -2 0 1 2 3\nEND00\n", ok), kReadOk);
    EXPECT_EQ(ok.objects[0]->faces[0]->material, -2); // negative material stays
}

TEST(Rok, CancelStopsTheRead)
{
    RokFile file = Band(400, false, nullptr);
    CPolyModel m;
    RecordingProgress progress(/*cancelAtPos=*/20);
    EXPECT_EQ(Read("cancel", file.Text(), m, &progress), kReadCancelled);
    EXPECT_EQ(progress.positions.back(), 20);
    EXPECT_EQ(progress.ends, 1);
}

// The reader's winding pass against the literal rescan, on a Moebius strip read
// from a file: the same faces end up reversed, and the strip keeps its seam.
TEST(Rok, MoebiusStripMatchesTheLiteralRescan)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 6; ++round) {
        const RokFile file = Band(9 + round, /*twist=*/true, round == 0 ? nullptr : &rng);
        CPolyModel read;
        ASSERT_EQ(Read("moebius", file.Text(), read), kReadOk);

        auto oracle = BuildMesh(file.points, file.faces);
        LiteralHarmonise(*oracle);
        testmesh::Build(*oracle);
        EXPECT_EQ(AllCornerIds(read), AllCornerIds(*oracle)) << "round " << round;
        // A one-sided band cannot come out consistent: exactly one seam edge remains.
        EXPECT_EQ(SameWayEdges(read), 1) << "round " << round;
    }
}

TEST(Rok, WindingMatchesTheLiteralRescanOnRandomMeshes)
{
    std::mt19937 rng(12345);
    int reversedSomewhere = 0;
    for (int round = 0; round < 120; ++round) {
        // Bands with and without a twist, random windings, faces in random order,
        // some faces dropped (several groups) and some doubled (edges of three faces).
        const int segments = 5 + static_cast<int>(rng() % 12);
        RokFile file = Band(segments, rng() % 2, &rng);
        // Caps over the inner and outer rims: large faces against small ones.
        for (int side = 1; side <= 2; ++side) {
            if (rng() % 2)
                continue;
            std::vector<int> cap;
            for (int i = 0; i < segments; ++i)
                cap.push_back(2 * i + side);
            if (rng() % 2)
                std::reverse(cap.begin(), cap.end());
            file.faces.push_back(cap);
        }
        // Pages on one edge: many faces sharing it.
        for (int page = static_cast<int>(rng() % 4); page > 0; --page)
            file.faces.push_back({1, 3, static_cast<int>(rng() % file.points.size()) + 1});
        std::shuffle(file.faces.begin(), file.faces.end(), rng);
        std::vector<std::vector<int>> faces;
        for (const auto& f : file.faces) {
            const unsigned pick = rng() % 10;
            if (pick == 0)
                continue;
            faces.push_back(f);
            if (pick == 1) {
                auto extra = f;
                extra.push_back(static_cast<int>(rng() % file.points.size()) + 1);
                faces.push_back(extra);
            }
        }
        auto fast = BuildMesh(file.points, faces);
        auto literal = BuildMesh(file.points, faces);
        const auto before = AllCornerIds(*fast);
        HarmoniseWinding(*fast);
        LiteralHarmonise(*literal);
        const auto after = AllCornerIds(*fast);
        ASSERT_EQ(after, AllCornerIds(*literal)) << "round " << round;
        reversedSomewhere += before != after;
        for (const auto& obj : fast->objects)
            for (const CPolyFace* f : obj->faces)
                EXPECT_EQ(f->sel, 0);
    }
    EXPECT_GT(reversedSomewhere, 60);
}

TEST(Rok, ReverseFaceTwiceRestoresTheFace)
{
    auto m = BuildMesh({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{1, 2, 3, 4}});
    CPolyFace* f = m->objects[0]->faces[0];
    const auto before = CornerIds(f);
    const CVector3 normal = f->normal;
    ReverseFace(*f);
    EXPECT_EQ(CornerIds(f), (std::vector<int>{1, 4, 3, 2}));
    EXPECT_EQ(f->normal, normal * -1.0);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(f->corners[k]->next, f->corners[(k + 1) % 4]);
    ReverseFace(*f);
    EXPECT_EQ(CornerIds(f), before);
    EXPECT_EQ(f->normal, normal);
}
