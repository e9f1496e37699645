#include <gtest/gtest.h>

#include <fstream>

#include "installed_tree.h"

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

  fs::path Page(const std::string& name) const { return tree_ / ("share/man/man1/" + name); }
  fs::path Completion() const { return tree_ / "share/bash-completion/completions/kova-cli"; }

  InstalledTree tree_{"documentation"};
};

TEST_F(DocumentationTest, ManualPagesRenderWithoutWarnings) {
  for (const char* name : {"kova.1", "kova-cli.1"}) {
    SCOPED_TRACE(name);
    const CliResult groff =
        RunProgram({"groff", "-man", "-Tutf8", "-ww", "-z", Page(name).string()});
    EXPECT_EQ(groff.Status, 0);
    EXPECT_EQ(groff.Err, "");
    const CliResult man = RunProgram({"man", "--warnings", "-l", Page(name).string()});
    EXPECT_EQ(man.Status, 0);
    EXPECT_EQ(man.Err, "");
    for (const char* heading : {"NAME", "SYNOPSIS", "DESCRIPTION", "SEE ALSO"})
      EXPECT_NE(man.Out.find(std::string("\n") + heading + "\n"), std::string::npos) << heading;
  }
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
