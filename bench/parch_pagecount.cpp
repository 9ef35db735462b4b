// Opens a PDF file with our library and prints its page count: our side of the whole-process
// comparison with pdfinfo, qpdf and mutool in bench_open_document.
//
// Usage: parch_pagecount FILE [PASSWORD]
#include <cstdio>
#include <string>

#include "pdf/core/Scrivlet0813.h"
#include "pdf/core/ScrivletUnicode.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: parch_pagecount FILE [PASSWORD]\n");
        return 2;
    }
    const std::u16string password = argc == 3 ? parch::Utf8ToWide(argv[2]) : std::u16string();
    parch::TScrivlet0813 api;
    if (api.OpenPdfFile(argv[1], password) != 1) {
        std::fprintf(stderr, "cannot open %s: error %d\n", argv[1], static_cast<int>(api.ErrorCode()));
        return 1;
    }
    std::printf("%d\n", static_cast<int>(api.CountPages()));
    return 0;
}
