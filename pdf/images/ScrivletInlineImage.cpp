#include "pdf/images/ScrivletInlineImage.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>

#include "framework/graphics/Bitmap.h"
#include "pdf/core/ScrivletExtra.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStreamData.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/images/ScrivletImageDecoder.h"
#include "pdf/images/ScrivletImageLimits.h"

namespace parch {

namespace {

bool IsInlineWhiteSpace(char c) { return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }
bool IsInlineDelimiter(char c) { return c == '(' || c == '/' || c == '<' || c == '[' || c == ']'; }

std::string_view NextInlineToken(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && IsInlineWhiteSpace(text[pos])) ++pos;
    if (pos >= text.size()) return {};
    const std::size_t start = pos;
    const char first = text[pos];
    if (first == '(') {
        int depth = 0;
        while (pos < text.size()) {
            const char c = text[pos++];
            if (c == '\\') {
                ++pos;
            } else if (c == '(') {
                ++depth;
            } else if (c == ')' && --depth == 0) {
                break;
            }
        }
        pos = std::min(pos, text.size());
    } else if (first == '<') {
        const std::size_t close = text.find('>', pos);
        pos = close == std::string_view::npos ? text.size() : close + 1;
        while (pos < text.size() && text[pos] == '>') ++pos;
    } else if (first == '\'' || first == '[' || first == ']') {
        ++pos;
    } else {
        ++pos;
        while (pos < text.size() && !IsInlineWhiteSpace(text[pos]) && !IsInlineDelimiter(text[pos])) ++pos;
    }
    return text.substr(start, pos - start);
}

std::string ExpandInlineAbbreviation(std::string_view token) {
    static const std::pair<std::string_view, std::string_view> kNames[] = {
        {"/G", "/DeviceGray"},        {"/RGB", "/DeviceRGB"},        {"/CMYK", "/DeviceCMYK"},
        {"/I", "/Indexed"},           {"/AHx", "/ASCIIHexDecode"},   {"/A85", "/ASCII85Decode"},
        {"/LZW", "/LZWDecode"},       {"/Fl", "/FlateDecode"},       {"/RL", "/RunLengthDecode"},
        {"/CCF", "/CCITTFaxDecode"},  {"/DCT", "/DCTDecode"}};
    for (const auto& [abbreviation, full] : kNames)
        if (token == abbreviation) return std::string(full);
    return std::string(token);
}

// The tokens after "[" up to "]", each expanded when asked, as "[ a b ... ]".
std::string BracketedList(std::string_view text, std::size_t& pos, bool expand) {
    std::string list = "[ ";
    for (std::string_view token = NextInlineToken(text, pos); !token.empty() && token != "]";
         token = NextInlineToken(text, pos))
        list += (expand ? ExpandInlineAbbreviation(token) : std::string(token)) + " ";
    return TrimA(list + "]");
}

std::int32_t InlineInteger(std::string_view token) {
    const std::string text(token);
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    return end && *end == '\0' && !text.empty() && value >= 0 && value <= INT32_MAX ? static_cast<std::int32_t>(value) : 0;
}

int InlineComponents(const std::string& space) {
    if (space == "RGB" || space == "DeviceRGB" || space == "/RGB" || space == "/DeviceRGB") return 3;
    if (space == "CMYK" || space == "DeviceCMYK" || space == "/CMYK" || space == "/DeviceCMYK") return 4;
    return 1;
}

// Bytes of the samples the dictionary describes, 0 when it describes none or too many.
std::int64_t ExpectedInlineSize(const TPDFInlineImage& image) {
    if (!ImageSizeFits(image.Width, image.Height) || image.BitsPerComponent <= 0 || image.BitsPerComponent > 16) return 0;
    const std::int64_t row =
        (static_cast<std::int64_t>(image.Width) * InlineComponents(image.ColorSpace) * image.BitsPerComponent + 7) / 8;
    const std::int64_t total = row * image.Height;
    return total <= kMaxInlineImageBytes ? total : 0;
}

// "EI" between white space (or at the end of the text), searched from `from`.
std::size_t FindEndMarker(std::string_view text, std::size_t from) {
    for (std::size_t i = std::max<std::size_t>(from, 1); i + 1 < text.size(); ++i) {
        if (text[i] == 'E' && text[i + 1] == 'I' && IsInlineWhiteSpace(text[i - 1]) &&
            (i + 2 == text.size() || IsInlineWhiteSpace(text[i + 2]) || IsInlineDelimiter(text[i + 2])))
            return i;
    }
    return std::string_view::npos;
}

// The end of a JPEG stream starting at `at` (just after FF D8), or npos.
std::size_t JPEGEnd(std::string_view text, std::size_t at) {
    auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    while (at + 1 < text.size() && byte(at) == 0xFF) {
        const std::uint8_t marker = byte(at + 1);
        at += 2;
        if (marker == 0xD9) return at;
        if (marker == 0xFF) {
            --at;  // fill byte
            continue;
        }
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;
        if (at + 1 >= text.size()) return std::string_view::npos;
        at += (std::size_t{byte(at)} << 8) | byte(at + 1);
        if (marker == 0xDA) {
            // Entropy-coded data ends at a marker other than a stuffed zero or a restart.
            while (at + 1 < text.size() &&
                   !(byte(at) == 0xFF && byte(at + 1) != 0 && !(byte(at + 1) >= 0xD0 && byte(at + 1) <= 0xD7)))
                ++at;
        }
    }
    return std::string_view::npos;
}

// Where the zlib stream starting at `at` ends, inflating it once; npos when it does not end
// within the text or inflates beyond the limit.
std::size_t FlateEnd(std::string_view text, std::size_t at, std::int64_t limit) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return std::string_view::npos;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data() + at));
    stream.avail_in = static_cast<uInt>(std::min<std::size_t>(text.size() - at, UINT32_MAX));
    unsigned char sink[16384];
    std::size_t end = std::string_view::npos;
    for (;;) {
        stream.next_out = sink;
        stream.avail_out = sizeof sink;
        const int result = inflate(&stream, Z_NO_FLUSH);
        if (result == Z_STREAM_END) {
            end = at + stream.total_in;
            break;
        }
        if (result != Z_OK || static_cast<std::int64_t>(stream.total_out) > limit) break;
    }
    inflateEnd(&stream);
    return end;
}

