// FileCache: a kept file is answered from memory only while it is the file
// on disk; every way a file changes is seen on the next read.
#include "common/files/file_cache.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "support/test_home.h"

namespace {

// Times well in the past, as a file has that nobody wrote a moment ago.
void age(const std::string& path, time_t seconds = 3600) {
  timespec times[2] = {{std::time(nullptr) - seconds, 0}, {std::time(nullptr) - seconds, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Overwrites the bytes in place, keeping the inode and the size.
void overwriteInPlace(const std::string& path, const std::string& content) {
  std::FILE* file = std::fopen(path.c_str(), "r+");
  ASSERT_NE(file, nullptr);
  std::fwrite(content.data(), 1, content.size(), file);
  std::fclose(file);
}

std::string readThrough(FileCache& cache, const std::string& path) {
  Text content;
  EXPECT_EQ(cache.read(Text(path), content), FileCache::Outcome::Read);
  return content.str();
}

}  // namespace

TEST(FileCache, EveryChangeIsSeenOnTheNextRead) {
  TestHome home;
  std::string path = home.file("kalder.ini");
  home.write("kalder.ini", "password=one\n");
  age(path);
  FileCache cache;
  EXPECT_EQ(readThrough(cache, path), "password=one\n");
  EXPECT_EQ(readThrough(cache, path), "password=one\n");

  // Same size, times put back: the change time still tells.
  overwriteInPlace(path, "password=two\n");
  age(path);
  EXPECT_EQ(readThrough(cache, path), "password=two\n");

  // A replacement of the same size and times is another inode.
  home.write("new.ini", "password=333\n");
  age(home.file("new.ini"));
  ASSERT_EQ(std::rename(home.file("new.ini").c_str(), path.c_str()), 0);
  EXPECT_EQ(readThrough(cache, path), "password=333\n");

  // A file written a moment ago is read each time, not kept.
  home.write("kalder.ini", "password=444\n");
  EXPECT_EQ(readThrough(cache, path), "password=444\n");
  overwriteInPlace(path, "password=555\n");
  EXPECT_EQ(readThrough(cache, path), "password=555\n");
}

TEST(FileCache, MissingAndUnreadableFilesAreToldApart) {
  TestHome home;
  FileCache cache;
  Text content;
  EXPECT_EQ(cache.read(Text(home.file("none")), content), FileCache::Outcome::Absent);
  EXPECT_EQ(cache.read(Text(home.path()), content), FileCache::Outcome::Unreadable);

  home.write("gone.grp", "form=a\n");
  age(home.file("gone.grp"));
  EXPECT_EQ(readThrough(cache, home.file("gone.grp")), "form=a\n");
  std::remove(home.file("gone.grp").c_str());
  EXPECT_EQ(cache.read(Text(home.file("gone.grp")), content), FileCache::Outcome::Absent);
}
