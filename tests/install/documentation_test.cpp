#include <gtest/gtest.h>

#include <fstream>

#include "installed_tree.h"
#include "kova_version.h"

namespace kova::test {
namespace {

namespace fs = std::filesystem;

// The tags of the ".TP" entries in one section of a man(7) source, as a reader sees them: the
// first word after the font macro, with "\-" read as "-" ("\-\-out" gives "--out").
std::set<std::string> EntryTags(const fs::path& page, const std::string& section) {
  std::set<std::string> tags;
  bool inSection = false;
  bool tagNext = false;
  for (const std::string& line : ReadLines(page)) {
    if (line.starts_with(".SH ")) inSection = line == ".SH " + section;
    if (!inSection) continue;
    if (tagNext) {
      std::string word = line.substr(line.find(' ') + 1);
      word = word.substr(0, word.find_first_of(" \""));
      for (size_t at; (at = word.find("\\-")) != std::string::npos;)
        word.erase(at, 1);
      tags.insert(word);
    }
    tagNext = line == ".TP";
  }
  return tags;
}

std::set<std::string> WithDashes(const std::set<std::string>& names) {
  std::set<std::string> options;
  for (const std::string& name : names)
    options.insert("--" + name);
  return options;
}

class DocumentationTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(tree_.Installed()) << tree_.Log(); }

  // The installed, compressed page.
  fs::path InstalledPage(const std::string& name) const {
    return tree_ / ("share/man/man1/" + name + ".gz");
  }
  // The page's man(7) source, unpacked from the installed one.
  fs::path Page(const std::string& name) const {
    const fs::path page = unpacked_ / name;
    if (!fs::exists(page)) {
      const CliResult unpacked = RunProgram({"gzip", "-d", "-c", InstalledPage(name).string()});
      EXPECT_EQ(unpacked.Status, 0) << unpacked.Err;
      std::ofstream(page) << unpacked.Out;
    }
    return page;
  }
  fs::path Completion() const { return tree_ / "share/bash-completion/completions/kova-cli"; }

  InstalledTree tree_{"documentation"};
  TempDir unpacked_;
};

TEST_F(DocumentationTest, ManualPagesRenderWithoutWarnings) {
  for (const char* name : {"kova.1", "kova-cli.1"}) {
    SCOPED_TRACE(name);
    const CliResult groff =
        RunProgram({"groff", "-man", "-Tutf8", "-ww", "-z", Page(name).string()});
    EXPECT_EQ(groff.Status, 0);
    EXPECT_EQ(groff.Err, "");
    const CliResult man = RunProgram({"man", "--warnings", "-l", InstalledPage(name).string()});
    EXPECT_EQ(man.Status, 0);
    EXPECT_EQ(man.Err, "");
    for (const char* heading : {"NAME", "SYNOPSIS", "DESCRIPTION", "SEE ALSO"})
      EXPECT_NE(man.Out.find(std::string("\n") + heading + "\n"), std::string::npos) << heading;
  }
}

// Debian's checks want the pages and the changelog compressed at the highest level without a
// name or time in the gzip header, and the copyright file in its machine-readable format.
TEST_F(DocumentationTest, PagesAndChangelogAreCompressedWithoutTimeStampsBesideTheCopyright) {
  const fs::path docs = tree_ / "share/doc/velmora-kova";
  for (const fs::path& file :
       {InstalledPage("kova.1"), InstalledPage("kova-cli.1"), docs / "changelog.gz"}) {
    SCOPED_TRACE(file.filename().string());
    std::ifstream in(file, std::ios::binary);
    unsigned char header[10] = {};
    ASSERT_TRUE(in.read(reinterpret_cast<char*>(header), sizeof header));
    EXPECT_EQ(header[0], 0x1F);
    EXPECT_EQ(header[1], 0x8B);
    EXPECT_EQ(header[3], 0) << "no name or other optional field";
    EXPECT_EQ(header[4] | header[5] | header[6] | header[7], 0) << "no time stamp";
    EXPECT_EQ(header[8], 2) << "highest compression";
  }
  const CliResult changelog =
      RunProgram({"dpkg-parsechangelog", "-l", (docs / "changelog.gz").string(), "-S", "Version"});
  ASSERT_EQ(changelog.Status, 0) << changelog.Err;
  EXPECT_EQ(changelog.Out, std::to_string(build::kVersionMajor) + "." +
                               std::to_string(build::kVersionMinor) + "." +
                               std::to_string(build::kVersionRelease) + "." +
                               std::to_string(build::kVersionBuild) + "\n");
  const std::vector<std::string> copyright = ReadLines(docs / "copyright");
  ASSERT_FALSE(copyright.empty());
  EXPECT_EQ(copyright[0],
            "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/");
}

