#include "model/PolyModel.h"

#include "model/CSlicePlane.h"

#include <algorithm>
#include <cstring>

void CCornerList::Grow(Arena& arena)
{
    const int32_t newCapacity = capacity_ * 2;
    CFaceCorner** grown = arena.AllocateArray<CFaceCorner*>(newCapacity);
    std::memcpy(grown, items_, sizeof(CFaceCorner*) * count_);
    items_ = grown; // the old array stays in the arena until it is reset
    capacity_ = newCapacity;
}

void CCornerList::Remove(const CFaceCorner* c)
{
    count_ = static_cast<int32_t>(std::remove(items_, items_ + count_, c) - items_);
}

void CCornerList::Erase(int index)
{
    std::memmove(items_ + index, items_ + index + 1, sizeof(CFaceCorner*) * (count_ - index - 1));
    --count_;
}

void CCornerList::Reverse()
{
    std::reverse(items_, items_ + count_);
}

CFaceCorner* CPolyFace::AddCorner(CPolyVertex* v)
{
    CFaceCorner* c = object->arena.Create<CFaceCorner>(v, this);
    corners.PushBack(c, object->arena);
    return c;
}

void CPolyFace::ComputePlane()
{
    if (corners.size() < 3)
        return;
    const CVector3& p0 = corners[0]->vertex->pos;
    const CVector3& p1 = corners[1]->vertex->pos;
    const CVector3& p2 = corners[2]->vertex->pos;
    FlatPlaneOf(p0, p1, p2, normal, d);
}

CPolyVertex* CPolyObject::AddVertex(const CVector3& pos)
{
    CPolyVertex* v = NewVertex(pos);
    vertices.push_back(v);
    return v;
}

CPolyFace* CPolyObject::AddFace()
{
    CPolyFace* f = NewFace();
    faces.push_back(f);
    return f;
}

CTexCoord* CPolyObject::AddTexCoord(double u, double v)
{
    CTexCoord* t = arena.Create<CTexCoord>(CTexCoord{u, v});
    texcoords.push_back(t);
    return t;
}

void CPolyObject::RemoveFace(const CPolyFace* f)
{
    faces.erase(std::remove(faces.begin(), faces.end(), f), faces.end());
}

void CPolyObject::Clear()
{
    faces.clear();
    vertices.clear();
    texcoords.clear();
    arena.Reset();
}

CPolyModel::CPolyModel() = default;
CPolyModel::~CPolyModel() = default;

CPolyObject* CPolyModel::AddObject()
{
    objects.push_back(std::make_unique<CPolyObject>());
    return objects.back().get();
}

ReadResult CPolyModel::Read6KS(const std::string& path, IProgress*)
{
    fileName = path; // the format is recognised but cannot be read
    whyNotRead = "6KS files cannot be read";
    return kReadFailed;
}

void CPolyModel::NormalizeToUnit()
{
    const double hx = (bboxMax.x - bboxMin.x) / 2.0;
    const double hy = (bboxMax.y - bboxMin.y) / 2.0;
    const double hz = (bboxMax.z - bboxMin.z) / 2.0;
    const double s = std::max(hx, std::max(hy, hz)) * 1.0001;
    const CVector3 c = (bboxMax + bboxMin) * 0.5;
    // A model without extent (never one that passed BuildTopology) is only centred.
    const bool scale = s > 0.0;
    unitCentre = c;
    unitScale = scale ? s : 1.0;
    for (const auto& obj : objects) {
        for (CPolyVertex* v : obj->vertices) {
            v->pos.x = v->pos.x - c.x;
            v->pos.y = v->pos.y - c.y;
            v->pos.z = v->pos.z - c.z;
            if (scale) {
                v->pos.x /= s;
                v->pos.y /= s;
                v->pos.z /= s;
            }
        }
    }
}

void CPolyModel::FlipOrientation()
{
    struct Successor {
        CPolyVertex* vertex;
        CTexCoord* tex;
    };
    std::vector<Successor> saved;
    for (const auto& obj : objects) {
        for (CPolyFace* f : obj->faces) {
            f->normal = f->normal * -1.0;
            f->d = -f->d;
            saved.clear();
            for (CFaceCorner* c : f->corners)
                saved.push_back(c->next ? Successor{c->next->vertex, c->next->tex}
                                        : Successor{c->vertex, c->tex});
            int i = 0;
            for (CFaceCorner* c : f->corners) {
                c->vertex = saved[i].vertex;
                c->tex = saved[i].tex;
                ++i;
            }
            for (CFaceCorner* c : f->corners)
                std::swap(c->next, c->prev);
            f->corners.Reverse();
        }
    }
}

size_t CPolyModel::VertexCount() const
{
    size_t n = 0;
    for (const auto& obj : objects)
        n += obj->vertices.size();
    return n;
}

const CWorkingShape& CPolyModel::CurrentShape(CWorkingShape& scratch) const
{
    if (designing)
        return working;
    scratch.Clear();
    if (!objects.empty())
        FlatFromObject(*objects.front(), paper.empty() ? nullptr : paper.data(), scratch,
                       edgeMarks.empty() ? nullptr : edgeMarks.data());
    return scratch;
}

void FlatFromObject(const CPolyObject& object, const CPaperPoint* paper, CWorkingShape& out,
                    const uint8_t* marks)
{
    // Sized once and written in place, the planes taken in pairs afterwards:
    // a large model is flattened on every first selection.
    size_t triangles = 0;
    for (const CPolyFace* face : object.faces)
        triangles += face->corners.size() == 3;
    out.pos.resize(3 * triangles);
    out.corner.resize(3 * triangles);
    out.tri.resize(triangles);
    size_t t = 0;
    for (size_t f = 0; f < object.faces.size(); ++f) {
        const CPolyFace* face = object.faces[f];
        if (face->corners.size() != 3)
            continue;
        CTriangleData& tri = out.tri[t];
        tri.origin = static_cast<int32_t>(f);
        for (int j = 0; j < 3; ++j) {
            out.pos[3 * t + j] = face->corners[j]->vertex->pos;
            out.corner[3 * t + j] = paper ? CCornerData{paper[3 * f + j]} : CCornerData{};
            tri.edge[j] = marks ? marks[3 * f + j] : 0;
        }
        ++t;
    }
    FlatPlanesOf(out.pos.data(), out.tri.data(), triangles);
}