// Reads tokens from `from` until "EI"; its position or npos.
std::size_t EndMarkerByTokens(std::string_view text, std::size_t from) {
    std::size_t pos = from;
    for (std::string_view token = NextInlineToken(text, pos); !token.empty(); token = NextInlineToken(text, pos))
        if (token == "EI") return pos - 2;
    return std::string_view::npos;
}

TPDFObject* ResolveWith(TPDFObject* object, const TPDFResolveEvent& resolver) {
    for (int step = 0; step < 8 && object && object->Kind == kPDFKindIndRef; ++step) {
        auto* reference = static_cast<TPDFIndRef*>(object);
        object = resolver ? resolver(reference) : reference->Resolve();
    }
    return object && object->Kind == kPDFKindIndRef ? nullptr : object;
}

const TPDFName* AsInlineName(const TPDFObject* object) {
    return object && object->Kind == kPDFKindName ? static_cast<const TPDFName*>(object) : nullptr;
}

std::string HexText(const std::string& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text = "<";
    for (const char c : bytes) {
        text.push_back(kDigits[static_cast<std::uint8_t>(c) >> 4]);
        text.push_back(kDigits[static_cast<std::uint8_t>(c) & 15]);
    }
    return text + ">";
}

}  // namespace

std::string ResolveInlineColorSpace(std::string_view name, const TPDFResolveEvent& resolver, TPDFDictionary* resources,
                                    TPDFObject** object) {
    for (std::string_view device : {"/DeviceGray", "/DeviceRGB", "/DeviceCMYK", "/Indexed"})
        if (name == device) return std::string(name.substr(1));
    if (!resources) return std::string(name);
    std::string result = "/DeviceRGB";
    TPDFDictionary* spaces = AsDictionary(ResolveWith(resources->GetValue("ColorSpace"), resolver));
    TPDFObject* entry = spaces ? ResolveWith(spaces->GetValue(name.substr(name.empty() ? 0 : 1)), resolver) : nullptr;
    if (const TPDFName* direct = AsInlineName(entry)) return direct->NameBytes;
    TPDFArray* array = AsArray(entry);
    const TPDFName* family = array && array->GetCount() > 1 ? AsInlineName(ResolveWith(array->GetItem(0), resolver)) : nullptr;
    if (!family) return result;
    if (object) *object = array;
    if (family->NameBytes == "CalRGB") return "DeviceRGB";
    if (family->NameBytes == "CalGray") return "DeviceGray";
    if (family->NameBytes != "Indexed") return family->NameBytes;

    const TPDFName* base = AsInlineName(ResolveWith(array->GetItem(1), resolver));
    const TPDFNumeric* high = AsNumber(ResolveWith(array->GetItem(2), resolver));
    // Indexed images hold at most 256 entries, so a short table grows to at most 1,024 bytes.
    const std::int64_t hival = high ? std::clamp<std::int64_t>(high->GetInteger(), 0, 255) : 255;
    std::string lookup;
    TPDFObject* table = ResolveWith(array->GetItem(3), resolver);
    if (TPDFStream* stream = AsStream(table))
        lookup = GetDecodedData(*stream);
    else if (table && table->Kind == kPDFKindString)
        lookup = static_cast<TPDFString*>(table)->GetValue();
    const std::string baseName = base ? base->NameBytes : "DeviceRGB";
    const std::size_t entryBytes = baseName == "DeviceRGB" ? 3 : baseName == "DeviceCMYK" ? 4 : 0;
    if (entryBytes && lookup.size() < static_cast<std::size_t>(hival + 1) * entryBytes)
        lookup.resize(static_cast<std::size_t>(hival + 1) * entryBytes, '\0');
    return "[ /Indexed /" + baseName + " " + std::to_string(hival) + " " + HexText(lookup) + " ]";
}

