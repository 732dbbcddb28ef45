#include "datapool/pool.h"
#include "platform/memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes record(const Bytes& data) {
    Bytes r = {uint8_t(data.size()), uint8_t(data.size() >> 8), uint8_t(data.size() >> 16),
               uint8_t(data.size() >> 24)};
    r.insert(r.end(), data.begin(), data.end());
    return r;
}

Bytes stream(const std::vector<Bytes>& files) {
    Bytes s;
    for (auto& f : files) {
        Bytes r = record(f);
        s.insert(s.end(), r.begin(), r.end());
    }
    return s;
}

Bytes randomBytes(size_t n, unsigned seed) {
    std::mt19937 random(seed);
    Bytes b(n);
    for (auto& x : b) x = uint8_t(random());
    return b;
}

void writeFile(const fs::path& path, const Bytes& data) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

// Each test runs in a fresh folder, as the show runs in its working folder.
class Pool : public ::testing::Test {
  protected:
    fs::path previous = fs::current_path();
    fs::path folder;
    void SetUp() override {
        char name[] = "/tmp/cellrune-pool-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        fs::current_path(folder);
        resetPool();
        poolPlaces = {1, {"."}}; // the scratch folder alone, whatever this machine has installed
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(folder);
        useArchive = true;
        useBlobFile = false;
        releasePool();
        resetPool();
        poolPlaces = {};
    }
    Bytes next(uint32_t capacity = 1 << 20) {
        Bytes out(capacity);
        uint32_t n = readPoolFile("any name", out.data(), capacity);
        out.resize(n);
        return out;
    }
    // Opens the pool from a source, capturing what it tells the user.
    std::string open(bool archive, bool blob) {
        useArchive = archive;
        useBlobFile = blob;
        testing::internal::CaptureStderr();
        openPool();
        return testing::internal::GetCapturedStderr();
    }
    static bool haveRar() { return std::system("command -v rar >/dev/null 2>&1") == 0; }
    // rar's own options, then the files in the order they go in.
    static int rar(const std::string& arguments) {
        return std::system(("rar a -idq -m1 " + arguments + " >/dev/null 2>&1").c_str());
    }
};

const std::vector<Bytes> kFiles = {{1, 2, 3}, {}, randomBytes(5000, 1), {42}};

TEST_F(Pool, BlobRecordsInOrderWhateverTheName) {
    writeFile("pool/blob.raw", stream(kFiles));
    EXPECT_EQ(open(false, true), "");
    for (auto& f : kFiles) EXPECT_EQ(next(), f);
    EXPECT_EQ(poolReadPosition, poolStatus.dataLength);
    // Past the end: nothing, as often as asked.
    EXPECT_TRUE(next().empty());
    EXPECT_TRUE(next().empty());
}

TEST_F(Pool, ZeroLengthRecordAdvancesByItsLengthOnly) {
    writeFile("pool/blob.raw", stream({{}, {7}}));
    open(false, true);
    EXPECT_TRUE(next().empty());
    EXPECT_EQ(poolReadPosition, 4u);
    EXPECT_EQ(next(), Bytes{7});
}

TEST_F(Pool, ReadsStopAtTheDataAndTheDestination) {
    Bytes s = stream({randomBytes(100, 2), {9, 9}});
    Bytes cut = s;
    cut.resize(4 + 100 + 4 + 1); // the second record claims 2 bytes, 1 is there
    writeFile("pool/blob.raw", cut);
    open(false, true);
    Bytes first = next(10); // a destination of 10 bytes gets 10; the stream stays in step
    EXPECT_EQ(first, Bytes(s.begin() + 4, s.begin() + 14));
    EXPECT_EQ(next(), Bytes{9});
    EXPECT_EQ(poolStatus.shortRecords, 2u);
    // A length field cut in two is no record at all.
    resetPool();
    writeFile("pool/blob.raw", Bytes{5, 0});
    open(false, true);
    EXPECT_TRUE(next().empty());
}

