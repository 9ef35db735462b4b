// Parchcli end to end: a copy of the built program folder with a test hive, documents in a
// folder of their own, the real engines, and the poppler tools as the oracle.

#include "base/SysUtils.h"
#include "platform/os/FileLock.h"
#include "platform/os/Files.h"
#include "platform/os/Process.h"
#include "tests/cli/FakeProgramFolder.h"
#include "tests/platform/os/ScratchDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <optional>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace parch {
namespace {

namespace fs = std::filesystem;

struct RunResult {
    std::string Output;
    int ExitCode = -1;
};

std::string ReadText(const std::string& path) { return ReadFileBytes(path, 1 << 24).value_or("<missing>"); }

class ParchcliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("PARCH_REGISTRY_HIVE");
        for (const char* name : {"Parchcli", "textract.dat", "iextract.dat", "pdfi.dat"})
            fs::copy_file(std::string(PARCH_PROGRAM_DIR) + name, program_.Path() + name);
        program_.Write("Parchwise.reg",
                       "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Tolvane\\Parchwise]\r\n"
                       "\"Version\"=\"9.8.7\"\r\n\"Website\"=\"http://test.example/\"\r\n");
        fs::copy_file(std::string(PARCH_SOURCE_DIR) + "/samples/sample.pdf", docs_.Path() + "sample.pdf");
    }

    RunResult Parchcli(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), program_.Path() + "Parchcli");
        const ProcessResult result = RunProcessCaptured(arguments, docs_.Path());
        EXPECT_TRUE(result.Started) << result.StartError;
        return {result.Output, result.ExitCode};
    }

    // What the poppler tool itself writes for the same document and options.
    std::string Pdftotext(std::vector<std::string> options, const std::string& input = "sample.pdf") const {
        std::vector<std::string> arguments = {"pdftotext", "-enc", "UTF-8", "-eol", "dos"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back(input);
        arguments.push_back(docs_.Path() + "expected.txt");
        EXPECT_EQ(RunProcessCaptured(arguments, docs_.Path()).ExitCode, 0);
        return ReadText(docs_.Path() + "expected.txt");
    }

    // Format, size and resolution in dots per inch as ImageMagick reads them.
    static std::string Identify(const std::string& path) {
        const std::vector<std::string> fields = SplitCommandWords(
            RunProcessCaptured({"identify", "-format", "%m %wx%h %x %y %U", path}, "/").Output);
        if (fields.size() != 5) return "unreadable";
        const double toInch = fields[4] == "PixelsPerCentimeter" ? 2.54 : 1.0;
        const auto dpi = [&](const std::string& value) { return std::to_string(std::lround(std::stod(value) * toInch)); };
        return fields[0] + " " + fields[1] + " " + dpi(fields[2]) + "x" + dpi(fields[3]);
    }

    // An engine of the program folder replaced by a script; runs use engines already there.
    void InstallEngine(const std::string& name, const std::string& body) const {
        fs::permissions(program_.Write(name, "#!/bin/sh\n" + body + "\n"), fs::perms::owner_all);
    }

    void ExpectNothingLeftBehind() const {
        const std::string temp = program_.Path() + "Temp";
        EXPECT_TRUE(!fs::exists(temp) || fs::is_empty(temp)) << "a run left scratch files";
        for (const char* engine : {"pdfi.bin", "textract.bin", "iextract.bin"})
            EXPECT_FALSE(FileExists(program_.Path() + engine)) << engine;
    }

    test::ScratchDir program_, docs_;
};

const std::string kBanner =
    "------------------------------------------------\r\n"
    "                Parchwise 9.8.7\r\n"
    "  Copyright (C) Tolvane. All rights reserved.\r\n"
    "              http://test.example/\r\n"
    "------------------------------------------------\r\n";

