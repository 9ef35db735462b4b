#pragma once
// The codec fixtures of tools/make_codec_corpus.py: each case's raw codec bytes, its stream
// parameters (a line of cases.txt) and the picture an outside decoder made of it (PBM, PGM or
// PPM).

#include <cstdint>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace parch::test {

inline std::string CodecFixturePath(const std::string& name) {
    return std::string(PARCH_SOURCE_DIR) + "/tests/pdf/images/codecs/" + name;
}

inline std::string ReadCodecFile(const std::string& name) {
    std::ifstream file(CodecFixturePath(name), std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

struct CodecCase {
    std::string name;
    std::string kind;  // "ccitt", "dct", "jpx"
    std::map<std::string, std::string> values;  // Width=300, K=-1, Decode=[1 0] ...

    std::int32_t Integer(const std::string& key, std::int32_t fallback) const {
        const auto found = values.find(key);
        return found == values.end() ? fallback : std::stoi(found->second);
    }
    bool Flag(const std::string& key) const {
        const auto found = values.find(key);
        return found != values.end() && found->second == "true";
    }
    std::string Text(const std::string& key) const {
        const auto found = values.find(key);
        return found == values.end() ? std::string() : found->second;
    }
};

inline void PrintTo(const CodecCase& c, std::ostream* out) { *out << c.name; }

// Every case of one kind, in the order the script wrote them.
inline std::vector<CodecCase> CodecCases(const std::string& kind) {
    std::vector<CodecCase> cases;
    std::istringstream lines(ReadCodecFile("cases.txt"));
    std::string line;
    while (std::getline(lines, line)) {
        CodecCase item;
        std::istringstream words(line);
        words >> item.name >> item.kind;
        std::string word, pending;
        while (words >> word) {
            // A bracketed value was split at its blanks: join it back.
            pending = pending.empty() ? word : pending + " " + word;
            if (pending.find('[') != std::string::npos && pending.find(']') == std::string::npos) continue;
            const auto equals = pending.find('=');
            item.values[pending.substr(0, equals)] = pending.substr(equals + 1);
            pending.clear();
        }
        if (item.kind == kind) cases.push_back(item);
    }
    return cases;
}

// A binary PBM (1 bit, 1 black, rows padded to bytes), PGM or PPM (8 bits per sample).
struct PNMPicture {
    int width = 0;
    int height = 0;
    int channels = 0;  // 0 for a PBM
    std::string bytes;
    std::size_t RowBytes() const { return channels == 0 ? (width + 7) / 8 : std::size_t(width) * channels; }
    std::uint8_t Sample(int x, int y, int channel) const {
        return static_cast<std::uint8_t>(bytes[y * RowBytes() + x * channels + channel]);
    }
};

inline PNMPicture ReadPNM(const std::string& name) {
    const std::string file = ReadCodecFile(name);
    std::istringstream header(file);
    std::string magic;
    PNMPicture picture;
    int maximum = 1;
    header >> magic >> picture.width >> picture.height;
    if (magic != "P4") header >> maximum;
    picture.channels = magic == "P4" ? 0 : magic == "P5" ? 1 : 3;
    const auto start = static_cast<std::size_t>(header.tellg()) + 1;
    picture.bytes = file.substr(start, picture.RowBytes() * picture.height);
    return picture;
}

}  // namespace parch::test
