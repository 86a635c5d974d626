// Output files as a user names them: a regular file replaced whole, a FIFO or a device written
// to and left what it was, a folder or a socket refused, and a reader that goes away reported
// instead of ending the program.
#include "output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include "fifo_reader.h"
#include "file_error.h"
#include "file_names.h"

namespace zandrel {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void Put(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

struct stat LinkStatus(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
    return status;
}

// A sheet-sized output that does not fit in a pipe's buffer.
std::string LargeOutput() {
    std::string bytes(1 << 20, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>('A' + i % 26);
    }
    return bytes;
}

using test_support::FifoReader;

class OutputFile : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zandrel2-output-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::set<std::string> Entries() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    // Expects WriteOutputFile(path), and CheckOutputPath(path) before it, to raise FileError,
    // naming the path and `words`.
    void ExpectRefused(const fs::path& path, const std::string& words) {
        for (const bool check : {true, false}) {
            ExpectRefusedBy(path, words, [check](const std::string& name) {
                check ? CheckOutputPath(name) : WriteOutputFile(name, "a sheet");
            });
        }
    }

    template <typename Write>
    void ExpectRefusedBy(const fs::path& path, const std::string& words, Write write) {
        try {
            write(path.string());
            ADD_FAILURE() << path << " was written";
        } catch (const FileError& error) {
            EXPECT_EQ(error.Kind(), FileErrorKind::NotWritable);
            EXPECT_EQ(error.Number(), 75);
            EXPECT_EQ(error.Message(), "Path/File access error");
            EXPECT_EQ(error.Detail().rfind(path.string() + " cannot be written: ", 0), 0u)
                << error.Detail();
            EXPECT_NE(error.Detail().find(words), std::string::npos) << error.Detail();
            EXPECT_EQ(error.Detail().substr(error.Detail().size() - error.Reason().size()),
                      error.Reason());
        }
    }

    fs::path folder_;
};

TEST_F(OutputFile, ReplacesARegularFileByANewOneWithItsPermissionsAndNothingElse) {
    const fs::path path = folder_ / "sheet.pdf";
    const fs::path otherName = folder_ / "other-name.pdf";
    Put(path, "an older sheet");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    // A second name for the old file: written in place, it would change too.
    ASSERT_EQ(link(path.c_str(), otherName.c_str()), 0);

    const std::string bytes = LargeOutput();
    WriteOutputFile(path.string(), bytes);
    EXPECT_EQ(Contents(path), bytes);
    EXPECT_EQ(Contents(otherName), "an older sheet");
    EXPECT_EQ(LinkStatus(path).st_mode & 07777, 0640u);
    EXPECT_EQ(Entries(), (std::set<std::string>{"sheet.pdf", "other-name.pdf"}));
}

TEST_F(OutputFile, CreatesANewFileWithThePermissionsTheUmaskAllows) {
    const mode_t umaskNow = umask(027);
    const fs::path path = folder_ / "deck.nec";
    WriteOutputFile(path.string(), "CM deck\n");
    umask(umaskNow);
    EXPECT_EQ(Contents(path), "CM deck\n");
    EXPECT_EQ(LinkStatus(path).st_mode & 07777, 0640u);
    EXPECT_EQ(Entries(), std::set<std::string>{"deck.nec"});
}

TEST_F(OutputFile, WritesThroughALinkAndKeepsTheLink) {
    const fs::path target = folder_ / "target.pdf";
    const fs::path link = folder_ / "link.pdf";
    Put(target, "old");
    fs::create_symlink("target.pdf", link);
    WriteOutputFile(link.string(), "new");
    EXPECT_TRUE(S_ISLNK(LinkStatus(link).st_mode));
    EXPECT_EQ(Contents(target), "new");
    EXPECT_EQ(Entries(), (std::set<std::string>{"target.pdf", "link.pdf"}));
}

TEST_F(OutputFile, WritesIntoAFifoForItsReaderAndLeavesItAFifo) {
    const fs::path fifo = folder_ / "viewer";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    FifoReader reader(fifo.string());
    ASSERT_TRUE(reader.IsOpen());
    const std::string bytes = LargeOutput();
    WriteOutputFile(fifo.string(), bytes);
    EXPECT_EQ(reader.Received(), bytes);
    EXPECT_TRUE(S_ISFIFO(LinkStatus(fifo).st_mode));
    EXPECT_EQ(Entries(), std::set<std::string>{"viewer"});
}

TEST_F(OutputFile, RefusesAFifoThatNobodyReadsAtOnceUnlessToldToWait) {
    const fs::path fifo = folder_ / "viewer";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ExpectRefusedBy(fifo, "nobody is reading it (a FIFO)",
                    [](const std::string& name) { WriteOutputFile(name, "a deck"); });

    // Told to wait, it says so once, and writes for the reader that comes.
    int told = 0;
    std::optional<FifoReader> reader;
    WriteOutputFile(fifo.string(), "a deck", ReaderWait::Wait, [&] {
        ++told;
        reader.emplace(fifo.string());
    });
    EXPECT_EQ(told, 1);
    EXPECT_EQ(reader->Received(), "a deck");
    EXPECT_TRUE(S_ISFIFO(LinkStatus(fifo).st_mode));
    EXPECT_EQ(Entries(), std::set<std::string>{"viewer"});
}

// Interrupting the waits lasts for the rest of the process, as a signal to end does: this test
// runs alone in its process.
TEST_F(OutputFile, EndsTheWaitForAFifosReaderWhenTheWaitsAreInterrupted) {
    const fs::path fifo = folder_ / "viewer";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    try {
        WriteOutputFile(fifo.string(), "a deck", ReaderWait::Wait, [] { InterruptReaderWaits(); });
        ADD_FAILURE() << "written";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Kind(), FileErrorKind::ReaderWaitInterrupted);
        EXPECT_EQ(error.Message(), "User interrupt occurred");
        EXPECT_EQ(error.Detail(),
                  fifo.string() + " was not written: the wait for a reader was interrupted");
    }
    EXPECT_TRUE(S_ISFIFO(LinkStatus(fifo).st_mode));
    EXPECT_EQ(Entries(), std::set<std::string>{"viewer"});
}

