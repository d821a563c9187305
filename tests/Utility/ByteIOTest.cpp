#include "Utility/ByteIO.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "common/TestUtil.h"

TEST(ByteReaderTest, DecodesLittleEndianAndFailsStickyPastTheEnd) {
    const unsigned char bytes[] = {0x01, 0x02, 0x03, 0x04, 0xFF, 0xFF, 0xFF, 0xFF, 0x34, 0x12, 0x7F};
    CByteReader r(bytes, sizeof bytes);
    uint32_t u;
    int32_t i;
    uint16_t s;
    uint8_t b;
    ASSERT_TRUE(r.ReadU32(u));
    EXPECT_EQ(u, 0x04030201u);
    ASSERT_TRUE(r.ReadI32(i));
    EXPECT_EQ(i, -1);
    ASSERT_TRUE(r.ReadU16(s));
    EXPECT_EQ(s, 0x1234);
    EXPECT_EQ(r.Remaining(), 1u);
    // A 4-byte read with one byte left fails, zeroes its output and poisons the reader.
    EXPECT_FALSE(r.ReadU32(u));
    EXPECT_EQ(u, 0u);
    EXPECT_FALSE(r.Ok());
    EXPECT_FALSE(r.ReadU8(b));
    EXPECT_FALSE(r.Skip(0));
}

TEST(ByteReaderTest, HasRejectsOverflowAndNegativeCounts) {
    unsigned char bytes[16] = {};
    CByteReader r(bytes, sizeof bytes);
    EXPECT_TRUE(r.Has(4, 4));
    EXPECT_FALSE(r.Has(5, 4));
    EXPECT_FALSE(r.Has(-1, 4));
    EXPECT_FALSE(r.Has(INT64_MAX, 1u << 20));  // count * size overflows 64 bits
    EXPECT_TRUE(r.Has(0, 1000));
    CByteReader empty(nullptr, 5);  // null data means no bytes, whatever the size says
    EXPECT_EQ(empty.Size(), 0u);
    EXPECT_TRUE(empty.Skip(0));
    EXPECT_FALSE(empty.Skip(1));
}

TEST(ByteWriterTest, RoundTripsThroughReader) {
    CByteWriter w;
    w.PutI32(-123456);
    w.PutU16(0xBEEF);
    w.PutF64(0.1);
    w.PutU64(0x0102030405060708ull);
    const std::vector<unsigned char>& b = w.Bytes();
    ASSERT_EQ(b.size(), 4u + 2 + 8 + 8);
    EXPECT_EQ(b[0], 0xC0);  // -123456 = 0xFFFE1DC0, low byte first
    CByteReader r(b);
    int32_t i;
    uint16_t s;
    double d;
    uint64_t q;
    ASSERT_TRUE(r.ReadI32(i) && r.ReadU16(s) && r.ReadF64(d) && r.ReadU64(q));
    EXPECT_EQ(i, -123456);
    EXPECT_EQ(s, 0xBEEF);
    EXPECT_EQ(d, 0.1);
    EXPECT_EQ(q, 0x0102030405060708ull);
    EXPECT_TRUE(r.AtEnd());
}

TEST(FileBytesTest, ReadsFilesAndRefusesDirectoriesAndMissingPaths) {
    kxtest::TempDir dir;
    std::string path = dir.file("a.bin");
    std::string content("x\0y", 3);
    kxtest::WriteAll(path, content);
    std::vector<unsigned char> out = {9};
    ASSERT_TRUE(ReadFileBytes(path.c_str(), out));
    EXPECT_EQ(std::string(out.begin(), out.end()), content);

    std::vector<unsigned char> keep = {7};
    EXPECT_FALSE(ReadFileBytes(dir.path().c_str(), keep));
    EXPECT_FALSE(ReadFileBytes(dir.file("missing").c_str(), keep));
    EXPECT_FALSE(ReadFileBytes(nullptr, keep));
    EXPECT_EQ(keep, std::vector<unsigned char>{7});
}

