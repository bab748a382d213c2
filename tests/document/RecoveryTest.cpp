// Recovery files: what they keep, and which ones a new start offers; the design
// file they share with Save Design.
#include "support/Meshes.h"
#include "support/TestFiles.h"

#include "design/DesignSession.h"
#include "document/DesignFile.h"
#include "document/Recovery.h"
#include "export/CreasePatternFile.h"
#include "import/ModelFile.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Corner positions of the model's current shape, in millimetres.
std::vector<CVector3> FormInMillimetres(const CPolyModel& m)
{
    std::vector<CVector3> out;
    ForEachShapeCorner(
        m, [&](int64_t, const CVector3& p) { out.push_back(p * m.unitScale + m.unitCentre); });
    return out;
}

// Every point of `a` lies within `tol` of a point of `b`.
bool Covered(const std::vector<CVector3>& a, const std::vector<CVector3>& b, double tol)
{
    for (const CVector3& p : a) {
        bool near = false;
        for (size_t i = 0; i < b.size() && !near; ++i) {
            const CVector3 d = p - b[i];
            near = d.x * d.x + d.y * d.y + d.z * d.z <= tol * tol;
        }
        if (!near)
            return false;
    }
    return true;
}

} // namespace

TEST(Recovery, FileReopensAsTheFoldedFormWithItsPaperAndName)
{
    OpenOutcome opened = OpenModel(LINTORO_SOURCE_DIR "/samples/sheet.obj", nullptr);
    ASSERT_TRUE(opened.model && opened.model->paperInfo.has);
    CPolyModel& m = *opened.model;
    CDesignSession session;
    session.AttachModel(&m);
    ASSERT_TRUE(session.SetHighlighted(NearestShapeCorner(m, {0.3, 0.2, 0})));
    ASSERT_TRUE(session.EndLeftClick());
    session.SetHandle(3);
    ASSERT_EQ(session.DragStep(2.0), CDesignSession::DragOutcome::kAccepted);
    ASSERT_TRUE(session.FixShape());

    CRecoverySnapshot snapshot;
    TakeRecoverySnapshot(m, "sheet.obj", snapshot);
    const std::string path = RecoveryPath(testfiles::ScratchDir() + "/made/here", 4242);
    ASSERT_TRUE(WriteRecoveryFile(snapshot, path)); // the folder is made on the way
    EXPECT_EQ(RecoveryOriginalName(path), "sheet.obj");

    OpenOutcome back = OpenModel(path, nullptr);
    ASSERT_TRUE(back.model);
    EXPECT_TRUE(back.model->paperInfo.has);
    EXPECT_EQ(back.model->faceCount, static_cast<int32_t>(m.working.TriangleCount()));
    const std::vector<CVector3> before = FormInMillimetres(m),
                                after = FormInMillimetres(*back.model);
    EXPECT_TRUE(Covered(after, before, 1e-6 * m.unitScale));
    EXPECT_TRUE(Covered(before, after, 1e-6 * m.unitScale));
}

TEST(Recovery, FileIsTheSavedDesignWithItsNameAndTheRealStrain)
{
    // A bent sheet stretches a little when opened: its strain is not 0.
    OpenOutcome opened = OpenModel(LINTORO_SOURCE_DIR "/samples/bent-sheet.obj", nullptr);
    ASSERT_TRUE(opened.model && opened.model->paperInfo.has);
    CPolyModel& m = *opened.model;
    ASSERT_GT(m.paperInfo.strainMax, 0.0);
    CDesignSession session;
    session.AttachModel(&m);
    ASSERT_TRUE(session.SetHighlighted(NearestShapeCorner(m, {0.2, 0.1, 0})));
    ASSERT_TRUE(session.EndLeftClick());
    session.SetHandle(3);
    ASSERT_EQ(session.DragStep(1.0), CDesignSession::DragOutcome::kAccepted);

    const std::string pattern = testfiles::ScratchDir() + "/exported.fold",
                      saved = testfiles::ScratchDir() + "/saved.fold",
                      recovery = testfiles::ScratchDir() + "/recovered.fold";
    std::string error;
    ASSERT_TRUE(WriteCreasePatternFile(m, pattern, error)) << error;
    ASSERT_TRUE(WriteDesignFile(m, saved, error)) << error;
    CRecoverySnapshot snapshot;
    TakeRecoverySnapshot(m, "bent-sheet.obj", snapshot);
    ASSERT_TRUE(WriteRecoveryFile(snapshot, recovery));

    const std::string exported = testfiles::ReadWhole(pattern);
    EXPECT_EQ(testfiles::ReadWhole(saved), exported);
    nlohmann::ordered_json kept = nlohmann::ordered_json::parse(testfiles::ReadWhole(recovery));
    // The strain of the folded form as written, as the exported pattern has it.
    EXPECT_GT(kept["lintoro:strain"]["max"].get<double>(), 0.0);
    EXPECT_GT(kept["lintoro:strain"]["mean"].get<double>(), 0.0);
    EXPECT_EQ(kept["lintoro:originalName"], "bent-sheet.obj");
    // Otherwise the recovery file is the saved design, key for key.
    kept.erase("lintoro:originalName");
    EXPECT_EQ(kept, nlohmann::ordered_json::parse(exported));
}