TEST(ParchcliStartTest, TheImageLibrariesAreLoadedOnlyToConvertImages) {
    // The dynamic loader lists what the program loads at its start, without running it.
    const ProcessResult listing =
        RunProcessCaptured({"env", "LD_TRACE_LOADED_OBJECTS=1", std::string(PARCH_PROGRAM_DIR) + "Parchcli"}, "/");
    ASSERT_NE(listing.Output.find("libc.so"), std::string::npos) << listing.Output;
    EXPECT_EQ(listing.Output.find("libfreeimage"), std::string::npos) << listing.Output;
    EXPECT_EQ(listing.Output.find("libopenjp2"), std::string::npos) << listing.Output;
}

TEST_F(ParchcliTest, UsageAndInitializationErrorAreTheProgramsOwnTexts) {
    const std::string usage = ReadText(std::string(PARCH_SOURCE_DIR) + "/tests/cli/data/usage.txt");
    const std::vector<std::vector<std::string>> unusable = {
        {},
        {"-inp sample.pdf"},                    // option and value in one argument
        {"-INP sample.pdf", "-eim"},
        {"-inp", "sample.pdf", "-xyz"},
        {"-inp", "sample.pdf", "-eim", "-imf", "gif"},
        {"-inp", "sample.pdf", "-eim", "-imf", "../x"},
        {"-inp"},
    };
    for (const auto& arguments : unusable) {
        const RunResult run = Parchcli(arguments);
        EXPECT_EQ(run.Output, usage) << (arguments.empty() ? "" : arguments[0]);
        EXPECT_EQ(run.ExitCode, 2);
    }
    ExpectNothingLeftBehind();

    const std::string block = ReadText(std::string(PARCH_SOURCE_DIR) + "/tests/cli/data/initialization-error.txt");
    program_.Write("Parchwise.reg", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Tolvane\\Parchwise]\r\n\"Version\"=\"1\"\r\n");
    EXPECT_EQ(Parchcli({"-inp", "sample.pdf"}).Output, block);
    DeleteFile(program_.Path() + "Parchwise.reg");
    const RunResult missing = Parchcli({"-inp", "sample.pdf"});
    EXPECT_EQ(missing.Output, block);
    EXPECT_EQ(missing.ExitCode, 1);
}