TEST(AtomicFileTest, ReplacesTargetOnlyOnCommit) {
    kxtest::TempDir dir;
    std::string path = dir.file("store.bin");
    kxtest::WriteAll(path, "old");
    {
        CAtomicFile f;
        ASSERT_NE(f.Open(path.c_str()), nullptr);
        f.Write("new", 3);
        // Destroyed uncommitted: the target keeps its old bytes and no temporary is left.
    }
    EXPECT_EQ(kxtest::ReadAll(path), "old");
    {
        CAtomicFile f;
        ASSERT_NE(f.Open(path.c_str()), nullptr);
        f.Write("new", 3);
        f.Fail();
        EXPECT_FALSE(f.Commit());
    }
    EXPECT_EQ(kxtest::ReadAll(path), "old");
    ASSERT_TRUE(WriteFileAtomic(path.c_str(), "new", 3));
    EXPECT_EQ(kxtest::ReadAll(path), "new");
    // Only the target remains in the folder.
    int n = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) {
        (void)e;
        ++n;
    }
    EXPECT_EQ(n, 1);
    // A target under a regular file cannot be created.
    EXPECT_FALSE(WriteFileAtomic((path + "/x").c_str(), "a", 1));
}

// Links planted where a temporary could be expected (the target's name with a suffix of process
// id and counter) never receive the bytes, and the target stays a file of its own. The mode is
// what a new file gets (0666 less the umask), and a name near the 255-byte limit still leaves room
// for the temporary beside it.
TEST(AtomicFileTest, TemporaryIsCreatedExclusively) {
    kxtest::TempDir dir;
    const std::string path = dir.file("store.bin");
    const std::string victim = dir.file("victim");
    kxtest::WriteAll(victim, "keep");
    const std::string pid = std::to_string(getpid());
    for (int k = 0; k < 200; ++k) {
        ASSERT_EQ(0, symlink(victim.c_str(), (path + ".tmp" + pid + "." + std::to_string(k)).c_str()));
    }
    for (int round = 0; round < 20; ++round) ASSERT_TRUE(WriteFileAtomic(path.c_str(), "new", 3));
    EXPECT_EQ(kxtest::ReadAll(victim), "keep");
    EXPECT_EQ(kxtest::ReadAll(path), "new");
    struct stat st;
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));

    const mode_t saved = umask(022);
    ASSERT_TRUE(WriteFileAtomic(dir.file("a").c_str(), "a", 1));
    umask(0);
    ASSERT_TRUE(WriteFileAtomic(dir.file("b").c_str(), "b", 1));
    umask(saved);
    ASSERT_EQ(stat(dir.file("a").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    ASSERT_EQ(stat(dir.file("b").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666u);

    const std::string longName = dir.file(std::string(254, 'n'));
    EXPECT_TRUE(WriteFileAtomic(longName.c_str(), "long", 4));
    EXPECT_EQ(kxtest::ReadAll(longName), "long");
    // Nothing but the targets, the victim and the planted links is left.
    int n = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) n += e.path().filename().string()[0] == '.';
    EXPECT_EQ(n, 0);
}

TEST(AtomicFileTest, ImageWriterKeepsTheTargetWhenTheImageFails) {
    kxtest::TempDir dir;
    std::string path = dir.file("store.bin");
    kxtest::WriteAll(path, "old");
    int calls = 0;
    auto image = [&] {
        ++calls;
        return std::vector<unsigned char>{'n', 'e', 'w'};
    };
    EXPECT_FALSE(WriteImageAtomic(nullptr, image));
    EXPECT_EQ(calls, 0);  // nothing is built for a missing path
    auto noMemory = []() -> std::vector<unsigned char> { throw std::bad_alloc(); };
    EXPECT_FALSE(WriteImageAtomic(path.c_str(), noMemory));
    EXPECT_EQ(kxtest::ReadAll(path), "old");
    EXPECT_TRUE(WriteImageAtomic(path.c_str(), image));
    EXPECT_EQ(kxtest::ReadAll(path), "new");
}

TEST(FileBytesTest, RefusesAFifoWithoutWaitingForAWriter) {
    kxtest::TempDir dir;
    std::string fifo = dir.file("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::vector<unsigned char> out = {1};
    EXPECT_FALSE(ReadFileBytes(fifo.c_str(), out));
    EXPECT_EQ(out, std::vector<unsigned char>{1});
}
