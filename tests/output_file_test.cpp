// Files written whole or not at all: the helper itself, the picture and the page through it,
// and both programs killed or refused mid-write by a file size limit.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "render/OutputFile.h"
#include "render/SvgWriter.h"
#include "run/RunPipeline.h"
#include "support/BuiltPrograms.h"
#include "support/FileText.h"
#include "support/InProcessRun.h"
#include "support/TempDirTest.h"
#include "view/ViewDriver.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testsupport::programPath;
using testsupport::readFile;
using testsupport::shellQuoted;

const std::string kFailure = "Unable to write TEST";

void writePlain(const std::string& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary);
    file << content;
}

mode_t permissionsOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

ino_t inodeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_ino;
}

void writeWhole(const std::string& path, const std::string& content) {
    OutputFile file(path, kFailure);
    file.stream() << content;
    file.commit();
}

class OutputFileTest : public testsupport::TempDirTest {
  protected:
    // The names in `sub` (the test's directory by default), sorted: a temporary file left
    // behind shows up here.
    std::vector<std::string> entries(const std::string& sub = "") const {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir() / sub)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(OutputFileTest, NewFileGetsTheModeOfAPlainCreate) {
    const mode_t before = ::umask(0);
    for (const mode_t mask : {022, 077, 002}) {
        SCOPED_TRACE(mask);
        ::umask(mask);
        fs::remove_all(dir());
        fs::create_directories(dir());
        writePlain(path("plain"), "x");
        writeWhole(path("whole"), "content");
        EXPECT_EQ(readFile(path("whole")), "content");
        EXPECT_EQ(permissionsOf(path("whole")), permissionsOf(path("plain")));
        EXPECT_EQ(entries(), (std::vector<std::string>{"plain", "whole"}));
    }
    ::umask(before);
}

TEST_F(OutputFileTest, ExistingFileIsReplacedOnlyAtCommitAndKeepsItsMode) {
    writePlain(path("out"), "earlier, longer content");
    fs::permissions(path("out"), fs::perms(0640));
    const ino_t earlier = inodeOf(path("out"));
    {
        OutputFile file(path("out"), kFailure);
        file.stream() << "new" << std::flush;
        EXPECT_EQ(readFile(path("out")), "earlier, longer content");
        file.commit();
    }
    EXPECT_EQ(readFile(path("out")), "new");
    EXPECT_EQ(permissionsOf(path("out")), 0640u);
    EXPECT_NE(inodeOf(path("out")), earlier);
    EXPECT_EQ(entries(), std::vector<std::string>{"out"});
}

// Abandoned by an exception from the content's writer, or given up with fail(): the target
// stays as it was (absent or with its earlier content) and the temporary file is removed.
TEST_F(OutputFileTest, AbandonedWriteLeavesTheTargetAsItWas) {
    for (const bool existing : {false, true}) {
        for (const bool giveUp : {false, true}) {
            SCOPED_TRACE(std::to_string(existing) + " " + std::to_string(giveUp));
            fs::remove(path("out"));
            if (existing) {
                writePlain(path("out"), "earlier");
            }
            try {
                OutputFile file(path("out"), kFailure);
                file.stream() << std::string(100000, 'y') << std::flush;
                if (giveUp) {
                    file.fail();
                }
                throw std::runtime_error("writer failed");
            } catch (const std::runtime_error& error) {
                EXPECT_EQ(std::string(error.what()), giveUp ? kFailure : "writer failed");
            }
            EXPECT_EQ(entries(),
                      existing ? std::vector<std::string>{"out"} : std::vector<std::string>{});
            if (existing) {
                EXPECT_EQ(readFile(path("out")), "earlier");
            }
        }
    }
}

TEST_F(OutputFileTest, SymbolicLinksStayAndTheirTargetIsReplaced) {
    struct Case {
        const char* name;
        // Links to create, in order: where, pointing at what ("@" stands for the directory).
        std::vector<std::pair<std::string, std::string>> links;
        const char* written;
        const char* target;
        bool targetExists;
    };
    const std::vector<Case> cases = {
        {"relative", {{"link", "out"}}, "link", "out", true},
        {"other directory", {{"sub/link", "../real/out"}}, "sub/link", "real/out", true},
        {"absolute", {{"link", "@/real/out"}}, "link", "real/out", true},
        {"chain",
         {{"sub/second", "../real/out"}, {"first", "sub/second"}},
         "first",
         "real/out",
         true},
        {"dangling", {{"link", "real/new"}}, "link", "real/new", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir());
        for (const char* sub : {"sub", "real"}) {
            fs::create_directories(dir() / sub);
        }
        if (c.targetExists) {
            writePlain(path(c.target), "earlier");
            fs::permissions(path(c.target), fs::perms(0604));
        }
        for (auto [link, pointee] : c.links) {
            if (pointee[0] == '@') {
                pointee = dir().string() + pointee.substr(1);
            }
            fs::create_symlink(pointee, dir() / link);
        }
        writeWhole(path(c.written), "new");
        EXPECT_EQ(readFile(path(c.target)), "new");
        EXPECT_EQ(readFile(path(c.written)), "new");
        for (const auto& [link, pointee] : c.links) {
            EXPECT_TRUE(fs::is_symlink(dir() / link)) << link;
        }
        if (c.targetExists) {
            EXPECT_EQ(permissionsOf(path(c.target)), 0604u);
        }
        // Nothing but the links and the target: no temporary file anywhere.
        std::size_t files = 0;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir())) {
            files += entry.is_directory() ? 0 : 1;
        }
        EXPECT_EQ(files, c.links.size() + 1);
    }
}