TEST_F(ParchcliTest, TextRunsWriteWhatThePopplerToolWrites) {
    struct Case { std::vector<std::string> options; std::vector<std::string> oracle; };
    const Case cases[] = {
        {{}, {"-layout"}},
        {{"-raw"}, {"-raw"}},
        {{"-nbr", "-LAY"}, {"-layout", "-nopgbrk"}},
        {{"-rng", "2-3"}, {"-f", "2", "-l", "3", "-layout"}},
        {{"-rng", "2-"}, {"-f", "2", "-l", "3", "-layout"}},
        {{"-rng", "3-1"}, {"-f", "1", "-l", "3", "-layout"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"-inp", "sample.pdf", "-out", "Res"};  // relative to the caller
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const RunResult run = Parchcli(arguments);
        EXPECT_EQ(run.Output, kBanner + "Processing...\r\nDone.\r\n");
        EXPECT_EQ(run.ExitCode, 0);
        EXPECT_EQ(ReadText(docs_.Path() + "Res/sample.txt"), Pdftotext(c.oracle)) << c.oracle.back();
    }
    ExpectNothingLeftBehind();
}

TEST_F(ParchcliTest, PerPageTextRunsNameEachPage) {
    const RunResult run = Parchcli({"-inp", "sample.pdf", "-spa", "-rng", "2-3", "-pre", "Pre", "-out", "Out Dir"});
    EXPECT_EQ(run.Output, kBanner + "Processing page 2...\r\nProcessing page 3...\r\nDone.\r\n");
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(ListFiles(docs_.Path() + "Out Dir", "*.*"), (std::vector<std::string>{"Pre-sample-p2.txt", "Pre-sample-p3.txt"}));
    for (const char* page : {"2", "3"})
        EXPECT_EQ(ReadText(docs_.Path() + "Out Dir/Pre-sample-p" + page + ".txt"),
                  Pdftotext({"-f", page, "-l", page, "-layout"}));
}

TEST_F(ParchcliTest, PathsPrefixAndPasswordKeepTheirCaseAndCharacters) {
    const std::string password = "My pa$s;|'\"x";  // two words on the command line
    ASSERT_EQ(RunProcessCaptured({"qpdf", "--encrypt", password, "owner", "256", "--", "sample.pdf", "Locked File.PDF"},
                                 docs_.Path()).ExitCode, 0);
    const RunResult run = Parchcli({"-inp", "Locked", "File.PDF", "-pas", "My", "pa$s;|'\"x", "-pre", "Big"});
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(ReadText(docs_.Path() + "Big-Locked File.txt"), Pdftotext({"-layout", "-upw", password}, "Locked File.PDF"));

    const RunResult wrong = Parchcli({"-inp", "Locked", "File.PDF", "-pas", "my", "pa$s;|'\"x"});
    EXPECT_EQ(wrong.Output, kBanner + "Couldn't determinated \"" + docs_.Path() + "Locked File.PDF\" pages count!\r\n"
                                      "The password is wrong (Command Line Error: Incorrect password).\r\n");
    EXPECT_EQ(wrong.ExitCode, 1);
    ExpectNothingLeftBehind();
}

TEST_F(ParchcliTest, ImageRunsConvertFilterAndStampEveryFormat) {
    struct Case { std::string format; std::string kind; };
    const Case cases[] = {{"bmp", "BMP"}, {"JPG", "JPEG"}, {"jp2", "JP2"}, {"png", "PNG"}, {"tif", "TIFF"}, {"tiff", "TIFF"}};
    for (const Case& c : cases) {
        const std::string out = "img-" + c.format;
        const RunResult run = Parchcli({"-inp", "sample.pdf", "-eim", "-imf", c.format, "-fil", "LT", "16",
                                  "-dpi", "150", "-out", out});
        EXPECT_EQ(run.Output, kBanner + "Processing...\r\nDone.\r\n") << c.format;
        EXPECT_EQ(run.ExitCode, 0);
        const std::string extension = LowerCase(c.format);
        const std::vector<std::string> expected = {"sample-1." + extension, "sample-2." + extension, "sample-3." + extension};
        ASSERT_EQ(ListFiles(docs_.Path() + out, "*.*"), expected) << c.format;
        const std::string sizes[] = {"64x48", "32x32", "40x32"};
        for (int i = 0; i < 3; ++i) {
            const std::string info = Identify(docs_.Path() + out + "/" + expected[i]);
            EXPECT_TRUE(info.starts_with(c.kind + " ") || info.starts_with(c.kind + "3 ")) << info;
            EXPECT_NE(info.find(" " + sizes[i] + " "), std::string::npos) << info;
            if (c.kind != "JP2") {  // the JPEG 2000 writer keeps no resolution
                EXPECT_TRUE(info.ends_with(" 150x150")) << expected[i] << ": " << info;
            }
        }
    }
    ExpectNothingLeftBehind();
}

TEST_F(ParchcliTest, ImageRunsKeepTheEngineKindAndNumberEachPageRun) {
    const RunResult whole = Parchcli({"-inp", "sample.pdf", "-eim"});
    EXPECT_EQ(whole.ExitCode, 0) << whole.Output;
    EXPECT_EQ(ListFiles(docs_.Path(), "sample-*.*"),
              (std::vector<std::string>{"sample-1.jpg", "sample-2.jpg", "sample-3.jpg", "sample-4.bmp"}));

    const RunResult jp2 = Parchcli({"-inp", "sample.pdf", "-eim", "-imf", "jp2", "-out", "jp2"});
    EXPECT_EQ(jp2.ExitCode, 0) << jp2.Output;
    const std::string sizes[] = {"64x48", "8x8", "32x32", "40x32"};
    for (int k = 1; k <= 4; ++k)
        EXPECT_TRUE(Identify(docs_.Path() + "jp2/sample-" + std::to_string(k) + ".jp2").starts_with("JP2 " + sizes[k - 1] + " ")) << k;

    const RunResult pages = Parchcli({"-inp", "sample.pdf", "-eim", "-spa", "-fil", "st", "16", "-out", "small", "-pre", "s"});
    EXPECT_EQ(pages.Output, kBanner + "Processing page 1...\r\nProcessing page 2...\r\nProcessing page 3...\r\nDone.\r\n");
    EXPECT_EQ(ListFiles(docs_.Path() + "small", "*.*"), (std::vector<std::string>{"s-sample-p1-1.jpg"}));
    EXPECT_NE(Identify(docs_.Path() + "small/s-sample-p1-1.jpg").find("8x8"), std::string::npos);
    ExpectNothingLeftBehind();
}

TEST_F(ParchcliTest, SubfolderBesideTheDocumentAndOutputFailuresAreReported) {
    const RunResult sub = Parchcli({"-inp", docs_.Path() + "sample.pdf", "-sub"});
    EXPECT_EQ(sub.ExitCode, 0) << sub.Output;
    EXPECT_TRUE(FileExists(docs_.Path() + "sample/sample.txt"));

    docs_.Write("blocker", "a file where a folder should go");
    const RunResult folder = Parchcli({"-inp", "sample.pdf", "-out", "blocker/res"});
    EXPECT_EQ(folder.Output, kBanner + "Couldn't create the output folder \"" + docs_.Path() + "blocker/res/\"!\r\n");
    EXPECT_EQ(folder.ExitCode, 1);

    ASSERT_TRUE(CreateDir(docs_.Path() + "taken") && CreateDir(docs_.Path() + "taken/sample.txt"));
    const RunResult engine = Parchcli({"-inp", "sample.pdf", "-out", "taken"});
    EXPECT_EQ(engine.Output.find("Done."), std::string::npos) << engine.Output;
    EXPECT_NE(engine.Output.find("Couldn't open text file"), std::string::npos) << engine.Output;
    EXPECT_EQ(engine.ExitCode, 1);

    ASSERT_TRUE(CreateDir(docs_.Path() + "taken/sample-p1.txt"));
    const RunResult perPage = Parchcli({"-inp", "sample.pdf", "-out", "taken", "-spa", "-rng", "1-2"});
    EXPECT_EQ(perPage.Output.find("Done."), std::string::npos) << perPage.Output;
    EXPECT_TRUE(FileExists(docs_.Path() + "taken/sample-p2.txt"));  // the run goes on
    EXPECT_EQ(perPage.ExitCode, 1);

    docs_.Write("not.pdf", "plain text");
    const RunResult notPdf = Parchcli({"-inp", "not.pdf"});
    EXPECT_NE(notPdf.Output.find("pages count!"), std::string::npos);
    EXPECT_EQ(notPdf.ExitCode, 1);
    ExpectNothingLeftBehind();
}

TEST_F(ParchcliTest, MetadataNamingThePageEngineDoesNotHideThePageCount) {
    ASSERT_EQ(RunProcessCaptured({"python3", std::string(PARCH_SOURCE_DIR) + "/samples/make_sample.py",
                                  "--title", "Converted by pdfinfo", "titled.pdf"}, docs_.Path()).ExitCode, 0);
    const RunResult run = Parchcli({"-inp", "titled.pdf"});
    EXPECT_EQ(run.Output, kBanner + "Processing...\r\nDone.\r\n");
    EXPECT_EQ(ReadText(docs_.Path() + "titled.txt"), Pdftotext({"-layout"}, "titled.pdf"));
}

TEST_F(ParchcliTest, TheEnginesExitStatusDecidesTheVerdict) {
    using test::FakeEngine;
    struct Case { const char* pageInfo; const char* engine; std::string body; std::string printed; int exitCode; };
    const Case cases[] = {
        {"Pages: 3", "textract.bin", "printf 'pdftotext version 22\\nUsage: pdftotext [options]\\n'; exit 99",
         "Processing...\r\nZembrix text extraction engine error!\r\n\"textract.bin\" ended with exit code 99\r\n", 1},
        {"Pages: 3", "iextract.bin", "echo 'Usage: pdfimages [options]'; exit 99",
         "Processing...\r\nZembrix image extraction engine error!\r\n\"iextract.bin\" ended with exit code 99\r\n", 1},
        {"Pages: 3", "textract.bin", FakeEngine::kWarns,
         "Processing...\r\n Warning: Syntax Warning: odd\r\n Warning: Syntax Error: damaged\r\nDone.\r\n", 0},
        {"Pages: 3", "textract.bin", "printf '\\r\\n\\n'", "Processing...\r\nDone.\r\n", 0},
        {"Pages: 3", "textract.bin", FakeEngine::kFailsSilently,
         "Processing...\r\n\"textract.bin\" ended with exit code 3\r\n", 1},
        {"Pages: 3", "textract.bin", FakeEngine::kComplains,
         "Processing...\r\nSyntax Error: damaged\r\n\"textract.bin\" ended with exit code 1\r\n", 1},
        {"Pages: 3", "iextract.bin", FakeEngine::kCrashes,
         "Processing...\r\n\"iextract.bin\" was stopped by signal 11\r\n", 1},
        {"Pages: many", "textract.bin", "true", "Error: 'many' is not a valid integer value\r\n", 1},
    };
    for (const Case& c : cases) {
        // Engines already in the folder are used as they are, and deleted after the run.
        InstallEngine("pdfi.bin", "echo '" + std::string(c.pageInfo) + "'");
        InstallEngine(c.engine, c.body);
        const bool images = std::string(c.engine) == "iextract.bin";
        const RunResult run = Parchcli({"-inp", "sample.pdf", images ? "-eim" : "-etx"});
        EXPECT_EQ(run.Output, kBanner + c.printed) << c.body;
        EXPECT_EQ(run.ExitCode, c.exitCode) << c.body;
        ExpectNothingLeftBehind();
    }
}

TEST_F(ParchcliTest, AWarningKeepsThePagesImagesAFailureDiscardsThem) {
    InstallEngine("pdfi.bin", "echo 'Pages: 3'");
    // Arguments: -f n -l n input root. Each page writes an image; page 1 warns, page 2 fails.
    InstallEngine("iextract.bin", "printf 'P5\\n1 1\\n255\\n\\200' > \"$6-00$2.pgm\"\n"
                                  "case $2 in 1) echo 'Syntax Warning: odd';; 2) echo 'Syntax Error: damaged'; exit 1;; esac");
    const RunResult run = Parchcli({"-inp", "sample.pdf", "-eim", "-spa", "-out", "pages"});
    EXPECT_EQ(run.Output, kBanner + "Processing page 1...\r\n Warning: Syntax Warning: odd\r\n"
                                    "Processing page 2...\r\nSyntax Error: damaged\r\n\"iextract.bin\" ended with exit code 1\r\n"
                                    "Processing page 3...\r\n");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(ListFiles(docs_.Path() + "pages", "*.*"), (std::vector<std::string>{"sample-p1-1.bmp", "sample-p3-1.bmp"}));
    ExpectNothingLeftBehind();
}

TEST_F(ParchcliTest, ArgumentsReachTheEnginesByteForByte) {
    const std::string record = docs_.Path() + "arguments";
    struct Case { std::vector<std::string> arguments; std::string input, text; };
    const Case cases[] = {
        {{"-inp", "report - Copy.pdf"}, "report - Copy.pdf", "report - Copy.txt"},
        {{"-inp", "Q3 -final.pdf", "-out", "sp ace/d  ir"}, "Q3 -final.pdf", "sp ace/d  ir/Q3 -final.txt"},
        {{"-INPUT", "My", "Files.pdf", "-pre", " p ", "-out", " o "}, "My Files.pdf", " o / p -My Files.txt"},
        {{"-inp", "ab"}, "ab", "ab.txt"},
        {{"-inp", "\u5831\u544a.pdf", "-rng", "2"}, "\u5831\u544a.pdf", "\u5831\u544a.txt"},
    };
    for (const Case& c : cases) {
        InstallEngine("pdfi.bin", "echo 'Pages: 2'");
        InstallEngine("textract.bin", "printf '%s\\0' \"$@\" > '" + record + "'");
        const RunResult run = Parchcli(c.arguments);
        EXPECT_EQ(run.ExitCode, 0) << run.Output;
        std::vector<std::string> received;
        const std::string all = ReadText(record);
        for (std::size_t at = 0, end; (end = all.find('\0', at)) != std::string::npos; at = end + 1)
            received.push_back(all.substr(at, end - at));
        ASSERT_GE(received.size(), 2u) << c.input;
        EXPECT_EQ(received[received.size() - 2], docs_.Path() + c.input);
        EXPECT_EQ(received.back(), docs_.Path() + c.text);
        EXPECT_TRUE(DirectoryExists(ExtractFilePath(docs_.Path() + c.text))) << c.text;
    }
}

TEST_F(ParchcliTest, AnUnreadablePageCountSaysWhy) {
    ASSERT_EQ(RunProcessCaptured({"qpdf", "--encrypt", "secret", "owner", "256", "--", "sample.pdf", "locked.pdf"},
                                 docs_.Path()).ExitCode, 0);
    docs_.Write("empty.pdf", "");
    docs_.Write("text.pdf", "just some text\n");
    docs_.Write("damaged.pdf", ReadText(docs_.Path() + "sample.pdf").substr(0, 300));
    ASSERT_TRUE(CreateDir(docs_.Path() + "folder.pdf"));
    struct Case { std::vector<std::string> arguments; std::string cause; };
    const Case cases[] = {
        {{"-inp", "missing.pdf"}, "No such file."},
        {{"-inp", "folder.pdf"}, "It is a folder, not a file."},
        {{"-inp", "empty.pdf"}, "The file is empty."},
        {{"-inp", "text.pdf"}, "The file is not a PDF document."},
        {{"-inp", "damaged.pdf"}, "The document is damaged beyond repair (Syntax Error: Couldn't read xref table)."},
        {{"-inp", "locked.pdf"}, "The document needs a password (-pas) (Command Line Error: Incorrect password)."},
        {{"-inp", "locked.pdf", "-pas", "wrong"}, "The password is wrong (Command Line Error: Incorrect password)."},
    };
    for (const Case& c : cases) {
        const RunResult run = Parchcli(c.arguments);
        EXPECT_EQ(run.Output, kBanner + "Couldn't determinated \"" + docs_.Path() + c.arguments[1] + "\" pages count!\r\n" +
                                  c.cause + "\r\n");
        EXPECT_EQ(run.ExitCode, 1);
    }
    ExpectNothingLeftBehind();
}

TEST_F(ParchcliTest, ParallelRunsIntoOneNewFolderChainAllSucceed) {
    // Engines that answer at once, kept for the whole test: a run deletes the engines only
    // when no other holds the lock, and the test holds it too.
    InstallEngine("pdfi.bin", "echo Pages: 1");
    InstallEngine("textract.bin", "for a; do last=$a; done; : > \"$last\"");
    FileLock engines(program_.Path() + "engines.lock");
    ASSERT_TRUE(engines.LockShared());
    for (int round = 0; round < 50; ++round) {
        const std::string chain = "chain" + std::to_string(round) + "/a/b/c/d/e/f/g/h";
        std::vector<RunResult> runs(8);
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < runs.size(); ++i)
            threads.emplace_back([&, i] { runs[i] = Parchcli({"-inp", "sample.pdf", "-out", chain, "-pre", std::to_string(i)}); });
        for (std::thread& thread : threads) thread.join();
        for (std::size_t i = 0; i < runs.size(); ++i) {
            ASSERT_EQ(runs[i].ExitCode, 0) << "round " << round << ": " << runs[i].Output;
            EXPECT_TRUE(FileExists(docs_.Path() + chain + "/" + std::to_string(i) + "-sample.txt"));
        }
    }
    engines.Unlock();
    DeleteFile(program_.Path() + "pdfi.bin");
    DeleteFile(program_.Path() + "textract.bin");
    ExpectNothingLeftBehind();
}

