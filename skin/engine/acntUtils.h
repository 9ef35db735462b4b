#pragma once
// General helpers of the skinning library: rectangle and number tests, words over character
// sets, a small INI reader over text lines, version tests, published properties by name and
// path names.

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Classes.h"
#include "platform/gdi/GdiTypes.h"

namespace parch {

class TIcon;

// Bit n stands for character code n.
using TacCharSet = std::bitset<256>;
TacCharSet MakeCharSet(std::string_view characters);

// False when the rectangles only touch or r is empty.
bool RectOverlaps(const RECT& reference, const RECT& r);
// Both corners of inner inside outer grown by one at right and bottom.
bool RectContains(const RECT& outer, const RECT& inner);
// v between a and b inclusive, whichever is larger.
bool IsBetween(int v, int a, int b);
// (100 - base) x p / 100 + base, to the nearest integer.
int ScaleToPercentRange(int p, int base);

// Words are maximal runs of characters outside the delimiter set; positions are 1-based.
int CountWords(std::string_view text, const TacCharSet& delimiters);
// 0 when there are fewer words.
int NthWordStart(int n, std::string_view text, const TacCharSet& delimiters);
std::string ExtractNthWord(int n, std::string_view text, const TacCharSet& delimiters);
// The text from pos (1-based) to the next delimiter; pos moves past that delimiter.
std::string TakeNextToken(std::string_view text, int& pos, const TacCharSet& delimiters);
std::string RemoveChar(std::string_view text, char c);
// Left to right, case-sensitive; replaced text is not scanned again.
std::string ReplaceAllText(std::string_view text, std::string_view oldText, std::string_view newText);
// Hexadecimal with an optional trailing "H"; 0 for any other character.
std::int64_t HexStrToInt64(std::string_view text);

// INI text held as lines: sections in order, each with its lines.
using TacIniSections = std::vector<std::pair<std::string, std::vector<std::string>>>;
// Empty lines and ";" comments are skipped; lines before the first section are ignored.
TacIniSections ParseIniSections(const std::vector<std::string>& lines);
std::string ReadIniText(const TacIniSections& sections, std::string_view section, const std::string& fallback,
                        std::string_view key);
// "0x" values longer than two characters are hexadecimal.
int ReadIniInt(const TacIniSections& sections, std::string_view section, int fallback, std::string_view key);

// The window system's version is above 5.0.
bool IsXPOrLater();
// Processes the application's messages until the clock has moved on by ms.
void WaitProcessingMessages(unsigned ms);

// Published properties by name; a missing property is not an error.
bool HasPublishedProperty(const TObject& object, std::string_view name);
TPersistent* GetObjectPropertyByName(const TObject& object, std::string_view name);
// Integers and enumerations (as their index); -1 when missing or not ordinal.
int GetOrdPropertyByName(const TObject& object, std::string_view name);
void SetOrdPropertyByName(TObject& object, std::string_view name, int value);
// Whether the set property's text names the element (case-sensitive).
bool SetPropertyHasElement(const TObject& object, std::string_view setProperty, std::string_view element);
// Adds or removes the element in the set's text form and writes it back.
void ChangeSetPropertyElement(TObject& object, std::string_view setProperty, std::string_view element, bool include);

// The system's caption font: its height (0 on failure) and a new font made from it (the caller
// deletes it; nullptr on failure).
int GetCaptionFontHeight();
HFONT CreateCaptionFont();
// The system's minimize animation setting.
bool GetMinimizeAnimation();
void SetMinimizeAnimation(bool on);
// True only for a 32-bit process on a 64-bit system; false when that cannot be asked.
bool IsWow64();

bool FolderExists(const std::string& path);
// The name of the file or folder the path names; empty when nothing is there. There are no
// short (8.3) names here, so both forms give the found name.
std::string GetLongFileName(const std::string& path);
std::string GetShortFileName(const std::string& path);

// The path rebuilt from the names its components have where they are found (a component that
// is not found keeps its name as written); what comes before the first separator stays as it
// is. With no short (8.3) names here, both forms give the names found.
std::string ToLongPathName(const std::string& path);
std::string ToShortPathName(const std::string& path);
// Makes the folder the current one; true on success.
bool SetCurrentFolder(const std::string& path);
// The icon the shell shows for the file (flags as SHGetFileInfo takes them); nullptr when the
// file does not exist or the shell gives no icon.
std::unique_ptr<TIcon> GetFileIcon(const std::string& file, unsigned flags);

// Empty stays empty; a trailing "/" becomes "\"; a one-letter drive gets ":\", others "\".
std::string AppendPathDelimiter(std::string_view path);

}  // namespace parch
