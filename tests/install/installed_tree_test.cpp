#include "installed_tree.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>

#include "kova_version.h"

namespace kova::test {
namespace {

namespace fs = std::filesystem;

const std::string kAppId = build::kDesktopId;

bool IsExecutable(const fs::path& file) {
  struct stat info {};
  return ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & S_IXOTH);
}

// The "Key=value" lines of a desktop entry's main group.
std::map<std::string, std::string> DesktopEntry(const fs::path& file) {
  std::map<std::string, std::string> keys;
  for (const std::string& line : ReadLines(file)) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos && !line.starts_with('#'))
      keys[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return keys;
}

// The output lines of a validator that are errors, warnings or hints (notes pass).
std::vector<std::string> Complaints(const CliResult& result) {
  std::vector<std::string> complaints;
  std::string all = result.Out + result.Err;
  size_t start = 0;
  for (size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = all.substr(start, end - start);
    for (const char* kind : {"error", "warning", "hint"}) {
      if (line.find(kind) != std::string::npos) {
        complaints.push_back(line);
        break;
      }
    }
  }
  return complaints;
}

TEST(InstalledTreeTest, HoldsBothProgramsTheDesktopFilesTheIconsTheManualPagesAndTheCompletion) {
  InstalledTree tree;
  ASSERT_TRUE(tree.Installed()) << tree.Log();
  for (const char* program : {"bin/kova", "bin/kova-cli"})
    EXPECT_TRUE(IsExecutable(tree / program)) << program;
  const std::string& app = kAppId;
  for (const std::string& file :
       {"share/applications/" + app + ".desktop", "share/metainfo/" + app + ".metainfo.xml",
        "share/icons/hicolor/scalable/apps/" + app + ".svg",
        std::string("share/man/man1/kova.1.gz"), std::string("share/man/man1/kova-cli.1.gz"),
        std::string("share/bash-completion/completions/kova-cli"),
        std::string("share/doc/velmora-kova/copyright"),
        std::string("share/doc/velmora-kova/changelog.gz")})
    EXPECT_TRUE(fs::is_regular_file(tree / file)) << file;
  for (uint32_t size : {16u, 24u, 32u, 48u, 64u, 128u, 256u, 512u}) {
    const std::string folder = std::to_string(size) + "x" + std::to_string(size);
    EXPECT_EQ(PngSize(tree / ("share/icons/hicolor/" + folder + "/apps/" + app + ".png")),
              std::make_pair(size, size))
        << folder;
  }
  const std::vector<std::string> svg =
      ReadLines(tree / ("share/icons/hicolor/scalable/apps/" + app + ".svg"));
  ASSERT_GE(svg.size(), 2u);
  EXPECT_NE(svg[1].find("<svg"), std::string::npos);

  const CliResult version = RunProgram({(tree / "bin/kova-cli").string(), "--version"});
  EXPECT_EQ(version.Status, 0);
  EXPECT_TRUE(version.Out.starts_with("kova-cli 7.")) << version.Out;
}

TEST(InstalledTreeTest, TheDesktopEntryStartsTheInstalledWizardWithItsIconAndPassesItsValidator) {
  InstalledTree tree;
  ASSERT_TRUE(tree.Installed()) << tree.Log();
  const fs::path file = tree / ("share/applications/" + kAppId + ".desktop");
  const CliResult validated = RunProgram({"desktop-file-validate", file.string()});
  EXPECT_EQ(validated.Status, 0) << validated.Out << validated.Err;
  EXPECT_EQ(Complaints(validated), std::vector<std::string>{});

  std::map<std::string, std::string> entry = DesktopEntry(file);
  EXPECT_EQ(entry["Type"], "Application");
  EXPECT_EQ(entry["Exec"], "kova");
  EXPECT_TRUE(IsExecutable(tree / ("bin/" + entry["Exec"])));
  EXPECT_TRUE(fs::exists(tree / ("share/icons/hicolor/scalable/apps/" + entry["Icon"] + ".svg")));
  // One main category: the menus show the wizard once, among the utilities.
  EXPECT_EQ(entry["Categories"], "Utility;");
  EXPECT_FALSE(entry["Keywords"].empty());
  EXPECT_EQ(entry["Terminal"], "false");
  // The wizard runs as the user who starts it: nothing raises it to root.
  EXPECT_FALSE(entry.contains("X-KDE-SubstituteUID"));
  EXPECT_FALSE(entry.contains("X-KDE-Username"));
}

TEST(InstalledTreeTest, TheMetainfoPassesAppStreamsChecksAndNamesTheWizardsScreenshots) {
  InstalledTree tree("desktop");
  ASSERT_TRUE(tree.Installed()) << tree.Log();
  const fs::path file = tree / ("share/metainfo/" + kAppId + ".metainfo.xml");
  const CliResult validated = RunProgram({"appstreamcli", "validate", "--no-net", file.string()});
  EXPECT_EQ(validated.Status, 0) << validated.Out << validated.Err;
  // The tree check also finds the desktop entry the metainfo launches.
  const CliResult tree_checked =
      RunProgram({"appstreamcli", "validate-tree", "--no-net", (tree / "").string()});
  EXPECT_EQ(tree_checked.Status, 0) << tree_checked.Out << tree_checked.Err;

  std::vector<std::string> screenshots;
  for (const std::string& line : ReadLines(file)) {
    const size_t start = line.find("<image>");
    if (start != std::string::npos)
      screenshots.push_back(line.substr(start + 7, line.find("</image>") - start - 7));
  }
  ASSERT_GE(screenshots.size(), 3u);
  // Each is a picture of the screenshot walk (scripts/screenshots.sh), named "<path>_<n>_<page>".
  std::string walk;
  for (const char* source : {"tests/ui/page_walk.cpp", "tests/ui/wizard_screenshots_test.cpp"}) {
    for (const std::string& line : ReadLines(SourceDir() / source))
      walk += line + '\n';
  }
  for (const std::string& url : screenshots) {
    const std::string name = url.substr(url.rfind('/') + 1);
    ASSERT_TRUE(name.ends_with(".png")) << url;
    const std::string stem = name.substr(0, name.size() - 4);
    const std::string page = stem.substr(stem.find('_'));
    EXPECT_TRUE(walk.find('"' + stem + '"') != std::string::npos ||
                walk.find('"' + page + '"') != std::string::npos)
        << name << " is no picture of the screenshot walk";
  }
}

}  // namespace
}  // namespace kova::test
