// Parchcli end to end: a copy of the built program folder with a test hive, documents in a
// folder of their own, the real engines, and the poppler tools as the oracle.

#include "base/SysUtils.h"
#include "platform/os/Files.h"
#include "platform/os/Process.h"
#include "tests/platform/os/ScratchDir.h"

#include <gtest/gtest.h>

#include <cmath>
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
    EXPECT_EQ(wrong.Output, kBanner + "Couldn't determinated \"" + docs_.Path() + "Locked File.PDF\" pages count!\r\n");
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

TEST_F(ParchcliTest, TheEnginesOutputDecidesTheVerdict) {
    struct Case { const char* pageInfo; const char* engine; const char* body; std::string printed; int exitCode; };
    const Case cases[] = {
        {"Pages: 3", "textract.bin", "printf 'pdftotext version 22\\nUsage: pdftotext [options]\\n'",
         "Processing...\r\nZembrix text extraction engine error!\r\n", 1},
        {"Pages: 3", "iextract.bin", "echo 'Usage: pdfimages [options]'",
         "Processing...\r\nZembrix image extraction engine error!\r\n", 1},
        {"Pages: 3", "textract.bin", "printf '\\r\\n\\r\\n'", "Processing...\r\nDone.\r\n", 0},
        {"Pages: 3", "textract.bin", "printf '\\n'", "Processing...\r\n\n\r\n", 1},  // a lone LF is output
        {"Pages: many", "textract.bin", "true", "Error: 'many' is not a valid integer value\r\n", 1},
    };
    for (const Case& c : cases) {
        // Engines already in the folder are used as they are, and deleted after the run.
        for (const auto& [name, body] : {std::pair{"pdfi.bin", "echo '" + std::string(c.pageInfo) + "'"},
                                         std::pair{c.engine, std::string(c.body)}}) {
            const std::string path = program_.Write(name, "#!/bin/sh\n" + body + "\n");
            fs::permissions(path, fs::perms::owner_all);
        }
        const bool images = std::string(c.engine) == "iextract.bin";
        const RunResult run = Parchcli({"-inp", "sample.pdf", images ? "-eim" : "-etx"});
        EXPECT_EQ(run.Output, kBanner + c.printed) << c.body;
        EXPECT_EQ(run.ExitCode, c.exitCode) << c.body;
        ExpectNothingLeftBehind();
    }
}

TEST_F(ParchcliTest, ImagesOfAFailedPageRunAreNotTakenForTheNextPage) {
    for (const auto& [name, body] : {
             std::pair{"pdfi.bin", std::string("echo 'Pages: 2'")},
             // Arguments: -f n -l n input root. Page 1 writes an image and then complains.
             std::pair{"iextract.bin", std::string("printf 'P5\\n1 1\\n255\\n\\200' > \"$6-00$2.pgm\"\n"
                                                   "[ \"$2\" = 1 ] && echo 'Syntax Error: damaged'\nexit 0")}}) {
        fs::permissions(program_.Write(name, "#!/bin/sh\n" + body + "\n"), fs::perms::owner_all);
    }
    const RunResult run = Parchcli({"-inp", "sample.pdf", "-eim", "-spa", "-out", "pages"});
    EXPECT_EQ(run.Output, kBanner + "Processing page 1...\r\nSyntax Error: damaged\n\r\nProcessing page 2...\r\n");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(ListFiles(docs_.Path() + "pages", "*.*"), (std::vector<std::string>{"sample-p2-1.bmp"}));
    ExpectNothingLeftBehind();
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
