#pragma once
// Builds the function and colour-space objects of the tests from PDF text: numbered objects
// that references find through the structure's look-up, streams with their data unfiltered.

#include <cstdint>
#include <map>
#include <string>

#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStructure.h"

namespace parch::testfunctions {

class Objects {
public:
    Objects() {
        structure.OnIndirectLookup = [this](TPDFIndRef*, std::int32_t number, std::int32_t) -> TPDFObject* {
            const auto found = numbered.find(number);
            return found == numbered.end() ? nullptr : found->second;
        };
    }

    // An object parsed from text (not numbered).
    TPDFObject* Parse(const std::string& text) { return ParseObject(structure, text + " "); }

    // A stream with the dictionary's text and the data as it is (no filter).
    TPDFStream* Stream(const std::string& dictionary, const std::string& data) {
        TPDFStream* stream = structure.NewStream(data, false);
        TPDFObject* parsed = Parse(dictionary);
        if (parsed->Kind == kPDFKindDictionary) stream->SetDictionary(static_cast<TPDFDictionary*>(parsed));
        return stream;
    }

    // Makes `object` the target of "number 0 R".
    TPDFObject* Number(std::int32_t number, TPDFObject* object) {
        numbered[number] = object;
        return object;
    }

    TPDFStructure structure;
    std::map<std::int32_t, TPDFObject*> numbered;
};

// A calculator function of one input per Domain pair and the Range given.
inline std::string CalculatorDictionary(const std::string& domain, const std::string& range) {
    return "<< /FunctionType 4 /Domain " + domain + " /Range " + range + " >>";
}

}  // namespace parch::testfunctions