// False for a process that is gone or only waits to be reaped.
bool ProcessAlive(const std::string& pid) {
    const std::optional<std::string> stat = ReadFileBytes("/proc/" + pid + "/stat", 4096);
    if (!stat) return false;
    const std::size_t close = stat->rfind(')');
    return close != std::string::npos && close + 2 < stat->size() && (*stat)[close + 2] != 'Z' &&
           (*stat)[close + 2] != 'X';
}

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST_F(ParchcliTest, AnInterruptedRunTakesItsEngineAlongAndTheNextRunLeavesNothing) {
    for (const int signal : {SIGKILL, SIGINT}) {
        const std::string pidFile = docs_.Path() + "engine.pid";
        DeleteFile(pidFile);
        InstallEngine("pdfi.bin", "echo 'Pages: 1'");
        // Arguments: input root. It writes an image, then hangs.
        InstallEngine("iextract.bin", ": > \"$2-000.ppm\"; echo $PPID > '" + pidFile + ".parent'; " +
                                          test::FakeEngine::Hangs(pidFile));
        RunResult interrupted;
        std::thread run([&] { interrupted = Parchcli({"-inp", "sample.pdf", "-eim", "-out", "stopped"}); });
        const bool started = WaitFor([&] { return FileExists(pidFile); }, std::chrono::seconds(60));
        const std::string engine = Trim(ReadText(pidFile));
        if (started) {
            EXPECT_TRUE(ProcessAlive(engine));
            ::kill(StrToInt(Trim(ReadText(pidFile + ".parent"))), signal);
            // The engine goes at once with its parent, or on the signal the parent received.
            EXPECT_TRUE(WaitFor([&] { return !ProcessAlive(engine); }, std::chrono::seconds(1))) << signal;
        }
        run.join();
        ASSERT_TRUE(started) << signal;
        if (signal == SIGINT) {
            EXPECT_EQ(interrupted.ExitCode, 130);
            EXPECT_EQ(interrupted.Output, kBanner + "Processing...\r\nInterrupted by signal 2!\r\n");
            ExpectNothingLeftBehind();
        }
        // The next run (with the real engines) removes what a killed run left.
        DeleteFile(program_.Path() + "pdfi.bin");
        DeleteFile(program_.Path() + "iextract.bin");
        const RunResult next = Parchcli({"-inp", "sample.pdf", "-eim", "-out", "next"});
        EXPECT_EQ(next.Output, kBanner + "Processing...\r\nDone.\r\n") << signal;
        ExpectNothingLeftBehind();
    }
}

TEST_F(ParchcliTest, ConcurrentRunsKeepTheirOwnImagesAndEngines) {
    std::vector<RunResult> runs(4);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < runs.size(); ++i)
        threads.emplace_back([&, i] {
            runs[i] = i % 2 ? Parchcli({"-inp", "sample.pdf", "-eim", "-spa", "-imf", "png", "-out", "c" + std::to_string(i)})
                            : Parchcli({"-inp", "sample.pdf", "-out", "c" + std::to_string(i)});
        });
    for (std::thread& thread : threads) thread.join();
    for (std::size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].ExitCode, 0) << runs[i].Output;
        const std::string out = docs_.Path() + "c" + std::to_string(i);
        if (i % 2) {
            EXPECT_EQ(ListFiles(out, "*.*"), (std::vector<std::string>{"sample-p1-1.png", "sample-p1-2.png",
                                                                       "sample-p2-1.png", "sample-p3-1.png"}));
        } else {
            EXPECT_EQ(ReadText(out + "/sample.txt"), Pdftotext({"-layout"}));
        }
    }
    ExpectNothingLeftBehind();
}

}  // namespace
}  // namespace parch
