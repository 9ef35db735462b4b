// Reads arbitrary bytes as numbered PDF objects, makes a PDF function of the first and evaluates
// it with a few inputs, then uses it as the tint transform of a Separation and a DeviceN space.
// Objects are separated by a line "~~"; an object with a line "stream" is a stream whose
// dictionary is the text before that line and whose data is everything after it. Object k is
// the target of "k 0 R", so stitching functions can refer to each other and to themselves.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/SysUtils.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/graphics/ScrivletColor.h"
#include "pdf/graphics/ScrivletFunctions.h"

namespace {

using namespace parch;

TPDFObject* MakeObject(TPDFStructure& structure, std::string_view text) {
    const std::size_t marker = text.find("\nstream\n");
    if (marker == std::string_view::npos) return ParseObject(structure, std::string(text) + " ");
    TPDFStream* stream = structure.NewStream(text.substr(marker + 8), false);
    TPDFObject* dictionary = ParseObject(structure, std::string(text.substr(0, marker)) + " ");
    if (dictionary->Kind == kPDFKindDictionary) stream->SetDictionary(static_cast<TPDFDictionary*>(dictionary));
    return stream;
}

void Evaluate(TPDFFunction& function, const TPDFDoubleArray& inputs) {
    TPDFDoubleArray outputs;
    try {
        function.Evaluate(inputs, outputs);
    } catch (const Exception&) {
        // Arithmetic faults are errors the renderer catches.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TPDFStructure structure;
    std::vector<TPDFObject*> objects;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find("\n~~\n", start);
        if (end == std::string_view::npos) end = text.size();
        objects.push_back(MakeObject(structure, text.substr(start, end - start)));
        start = end + 4;
    }
    structure.OnIndirectLookup = [&objects](TPDFIndRef*, std::int32_t number, std::int32_t) -> TPDFObject* {
        return number >= 1 && static_cast<std::size_t>(number) <= objects.size()
                   ? objects[static_cast<std::size_t>(number) - 1]
                   : nullptr;
    };

    try {
        std::unique_ptr<TPDFFunction> function = CreatePDFFunction(objects[0]);
        if (function) {
            const std::size_t m = static_cast<std::size_t>(function->InputCount());
            for (const double value : {0.0, 0.5, 1.0, -1.0, 0.25, 1e6}) {
                Evaluate(*function, {value});
                Evaluate(*function, TPDFDoubleArray(m, value));
            }
            Evaluate(*function, {});
        }

        // The same object as the tint transform of colour spaces with each kind of alternate.
        TPDFSimpleColorManager manager;
        for (const char* alternate : {"/DeviceGray", "/DeviceRGB", "/DeviceCMYK", "[/Lab << /Range [-9 9 -9 9] >>]"}) {
            const std::string names = "[/A /B /C]";
            TPDFArray* separation = AsArray(ParseObject(structure, std::string("[/Separation /Spot ") + alternate + " 1 0 R] "));
            TPDFSeparationColorSpace space(&manager);
            space.LoadFromArray(separation, "CS");
            TPDFDeviceNColorSpace deviceN(&manager);
            deviceN.LoadFromArray(AsArray(ParseObject(structure, "[/DeviceN " + names + " " + alternate + " 1 0 R] ")));
            for (const double tint : {0.0, 0.3, 1.0, 0.3}) {
                try {
                    space.SetTint(tint);
                } catch (const Exception&) {
                }
            }
            const std::size_t m = deviceN.TintTransform ? static_cast<std::size_t>(deviceN.TintTransform->InputCount()) : 3;
            for (const double value : {0.0, 0.7}) {
                try {
                    deviceN.SetColor(TPDFDeviceNColor(m, value));
                } catch (const Exception&) {
                }
            }
        }
    } catch (const Exception&) {
        // Damaged stream data.
    }
    return 0;
}
