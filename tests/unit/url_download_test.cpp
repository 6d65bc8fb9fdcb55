#include "platform/url_download.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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
  EXPECT_LE(numberedFilename(std::string(255, 'a'), 9999).size(), 255u);
}

class ExclusiveFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/nimbra-unit.XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir_ = templ;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream(path(name)) << text;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path(name));
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string dir_;
};

TEST_F(ExclusiveFile, CreatesTheNameWithOwnerOnlyPermissions) {
  auto created = createExclusiveFile(path("installer"));
  ASSERT_TRUE(created);
  EXPECT_EQ(created->path, path("installer"));
  struct stat st {};
  ASSERT_EQ(fstat(created->fd.get(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_NE(fcntl(created->fd.get(), F_GETFD) & FD_CLOEXEC, 0);
}

TEST_F(ExclusiveFile, LeavesWhatIsThereAloneAndTakesTheNextFreeName) {
  write("installer.p7", "old");
  write("installer-1.p7", "older");
  ASSERT_EQ(symlink(path("elsewhere").c_str(), path("installer-2.p7").c_str()), 0);
  std::filesystem::create_directory(path("installer-3.p7"));
  auto created = createExclusiveFile(path("installer.p7"));
  ASSERT_TRUE(created);
  EXPECT_EQ(created->path, path("installer-4.p7"));
  EXPECT_EQ(read("installer.p7"), "old");
  EXPECT_EQ(read("installer-1.p7"), "older");
  // The dangling link was not followed to create its target.
  EXPECT_FALSE(std::filesystem::exists(path("elsewhere")));
}

TEST_F(ExclusiveFile, FailsInAFolderThatDoesNotExist) {
  errno = 0;
  EXPECT_FALSE(createExclusiveFile(path("missing/installer")));
  EXPECT_EQ(errno, ENOENT);
}

}  // namespace