TEST_F(OutputFile, WritesThroughALinkThatLeadsNowhereAndKeepsTheLink) {
    const fs::path link = folder_ / "link.pdf";
    fs::create_symlink("made/../target.pdf", link);
    fs::create_directory(folder_ / "made");
    WriteOutputFile(link.string(), "new");
    EXPECT_TRUE(S_ISLNK(LinkStatus(link).st_mode));
    EXPECT_EQ(Contents(folder_ / "target.pdf"), "new");
    EXPECT_EQ(Entries(), (std::set<std::string>{"target.pdf", "link.pdf", "made"}));

    // One whose folder is missing is refused, and stays the link it was.
    const fs::path nowhere = folder_ / "nowhere.pdf";
    fs::create_symlink("missing/target.pdf", nowhere);
    ExpectRefused(nowhere, "No such file or directory");
    EXPECT_TRUE(S_ISLNK(LinkStatus(nowhere).st_mode));
}

TEST_F(OutputFile, KeepsTheSpecialBitsOnlyOfAFileThatItsWriterOwns) {
    const fs::path own = folder_ / "own";
    Put(own, "old");
    ASSERT_EQ(chmod(own.c_str(), 02750), 0);
    WriteOutputFile(own.string(), "new");
    EXPECT_EQ(LinkStatus(own).st_mode & 07777, 02750u);

    if (geteuid() != 0) {
        GTEST_SKIP() << "only root can give a file to another user";
    }
    const fs::path others = folder_ / "others";
    Put(others, "old");
    ASSERT_EQ(chown(others.c_str(), 65534, 65534), 0);
    ASSERT_EQ(chmod(others.c_str(), 06755), 0);
    WriteOutputFile(others.string(), "new");
    const struct stat replaced = LinkStatus(others);
    EXPECT_EQ(Contents(others), "new");
    EXPECT_EQ(replaced.st_uid, 0u);
    EXPECT_EQ(replaced.st_mode & 07777, 0755u);
}

