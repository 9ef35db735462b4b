#pragma once
// Icon and cursor files (.ico, .cur): the directory, each entry's picture (BMP entries of 1, 4,
// 8, 24 and 32 bits with their AND masks, or PNG entries) and the choice of the entry that
// best fits a wanted size. Every size and offset is checked against the data.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/IconObjects.h"

namespace parch {

// Most entries a directory may list.
constexpr int kMaxIconEntries = 512;

struct IconEntryInfo {
    std::uint32_t offset = 0;  // file: where the picture starts; resources: its ICON id
    std::uint32_t size = 0;
    POINT hotspot;  // cursors
    // From the picture's own header where it can be read, else from the directory.
    int width = 0;
    int height = 0;
    int bitCount = 0;
};

struct IconDirectory {
    bool isCursor = false;
    std::vector<IconEntryInfo> entries;
};

// `groupResource`: the directory of a GROUP_ICON/GROUP_CURSOR resource (14-byte entries
// holding ICON ids) instead of a file's (16-byte entries holding offsets).
bool ReadIconDirectory(const BYTE* data, std::size_t size, bool groupResource, IconDirectory& out,
                       std::string& error);
// Fills in width, height and bit count of a file's entries from their pictures' headers.
void MeasureIconEntries(const BYTE* data, std::size_t size, IconDirectory& directory);
// Width, height and bit count from a picture's header (BMP or PNG).
bool MeasureIconPicture(const BYTE* data, std::size_t size, int& width, int& height, int& bitCount);

// The entry closest to cx x cy (sum of the differences), more colours first among equals,
// then the first. cx, cy 0 stand for the first entry's size. -1 for an empty list.
int BestIconEntry(const std::vector<IconEntryInfo>& entries, int cx, int cy);

// One entry's picture (an ICON resource's bytes are the same).
bool DecodeIconPicture(const BYTE* data, std::size_t size, IconImage& out, std::string& error);
// The entry of a whole file that fits cx x cy best.
bool DecodeIconFile(const BYTE* data, std::size_t size, int cx, int cy, IconImage& out, POINT& hotspot,
                    bool& isCursor, std::string& error);

// An icon file of 32-bit BMP entries with AND masks (sides up to 256).
std::vector<BYTE> EncodeIconFile(const std::vector<IconImage>& images);

}  // namespace parch
