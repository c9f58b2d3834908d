// AtomicFile and GroupLock: a rewrite replaces the old file only when every
// step succeeded, and the group lock excludes a second holder.
#include "common/settings/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "common/settings/group_lock.h"
#include "support/test_home.h"
#include "support/text_print.h"

namespace {

int entriesIn(const std::string& directory) {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory)) ++n;
  return n;
}

}  // namespace

TEST(AtomicFile, CommitReplacesTheTarget) {
  TestHome home;
  home.write("a.dat", "old\n");
  AtomicFile file;
  ASSERT_TRUE(file.open(Text(home.file("a.dat")), Text(home.file("a.tmp"))));
  std::fputs("new\n", file.file());
  EXPECT_EQ(home.read("a.dat"), "old\n");
  EXPECT_TRUE(file.commit());
  EXPECT_EQ(home.read("a.dat"), "new\n");
  EXPECT_FALSE(home.exists("a.tmp"));
  EXPECT_FALSE(file.commit());  // nothing left to commit
}

TEST(AtomicFile, CommitCreatesAMissingTarget) {
  TestHome home;
  AtomicFile file;
  ASSERT_TRUE(file.open(Text(home.file("new.dat")), Text(home.file("new.tmp"))));
  EXPECT_TRUE(file.commit());
  EXPECT_EQ(home.read("new.dat"), "");
  EXPECT_EQ(entriesIn(home.path()), 1);
}

TEST(AtomicFile, AbandonOrDestructionLeavesTheTarget) {
  TestHome home;
  home.write("a.dat", "old\n");
  {
    AtomicFile file;
    ASSERT_TRUE(file.open(Text(home.file("a.dat")), Text(home.file("a.tmp"))));
    std::fputs("half", file.file());
    file.abandon();
    EXPECT_EQ(file.file(), nullptr);
    EXPECT_FALSE(home.exists("a.tmp"));
    ASSERT_TRUE(file.open(Text(home.file("a.dat")), Text(home.file("b.tmp"))));
    std::fputs("half", file.file());
  }
  EXPECT_EQ(home.read("a.dat"), "old\n");
  EXPECT_EQ(entriesIn(home.path()), 1);
}

TEST(AtomicFile, OpenFailsInAMissingDirectory) {
  TestHome home;
  AtomicFile file;
  EXPECT_FALSE(file.open(Text(home.file("none/a.dat")), Text(home.file("none/a.tmp"))));
  EXPECT_FALSE(file.commit());
}

TEST(AtomicFile, FailedRenameRemovesTheTemporaryFile) {
  TestHome home;
  home.write("dir/keep.txt", "x");
  AtomicFile file;
  ASSERT_TRUE(file.open(Text(home.file("dir")), Text(home.file("d.tmp"))));
  std::fputs("data", file.file());
  EXPECT_FALSE(file.commit());  // a file cannot replace a non-empty directory
  EXPECT_FALSE(home.exists("d.tmp"));
  EXPECT_EQ(home.read("dir/keep.txt"), "x");
}

TEST(AtomicFile, StreamErrorFailsTheCommit) {
  TestHome home;
  home.write("a.dat", "old\n");
  AtomicFile file;
  ASSERT_TRUE(file.open(Text(home.file("a.dat")), Text(home.file("a.tmp"))));
  // The descriptor goes away under the stream, so its buffered data cannot
  // be written out: the state a failed write leaves behind.
  close(fileno(file.file()));
  std::fputs("data", file.file());
  EXPECT_FALSE(file.commit());
  EXPECT_EQ(home.read("a.dat"), "old\n");
  EXPECT_FALSE(home.exists("a.tmp"));
}

TEST(GroupLock, LockFileBesideTheGroupFile) {
  EXPECT_EQ(GroupLock::lockPath("/srv/shop.grp"), "/srv/shop.lck");
  EXPECT_EQ(GroupLock::lockPath("c:\\data\\shop"), "c:/data/shop.lck");
}

TEST(GroupLock, ExcludesASecondHolderUntilReleased) {
  TestHome home;
  Text groupPath(home.file("shop.grp"));
  GroupLock lock;
  ASSERT_TRUE(lock.acquire(groupPath));
  EXPECT_TRUE(lock.held());
  EXPECT_TRUE(home.exists("shop.lck"));
  int other = open(home.file("shop.lck").c_str(), O_RDWR);
  ASSERT_GE(other, 0);
  EXPECT_NE(flock(other, LOCK_EX | LOCK_NB), 0);
  lock.release();
  EXPECT_FALSE(lock.held());
  EXPECT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  close(other);
}

TEST(GroupLock, ReleasedWhenTheHolderEnds) {
  TestHome home;
  Text groupPath(home.file("shop.grp"));
  {
    GroupLock lock;
    ASSERT_TRUE(lock.acquire(groupPath));
  }
  int other = open(home.file("shop.lck").c_str(), O_RDWR);
  EXPECT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  close(other);
}

TEST(GroupLock, MissingDirectoryCannotBeLocked) {
  TestHome home;
  GroupLock lock;
  EXPECT_FALSE(lock.acquire(Text(home.file("none/shop.grp"))));
  EXPECT_FALSE(lock.held());
}
