// The file object: short reads, seeks, failing writes, and the replacing file
// that never leaves a partial file or destroys the old one.
#include <gtest/gtest.h>

#include "core/base/file.h"
#include "support/tempdir.h"

namespace {

using Bytes = std::vector<unsigned char>;

TEST(File, OpeningAMissingFileAnswersFalse) {
    TempDir dir;
    CFile file;
    EXPECT_FALSE(file.Open(dir.File("missing.bmp").c_str(), CFile::modeRead));
    EXPECT_FALSE(file.Open("", CFile::modeRead));
    EXPECT_FALSE(file.IsOpen());
}

TEST(File, ReadsShortAtTheEndAndSeeksAbsolutely) {
    TempDir dir;
    WriteBytes(dir.File("f"), Bytes{1, 2, 3, 4, 5});
    CFile file;
    ASSERT_TRUE(file.Open(dir.File("f").c_str(), CFile::modeRead | CFile::shareDenyWrite));
    unsigned char buffer[8] = {};
    EXPECT_EQ(file.Read(buffer, 2), 2u);
    EXPECT_EQ(file.GetPosition(), 2u);
    EXPECT_EQ(file.Read(buffer, 8), 3u);
    EXPECT_EQ(buffer[0], 3);
    file.Seek(1);
    EXPECT_EQ(file.Read(buffer, 1), 1u);
    EXPECT_EQ(buffer[0], 2);
    file.Seek(100);  // past the end is allowed; reading there gives nothing
    EXPECT_EQ(file.Read(buffer, 1), 0u);
}

TEST(File, WritingToAReadOnlyFileRaises) {
    TempDir dir;
    WriteBytes(dir.File("f"), Bytes{1});
    CFile file;
    ASSERT_TRUE(file.Open(dir.File("f").c_str(), CFile::modeRead));
    const unsigned char byte = 9;
    EXPECT_THROW(
        {
            file.Write(&byte, 1);
            file.Flush();
        },
        CFileException);
}

TEST(File, CreateTruncatesAnExistingFile) {
    TempDir dir;
    WriteBytes(dir.File("f"), Bytes{1, 2, 3});
    {
        CFile file;
        ASSERT_TRUE(file.Open(dir.File("f").c_str(), CFile::modeReadWrite | CFile::modeCreate));
        const unsigned char byte = 7;
        file.Write(&byte, 1);
        file.Close();
    }
    EXPECT_EQ(ReadBytes(dir.File("f")), Bytes{7});
}

TEST(ReplacingFile, CommitReplacesTheTargetAndLeavesNoStrayFile) {
    TempDir dir;
    const std::string target = dir.File("picture.bmp");
    WriteBytes(target, Bytes{1, 2, 3});
    CReplacingFile file;
    ASSERT_TRUE(file.OpenFor(target));
    const unsigned char bytes[2] = {8, 9};
    file.Write(bytes, 2);
    EXPECT_EQ(ReadBytes(target), (Bytes{1, 2, 3}));  // untouched until the commit
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadBytes(target), (Bytes{8, 9}));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"picture.bmp"});
}

TEST(ReplacingFile, AnAbandonedWriteKeepsTheOldFile) {
    TempDir dir;
    const std::string target = dir.File("picture.bmp");
    WriteBytes(target, Bytes{1, 2, 3});
    {
        CReplacingFile file;
        ASSERT_TRUE(file.OpenFor(target));
        const unsigned char byte = 5;
        file.Write(&byte, 1);
    }  // destroyed without a commit, as when writing failed half way
    EXPECT_EQ(ReadBytes(target), (Bytes{1, 2, 3}));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"picture.bmp"});
}

TEST(ReplacingFile, RefusesAFolderThatDoesNotExist) {
    TempDir dir;
    CReplacingFile file;
    EXPECT_FALSE(file.OpenFor(dir.File("no/such/folder/picture.bmp")));
    EXPECT_FALSE(file.Commit());
}

}  // namespace
