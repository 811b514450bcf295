// Files the program writes: leftovers of killed saves, and the private runtime folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/files.h"
#include "platform/text.h"
#include "support/test_support.h"

namespace vl {
namespace {

// The id of a process that has ended (and was reaped).
pid_t DeadPid() {
    pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

TEST(WriteFileAtomic, RemovesTemporariesOfDeadProcesses) {
    std::string dir = test::TempDir();
    std::string dead = std::to_string(DeadPid());
    struct Row {
        std::string name;
        bool kept;
    };
    const Row rows[] = {
        {"list.m3u.tmp" + dead, false},                          // a save that was killed
        {"other.reg.tmp" + dead, false},                         // any file of the folder
        {"other.m3u.tmp" + std::to_string(getpid()), true},      // a save of ours in progress
        {"list.m3u.tmp" + std::to_string(getppid()), true},      // a live process
        {"notes.tmp", true},                                     // not a temporary of ours
        {"list.m3u.tmp" + dead + "x", true},
        {".tmp" + dead, true},
    };
    for (const Row& row : rows) ASSERT_TRUE(test::WriteFile(dir + "/" + row.name, "partial"));
    mkdir((dir + "/folder.tmp" + dead).c_str(), 0755);  // only files are removed

    ASSERT_TRUE(WriteFileAtomic(WidePath(dir + "/list.m3u"), "#EXTM3U\n"));
    EXPECT_EQ(test::ReadFile(dir + "/list.m3u"), "#EXTM3U\n");
    for (const Row& row : rows) EXPECT_EQ(Exists(dir + "/" + row.name), row.kept) << row.name;
    EXPECT_TRUE(Exists(dir + "/folder.tmp" + dead));
}

TEST(EnsurePrivateDirectory, RefusesFoldersOthersCouldUse) {
    std::string base = test::TempDir();
    auto makeDir = [&](const char* name, mode_t mode) {
        std::string path = base + "/" + name;
        mkdir(path.c_str(), 0700);
        chmod(path.c_str(), mode);
        return path;
    };
    makeDir("mine", 0700);
    makeDir("open", 0755);
    makeDir("group", 0770);
    ASSERT_EQ(symlink((base + "/mine").c_str(), (base + "/link").c_str()), 0);
    ASSERT_TRUE(test::WriteFile(base + "/file", ""));
    struct Row {
        const char* name;
        bool accepted;
    };
    const Row rows[] = {{"missing", true}, {"mine", true}, {"open", false}, {"group", false},
                        {"link", false},   {"file", false}};
    for (const Row& row : rows) {
        std::string problem;
        EXPECT_EQ(EnsurePrivateDirectory(WidePath(base + "/" + row.name), &problem), row.accepted) << row.name;
        EXPECT_EQ(problem.empty(), row.accepted) << row.name << ": " << problem;
    }
    struct stat st;
    ASSERT_EQ(stat((base + "/missing").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << "created for us alone";

    // Another user's folder, where we may change owners to make one.
    std::string foreign = makeDir("foreign", 0700);
    if (chown(foreign.c_str(), 65534, 65534) != 0) GTEST_SKIP() << "cannot give a folder to another user here";
    std::string problem;
    EXPECT_FALSE(EnsurePrivateDirectory(WidePath(foreign), &problem));
    EXPECT_NE(problem.find("another user"), std::string::npos) << problem;
}

}  // namespace
}  // namespace vl
