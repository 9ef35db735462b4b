#pragma once
// Writes small PDF files in tests: numbered objects, a classic cross-reference table and a
// trailer, with the offsets right unless a test asks otherwise; and reads them back.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "base/Streams.h"
#include "pdf/core/ScrivletDocument.h"

namespace parch::testpdf {

struct PdfParts {
    std::map<int, std::string> Objects;  // number to the text between "obj" and "endobj"
    std::string TrailerExtra;            // more trailer entries
    std::string Header = "%PDF-1.4\n";
};

inline std::string BuildPdf(const PdfParts& parts) {
    std::string file = parts.Header;
    std::map<int, std::size_t> offsets;
    int highest = 0;
    for (const auto& [number, text] : parts.Objects) {
        offsets[number] = file.size();
        file += std::to_string(number) + " 0 obj\n" + text + "\nendobj\n";
        highest = number;
    }
    const std::size_t xref = file.size();
    file += "xref\n0 " + std::to_string(highest + 1) + "\n0000000000 65535 f \n";
    for (int number = 1; number <= highest; ++number) {
        char line[32];
        if (offsets.count(number))
            std::snprintf(line, sizeof line, "%010zu 00000 n \n", offsets[number]);
        else
            std::snprintf(line, sizeof line, "0000000000 65535 f \n");
        file += line;
    }
    file += "trailer\n<< /Size " + std::to_string(highest + 1) + " /Root 1 0 R" + parts.TrailerExtra +
            " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return file;
}

// Catalog 1, pages 2 with the kids given, and the objects given.
inline PdfParts PagesParts(const std::string& pagesDictionary) {
    PdfParts parts;
    parts.Objects[1] = "<< /Type /Catalog /Pages 2 0 R >>";
    parts.Objects[2] = pagesDictionary;
    return parts;
}

// A page under the /Pages node `parent`.
inline std::string Page(int parent) {
    return "<< /Type /Page /Parent " + std::to_string(parent) + " 0 R /MediaBox [0 0 612 792] >>";
}

inline std::uint8_t Read(TPDFDocument& document, const std::string& file, std::u16string_view password = u"") {
    TStringStream stream(file);
    return document.ReadDocument(stream, password);
}

}  // namespace parch::testpdf
