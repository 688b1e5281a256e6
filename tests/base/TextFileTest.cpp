#include "base/TextFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <fcntl.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <csignal>
#include <unistd.h>

#include "fakes/TempDir.h"
#include "base/TextCodec.h"
#include "fakes/Unprivileged.h"

namespace {

std::vector<std::string> ReadAll(const std::string& bytes, bool& error)
{
    std::istringstream in(bytes);
    TextReader reader(in);
    std::vector<std::string> lines;
    std::string line;
    TextReader::Status status;
    while ((status = reader.Next(line)) == TextReader::Status::Line) {
        lines.push_back(line);
    }
    error = status == TextReader::Status::Error;
    return lines;
}

}  // namespace

TEST(TextReader, SplitsLinesAndDecodes)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> lines;
        bool error;
    };
    const Case cases[] = {
        {"empty", "", {}, false},
        {"crlf", "a\r\nb\r\n", {"a", "b"}, false},
        {"lf and no final newline", "a\nb", {"a", "b"}, false},
        {"blank lines kept", "a\r\n\r\nb\r\n\r\n", {"a", "", "b", ""}, false},
        {"cr only", "a\rb\r", {"a", "b"}, false},
        {"cr cr lf is one line end", "a\r\r\nb", {"a", "b"}, false},
        {"cr cr ends an empty line too", "a\r\rb", {"a", "", "b"}, false},
        {"cr then lf then cr", "a\r\n\rb", {"a", "", "b"}, false},
        {"cp932", "\x95\x94\x8d\xde,\x8e\xed\x97\xde\r\n", {"部材,種類"}, false},
        {"cp932 half-width kana", "\xb1\xb2\r\n", {"ｱｲ"}, false},
        {"utf-8 with bom", "\xEF\xBB\xBF部材,表\r\n", {"部材,表"}, false},
        {"invalid cp932 lead", "ok\r\n\x85\x40\r\n", {"ok"}, true},
        {"truncated double byte", "ok\r\n\x95\r\n", {"ok"}, true},
        {"utf-8 without bom", "a\r\n部材\r\n", {"a", "部材"}, false},
        {"bom file with invalid utf-8",
         "\xEF\xBB\xBF"
         "a\r\n\xC3(\r\n",
         {"a"},
         true},
        {"bom file with text cp932 cannot hold",
         "\xEF\xBB\xBF"
         "a\r\n\xF0\x9F\x98\x80\r\n",
         {"a"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool error = false;
        EXPECT_EQ(ReadAll(c.bytes, error), c.lines);
        EXPECT_EQ(error, c.error);
    }
}

TEST(TextCodec, CountsAndCutsCp932Bytes)
{
    EXPECT_EQ(Cp932Length("abc"), 3);
    EXPECT_EQ(Cp932Length("部材ｱ"), 5);
    EXPECT_EQ(Cp932Length("\xF0\x9F\x98\x80"), -1);
    EXPECT_EQ(TruncateCp932("部材名", 5), "部材");
    EXPECT_EQ(TruncateCp932("a部材", 2), "a");
    EXPECT_EQ(TruncateCp932("abc", 10), "abc");
    // The wave dash typed on Linux has a CP932 form.
    EXPECT_TRUE(IsCp932Representable("〜"));
}

TEST(WriteTextFile, WritesCp932WithCrLfAndReplacesTheFile)
{
    TempDir dir;
    const std::string path = dir.File("out.csv");
    WriteBytes(path, "old contents");
    ASSERT_EQ(WriteTextFile(path, "部材\nx\n"), WriteStatus::Ok);
    EXPECT_EQ(ReadBytes(path), "\x95\x94\x8d\xde\r\nx\r\n");
}

TEST(WriteTextFile, ReportsWhatFailed)
{
    TempDir dir;
    EXPECT_EQ(WriteTextFile(dir.File("missing/out.csv"), "x\n"), WriteStatus::CannotCreate);
    const std::string path = dir.File("kept.csv");
    WriteBytes(path, "old");
    EXPECT_EQ(WriteTextFile(path, "\xF0\x9F\x98\x80\n"), WriteStatus::Failed);
    EXPECT_EQ(ReadBytes(path), "old");
}

// A disk that fills up while writing: the file size limit makes write() fail midway.
TEST(WriteTextFile, KeepsThePreviousFileWhenTheDiskFills)
{
    TempDir dir;
    const std::string path = dir.File("kept.csv");
    WriteBytes(path, "previous\r\n");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{64, 64};
        setrlimit(RLIMIT_FSIZE, &limit);
        const WriteResult status = WriteTextFile(path, std::string(4096, 'x'));
        _exit(status == WriteStatus::Failed ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadBytes(path), "previous\r\n");
}

TEST(TextReader, NamesTheFaultAndItsLine)
{
    using Fault = TextReader::Fault;
    struct Case {
        const char* name;
        std::string bytes;
        Fault fault;
        std::size_t line;
    };
    const std::string longLine(TextReader::kMaxLineBytes + 1, 'x');
    const Case cases[] = {
        {"neither utf-8 nor cp932 on line 3", "a\r\nb\r\n\x85\x40\r\n", Fault::Neither, 3},
        {"invalid cp932 after cp932", "\x95\x94\r\n\x85\x40\r\n", Fault::Encoding, 2},
        {"cp932 after utf-8", "a\r\n部材\r\n\x95\x94\r\n", Fault::Encoding, 3},
        {"utf-8 after cp932", "\x95\x94\r\n部材\r\n", Fault::Utf8InCp932, 2},
        {"utf-8 without bom", "a\r\n部材\r\n", Fault::None, 2},
        {"a line just at the limit", std::string(TextReader::kMaxLineBytes, 'x') + "\n", Fault::None, 1},
        {"a line over the limit", "a\n" + longLine + "\n", Fault::LineTooLong, 2},
        {"no line end at all", longLine, Fault::LineTooLong, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::istringstream in(c.bytes);
        TextReader reader(in);
        std::string line;
        TextReader::Status status;
        while ((status = reader.Next(line)) == TextReader::Status::Line) {
        }
        EXPECT_EQ(reader.LastFault(), c.fault);
        EXPECT_EQ(status == TextReader::Status::Error, c.fault != Fault::None);
        EXPECT_EQ(reader.LineNumber(), c.line);
    }
}

// /dev/zero never ends a line: reading stops at the line limit instead of filling the memory.
TEST(TextReader, StopsOnAnEndlessFile)
{
    std::ifstream in("/dev/zero", std::ios::binary);
    ASSERT_TRUE(in.is_open());
    TextReader reader(in);
    std::string line;
    EXPECT_EQ(reader.Next(line), TextReader::Status::Error);
    EXPECT_EQ(reader.LastFault(), TextReader::Fault::LineTooLong);
}

namespace {

mode_t ModeOf(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// What each kind of target becomes. Every case writes "new".
TEST(WriteFileAtomically, WritesEachKindOfTargetAsItIs)
{
    struct Case {
        const char* name;
        std::function<std::string(const TempDir&)> setUp;  // returns the path to write
        WriteStatus status;
        int error;
        std::function<void(const TempDir&)> check;
    };
    const Case cases[] = {
        {"a device stays a device", [](const TempDir&) { return std::string("/dev/null"); }, WriteStatus::Ok,
         0, [](const TempDir&) { EXPECT_TRUE(S_ISCHR(ModeOf("/dev/null"))); }},
        {"a full device is a failure with its reason",
         [](const TempDir&) { return std::string("/dev/full"); }, WriteStatus::Failed, ENOSPC,
         [](const TempDir&) { EXPECT_TRUE(S_ISCHR(ModeOf("/dev/full"))); }},
        {"a link writes the file it leads to",
         [](const TempDir& dir) {
             WriteBytes(dir.File("target.json"), "old");
             std::filesystem::create_symlink("target.json", dir.File("link.json"));
             return dir.File("link.json");
         },
         WriteStatus::Ok, 0,
         [](const TempDir& dir) {
             EXPECT_TRUE(S_ISLNK(ModeOf(dir.File("link.json"))));
             EXPECT_EQ(ReadBytes(dir.File("target.json")), "new");
         }},
        {"a link into another folder replaces the file there",
         [](const TempDir& dir) {
             std::filesystem::create_directory(dir.File("real"));
             WriteBytes(dir.File("real/target.json"), "old");
             std::filesystem::create_symlink(dir.File("real/target.json"), dir.File("link.json"));
             return dir.File("link.json");
         },
         WriteStatus::Ok, 0,
         [](const TempDir& dir) {
             EXPECT_EQ(ReadBytes(dir.File("real/target.json")), "new");
             EXPECT_EQ(Names(dir.File("real")), std::vector<std::string>{"target.json"});
         }},
        {"a dangling link creates its target",
         [](const TempDir& dir) {
             std::filesystem::create_symlink("made.json", dir.File("link.json"));
             return dir.File("link.json");
         },
         WriteStatus::Ok, 0,
         [](const TempDir& dir) {
             EXPECT_TRUE(S_ISLNK(ModeOf(dir.File("link.json"))));
             EXPECT_EQ(ReadBytes(dir.File("made.json")), "new");
         }},
        {"the mode is kept",
         [](const TempDir& dir) {
             WriteBytes(dir.File("f.csv"), "old");
             ::chmod(dir.File("f.csv").c_str(), 0640);
             return dir.File("f.csv");
         },
         WriteStatus::Ok, 0, [](const TempDir& dir) { EXPECT_EQ(ModeOf(dir.File("f.csv")) & 07777, 0640u); }},
        {"a read-only file is refused, also for root",
         [](const TempDir& dir) {
             WriteBytes(dir.File("f.csv"), "old");
             ::chmod(dir.File("f.csv").c_str(), 0444);
             return dir.File("f.csv");
         },
         WriteStatus::ReadOnly, EACCES,
         [](const TempDir& dir) { EXPECT_EQ(ReadBytes(dir.File("f.csv")), "old"); }},
        {"a folder cannot be written",
         [](const TempDir& dir) {
             std::filesystem::create_directory(dir.File("sub"));
             return dir.File("sub");
         },
         WriteStatus::CannotCreate, EISDIR, [](const TempDir&) {}},
        {"a missing folder", [](const TempDir& dir) { return dir.File("none/f.csv"); },
         WriteStatus::CannotCreate, ENOENT, [](const TempDir&) {}},
        {"a name of 255 bytes", [](const TempDir& dir) { return dir.File(std::string(251, 'n') + ".csv"); },
         WriteStatus::Ok, 0,
         [](const TempDir& dir) { EXPECT_EQ(ReadBytes(dir.File(std::string(251, 'n') + ".csv")), "new"); }},
        {"a name of 255 bytes in characters of three",
         [](const TempDir& dir) { return dir.File("部材" + std::string(249, 'n')); }, WriteStatus::Ok, 0,
         [](const TempDir& dir) { EXPECT_EQ(ReadBytes(dir.File("部材" + std::string(249, 'n'))), "new"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = c.setUp(dir);
        const WriteResult result = WriteFileAtomically(path, "new");
        EXPECT_EQ(result.Status, c.status);
        EXPECT_EQ(result.Error, c.error) << result.Reason();
        if (c.error != 0) {
            EXPECT_EQ(result.Reason(),
                      c.status == WriteStatus::ReadOnly ? "read-only file" : ErrnoText(c.error));
        }
        c.check(dir);
        // Nothing is left behind but what the case made.
        for (const std::string& name : Names(dir.Path())) {
            EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
        }
    }
}

TEST(WriteFileAtomically, WritesAFifoAndStandardOutputDirectly)
{
    TempDir dir;
    const std::string fifo = dir.File("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadBytes(fifo); });
    EXPECT_TRUE(WriteFileAtomically(fifo, "through the pipe").Ok());
    reader.join();
    EXPECT_EQ(received, "through the pipe");
    EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));

    for (const char* path : {"-", "/dev/stdout"}) {
        testing::internal::CaptureStdout();
        const WriteResult result = WriteFileAtomically(path, std::string("to ") + path);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string("to ") + path);
        EXPECT_TRUE(result.Ok());
    }
}

// A folder that takes no new file is refused with its reason: a rewrite in place could be cut
// off halfway and leave new bytes followed by the old tail.
TEST(WriteFileAtomically, RefusesAReadOnlyFolder)
{
    TempDir dir;
    const std::string folder = dir.File("locked");
    std::filesystem::create_directory(folder);
    WriteBytes(folder + "/f.csv", "old contents");
    ::chmod(dir.Path().c_str(), 0755);
    const int status = RunUnprivileged(
        [&] {
            if (::chmod(folder.c_str(), 0555) != 0) {
                return 10;
            }
            const WriteResult result = WriteFileAtomically(folder + "/f.csv", "new");
            if (result.Status != WriteStatus::CannotCreate || result.Error != EACCES) {
                return 11;
            }
            if (WriteFileAtomically(folder + "/g.csv", "new").Status != WriteStatus::CannotCreate) {
                return 12;
            }
            return ReadBytes(folder + "/f.csv") == "old contents" ? 0 : 13;
        },
        {folder, folder + "/f.csv"});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Names(folder), std::vector<std::string>{"f.csv"});
}

// The temporary sibling of a process killed before its rename is removed by the next write of
// that target; a live process's sibling and other names are left alone.
TEST(WriteFileAtomically, RemovesTheStaleTemporariesOfItsTarget)
{
    TempDir dir;
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string dead = std::to_string(child);
    const std::string live = std::to_string(::getppid());
    for (const std::string& name : std::vector<std::string>{".f.json.tmp" + dead + "_0", ".f.json.tmp" + dead + "_17", ".f.json.tmp" + live + "_0",
                                    ".g.json.tmp" + dead + "_0", ".f.json.tmpx_0", "f.json.tmp" + dead + "_0"}) {
        WriteBytes(dir.File(name), "left");
    }
    ASSERT_TRUE(WriteFileAtomically(dir.File("f.json"), "new").Ok());
    std::vector<std::string> expected = {".f.json.tmp" + live + "_0", ".f.json.tmpx_0", ".g.json.tmp" + dead + "_0",
                                         "f.json", "f.json.tmp" + dead + "_0"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(dir.Path()), expected);
}

// Staged files change together at the commit, or not at all.
TEST(StagedWrites, ChangesEveryTargetAtTheCommitOrNone)
{
    TempDir dir;
    WriteBytes(dir.File("a.json"), "old a");
    WriteBytes(dir.File("board-003.png"), "stale");
    {
        StagedWrites writes;
        ASSERT_TRUE(writes.Stage(dir.File("a.json"), "new a").Ok());
        ASSERT_TRUE(writes.Stage(dir.File("b.csv"), "new b").Ok());
        writes.RemoveAtCommit(dir.File("board-003.png"));
        EXPECT_EQ(ReadBytes(dir.File("a.json")), "old a");
        EXPECT_FALSE(std::filesystem::exists(dir.File("b.csv")));
    }  // dropped without a commit: nothing changed, nothing left behind
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"a.json", "board-003.png"}));

    StagedWrites writes;
    ASSERT_TRUE(writes.Stage(dir.File("a.json"), "new a").Ok());
    ASSERT_TRUE(writes.Stage(dir.File("b.csv"), "new b").Ok());
    writes.RemoveAtCommit(dir.File("board-003.png"));
    writes.RemoveAtCommit(dir.File("board-004.png"));  // missing: nothing to do
    ASSERT_TRUE(writes.Commit().Ok());
    EXPECT_EQ(ReadBytes(dir.File("a.json")), "new a");
    EXPECT_EQ(ReadBytes(dir.File("b.csv")), "new b");
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"a.json", "b.csv"}));
    // A target that cannot be staged fails at once and says which.
    StagedWrites refused;
    EXPECT_EQ(refused.Stage(dir.File("none/c.csv"), "x").Error, ENOENT);
}

TEST(WriteNewFile, NeverReplacesAFile)
{
    TempDir dir;
    WriteBytes(dir.File("taken"), "old");
    EXPECT_EQ(WriteNewFile(dir.File("taken"), "new").Error, EEXIST);
    EXPECT_EQ(ReadBytes(dir.File("taken")), "old");
    EXPECT_TRUE(WriteNewFile(dir.File("free"), "new").Ok());
    EXPECT_EQ(ReadBytes(dir.File("free")), "new");
}
