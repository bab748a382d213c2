#include "app/Profile.h"
#include "app/RecentFileList.h"
#include "app/WindowSettings.h"
#include "support/TestFiles.h"
#include "ui/AppState.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace {
std::string FreshProfile(const std::string& name, const std::string& text)
{
    return testfiles::WriteScratch(name, text);
}
} // namespace

TEST(IniFile, KeepsUnknownLinesAndOrderAcrossEdits)
{
    const std::string text = "; written by hand\n"
                             "[Other]\n"
                             "Colour=blue\n"
                             "junk line without equals\n"
                             "\n"
                             "[Settings]\n"
                             "WindowPos=1:2\n"
                             "Extra = kept \n";
    CIniFile ini;
    ini.Parse(text);
    ini.Set("settings", "windowpos", "0:1:-1:-1:-1:-1:10:20:810:620");
    ini.Set("Settings", "SplitWindowSize", "300:200");
    ini.Set("Recent File List", "File1", "/tmp/a.obj");
    const std::string out = ini.Serialize();
    EXPECT_NE(out.find("; written by hand\n[Other]\nColour=blue\njunk line without equals\n"),
              std::string::npos);
    // The existing key keeps its spelling and place; the new one follows it.
    EXPECT_NE(out.find("[Settings]\nWindowPos=0:1:-1:-1:-1:-1:10:20:810:620\nExtra = kept \n"
                       "SplitWindowSize=300:200\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("[Recent File List]\nFile1=/tmp/a.obj\n"), std::string::npos);
    EXPECT_EQ(ini.Get("OTHER", "colour").value_or(""), "blue");
    EXPECT_EQ(ini.Get("Settings", "Extra").value_or(""), "kept");
    EXPECT_FALSE(ini.Get("Other", "junk line without equals").has_value());

    ini.Remove("Other", "Colour");
    EXPECT_FALSE(ini.Get("Other", "Colour").has_value());
    EXPECT_NE(ini.Serialize().find("junk line without equals"), std::string::npos);
}

TEST(IniFile, KeysBeforeAnySectionAndCrLfLines)
{
    CIniFile ini;
    ini.Parse("loose=1\r\n[A]\r\nk=v\r\n");
    EXPECT_EQ(ini.Get("", "loose").value_or(""), "1");
    EXPECT_EQ(ini.Get("A", "k").value_or(""), "v");
    EXPECT_FALSE(ini.Get("A", "loose").has_value());
}

TEST(ScanInts, ConvertsLikeScanfPercentI)
{
    EXPECT_EQ(ScanInts("12:0x1F:010:-7: +3", 5), (std::vector<long>{12, 31, 8, -7, 3}));
    // Stops at the first field that does not convert.
    EXPECT_EQ(ScanInts("1:2:x:4", 4), (std::vector<long>{1, 2}));
    EXPECT_EQ(ScanInts("1;2", 2), (std::vector<long>{1}));
    EXPECT_TRUE(ScanInts("", 2).empty());
    // Out of the int range is not a number of ours.
    EXPECT_EQ(ScanInts("5:99999999999", 2), (std::vector<long>{5}));
    EXPECT_EQ(ScanInts("1:2:3", 2), (std::vector<long>{1, 2}));
}

TEST(WindowSettings, PlacementRoundTripAndMalformedEntries)
{
    WindowPlacement wp;
    wp.flags = 2;
    wp.showCmd = 3;
    wp.left = 10;
    wp.top = 0x20;
    wp.right = 810;
    wp.bottom = 632;
    const std::string text = FormatWindowPos(wp);
    EXPECT_EQ(text, "2:3:-1:-1:-1:-1:10:32:810:632");
    const auto back = ParseWindowPos(text);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->right, 810);
    EXPECT_EQ(back->bottom, 632);
    EXPECT_EQ(back->showCmd, 3);

    EXPECT_FALSE(ParseWindowPos("0:1:-1:-1:-1:-1:10:20:810").has_value()); // nine numbers
    EXPECT_FALSE(ParseWindowPos("garbage").has_value());
    ASSERT_TRUE(ParseWindowPos("0x0:01:-1:-1:-1:-1:010:0x10:100:100").has_value());
    EXPECT_EQ(ParseWindowPos("0x0:01:-1:-1:-1:-1:010:0x10:100:100")->left, 8);

    EXPECT_EQ(ParseSplitSize("420:0x40"), std::make_pair(420, 64));
    EXPECT_EQ(ParseSplitSize("420"), std::make_pair(300, 200));
    EXPECT_EQ(ParseSplitSize(""), std::make_pair(300, 200));
}

TEST(WindowSettings, NineNumbersDropPlacementButKeepPaneSizes)
{
    CProfile profile(FreshProfile("nine.ini", "[Settings]\n"
                                              "WindowPos=0:1:-1:-1:-1:-1:10:20:810\n"
                                              "SplitWindowSize=350:150\n"));
    lastDesignViewWidth = lastNetViewHeight = -99;
    EXPECT_FALSE(LoadWindowSettings(profile).has_value());
    EXPECT_EQ(lastDesignViewWidth, 350);
    EXPECT_EQ(lastNetViewHeight, 150);
}

TEST(Profile, WritesThroughAndKeepsForeignKeys)
{
    const std::string path = FreshProfile("through.ini", "[Mine]\nA=1\n");
    CProfile profile(path);
    lastDesignViewWidth = 640;
    lastNetViewHeight = 180;
    WindowPlacement wp;
    wp.left = 5;
    wp.top = 6;
    wp.right = 705;
    wp.bottom = 506;
    SaveWindowSettings(profile, wp);
    EXPECT_TRUE(profile.WriteInt("Settings", "X", 40));
    const std::string text = testfiles::ReadWhole(path);
    EXPECT_NE(text.find("[Mine]\nA=1\n"), std::string::npos);
    EXPECT_NE(text.find("SplitWindowSize=640:180"), std::string::npos);

    lastDesignViewWidth = lastNetViewHeight = 0;
    const auto loaded = LoadWindowSettings(CProfile(path));
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->right, 705);
    EXPECT_EQ(lastDesignViewWidth, 640);
    EXPECT_EQ(lastNetViewHeight, 180);
    EXPECT_EQ(CProfile(path).GetInt("Settings", "X", -1), 40);
    // No temporary file is left behind.
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(testfiles::ScratchDir()))
        files += e.path().string().find("through.ini") != std::string::npos;
    EXPECT_EQ(files, 1);
}