TEST_F(DocumentationTest, TheCliPageDescribesExactlyTheCommandsAndOptionsOfKovaCli) {
  EXPECT_EQ(EntryTags(Page("kova-cli.1"), "COMMANDS"), CliCommandNames())
      << "resources/man/kova-cli.1.in needs an entry under COMMANDS for each command";
  EXPECT_EQ(EntryTags(Page("kova-cli.1"), "OPTIONS"), WithDashes(CliOptionNames()))
      << "resources/man/kova-cli.1.in needs an entry under OPTIONS for each option";
}

TEST_F(DocumentationTest, KovaClisHelpNamesEveryCommandAndOption) {
  const CliResult help = RunCli({"--help"});
  ASSERT_EQ(help.Status, 0);
  for (const std::string& command : CliCommandNames())
    EXPECT_NE(help.Out.find("  " + command + " "), std::string::npos) << command;
  for (const std::string& option : WithDashes(CliOptionNames()))
    EXPECT_NE(help.Out.find(option + " "), std::string::npos) << option;
}

TEST_F(DocumentationTest, TheCompletionOffersTheCommandsAndEachCommandsOwnOptions) {
  const char* fix = "the lists at the top of resources/bash-completion/kova-cli need it";
  EXPECT_EQ(Completions(Completion(), {"kova-cli", ""}), CliCommandNames()) << fix;
  EXPECT_EQ(Completions(Completion(), {"kova-cli", "rec"}), std::set<std::string>{"recover"});
  for (const std::string& command : CliCommandNames()) {
    SCOPED_TRACE(command);
    EXPECT_EQ(Completions(Completion(), {"kova-cli", command, "--"}),
              WithDashes(CliOptionNames(command)))
        << fix;
  }
}

TEST_F(DocumentationTest, TheCompletionOffersFoldersFilesAndAnswersWhereTheyBelong) {
  TempDir place;
  fs::create_directory(place / "photos");
  fs::create_directory(place / "pictures");
  std::ofstream(place / "card.bin") << "x";
  const std::string stem = (place / "p").string();
  const std::set<std::string> folders = {(place / "photos").string(),
                                         (place / "pictures").string()};
  EXPECT_EQ(Completions(Completion(), {"kova-cli", "recover", "card.bin", "--out", stem}), folders);
  EXPECT_EQ(Completions(Completion(), {"kova-cli", "recover", "--out", "=", stem}), folders);
  EXPECT_EQ(Completions(Completion(), {"kova-cli", "scan", (place / "c").string()}),
            std::set<std::string>{(place / "card.bin").string()});
  EXPECT_EQ(Completions(Completion(), {"kova-cli", "image", "--on-error", ""}),
            (std::set<std::string>{"ask", "ignore", "skip:", "finish"}));
  EXPECT_EQ(Completions(Completion(), {"kova-cli", "image", "--on-error", "=", "f"}),
            std::set<std::string>{"finish"});
  // A value is not taken for a command: the command after "--size 8GB" still gets its options.
  EXPECT_EQ(Completions(Completion(), {"kova-cli", "recover", "--size", "8GB", "--only"}),
            std::set<std::string>{"--only-deleted"});
}

}  // namespace
}  // namespace kova::test
