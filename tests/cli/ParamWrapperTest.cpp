#include "cli/ParamWrapper.h"

#include "base/SysUtils.h"
#include "platform/os/Files.h"
#include "tests/cli/FakeProgramFolder.h"

#include <gtest/gtest.h>

namespace parch {
namespace {

using Words = std::vector<std::string>;

TEST(SplitTextTest, CutsAtTheSeparatorAndLineBreaksAndDropsEmptyPieces) {
    EXPECT_EQ(SplitText("", ' '), Words{});
    EXPECT_EQ(SplitText("  a  b\r\nc\nd ", ' '), (Words{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitText("3-", '-'), (Words{"3"}));
    EXPECT_EQ(SplitText("\"a b\"", ' '), (Words{"\"a", "b\""}));
}

TEST(GetParamValueTest, ValueRunsToTheNextOptionAndTheLastOccurrenceWins) {
    const std::string line = "-inp /My Files/Report.pdf -EIM -Out /res -inp  /b.pdf -pas Se Cret";
    EXPECT_EQ(GetParamValue(line, "inp"), "/b.pdf");
    EXPECT_EQ(GetParamValue(line, "out"), "/res");
    EXPECT_EQ(GetParamValue(line, "pas"), "Se Cret");
    EXPECT_EQ(GetParamValue(line, "pre"), "");
    EXPECT_EQ(GetParamValue("-inputfile x.pdf", "inp"), "x.pdf");
}

TEST(CheckParametersTest, OptionWordsInAnyCaseValuesAsTyped) {
    RunParameters p;
    ASSERT_TRUE(CheckParameters("-INP /My Files/Report.PDF -Eim -pre Img -pas PassWord -imf PNG "
                                "-FIL ST 100 -dpi 150 -sub -spa -raw -nbr -out /Out Dir", p));
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
    ASSERT_TRUE(CheckParameters("-inp a.pdf -inp b.pdf -eim -etx -raw -lay", q));
    EXPECT_EQ(q.InputPath, "b.pdf");
    EXPECT_TRUE(q.TextMode);
    EXPECT_TRUE(q.Layout);
}

TEST(CheckParametersTest, UnusableLines) {
    const char* lines[] = {
        "",
        "-inp",
        "single",
        "-inp a.pdf -rng -5",            // a value word beginning with "-"
        "-inp a.pdf -pas -secret",
        "-inp a.pdf -xyz",
        "-inp a.pdf - ",
        "-inp a.pdf -eim -imf gif",      // formats outside the table
        "-inp a.pdf -eim -imf ../x",
        "-inp a.pdf -eim -imf png/..",
    };
    for (const char* line : lines) {
        RunParameters p;
        EXPECT_FALSE(CheckParameters(line, p)) << line;
    }
    for (const char* format : {"bmp", "JPG", "jp2", "png", "tif", "TIFF"}) {
        RunParameters p;
        EXPECT_TRUE(CheckParameters(std::string("-inp a.pdf -imf ") + format, p)) << format;
        EXPECT_EQ(p.ImageFormat, LowerCase(format));
    }
}

TEST(ParsePageRangeTest, RangesOnATenPageDocument) {
    struct Case { const char* line; int first, last; };
    const Case cases[] = {
        {"-inp a.pdf -rng 3", 3, 3},    {"-inp a.pdf -rng 3-", 3, 10}, {"-inp a.pdf -rng 2-5", 2, 5},
        {"-inp a.pdf -RNG 2-5", 2, 5},  {"-inp a.pdf -rng 5-2", 1, 10}, {"-inp a.pdf -rng 0-4", 1, 10},
        {"-inp a.pdf -rng x", 1, 10},   {"-inp a.pdf -rng 2-99", 1, 10}, {"-inp a.pdf -rng 2-x", 1, 10},
        {"-inp a.pdf -rng 2-4-9", 2, 4}, {"-inp a.pdf -rng 10", 10, 10}, {"-inp a.pdf", 0, 0},
    };
    for (const Case& c : cases) {
        RunParameters p;
        p.PageCount = 10;
        ParsePageRange(c.line, p);
        EXPECT_EQ(p.FirstPage, c.first) << c.line;
        EXPECT_EQ(p.LastPage, c.last) << c.line;
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
        {"/in/doc.pdf", " /res/ ", "p-", true, "/res/p-doc.txt", "/res/"},
        {"/in/Report.tiff", "/res", "", true, "/res/Report..txt", "/res/"},  // only four characters go
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

TEST(ParseParametersTest, ResolvesPathsAgainstTheCallersFolderAndReadsThePageCount) {
    const test::FakeProgramFolder program;
    program.AddScript("pdfi.bin", "printf '%s|' \"$@\" > args.txt; echo 'Pages: 10'");
    RunParameters p;
    ASSERT_TRUE(ParseParameters("  -inp In Dir/Doc.pdf -out Res -pre X -pas My Secret -spa -rng 4- ", p,
                                program.Path()));
    const std::string here = CurrentFolder();
    EXPECT_EQ(p.InputPath, here + "In Dir/Doc.pdf");
    EXPECT_EQ(p.OutputPath, here + "Res/X-Doc.txt");
    EXPECT_EQ(p.OutputFolder, here + "Res/");
    EXPECT_EQ(p.PageCount, 10);
    EXPECT_EQ(p.FirstPage, 4);
    EXPECT_EQ(p.LastPage, 10);
    EXPECT_EQ(ReadFileBytes(program.Path() + "args.txt", 1000).value_or(""),
              "-upw|My Secret|" + here + "In Dir/Doc.pdf|");

    RunParameters spa;
    ASSERT_TRUE(ParseParameters("-inp /d.pdf -spa -eim", spa, program.Path()));
    EXPECT_EQ(spa.FirstPage, 1);
    EXPECT_EQ(spa.LastPage, 10);
    EXPECT_EQ(spa.OutputFolder, "/");

    RunParameters none;
    EXPECT_FALSE(ParseParameters("-inp -eim", none, program.Path()));
}

}  // namespace
}  // namespace parch
