#pragma once
// Font dictionaries for the font tests: objects parsed from PDF text into one structure, with
// numbered objects that references resolve to.

#include <map>
#include <string>
#include <string_view>

#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStructure.h"

namespace parch::testfont {

class FontObjects {
public:
    FontObjects() {
        structure_.OnIndirectLookup = [this](TPDFIndRef*, std::int32_t number, std::int32_t) -> TPDFObject* {
            const auto found = objects_.find(number);
            return found == objects_.end() ? nullptr : found->second;
        };
    }

    TPDFObject* Parse(std::string_view text) { return ParseObject(structure_, text); }
    TPDFDictionary* Dictionary(std::string_view text) { return AsDictionary(Parse(text)); }

    TPDFObject* Define(int number, std::string_view text) { return objects_[number] = Parse(text); }
    // A stream object with the entries of `dictionary` and the data stored unfiltered.
    TPDFStream* DefineStream(int number, std::string_view dictionary, std::string_view data) {
        TPDFStream* stream = structure_.NewStream(data, false);
        if (TPDFDictionary* entries = Dictionary(dictionary))
            for (const TPDFPair& pair : entries->Pairs) stream->StreamDict->SetValue(pair.Key->NameBytes, pair.Value);
        objects_[number] = stream;
        return stream;
    }
    TPDFIndRef* Ref(int number) { return structure_.NewIndRef(number, 0); }

private:
    TPDFStructure structure_;
    std::map<int, TPDFObject*> objects_;
};

}  // namespace parch::testfont