TEST(Profile, UnreadableOrMalformedFilesGiveDefaults)
{
    // A folder where the file should be: nothing reads, nothing throws.
    const std::string dir = testfiles::ScratchDir() + "/as_folder.ini";
    std::filesystem::create_directories(dir);
    CProfile folder(dir);
    EXPECT_EQ(folder.GetInt("Settings", "X", -1), -1);
    EXPECT_FALSE(folder.WriteString("Settings", "X", "1"));
    EXPECT_TRUE(std::filesystem::is_directory(dir));

    CProfile binary(FreshProfile("binary.ini", std::string("\0\xff[\x01=\n=\n[", 10)));
    EXPECT_EQ(binary.GetInt("Settings", "Y", 7), 7);
    CProfile words(FreshProfile("words.ini", "[Settings]\nX=left\nY=12abc\n"));
    EXPECT_EQ(words.GetInt("Settings", "X", -1), -1);
    EXPECT_EQ(words.GetInt("Settings", "Y", -1), 12);
    EXPECT_EQ(CProfile("").GetString("Settings", "X", "none"), "none");
}

TEST(Profile, PathBesideTheExecutableOrPerUser)
{
    const std::string dir = testfiles::ScratchDir();
    EXPECT_EQ(MakeProfilePath(dir + "/lintoro"), dir + "/lintoro.ini");
    std::filesystem::create_directories(dir + "/bin.v2");
    EXPECT_EQ(MakeProfilePath(dir + "/bin.v2/lintoro.exe"), dir + "/bin.v2/lintoro.ini");

    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    ::setenv("XDG_CONFIG_HOME", "/xdg/home", 1);
    EXPECT_EQ(MakeProfilePath("/no/such/folder/lintoro"), "/xdg/home/lintoro/lintoro.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(MakeProfilePath(""), "/home/someone/.config/lintoro/lintoro.ini");
    // A relative XDG_CONFIG_HOME is ignored, as the base directory rules say.
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(MakeProfilePath(""), "/home/someone/.config/lintoro/lintoro.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", savedHome.c_str(), 1);
    EXPECT_FALSE(CurrentExecutablePath().empty());
}

TEST(RecentFiles, OrderDeduplicationAndCapacity)
{
    CRecentFileList list;
    for (const char* p : {"/a.obj", "/b.obj", "/c.obj", "/a.obj", "/d.obj", "/e.obj"})
        list.Add(p);
    EXPECT_EQ(list.Paths(), (std::vector<std::string>{"/e.obj", "/d.obj", "/a.obj", "/c.obj"}));
    list.Add("");
    EXPECT_EQ(list.Size(), 4u);

    const std::string path = FreshProfile("recent.ini", "[Recent File List]\nFile1=/old1\n"
                                                        "File2=/old2\nFile3=/old3\nFile4=/old4\n");
    CProfile profile(path);
    CRecentFileList two;
    two.Add("/x.obj");
    two.Add("/y.obj");
    two.Save(profile);
    CRecentFileList back;
    back.Load(profile);
    EXPECT_EQ(back.Paths(), (std::vector<std::string>{"/y.obj", "/x.obj"}));
    // Unused slots are removed rather than left pointing at old files.
    EXPECT_EQ(testfiles::ReadWhole(path).find("/old3"), std::string::npos);
}

TEST(RecentFiles, LoadSkipsEmptyAndRepeatedEntries)
{
    CProfile profile(FreshProfile("recent2.ini", "[Recent File List]\nFile1=/p\nFile2=\n"
                                                 "File3=/p\nFile4=/q\nFile5=/r\n"));
    CRecentFileList list;
    list.Load(profile);
    EXPECT_EQ(list.Paths(), (std::vector<std::string>{"/p", "/q"}));
}