TEST_F(Pool, BlobProblemsGiveAnEmptyPoolAndOneClearLine) {
    std::string message = open(false, true);
    EXPECT_NE(message.find("pool/blob.raw"), std::string::npos) << message;
    EXPECT_NE(message.find(folder.string()), std::string::npos) << message;
    EXPECT_TRUE(next().empty());

    resetPool();
    writeFile("pool/blob.raw", Bytes(kPoolCapacity + 1, 0));
    message = open(false, true);
    EXPECT_NE(message.find("larger than"), std::string::npos) << message;
    EXPECT_TRUE(next().empty());
}

TEST_F(Pool, DataIsTakenFromTheFirstPlaceThatHoldsIt) {
    // Four places; each source is put in the later places only, with different records in each.
    const std::vector<fs::path> places = {folder, folder / "program", folder / "share", folder / "xdg"};
    poolPlaces.count = 0;
    for (const fs::path& place : places)
        std::snprintf(poolPlaces.folder[poolPlaces.count++], kDataPlaceLength, "%s",
                      place == folder ? "." : place.c_str());
    for (size_t first = 0; first < places.size(); ++first) {
        for (size_t i = 0; i < places.size(); ++i) {
            fs::remove_all(places[i] / "pool");
            if (i >= first) {
                writeFile(places[i] / "pool/blob.raw", stream({{uint8_t(i)}}));
                writeFile(places[i] / "pool/loose.bin", {uint8_t(10 + i)});
            }
        }
        resetPool();
        EXPECT_EQ(open(false, true), "") << first;
        EXPECT_EQ(next(), Bytes{uint8_t(first)}) << "blob file first in place " << first;
        resetPool();
        EXPECT_EQ(open(false, false), "") << first;
        Bytes out(4);
        EXPECT_EQ(readPoolFile("pool/loose.bin", out.data(), 4), 1u);
        EXPECT_EQ(out[0], 10 + first) << "loose files first in place " << first;
    }
    // In none of them: one line naming the working folder and every other place.
    for (const fs::path& place : places) fs::remove_all(place / "pool");
    resetPool();
    std::string message = open(false, true);
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    EXPECT_NE(message.find("no such file in the working folder " + folder.string()), std::string::npos)
        << message;
    for (size_t i = 1; i < places.size(); ++i)
        EXPECT_NE(message.find(places[i].string()), std::string::npos) << message;
    EXPECT_TRUE(next().empty());
    if (!haveRar()) GTEST_SKIP() << "rar is not installed: the archive's places are untested";
    // The archive too, and a damaged one found elsewhere is named by its whole path.
    writeFile("stream.bin", stream({{77}}));
    ASSERT_EQ(rar("-pvortelqanis " + (places[2] / "blob.rar").string() + " stream.bin"), 0);
    resetPool();
    EXPECT_EQ(open(true, false), "");
    EXPECT_EQ(next(), Bytes{77});
    writeFile(places[1] / "blob.rar", randomBytes(100, 5));
    resetPool();
    message = open(true, false);
    EXPECT_NE(message.find("'" + (places[1] / "blob.rar").string() + "': it is not a valid archive"),
              std::string::npos)
        << message;
}

TEST(DataPlaces, TheOrderOfTheLookup) {
    struct Case {
        DataPlaceInputs in;
        std::vector<std::string> places;
    } cases[] = {
        // Nothing set: the XDG defaults; the prefix's folder given twice is listed once.
        {{"/opt/c/bin", "/usr/local/share/cellrune", "/home/u", nullptr, nullptr},
         {".", "/opt/c/bin", "/opt/c/bin/../share/cellrune", "/usr/local/share/cellrune",
          "/home/u/.local/share/cellrune", "/usr/share/cellrune"}},
        // Empty counts as unset; the program's folder unknown.
        {{nullptr, "/usr/share/cellrune", "/home/u", "", ""},
         {".", "/usr/share/cellrune", "/home/u/.local/share/cellrune", "/usr/local/share/cellrune"}},
        // Set: XDG_DATA_HOME replaces ~/.local/share; each entry in order, trailing slashes, relative
        // entries and empty ones skipped.
        {{"/b", "/p/share/cellrune", "/home/u", "/d/home", "/x/:rel/dir::/y//:/p/share"},
         {".", "/b", "/b/../share/cellrune", "/p/share/cellrune", "/d/home/cellrune", "/x/cellrune",
          "/y/cellrune"}},
        // A relative XDG_DATA_HOME is ignored (not replaced by the default); no HOME, no default.
        {{"/b", "/i", "/home/u", "rel", "/z"}, {".", "/b", "/b/../share/cellrune", "/i", "/z/cellrune"}},
        {{"/b", "/i", nullptr, nullptr, "/z"}, {".", "/b", "/b/../share/cellrune", "/i", "/z/cellrune"}},
    };
    for (const Case& c : cases) {
        DataPlaces places;
        listDataPlaces(c.in, &places);
        std::vector<std::string> got(places.folder, places.folder + places.count);
        EXPECT_EQ(got, c.places);
    }
    // Too many entries stop at the capacity; a place too long for it is left out, not cut.
    std::string many, tooLong = "/" + std::string(kDataPlaceLength, 'a');
    for (int i = 0; i < 40; ++i) many += "/d" + std::to_string(i) + ":";
    DataPlaces places;
    listDataPlaces({tooLong.c_str(), "/i", nullptr, nullptr, many.c_str()}, &places);
    EXPECT_EQ(places.count, kDataPlaceCapacity);
    EXPECT_STREQ(places.folder[1], "/i");
    EXPECT_STREQ(places.folder[2], "/d0/cellrune");
}