TEST(Recovery, ModelWithoutPaperKeepsItsFormAlone)
{
    // A dome does not unfold, so it has no paper and the file none to invent.
    auto m = testmesh::Grid(6, 6, 1.0, 1.0, testmesh::Wave<0.4, 3.0, 3.0>);
    testmesh::Build(*m);
    CRecoverySnapshot snapshot;
    TakeRecoverySnapshot(*m, "", snapshot);
    const std::string path = testfiles::ScratchDir() + "/bare.fold";
    CRecoveryWriter writer;
    writer.Submit(snapshot, path);
    writer.Flush();
    EXPECT_EQ(writer.Written(), 1u);
    OpenOptions asRead;
    asRead.normalize = false;
    OpenOutcome back = OpenModel(path, nullptr, asRead);
    ASSERT_TRUE(back.model);
    EXPECT_FALSE(back.model->paperInfo.has);
    EXPECT_EQ(back.model->faceCount, m->faceCount);
    EXPECT_TRUE(Covered(FormInMillimetres(*back.model), FormInMillimetres(*m), 1e-12));
    EXPECT_EQ(RecoveryOriginalName(path), "");
    EXPECT_EQ(RecoveryOriginalName(path + ".missing"), "");
}

TEST(Recovery, OnlyFilesOfEndedProgramsAreOfferedNewestFirst)
{
    const std::string folder = testfiles::ScratchDir() + "/orphans";
    fs::create_directories(folder);
    const auto touch = [&](const std::string& name, int hoursAgo) {
        const std::string p = folder + "/" + name;
        testfiles::WriteScratch("orphans/" + name, "{}");
        fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::hours(hoursAgo));
        return p;
    };
    const std::string older = touch("999999991.fold", 5);
    const std::string newer = touch("999999992.fold", 1);
    touch(std::to_string(::getpid()) + ".fold", 0); // this program runs
    touch("notes.fold", 0);
    touch("12x.fold", 0);
    touch("999999993.json", 0);
    const std::vector<CRecoveryCandidate> found = FindOrphanRecoveryFiles(folder);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].path, newer);
    EXPECT_EQ(found[0].pid, 999999992);
    EXPECT_EQ(found[1].path, older);
    EXPECT_TRUE(FindOrphanRecoveryFiles(folder + "/none").empty());
}

TEST(Recovery, FolderFollowsXdgStateHome)
{
    const char* saved = std::getenv("XDG_STATE_HOME");
    const std::string keep = saved ? saved : "",
                      home = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("XDG_STATE_HOME", "/var/state", 1);
    EXPECT_EQ(RecoveryFolder(), "/var/state/lintoro/recovery");
    ::setenv("XDG_STATE_HOME", "relative", 1); // not absolute: ignored
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(RecoveryFolder(), "/home/u/.local/state/lintoro/recovery");
    EXPECT_EQ(RecoveryPath("/f", 77), "/f/77.fold");
    ::setenv("HOME", home.c_str(), 1);
    if (saved)
        ::setenv("XDG_STATE_HOME", keep.c_str(), 1);
    else
        ::unsetenv("XDG_STATE_HOME");
}
