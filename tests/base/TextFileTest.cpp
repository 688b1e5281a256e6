#include "base/TextFile.h"

#include <gtest/gtest.h>

#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <csignal>
#include <unistd.h>

#include "fakes/TempDir.h"
#include "base/TextCodec.h"

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
        {"only one CR removed", "a\r\r\n", {"a\r"}, false},
        {"cp932", "\x95\x94\x8d\xde,\x8e\xed\x97\xde\r\n", {"部材,種類"}, false},
        {"cp932 half-width kana", "\xb1\xb2\r\n", {"ｱｲ"}, false},
        {"utf-8 with bom", "\xEF\xBB\xBF部材,表\r\n", {"部材,表"}, false},
        {"invalid cp932 lead", "ok\r\n\x85\x40\r\n", {"ok"}, true},
        {"truncated double byte", "ok\r\n\x95\r\n", {"ok"}, true},
        {"utf-8 without bom is not cp932", "部材\r\n", {}, true},
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
        const WriteStatus status = WriteTextFile(path, std::string(4096, 'x'));
        _exit(status == WriteStatus::Failed ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadBytes(path), "previous\r\n");
}