TEST_F(Pool, LooseFilesAreReadByName) {
    writeFile("pool/a.bin", {1, 2});
    writeFile("pool/b.bin", randomBytes(300, 3));
    open(false, false);
    Bytes out(1000);
    EXPECT_EQ(readPoolFile("pool/b.bin", out.data(), 1000), 300u);
    EXPECT_EQ(readPoolFile("pool/a.bin", out.data(), 1000), 2u);
    EXPECT_EQ(out[1], 2);
    EXPECT_EQ(readPoolFile("pool/missing.bin", out.data(), 1000), 0u);
    EXPECT_EQ(out[0], 1); // untouched
    EXPECT_EQ(readPoolFile("pool/b.bin", out.data(), 16), 16u);
}

TEST_F(Pool, ArchiveGivesTheSameRecordsAsTheBlob) {
    if (!haveRar()) GTEST_SKIP() << "rar is not installed";
    writeFile("stream.bin", stream(kFiles));
    ASSERT_EQ(rar("-pvortelqanis blob.rar stream.bin"), 0);
    EXPECT_EQ(open(true, false), "");
    EXPECT_EQ(poolStatus.entries, 1u);
    for (auto& f : kFiles) EXPECT_EQ(next(), f);
    EXPECT_TRUE(next().empty());
}

TEST_F(Pool, StreamSplitOverEntriesEqualsOneEntry) {
    if (!haveRar()) GTEST_SKIP() << "rar is not installed";
    Bytes s = stream(kFiles);
    writeFile("part1.bin", Bytes(s.begin(), s.begin() + 6)); // cut inside a record
    writeFile("part2.bin", Bytes(s.begin() + 6, s.end()));
    ASSERT_EQ(rar("-pvortelqanis -hpvortelqanis blob.rar part1.bin part2.bin"), 0); // names hidden too
    EXPECT_EQ(open(true, false), "");
    EXPECT_EQ(poolStatus.entries, 2u);
    EXPECT_EQ(poolWritePosition, s.size());
    for (auto& f : kFiles) EXPECT_EQ(next(), f);
}