bool ParseInlineImage(std::string_view text, std::int32_t& position, TPDFInlineImage& image,
                      const TPDFResolveEvent& resolver, TPDFDictionary* resources) {
    image = TPDFInlineImage{};
    std::size_t pos = position > 0 ? static_cast<std::size_t>(position - 1) : 0;
    std::string_view token;
    for (token = NextInlineToken(text, pos); !token.empty() && token != "ID"; token = NextInlineToken(text, pos)) {
        if (token == "/W" || token == "/Width") {
            image.Width = InlineInteger(NextInlineToken(text, pos));
        } else if (token == "/H" || token == "/Height") {
            image.Height = InlineInteger(NextInlineToken(text, pos));
        } else if (token == "/BPC" || token == "/BitsPerComponent") {
            image.BitsPerComponent = InlineInteger(NextInlineToken(text, pos));
        } else if (token == "/IM" || token == "/ImageMask") {
            image.ImageMask = NextInlineToken(text, pos) == "true";
            if (image.ImageMask) image.ColorSpace = "/DeviceGray";
        } else if (token == "/CS" || token == "/ColorSpace") {
            const std::string_view value = NextInlineToken(text, pos);
            image.ColorSpace = value == "[" ? BracketedList(text, pos, true) : ExpandInlineAbbreviation(value);
            if (!image.ColorSpace.empty() && image.ColorSpace[0] == '/')
                image.ColorSpace = ResolveInlineColorSpace(image.ColorSpace, resolver, resources, &image.ColorSpaceObject);
        } else if (token == "/D" || token == "/Decode") {
            const std::string_view value = NextInlineToken(text, pos);
            image.Decode = value == "[" ? BracketedList(text, pos, false) : std::string(value);
        } else if (token == "/DP" || token == "/DecodeParms") {
            const std::string_view value = NextInlineToken(text, pos);
            image.DecodeParms = value == "[" ? BracketedList(text, pos, false) : "[ " + TrimA(value) + " ]";
        } else if (token == "/F" || token == "/Filter") {
            const std::string_view value = NextInlineToken(text, pos);
            image.Filter = value == "[" ? BracketedList(text, pos, true) : ExpandInlineAbbreviation(value);
        }
    }
    if (token != "ID" || pos >= text.size()) {
        position = static_cast<std::int32_t>(std::min(pos, text.size()) + 1);
        return false;
    }
    const std::size_t dataBegin = pos + 1;  // after the one white-space byte
    std::size_t dataEnd = std::string_view::npos;
    std::size_t marker = std::string_view::npos;
    const std::string& filter = image.Filter;
    auto byte = [&](std::size_t i) { return i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0; };

    if (filter == "/DCTDecode" && byte(dataBegin) == 0xFF && byte(dataBegin + 1) == 0xD8) {
        dataEnd = JPEGEnd(text, dataBegin + 2);
        if (dataEnd != std::string_view::npos) marker = EndMarkerByTokens(text, dataEnd);
    } else if (filter == "/ASCII85Decode" || filter.rfind("[ /ASCII85Decode", 0) == 0) {
        const std::size_t close = text.find("~>", dataBegin);
        if (close != std::string_view::npos) {
            dataEnd = close + 2;
            marker = EndMarkerByTokens(text, dataEnd);
        }
    } else if (filter == "/FlateDecode") {
        const std::int64_t expected = ExpectedInlineSize(image);
        const std::size_t end = FlateEnd(text, std::min(dataBegin, text.size()), std::max<std::int64_t>(expected, 1) * 4 + 4096);
        if (end != std::string_view::npos) marker = FindEndMarker(text, end);
    } else if (filter.empty()) {
        const std::size_t skip = static_cast<std::size_t>(
            std::min<std::int64_t>(ExpectedInlineSize(image), static_cast<std::int64_t>(text.size() - std::min(dataBegin, text.size()))));
        marker = FindEndMarker(text, dataBegin + skip);
    }
    if (marker == std::string_view::npos) {
        dataEnd = std::string_view::npos;
        marker = FindEndMarker(text, dataBegin);
    }
    if (marker == std::string_view::npos) {
        position = static_cast<std::int32_t>(text.size() + 1);
        return false;
    }
    if (dataEnd == std::string_view::npos || dataEnd > marker) dataEnd = marker;
    image.Data = std::string(text.substr(std::min(dataBegin, dataEnd), dataEnd - std::min(dataBegin, dataEnd)));
    image.DataStart = static_cast<std::int32_t>(dataBegin);
    image.DataEnd = static_cast<std::int32_t>(dataEnd);
    position = static_cast<std::int32_t>(marker + 3);
    return true;
}