// A name that leaves no room for the temporary's suffix: an earlier file under it is refused
// untouched, since it could only be truncated; a new one is written in place, as a plain create
// would, and removed again when the write fails. A directory that does not exist fails before
// anything is created.
TEST_F(OutputFileTest, NamesWithoutRoomForATemporaryAndMissingDirectories) {
    const std::string longName(250, 'n');
    const auto failure = [](const std::function<void()>& write) {
        try {
            write();
            return std::string("written");
        } catch (const std::runtime_error& error) {
            return std::string(error.what());
        }
    };
    writePlain(path(longName), "earlier");
    EXPECT_EQ(failure([&] { writeWhole(path(longName), "new"); }), kFailure);
    EXPECT_EQ(readFile(path(longName)), "earlier");
    EXPECT_EQ(entries(), std::vector<std::string>{longName});

    const std::string newName(250, 'w');
    writeWhole(path(newName), "new");
    EXPECT_EQ(readFile(path(newName)), "new");
    fs::remove(path(newName));
    EXPECT_EQ(failure([&] {
                  OutputFile file(path(newName), kFailure);
                  file.stream() << "half";
                  file.fail();
              }),
              kFailure);
    EXPECT_EQ(entries(), std::vector<std::string>{longName});

    EXPECT_EQ(failure([&] { writeWhole(path("missing/out"), "new"); }), kFailure);
    EXPECT_EQ(entries(), std::vector<std::string>{longName});
}

