#include "platform/url_download.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

namespace {

using platform::createExclusiveFile;
using platform::numberedFilename;
using platform::suggestedFilename;

TEST(SuggestedFilename, IsAlwaysAPlainNameFromTheHeaderOrTheUrl) {
  struct Case {
    const char* disposition;
    const char* url;
    std::string expected;
  } cases[] = {
      {"", "http://h/mac/10.6/x86/installer", "installer"},
      {"", "http://h/dir/installer.p7?x=1#frag", "installer.p7"},
      {"", "http://h/dir/", "dir"},
      {"", "http://h/", "download"},
      {"", "http://h/a%2F..%2Fb%20c", "b c"},
      {"", "http://h/a%00b%0Ac", "abc"},
      {"", "http://h/..", "download"},
      {"attachment; filename=\"runtime.pkg\"", "http://h/installer", "runtime.pkg"},
      {"attachment; filename=runtime.pkg", "http://h/installer", "runtime.pkg"},
      {"attachment;filename=\"a \\\"q\\\" b\"; size=3", "http://h/x", "a \"q\" b"},
      {"attachment; filename=\"plain\"; filename*=UTF-8''%C3%A9t%C3%A9", "http://h/x",
       "\xC3\xA9t\xC3\xA9"},
      {"attachment; filename*=ISO-8859-1''caf%E9; filename=\"cafe\"", "http://h/x", "cafe"},
      {"attachment; filename=\"../../etc/passwd\"", "http://h/installer", "passwd"},
      {"attachment; filename=\"..\\\\..\\\\boot.ini\"", "http://h/installer", "boot.ini"},
      {"attachment; filename=\"..\"", "http://h/installer", "installer"},
      {"attachment; filename=\".\"", "http://h/installer", "installer"},
      {"attachment; filename=\"dir/\"", "http://h/installer", "installer"},
      {"attachment; filename=\"\"", "http://h/installer", "installer"},
      {"attachment; filename=\"  \"", "http://h/installer", "installer"},
      {"attachment; filename=\"a\x01\x1f\x7f"
       "b\"",
       "http://h/installer", "ab"},
      {"attachment; filename*=UTF-8''..%2F..%2F.ssh%2Fauthorized_keys", "http://h/i",
       "authorized_keys"},
      {"attachment; filename*=UTF-8''%00", "http://h/installer", "installer"},
      {"inline", "http://h/installer", "installer"},
      {"attachment; filename=\"unterminated", "http://h/installer", "unterminated"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.disposition) + " | " + c.url);
    EXPECT_EQ(suggestedFilename(c.disposition, c.url), c.expected);
  }
}

TEST(SuggestedFilename, IsCutToOneFileNameLengthWithoutSplittingCharacters) {
  std::string longName;
  for (int i = 0; i < 200; ++i) longName += "\xC3\xA9";  // 400 bytes
  std::string name = suggestedFilename("attachment; filename=\"" + longName + "\"", "http://h/x");
  EXPECT_EQ(name.size(), 254u);
  EXPECT_EQ(name, longName.substr(0, 254));
}

TEST(SuggestedFilename, HasNoSpaceAtEitherEndAfterTheCut) {
  const std::string name = std::string(254, 'a') + "  b";
  EXPECT_EQ(suggestedFilename("attachment; filename=\"" + name + "\"", "http://h/x"),
            std::string(254, 'a'));
}

TEST(NumberedFilename, NumbersBeforeTheLastExtension) {
  struct Case {
    const char* name;
    unsigned number;
    const char* expected;
  } cases[] = {
      {"installer", 1, "installer-1"},           {"installer.p7", 2, "installer-2.p7"},
      {"archive.tar.gz", 3, "archive.tar-3.gz"}, {".hidden", 1, ".hidden-1"},
      {"trailing.", 1, "trailing-1."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(numberedFilename(c.name, c.number), c.expected);
  }
  // However long the name or its extension, a numbered name is still one
  // that the folder can hold, and still a new one.
  const std::string longNames[] = {std::string(255, 'a'), "a." + std::string(253, 'x'),
                                   std::string(200, 'a') + "." + std::string(54, 'x')};
  for (const auto& name : longNames) {
    SCOPED_TRACE(name.size());
    const std::string numbered = numberedFilename(name, 9999);
    EXPECT_LE(numbered.size(), 255u);
    EXPECT_NE(numbered, name);
    EXPECT_NE(numbered, numberedFilename(name, 9998));
  }
}

class ExclusiveFile : public ::testing::Test {
 protected:
  test_support::TempDir dir_;
};

TEST_F(ExclusiveFile, CreatesTheNameWithOwnerOnlyPermissions) {
  auto created = createExclusiveFile(dir_.at("installer"));
  ASSERT_TRUE(created);
  EXPECT_EQ(created->path, dir_.at("installer"));
  struct stat st {};
  ASSERT_EQ(fstat(created->fd.get(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_NE(fcntl(created->fd.get(), F_GETFD) & FD_CLOEXEC, 0);
}

TEST_F(ExclusiveFile, LeavesWhatIsThereAloneAndTakesTheNextFreeName) {
  dir_.write("installer.p7", "old");
  dir_.write("installer-1.p7", "older");
  ASSERT_EQ(symlink(dir_.at("elsewhere").c_str(), dir_.at("installer-2.p7").c_str()), 0);
  std::filesystem::create_directory(dir_.at("installer-3.p7"));
  auto created = createExclusiveFile(dir_.at("installer.p7"));
  ASSERT_TRUE(created);
  EXPECT_EQ(created->path, dir_.at("installer-4.p7"));
  EXPECT_EQ(dir_.read("installer.p7"), "old");
  EXPECT_EQ(dir_.read("installer-1.p7"), "older");
  // The dangling link was not followed to create its target.
  EXPECT_FALSE(std::filesystem::exists(dir_.at("elsewhere")));
}

TEST_F(ExclusiveFile, FailsInAFolderThatDoesNotExist) {
  errno = 0;
  EXPECT_FALSE(createExclusiveFile(dir_.at("missing/installer")));
  EXPECT_EQ(errno, ENOENT);
}

}  // namespace