// --- The decoder's side ------------------------------------------------------------------------

void TPDFImageDecoder::LoadInlineImage(const TPDFInlineImage& image, TPDFStructure* structure) {
    try {
        image_ = nullptr;
        structure_ = structure;
        Width = std::max(0, image.Width);
        Height = std::max(0, image.Height);
        BitsPerComponent = image.BitsPerComponent;
        Filter = image.Filter;
        DecodeParms = image.DecodeParms;
        Decode = image.Decode;
        Data = image.Data;

        TPDFStructure scratch;
        if (structure) scratch.OnIndirectLookup = structure->OnIndirectLookup;
        if (image.ColorSpaceObject) {
            ColorSpace = ReadColorSpace(ResolveObject(image.ColorSpaceObject));
        } else if (TrimA(image.ColorSpace).rfind('[', 0) == 0) {
            TPDFArray* array = AsArray(ParseObject(scratch, image.ColorSpace));
            for (int i = 0; array && i < 2; ++i)
                if (auto* name = const_cast<TPDFName*>(AsInlineName(array->GetItem(i))))
                    name->SetValue(ExpandInlineAbbreviation("/" + name->NameBytes).substr(1));
            ColorSpace = ReadColorSpace(array);
        } else {
            const std::string name = TrimA(image.ColorSpace);
            ColorSpace = name.rfind('/', 0) == 0 ? ExpandInlineAbbreviation(name).substr(1) : name;
            if (ColorSpace == "G") ColorSpace = "DeviceGray";
            if (ColorSpace == "RGB") ColorSpace = "DeviceRGB";
            if (ColorSpace == "CMYK") ColorSpace = "DeviceCMYK";
        }
        if (image.ImageMask && BitsPerComponent <= 1) {
            BitsPerComponent = 1;
            MaskKind = kMaskStencil;
        }
        DecodeFilters();
    } catch (...) {
        // Bad inline image data draws nothing.
        Drawable = false;
    }
}

}  // namespace parch
