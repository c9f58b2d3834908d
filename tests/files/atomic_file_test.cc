// AtomicFile and GroupLock: a rewrite replaces the old file only when every
// step succeeded, and the group lock excludes a second holder.
#include "common/files/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "common/files/group_lock.h"
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

TEST(AtomicFile, TemporaryNameIsFreshAndEndsInTmp) {
  TestHome home;
  AtomicFile first, second;
  ASSERT_TRUE(first.open(Text(home.file("a.dat")), Text(home.file("a.tmp"))));
  ASSERT_TRUE(second.open(Text(home.file("a.dat")), Text(home.file("a.tmp"))));
  std::string name = first.tempPath().str();
  EXPECT_NE(name, second.tempPath().str());
  EXPECT_EQ(name.rfind(home.file("a."), 0), 0u) << name;
  EXPECT_EQ(name.substr(name.size() - 4), ".tmp") << name;
  EXPECT_EQ(name.size(), home.file("a.tmp").size() + 9) << name;
  EXPECT_FALSE(home.exists("a.tmp"));
  EXPECT_EQ(entriesIn(home.path()), 2);
}

// A link planted at the name a rewrite used to take (the catalog's "tmp"
// name, or a private name with the process id) is never followed: its target
// is neither created nor written, and the link itself stays as it was.
TEST(AtomicFile, LinkAtTheTemporaryNameIsNotFollowed) {
  TestHome home, elsewhere;
  for (const std::string& planted :
       {std::string("a.tmp"), "a.dat." + std::to_string(getpid()) + ".tmp"}) {
    home.write("a.dat", "old\n");
    ASSERT_EQ(symlink(elsewhere.file("victim").c_str(), home.file(planted).c_str()), 0);
    AtomicFile file;
    ASSERT_TRUE(file.open(Text(home.file("a.dat")), Text(home.file(planted))));
    std::fputs("new\n", file.file());
    EXPECT_TRUE(file.commit());
    EXPECT_EQ(home.read("a.dat"), "new\n");
    EXPECT_FALSE(std::filesystem::is_symlink(home.file("a.dat")));
    EXPECT_TRUE(std::filesystem::is_symlink(home.file(planted)));
    EXPECT_FALSE(pathExists(elsewhere.file("victim")));
    std::filesystem::remove(home.file(planted));
  }
}

// While it is written the temporary file is readable by no one the old file
// did not admit (a reader who opens it early keeps reading after any later
// chmod), and a new file by no other user.
TEST(AtomicFile, KeepsTheModeOfTheOldFileOrGivesThePrivateOne) {
  TestHome home;
  mode_t mask = umask(0);
  umask(mask);
  struct Row {
    mode_t old;  // 0: no old file
    mode_t mode;
  } rows[] = {{0600, 0600}, {0644, 0644}, {0640, 0640}, {0, 0660 & ~mask}};
  int n = 0;
  for (const Row& row : rows) {
    std::string name = "a" + std::to_string(n++) + ".dat";
    if (row.old) {
      home.write(name, "old\n");
      ASSERT_EQ(chmod(home.file(name).c_str(), row.old), 0);
    }
    AtomicFile file;
    ASSERT_TRUE(file.open(Text(home.file(name)), Text(home.file("a.tmp"))));
    struct stat info;
    ASSERT_EQ(stat(file.tempPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, row.mode) << name;
    EXPECT_TRUE(file.commit());
    ASSERT_EQ(stat(home.file(name).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, row.mode) << name;
  }
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

TEST(GroupLock, LinkAtTheLockFileIsRefused) {
  TestHome home, elsewhere;
  ASSERT_EQ(symlink(elsewhere.file("victim").c_str(), home.file("shop.lck").c_str()), 0);
  GroupLock lock;
  EXPECT_FALSE(lock.acquire(Text(home.file("shop.grp"))));
  EXPECT_FALSE(pathExists(elsewhere.file("victim")));
}

TEST(GroupLock, MissingDirectoryCannotBeLocked) {
  TestHome home;
  GroupLock lock;
  EXPECT_FALSE(lock.acquire(Text(home.file("none/shop.grp"))));
  EXPECT_FALSE(lock.held());
}
