#include "cli/ParamWrapper.h"

#include "base/SysUtils.h"
#include "platform/os/Files.h"
#include "tests/cli/FakeProgramFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace parch {
namespace {

using Words = std::vector<std::string>;

TEST(SplitTextTest, CutsAtTheSeparatorAndLineBreaksAndDropsEmptyPieces) {
    EXPECT_EQ(SplitText("", ' '), Words{});
    EXPECT_EQ(SplitText("  a  b\r\nc\nd ", ' '), (Words{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitText("3-", '-'), (Words{"3"}));
    EXPECT_EQ(SplitText("\"a b\"", ' '), (Words{"\"a", "b\""}));
}

// The parse as a table over argument vectors as the shell hands them over.
struct ParseCase {
    Words arguments;
    bool usable;
    std::string input, output, prefix, password, range;
};

const ParseCase kParseCases[] = {
    {{"-inp", "report - Copy.pdf"}, true, "report - Copy.pdf", "", "", "", ""},
    {{"-inp", "Q3 -final.pdf", "-out", "sp ace/d  ir"}, true, "Q3 -final.pdf", "sp ace/d  ir", "", "", ""},
    {{"-inp", " lead", "trail ", "-out", "  "}, true, " lead trail ", "  ", "", "", ""},
    {{"-inp", "My", "Files/Report.PDF", "-EIM"}, true, "My Files/Report.PDF", "", "", "", ""},
    {{"-INPUT", "a.pdf", "-inp", "b.pdf", "-pas", "Se", "Cret", "-pre", "Img-", "-rng", "2-5"}, true,
     "b.pdf", "", "Img-", "Se Cret", "2-5"},
    {{"-inp", "a\tb\nc.pdf", "-pas", "x-y", "-Pre", "p-"}, true, "a\tb\nc.pdf", "", "p-", "x-y", ""},
    {{"-inp", "a.pdf", "-pre", "-"}, false, "", "", "", "", ""},           // a lone "-" is no option word
    {{"-inp", "-final.pdf"}, false, "", "", "", "", ""},                   // nor is a value beginning with "-"
    {{"-inp", "a.pdf", "-rng", "-5"}, false, "", "", "", "", ""},
    {{"-inp", "a.pdf", "-xyz"}, false, "", "", "", "", ""},
    {{"-inp a.pdf", "-eim"}, false, "", "", "", "", ""},                   // option and value in one argument
    {{"-inp"}, false, "", "", "", "", ""},
    {{"-inp", "-eim"}, false, "", "", "", "", ""},
    {{"-inp", "", "-eim"}, false, "", "", "", "", ""},
    {{}, false, "", "", "", "", ""},
};

TEST(ParseParametersTest, ArgumentsAreKeptByteForByte) {
    for (const ParseCase& c : kParseCases) {
        RunParameters p;
        const std::string label = c.arguments.empty() ? std::string("<none>") : c.arguments[0] + " " + (c.arguments.size() > 1 ? c.arguments[1] : "");
        ASSERT_EQ(ParseParameters(c.arguments, p), c.usable) << label;
        if (!c.usable) continue;
        EXPECT_EQ(p.InputPath, c.input) << label;
        EXPECT_EQ(p.OutputFolder, c.output) << label;
        EXPECT_EQ(p.Prefix, c.prefix) << label;
        EXPECT_EQ(p.Password, c.password) << label;
        EXPECT_EQ(p.RangeText, c.range) << label;
        EXPECT_EQ(p.PageCount, 0) << "the parse reads nothing";
    }
}

TEST(GetParamValueTest, ValueRunsToTheNextOptionWordAndTheLastOccurrenceWins) {
    const Words arguments = {"-inp", "/My Files/Report.pdf", "-EIM", "-Out", "/res", "-inp", " /b.pdf", "-pas", "Se", "Cret"};
    EXPECT_EQ(GetParamValue(arguments, "inp"), " /b.pdf");
    EXPECT_EQ(GetParamValue(arguments, "out"), "/res");
    EXPECT_EQ(GetParamValue(arguments, "pas"), "Se Cret");
    EXPECT_EQ(GetParamValue(arguments, "pre"), "");
    EXPECT_EQ(GetParamValue({"-inputfile", "x.pdf"}, "inp"), "x.pdf");
    EXPECT_EQ(GetParamValue({"-inp", "a", "", "b"}, "inp"), "a  b");  // one blank per split
    EXPECT_TRUE(IsOptionWord("-Input"));
    EXPECT_FALSE(IsOptionWord("-inp x"));
    EXPECT_FALSE(IsOptionWord("Q3 -final.pdf"));
}

TEST(CheckParametersTest, OptionWordsInAnyCaseValuesAsTyped) {
    RunParameters p;
    ASSERT_TRUE(CheckParameters({"-INP", "/My Files/Report.PDF", "-Eim", "-pre", "Img", "-pas", "PassWord", "-imf", "PNG",
                                 "-FIL", "ST", "100", "-dpi", "150", "-sub", "-spa", "-raw", "-nbr", "-out", "/Out Dir"}, p));
    EXPECT_EQ(p.InputPath, "/My Files/Report.PDF");
    EXPECT_FALSE(p.TextMode);
    EXPECT_EQ(p.Prefix, "Img");
    EXPECT_EQ(p.Password, "PassWord");
    EXPECT_EQ(p.ImageFormat, "png");
    EXPECT_EQ(p.SizeFilter, "st 100");
    EXPECT_EQ(p.Dpi, "150");
    EXPECT_EQ(p.OutputFolder, "/Out Dir");
    EXPECT_TRUE(p.Subfolder && p.SeparatePages && p.NoPageBreaks);
    EXPECT_FALSE(p.Layout);

    RunParameters q;
    ASSERT_TRUE(CheckParameters({"-inp", "a.pdf", "-inp", "b.pdf", "-eim", "-etx", "-raw", "-lay"}, q));
    EXPECT_EQ(q.InputPath, "b.pdf");
    EXPECT_TRUE(q.TextMode);
    EXPECT_TRUE(q.Layout);
}

TEST(CheckParametersTest, UnusableArguments) {
    const Words lines[] = {
        {},
        {"-inp"},
        {"single"},
        {"-inp", "a.pdf", "-pas", "-secret"},
        {"-inp", "a.pdf", "-eim", "-imf", "gif"},  // formats outside the table
        {"-inp", "a.pdf", "-eim", "-imf", "../x"},
        {"-inp", "a.pdf", "-eim", "-imf", "png/.."},
    };
    for (const Words& line : lines) {
        RunParameters p;
        EXPECT_FALSE(CheckParameters(line, p)) << (line.empty() ? "" : line.back());
    }
    for (const char* format : {"bmp", "JPG", "jp2", "png", "tif", "TIFF"}) {
        RunParameters p;
        EXPECT_TRUE(CheckParameters({"-inp", "a.pdf", "-imf", format}, p)) << format;
        EXPECT_EQ(p.ImageFormat, LowerCase(format));
    }
}

TEST(ParsePageRangeTest, RangesOnATenPageDocument) {
    struct Case { Words line; int first, last; };
    const Case cases[] = {
        {{"-rng", "3"}, 3, 3},    {{"-rng", "3-"}, 3, 10},   {{"-rng", "2-5"}, 2, 5},
        {{"-RNG", "2-5"}, 2, 5},  {{"-rng", "5-2"}, 1, 10},  {{"-rng", "0-4"}, 1, 10},
        {{"-rng", "x"}, 1, 10},   {{"-rng", "2-99"}, 1, 10}, {{"-rng", "2-x"}, 1, 10},
        {{"-rng", "2-4-9"}, 2, 4}, {{"-rng", "10"}, 10, 10}, {{}, 0, 0},
    };
    for (const Case& c : cases) {
        Words arguments = {"-inp", "a.pdf"};
        arguments.insert(arguments.end(), c.line.begin(), c.line.end());
        RunParameters p;
        ASSERT_TRUE(ParseParameters(arguments, p));
        p.PageCount = 10;
        ParsePageRange(p);
        EXPECT_EQ(p.FirstPage, c.first) << p.RangeText;
        EXPECT_EQ(p.LastPage, c.last) << p.RangeText;
    }
}

TEST(PagesCountTest, ReadsTheLastPagesLineAndKnowsTheUsageTextByItsFirstLine) {
    EXPECT_EQ(PagesCountFromOutput("Title:   x\nPages:          12\nEncrypted: no\n"), 12);
    // Metadata that mentions the engine does not hide the count.
    EXPECT_EQ(PagesCountFromOutput("Title:   converted with pdfinfo\r\nPages:  7\r\n"), 7);
    EXPECT_EQ(PagesCountFromOutput("Keywords: a\nPages: 3\nx\nPages: 4\n"), 4);
    EXPECT_EQ(PagesCountFromOutput("pdfinfo version 22.12.0\nCopyright\nUsage: pdfinfo [options] <PDF-file>\n"), 0);
    EXPECT_EQ(PagesCountFromOutput("Command Line Error: Incorrect password\n"), 0);
    EXPECT_EQ(PagesCountFromOutput(""), 0);
    EXPECT_THROW(PagesCountFromOutput("Pages: many\n"), EConvertError);
}

TEST(BuildOutputPathTest, NamesFromPrefixFolderAndDocument) {
    struct Case { const char* input; const char* out; const char* prefix; bool text; const char* path; const char* folder; };
    const Case cases[] = {
        {"/in/doc.pdf", "", "", true, "/in/doc.txt", "/in/"},
        {"/in/doc.pdf", "/res", "p", true, "/res/p-doc.txt", "/res/"},
        {"/in/doc.pdf", "/res/ ", "p-", true, "/res/ /p-doc.txt", "/res/ /"},  // the folder as given
        {"/in/Report.tiff", "/res", "", true, "/res/Report.tiff.txt", "/res/"},  // no three-letter extension
        {"/in/doc.pdf", "/res", "img", false, "/res/", "/res"},
    };
    for (const Case& c : cases) {
        RunParameters p;
        p.InputPath = c.input;
        p.OutputFolder = c.out;
        p.Prefix = c.prefix;
        p.TextMode = c.text;
        EXPECT_EQ(BuildOutputPath(p), c.path) << c.input;
        if (c.text) {
            EXPECT_EQ(p.OutputFolder, c.folder);
        }
        if (*c.prefix) {
            EXPECT_EQ(p.Prefix.back(), '-');
        }
    }
}

TEST(BuildOutputPathTest, ASubfolderBesideTheDocumentDropsTheExtension) {
    const test::ScratchDir dir;
    dir.Write("doc.pdf", "%PDF");
    RunParameters p;
    p.InputPath = dir.Path() + "doc.pdf";
    p.Subfolder = true;
    EXPECT_EQ(BuildOutputPath(p), dir.Path() + "doc/doc.txt");

    RunParameters elsewhere;  // no clash in another folder: the whole file name, as before
    elsewhere.InputPath = dir.Path() + "doc.pdf";
    elsewhere.OutputFolder = dir.Path() + "res";
    elsewhere.Subfolder = true;
    elsewhere.TextMode = false;
    EXPECT_EQ(BuildOutputPath(elsewhere), dir.Path() + "res/doc.pdf/");
}

TEST(FolderChainTest, CreatesEveryMissingLevel) {
    const test::ScratchDir dir;
    EXPECT_EQ(IncludeBackslash("  "), "");
    EXPECT_EQ(IncludeBackslash(" /a "), "/a/");
    EXPECT_TRUE(CreateFolderChain(dir.Path() + "a/b//c/"));
    EXPECT_TRUE(DirectoryExists(dir.Path() + "a/b/c"));
    EXPECT_TRUE(CreateFolderChain(dir.Path() + "a/b"));
    dir.Write("file", "x");
    EXPECT_FALSE(CreateFolderChain(dir.Path() + "file/sub"));
}

TEST(EngineCommandLineTest, LinesAndArgumentsOfTheEngines) {
    RunParameters p;
    p.InputPath = "/in/my doc.pdf";
    p.OutputPath = "/out/p-my doc.txt";
    p.Password = "pa ss\"$(x);|";
    p.NoPageBreaks = true;
    EngineCommandLine text = EngineHead(p);
    text.Append(RangeArguments(2, 5)).Append(EngineTail(p, ""));
    EXPECT_EQ(text.Text(), "textract.bin -enc UTF-8 -eol dos -f 2 -l 5 -layout -nopgbrk -upw pa ss\"$(x);| "
                           "\"/in/my doc.pdf\" \"/out/p-my doc.txt\"");
    EXPECT_EQ(text.Arguments(), (Words{"textract.bin", "-enc", "UTF-8", "-eol", "dos", "-f", "2", "-l", "5",
                                       "-layout", "-nopgbrk", "-upw", "pa ss\"$(x);|", "/in/my doc.pdf",
                                       "/out/p-my doc.txt"}));
    text.InsertPageIntoTextPath(3);
    EXPECT_EQ(text.Arguments().back(), "/out/p-my doc-p3.txt");

    p.Password.clear();
    p.TextMode = false;
    EngineCommandLine images = EngineHead(p);
    images.Append(RangeArguments(0, 0)).Append(EngineTail(p, "/prog/Temp/run-1/tmp"));
    EXPECT_EQ(images.Text(), "iextract.bin \"/in/my doc.pdf\" \"/prog/Temp/run-1/tmp\"");
    EXPECT_EQ(PageInfoCommandLine(p).Text(), "pdfi.bin \"/in/my doc.pdf\"");
    EXPECT_EQ(PackageCommandLine("pdfi").Text(), "pdfi.dat -ptelmova");
}

TEST(ImageOutputNameTest, PrefixBasePageAndNumber) {
    RunParameters p;
    p.InputPath = "/in/report.pdf";
    p.OutputFolder = "/res/";
    p.Prefix = "p-";
    EXPECT_EQ(ImageOutputName(p, 0, 2, "PNG"), "/res/p-report-2.png");
    EXPECT_EQ(ImageOutputName(p, 3, 1, "png"), "/res/p-report-p3-1.png");
    p.Prefix = "-";
    EXPECT_EQ(ImageOutputName(p, 0, 1, "jpg"), "/res/report-1.jpg");
}

TEST(ParseParametersTest, PathsResolvedAgainstTheCallersFolderThenThePageCountCompletesTheRun) {
    const test::FakeProgramFolder program;
    program.AddScript("pdfi.bin", "printf '%s|' \"$@\" > args.txt; echo 'Pages: 10'");
    RunParameters p;
    ASSERT_TRUE(ParseParameters({"-inp", "In Dir/Doc.pdf", "-out", "Res", "-pre", "X", "-pas", "My Secret", "-spa", "-rng", "4-"}, p));
    ResolvePaths(p, "/base/");
    EXPECT_EQ(p.InputPath, "/base/In Dir/Doc.pdf");
    const PagesCount pages = GetPagesCount(p, program.Path());
    EXPECT_EQ(pages.Count, 10);
    EXPECT_EQ(ReadFileBytes(program.Path() + "args.txt", 1000).value_or(""), "-upw|My Secret|/base/In Dir/Doc.pdf|");
    p.PageCount = pages.Count;
    CompleteParameters(p);
    EXPECT_EQ(p.OutputPath, "/base/Res/X-Doc.txt");
    EXPECT_EQ(p.OutputFolder, "/base/Res/");
    EXPECT_EQ(p.FirstPage, 4);
    EXPECT_EQ(p.LastPage, 10);

    RunParameters spa;
    ASSERT_TRUE(ParseParameters({"-inp", "/d.pdf", "-spa", "-eim"}, spa));
    spa.PageCount = 10;
    CompleteParameters(spa);
    EXPECT_EQ(spa.FirstPage, 1);
    EXPECT_EQ(spa.LastPage, 10);
    EXPECT_EQ(spa.OutputFolder, "/");
}

TEST(BaseNameTest, OnlyAThreeCharacterExtensionGoesAndNoCharacterIsCut) {
    struct Case { const char* input; const char* base; };
    const Case cases[] = {
        {"/in/report.pdf", "report"},      {"/in/ab", "ab"},                {"/in/a.pdf", "a"},
        {"/in/.pdf", ".pdf"},              {"/in/ab.c", "ab.c"},            {"/in/Report.tiff", "Report.tiff"},
        {"/in/a.b.c", "a.b.c"},            {"/in/x..pdf", "x."},            {"/in/\u5831\u544a.pdf", "\u5831\u544a"},
        {"/in/ab\u20ac", "ab\u20ac"},        // five bytes, three characters
        {"/in/z.\u65e5\u672c\u8a9e", "z"},  // a dot and three characters, nine bytes
        {"/in/\u00e9t\u00e9.pdf", "\u00e9t\u00e9"},
    };
    for (const Case& c : cases) EXPECT_EQ(BaseName(c.input), c.base) << c.input;
}

TEST(FolderChainTest, ParallelCreatorsOfOneChainAllSucceed) {
    const test::ScratchDir dir;
    for (int round = 0; round < 20; ++round) {
        const std::string chain = dir.Path() + "r" + std::to_string(round) + "/a/b/c/d/e/f/g/h";
        std::vector<int> results(8, 0);
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < results.size(); ++i)
            threads.emplace_back([&, i] { results[i] = CreateFolderChain(chain) ? 1 : 0; });
        for (std::thread& thread : threads) thread.join();
        EXPECT_EQ(std::count(results.begin(), results.end(), 1), 8) << round;
        EXPECT_TRUE(DirectoryExists(chain));
    }
}

}  // namespace
}  // namespace parch