TEST_F(OutputFileTest, PipeIsWrittenDirectly) {
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    // An open reader lets the writer open the pipe at once; the content fits its buffer.
    const int reader = ::open(path("pipe").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    writeWhole(path("pipe"), "through the pipe");
    std::string received;
    char buffer[256];
    ssize_t count;
    while ((count = ::read(reader, buffer, sizeof buffer)) > 0) {
        received.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(reader);
    EXPECT_EQ(received, "through the pipe");
    EXPECT_TRUE(fs::is_fifo(path("pipe")));
    EXPECT_EQ(entries(), std::vector<std::string>{"pipe"});
}

// /dev/stdout leads through /proc/self/fd: when standard output is a file, that file is
// written in place through a new descriptor, not replaced by another one.
TEST_F(OutputFileTest, LinksOfOpenDescriptorsAreWrittenInPlace) {
    writePlain(path("captured"), "earlier");
    const ino_t earlier = inodeOf(path("captured"));
    const int fd = ::open(path("captured").c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    writeWhole("/proc/self/fd/" + std::to_string(fd), "new");
    ::close(fd);
    EXPECT_EQ(readFile(path("captured")), "new");
    EXPECT_EQ(inodeOf(path("captured")), earlier);
    EXPECT_EQ(entries(), std::vector<std::string>{"captured"});
}

TEST_F(OutputFileTest, FullDeviceFailsAndStaysADevice) {
    if (!fs::is_character_file("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    for (const std::size_t size : {std::size_t{10}, std::size_t{1} << 20}) {
        SCOPED_TRACE(size);
        OutputFile file("/dev/full", kFailure);
        file.stream() << std::string(size, 'z');
        try {
            file.commit();
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), kFailure);
        }
    }
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

// ---- A full disk, in process ---------------------------------------------------------------

// Runs `write` in a child process whose files may not grow beyond `limitBytes`, with SIGXFSZ
// ignored so that the write that crosses the limit fails as on a full disk. Returns what
// `write` returned in the child.
std::string underFileSizeLimit(rlim_t limitBytes, const std::function<std::string()>& write) {
    int channel[2];
    if (::pipe(channel) != 0) {
        return "no pipe";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{limitBytes, limitBytes};
        std::string outcome = ::setrlimit(RLIMIT_FSIZE, &limit) == 0 ? write() : "no limit";
        const ssize_t written = ::write(channel[1], outcome.data(), outcome.size());
        ::_exit(written == static_cast<ssize_t>(outcome.size()) ? 0 : 1);
    }
    ::close(channel[1]);
    std::string outcome;
    char buffer[4096];
    ssize_t count;
    while ((count = ::read(channel[0], buffer, sizeof buffer)) > 0) {
        outcome.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return outcome;
}

std::string statusAndError(const testrun::RunResult& result) {
    return "status=" + std::to_string(result.status) + " " + result.err;
}

TEST_F(OutputFileTest, FullDiskKeepsTheEarlierFile) {
    struct Case {
        const char* name;
        std::function<std::string(const std::string& target)> write;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"helper",
         [](const std::string& target) {
             try {
                 writeWhole(target, std::string(1 << 20, 'n'));
                 return std::string("written");
             } catch (const std::runtime_error& error) {
                 return std::string(error.what());
             }
         },
         kFailure},
        {"picture",
         [](const std::string& target) {
             return statusAndError(
                 testrun::runQuorvelWith({"--depth", "4", "--steps", "0", "--svg", target}));
         },
         "status=1 error: Unable to write SVG: {}\n"},
        {"page",
         [](const std::string& target) {
             return statusAndError(testrun::runInProcess(
                 {"quorvel-view", "--depth", "4", "--steps", "50", "--html", target},
                 runQuorvelView));
         },
         "status=1 error: Unable to write HTML: {}\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string target = path("out");
        writePlain(target, "earlier good file");
        std::string expected = c.expected;
        const std::size_t slot = expected.find("{}");
        if (slot != std::string::npos) {
            expected.replace(slot, 2, target);
        }
        EXPECT_EQ(underFileSizeLimit(64 * 1024, [&] { return c.write(target); }), expected);
        EXPECT_EQ(readFile(target), "earlier good file");
        EXPECT_EQ(entries(), std::vector<std::string>{"out"});
    }
}

// ---- Both programs under `ulimit -f` --------------------------------------------------------

// A run that crosses the limit either fails its write (SIGXFSZ ignored: the error line and
// status 1, nothing left behind) or is killed outright; the earlier file survives both.
TEST_F(OutputFileTest, ProgramsOverTheFileSizeLimitKeepTheEarlierFile) {
    struct Case {
        const char* program;
        const char* option;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"quorvel", "--svg", "error: Unable to write SVG: "},
        {"quorvel-view", "--html", "error: Unable to write HTML: "},
    };
    for (const Case& c : cases) {
        for (const bool killed : {false, true}) {
            SCOPED_TRACE(std::string(c.program) + (killed ? " killed" : " refused"));
            fs::remove_all(dir());
            fs::create_directories(dir() / "run");
            const std::string target = path("run/out");
            writePlain(target, "earlier good file");
            const std::string command = "cd " + shellQuoted(dir().string()) + " && " +
                                        (killed ? "" : "trap '' XFSZ; ") + "ulimit -f 100; exec " +
                                        shellQuoted(programPath(c.program)) +
                                        " --depth 5 --steps 0 " + c.option + " " +
                                        shellQuoted(target) + " >/dev/null 2>err";
            const int status = std::system(command.c_str());
            EXPECT_EQ(readFile(target), "earlier good file");
            if (killed) {
                EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
            } else {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
                EXPECT_EQ(readFile(path("err")), c.message + target + "\n");
                EXPECT_EQ(entries("run"), std::vector<std::string>{"out"});
            }
        }
    }
}

// The picture or the page on standard output, itself a pipe, a file or the same file named
// twice: the whole report comes first, then the content, then the line that names it.
TEST_F(OutputFileTest, ContentOnStandardOutputFollowsTheReport) {
    const std::vector<std::string> run = {"--depth", "1", "--steps", "3000"};
    const auto runWith = [&](testrun::EntryPoint entry, const std::string& name,
                             std::vector<std::string> extra) {
        std::vector<std::string> args = run;
        args.insert(args.begin(), name);
        args.insert(args.end(), extra.begin(), extra.end());
        return testrun::runInProcess(args, entry);
    };
    const std::string report = runWith(runQuorvel, "quorvel", {}).out;
    runWith(runQuorvel, "quorvel", {"--svg", path("expected.svg")});
    const std::string picture = readFile(path("expected.svg"));
    const std::string viewReport = runWith(runQuorvelView, "quorvel-view", {"--html", ""}).out;
    runWith(runQuorvelView, "quorvel-view", {"--html", path("expected.html")});
    const std::string page = readFile(path("expected.html"));

    struct Case {
        std::string program;
        std::string option;
        std::string target;  // the value of the option
        std::string shell;   // where standard output goes
        std::string expected;
    };
    const std::string out = path("out.txt");
    const std::vector<Case> cases = {
        {"quorvel", "--svg", "/dev/stdout", "| cat >" + shellQuoted(out),
         report + picture + "svg=/dev/stdout\n"},
        {"quorvel", "--svg", "/dev/stdout", ">" + shellQuoted(out),
         report + picture + "svg=/dev/stdout\n"},
        {"quorvel", "--svg", out, ">" + shellQuoted(out), report + picture + "svg=" + out + "\n"},
        {"quorvel-view", "--html", "/dev/stdout", "| cat >" + shellQuoted(out),
         viewReport + page + "html=/dev/stdout\n"},
        {"quorvel-view", "--html", "/dev/stdout", ">" + shellQuoted(out),
         viewReport + page + "html=/dev/stdout\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program + " " + c.target + " " + c.shell);
        fs::remove(out);
        std::string command = shellQuoted(programPath(c.program));
        for (const std::string& arg : run) {
            command += " " + arg;
        }
        command += " " + c.option + " " + shellQuoted(c.target) + " " + c.shell;
        EXPECT_EQ(std::system(command.c_str()), 0);
        EXPECT_TRUE(readFile(out) == c.expected) << readFile(out).size() << " bytes";
    }
}

// A reader that stops reading: the file is still written whole, then the one error line and
// status 1. The report is larger than a pipe holds, so that the loss is certain.
TEST_F(OutputFileTest, ClosedPipeStillGetsTheFileWritten) {
    struct Case {
        std::string program;
        std::string option;
        testrun::EntryPoint entry;
    };
    const std::vector<Case> cases = {
        {"quorvel", "--svg", runQuorvel},
        {"quorvel-view", "--html", runQuorvelView},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        testrun::runInProcess(
            {c.program, "--depth", "1", "--steps", "30000", c.option, path("expected")}, c.entry);
        const std::string command = "cd " + shellQuoted(dir().string()) + " && { " +
                                    shellQuoted(programPath(c.program)) +
                                    " --depth 1 --steps 30000 " + c.option +
                                    " got 2>err; echo $? >status; } | head -c 1 >/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0);
        EXPECT_EQ(readFile(path("status")), "1\n");
        EXPECT_EQ(readFile(path("err")), "error: Unable to write standard output\n");
        EXPECT_TRUE(readFile(path("got")) == readFile(path("expected")));
    }
}

}  // namespace
}  // namespace quorvel