TEST_F(Pool, ArchiveProblemsAreReportedAndLeaveNoGarbage) {
    if (!haveRar()) GTEST_SKIP() << "rar is not installed";
    std::string message = open(true, false);
    EXPECT_NE(message.find("blob.rar"), std::string::npos);
    EXPECT_NE(message.find("no such file"), std::string::npos) << message;
    EXPECT_NE(message.find(folder.string()), std::string::npos) << message;
    EXPECT_TRUE(next().empty());

    resetPool();
    writeFile("blob.rar", randomBytes(4096, 4));
    message = open(true, false);
    EXPECT_NE(message.find("not a valid archive"), std::string::npos) << message;

    resetPool();
    fs::remove("blob.rar");
    writeFile("stream.bin", stream(kFiles));
    ASSERT_EQ(rar("-pwrongpassword blob.rar stream.bin"), 0);
    message = open(true, false);
    EXPECT_NE(message.find("password"), std::string::npos) << message;
    EXPECT_EQ(poolWritePosition, 0u); // nothing of the garbage stays
    EXPECT_TRUE(next().empty());

    // Headers encrypted with another password: not even the names can be read.
    resetPool();
    fs::remove("blob.rar");
    ASSERT_EQ(rar("-hpwrongpassword blob.rar stream.bin"), 0);
    message = open(true, false);
    EXPECT_NE(message.find("password"), std::string::npos) << message;
    EXPECT_EQ(poolWritePosition, 0u);

    resetPool();
    writeFile("blob.rar", {}); // an empty file
    message = open(true, false);
    EXPECT_NE(message.find("blob.rar"), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    EXPECT_TRUE(next().empty());
}

TEST_F(Pool, CutArchivesKeepOnlyWholeEntries) {
    if (!haveRar()) GTEST_SKIP() << "rar is not installed";
    Bytes big = stream({randomBytes(200000, 5)});
    writeFile("one.bin", stream(kFiles));
    writeFile("two.bin", big);
    ASSERT_EQ(rar("-pvortelqanis -m0 blob.rar one.bin two.bin"), 0);
    Bytes archive(fs::file_size("blob.rar"));
    std::ifstream("blob.rar", std::ios::binary)
        .read(reinterpret_cast<char*>(archive.data()), std::streamsize(archive.size()));

    // Cut in the middle of the second entry: the first stays, the second goes.
    writeFile("blob.rar", Bytes(archive.begin(), archive.begin() + std::ptrdiff_t(archive.size() / 2)));
    std::string message = open(true, false);
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(poolStatus.entries, 1u);
    EXPECT_EQ(poolWritePosition, stream(kFiles).size());
    EXPECT_EQ(next(), kFiles[0]);

    // Cut before the first entry: it opens, but holds nothing.
    resetPool();
    writeFile("blob.rar", Bytes(archive.begin(), archive.begin() + 20));
    message = open(true, false);
    EXPECT_NE(message.find("blob.rar"), std::string::npos) << message;
    EXPECT_TRUE(next().empty());
}

TEST_F(Pool, ArchiveLargerThanThePoolStopsAtItsCapacity) {
    if (!haveRar()) GTEST_SKIP() << "rar is not installed";
    writeFile("huge.bin", Bytes(kPoolCapacity + 1000, 0x5A));
    ASSERT_EQ(rar("-pvortelqanis blob.rar huge.bin"), 0);
    std::string message = open(true, false);
    EXPECT_NE(message.find("10 MiB"), std::string::npos) << message;
    EXPECT_LE(poolWritePosition, kPoolCapacity);
}

TEST(PoolCallback, PasswordFitsTheLibrarysBuffer) {
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(archiveCallback(2, 0, reinterpret_cast<intptr_t>(buffer), sizeof buffer), 0);
    EXPECT_STREQ(buffer, "vortelq");
    char roomy[64];
    archiveCallback(2, 0, reinterpret_cast<intptr_t>(roomy), sizeof roomy);
    EXPECT_STREQ(roomy, "vortelqanis");
    EXPECT_EQ(archiveCallback(4, 0, 0, 0), 0); // the wide request is left to the narrow one
}

TEST(Memory, PrefaultingKeepsEveryByte) {
    // Ranges that start and end inside pages, span several, fit in one, or are empty: the bytes
    // written before stay, inside the range and around it.
    static std::vector<uint8_t> buffer(5 * 4096 + 123);
    std::mt19937 random(3);
    struct Range {
        size_t at, bytes;
    } ranges[] = {{0, buffer.size()}, {17, 3 * 4096}, {4096 + 5, 100}, {300, 0}, {buffer.size() - 1, 1}};
    for (const Range& r : ranges) {
        for (auto& b : buffer) b = uint8_t(random());
        std::vector<uint8_t> before = buffer;
        prefaultMemory(buffer.data() + r.at, r.bytes);
        EXPECT_EQ(buffer, before) << r.at << " + " << r.bytes;
    }
    static uint8_t untouched[3 * 4096]; // never written: reads as zero after it too
    prefaultMemory(untouched, sizeof untouched);
    EXPECT_TRUE(std::all_of(std::begin(untouched), std::end(untouched), [](uint8_t b) { return b == 0; }));
}

} // namespace