TEST_F(OutputFile, WritesIntoADeviceAndLeavesTheDevice) {
    // A private node of the null device, where the test may make one.
    const fs::path device = folder_ / "null";
    const dev_t null = makedev(1, 3);
    if (mknod(device.c_str(), S_IFCHR | 0600, null) != 0) {
        GTEST_SKIP() << "no device node can be made here: " << std::strerror(errno);
    }
    const int probe = open(device.c_str(), O_WRONLY | O_CLOEXEC);
    if (probe < 0) {
        GTEST_SKIP() << "device nodes cannot be opened here: " << std::strerror(errno);
    }
    close(probe);
    WriteOutputFile(device.string(), LargeOutput());
    const struct stat status = LinkStatus(device);
    EXPECT_TRUE(S_ISCHR(status.st_mode));
    EXPECT_EQ(status.st_rdev, null);
    EXPECT_EQ(Entries(), std::set<std::string>{"null"});
}

TEST_F(OutputFile, RefusesAFolderASocketAndAMissingFolderAndLeavesThemAsTheyWere) {
    const fs::path sub = folder_ / "folder";
    fs::create_directory(sub);
    ExpectRefused(sub, "Is a directory");

    const fs::path socketPath = folder_ / "socket";
    const int listening = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listening, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.string().size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ExpectRefused(socketPath, "socket");
    close(listening);
    EXPECT_TRUE(S_ISSOCK(LinkStatus(socketPath).st_mode));

    ExpectRefused(folder_ / "missing" / "sheet.pdf", "No such file or directory");
    fs::path underAFile = folder_ / "a-file";
    Put(underAFile, "");
    ExpectRefused(underAFile / "sheet.pdf", "Not a directory");

    EXPECT_TRUE(fs::is_empty(sub));
    EXPECT_EQ(Entries(), (std::set<std::string>{"folder", "socket", "a-file"}));
}

TEST_F(OutputFile, NamesAFileOnceWithItsControlCharactersAndTerminalSequencesReplaced) {
    const fs::path path = folder_ / "missing" / "sheet\x1b]0;owned\x07.pdf";
    try {
        WriteOutputFile(path.string(), "a sheet");
        ADD_FAILURE() << "written";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Detail(), (folder_ / "missing").string() +
                                      "/sheet?]0;owned?.pdf cannot be written: No such file or "
                                      "directory");
    }
}

TEST(FileNames, AreShownWithEveryControlCharacterAndByteThatIsNotUtf8Replaced) {
    EXPECT_EQ(ShownName("a b/\u00B0C \u00E9t\u00E9.s1p"), "a b/\u00B0C \u00E9t\u00E9.s1p");
    EXPECT_EQ(ShownName("line\nfeed\ttab\x7f"), "line?feed?tab?");
    EXPECT_EQ(ShownName("csi\xC2\x9B"
                        "2J"),
              "csi?2J");  // C1's control sequence introducer
    EXPECT_EQ(ShownName("half\xE2\x82 \xFF\xC0\x80"),
              "half?? ???");  // broken and overlong, a byte at a time
}

bool PipeSignalPending() {
    sigset_t pending;
    sigpending(&pending);
    return sigismember(&pending, SIGPIPE) == 1;
}

TEST_F(OutputFile, ReportsAReaderThatGoesAwayAndGoesOn) {
    // With SIGPIPE's default action, a write the error did not hold back would end this test.
    const fs::path fifo = folder_ / "viewer";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    {
        FifoReader reader(fifo.string(), 1);
        ASSERT_TRUE(reader.IsOpen());
        try {
            WriteOutputFile(fifo.string(), LargeOutput());
            ADD_FAILURE() << "no error";
        } catch (const FileError& error) {
            EXPECT_EQ(error.Kind(), FileErrorKind::NotWritable);
            EXPECT_EQ(error.Detail(), fifo.string() + " could not be written: Broken pipe");
            EXPECT_EQ(error.Reason(), "Broken pipe");
        }
        EXPECT_EQ(reader.Received(), "A");
    }
    EXPECT_FALSE(PipeSignalPending());

    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);
    try {
        WriteToDescriptor(ends[1], "a sheet", "standard output");
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Number(), 75);
        EXPECT_EQ(error.Detail(), "standard output could not be written: Broken pipe");
    }
    close(ends[1]);
    EXPECT_FALSE(PipeSignalPending());
    EXPECT_TRUE(S_ISFIFO(LinkStatus(fifo).st_mode));
}

}  // namespace
}  // namespace zandrel
