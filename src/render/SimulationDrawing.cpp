#include "render/SimulationDrawing.h"

#include <GL/gl.h>

#include <algorithm>

void StrainColour(double strain, float rgb[3])
{
    const float t = static_cast<float>(std::clamp(strain / kStrainColourFull, 0.0, 1.0));
    rgb[0] = 0.25f + 0.75f * t;
    rgb[1] = 0.35f * (1.0f - t);
    rgb[2] = 1.0f - 0.8f * t;
}

namespace {

bool Agree(const std::vector<CVector3>* positions, const std::vector<uint32_t>& tris)
{
    if (!positions || positions->empty())
        return false;
    for (uint32_t v : tris)
        if (v >= positions->size())
            return false;
    return true;
}

// Flat-shaded corners: per triangle its normal, per corner its position.
void FillCorners(const std::vector<CVector3>& p, const std::vector<uint32_t>& tris,
                 std::vector<float>& xyz, std::vector<float>& normals)
{
    xyz.clear();
    normals.clear();
    xyz.reserve(tris.size() * 3);
    normals.reserve(tris.size() * 3);
    for (size_t t = 0; t + 2 < tris.size(); t += 3) {
        const CVector3& a = p[tris[t]];
        const CVector3& b = p[tris[t + 1]];
        const CVector3& c = p[tris[t + 2]];
        CVector3 n = (b - a).Cross(c - a);
        n.Normalize();
        for (const CVector3* q : {&a, &b, &c}) {
            xyz.insert(xyz.end(), {static_cast<float>(q->x), static_cast<float>(q->y),
                                   static_cast<float>(q->z)});
            normals.insert(normals.end(), {static_cast<float>(n.x), static_cast<float>(n.y),
                                           static_cast<float>(n.z)});
        }
    }
}

} // namespace

void CSimulationArrays::Rebuild(const SimulationSceneState& state)
{
    built_ = false;
    xyz_.clear();
    colours_.clear();
    ghostXyz_.clear();
    if (!state.tris || !Agree(state.positions, *state.tris))
        return;
    const std::vector<uint32_t>& tris = *state.tris;
    FillCorners(*state.positions, tris, xyz_, normals_);
    colours_.reserve(tris.size() * 3);
    for (uint32_t v : tris) {
        float rgb[3];
        const bool has = state.strain && v < state.strain->size();
        StrainColour(has ? (*state.strain)[v] : 0.0, rgb);
        colours_.insert(colours_.end(), rgb, rgb + 3);
    }
    if (state.ghost && Agree(state.ghost, tris))
        FillCorners(*state.ghost, tris, ghostXyz_, ghostNormals_);
    built_ = true;
}

void CSimulationArrays::Draw(const SimulationSceneState& state)
{
    if (state.revision != revision_ || !built_) {
        revision_ = state.revision;
        Rebuild(state);
    }
    if (!built_)
        return;
    const GLsizei count = static_cast<GLsizei>(xyz_.size() / 3);

    // The strain colour is the material's, lit as the design's faces are.
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, xyz_.data());
    glNormalPointer(GL_FLOAT, 0, normals_.data());
    glColorPointer(3, GL_FLOAT, 0, colours_.data());
    glDrawArrays(GL_TRIANGLES, 0, count);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);
    if (state.showEdges) {
        glColor3f(0.0f, 0.0f, 0.0f);
        glLineWidth(0.3f);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glDrawArrays(GL_TRIANGLES, 0, count);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    }

    // The designed form: faint, unlit, and never hiding what lies behind it.
    if (!ghostXyz_.empty()) {
        glVertexPointer(3, GL_FLOAT, 0, ghostXyz_.data());
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDepthMask(GL_FALSE);
        glColor4f(0.35f, 0.35f, 0.4f, 0.18f);
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(ghostXyz_.size() / 3));
        glDepthMask(GL_TRUE);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glEnable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glEnable(GL_LIGHTING);
}
