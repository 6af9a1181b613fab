// The replacing file: it never leaves a partial file, never destroys the old
// one, and keeps faith with what the target is. (The file object's reads and
// seeks are exercised by every bitmap test.)
#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "core/base/file.h"
#include "support/tempdir.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using Bytes = std::vector<unsigned char>;
const Bytes kOld{1, 2, 3}, kNew{8, 9};

// Writes bytes through a replacing file and commits them.
BOOL Replace(const std::string& target, const Bytes& bytes = kNew, int* error = nullptr) {
    CReplacingFile file;
    const BOOL done =
        file.OpenFor(target) && (file.Write(bytes.data(), static_cast<UINT>(bytes.size())), file.Commit());
    if (error) *error = file.GetLastError();
    return done;
}

TEST(ReplacingFile, TheTargetChangesOnlyAtTheCommit) {
    TempDir dir;
    const std::string target = dir.File("picture.bmp");
    WriteBytes(target, kOld);
    {
        CReplacingFile file;
        ASSERT_TRUE(file.OpenFor(target));
        file.Write(kNew.data(), 2);
        EXPECT_EQ(ReadBytes(target), kOld);
    }  // destroyed without a commit, as when writing failed half way
    EXPECT_EQ(ReadBytes(target), kOld);
    int error = 0;
    EXPECT_FALSE(Replace(target, {}, &error));  // nothing written never empties a file
    EXPECT_EQ(error, EINVAL);
    EXPECT_EQ(ReadBytes(target), kOld);
    ASSERT_TRUE(Replace(target));
    EXPECT_EQ(ReadBytes(target), kNew);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"picture.bmp"});
}

TEST(ReplacingFile, LongNamesAndLeftoversOfKilledWriters) {
    TempDir dir;
    const std::string name = std::string(250, 'n') + ".bmp";  // 254 bytes, within the limit
    const std::string prefix = CReplacingFile::TemporaryPrefix(name);
    EXPECT_LE(prefix.size() + 21, 255u);  // room for the writer's id and a counter
    // A writer that was killed (no such process) and one that is still writing.
    WriteBytes(dir.File(prefix + "2147483646-7"), kOld);
    CReplacingFile live;
    ASSERT_TRUE(live.OpenFor(dir.File(name)));
    ASSERT_TRUE(Replace(dir.File(name)));
    EXPECT_EQ(ReadBytes(dir.File(name)), kNew);
    EXPECT_FALSE(std::filesystem::exists(dir.File(prefix + "2147483646-7")));
    EXPECT_TRUE(std::filesystem::exists(live.GetFilePath()));
    EXPECT_EQ(dir.Entries().size(), 2u);
}

#if !defined(_WIN32)
TEST(ReplacingFile, FollowsLinksKeepsModeAndOwnerLeavesOtherHardLinks) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("real"));
    const std::string real = dir.File("real/picture.bmp");
    WriteBytes(real, kOld);
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    const bool root = geteuid() == 0;
    ASSERT_TRUE(!root || chown(real.c_str(), 1234, 5678) == 0);
    ASSERT_EQ(link(real.c_str(), dir.File("hard.bmp").c_str()), 0);
    ASSERT_EQ(symlink("real/picture.bmp", dir.File("link.bmp").c_str()), 0);
    ASSERT_EQ(symlink("real/new.bmp", dir.File("dangling.bmp").c_str()), 0);
    ASSERT_TRUE(Replace(dir.File("link.bmp")));
    ASSERT_TRUE(Replace(dir.File("dangling.bmp")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.bmp")));
    EXPECT_EQ(ReadBytes(real), kNew);
    EXPECT_EQ(ReadBytes(dir.File("real/new.bmp")), kNew);
    EXPECT_EQ(ReadBytes(dir.File("hard.bmp")), kOld);
    struct stat st;
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_TRUE(!root || (st.st_uid == 1234 && st.st_gid == 5678)) << st.st_uid << ":" << st.st_gid;
}

TEST(ReplacingFile, DevicesAndFifosAreWrittenDirectly) {
    TempDir dir;
    int error = 0;
    EXPECT_TRUE(Replace("/dev/null"));
    EXPECT_FALSE(Replace("/dev/full", kNew, &error));
    EXPECT_EQ(error, ENOSPC);
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Bytes read;
    std::thread reader([&] { read = ReadBytes(fifo); });
    EXPECT_TRUE(Replace(fifo));
    reader.join();
    EXPECT_EQ(read, kNew);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"fifo"});
}
#endif

}  // namespace
