#include "pdf/render/ScrivletContentRun.h"

#include <cmath>
#include <string>
#include <string_view>

#include "base/NumberText.h"
#include "base/SysUtils.h"
#include "pdf/core/ScrivletStreamData.h"
#include "pdf/core/ScrivletStructure.h"

namespace parch {

// ---- TPDFPathRecorder

void TPDFPathRecorder::NewPath() {
    if (Forward) Forward->NewPath();
}

void TPDFPathRecorder::MoveTo(double x, double y) {
    Shape.AddMoveTo(x, y);
    HasGlyphs = true;
    if (Forward) Forward->MoveTo(x, y);
}

void TPDFPathRecorder::LineTo(double x, double y) {
    Shape.AddLineTo(x, y);
    if (Forward) Forward->LineTo(x, y);
}

void TPDFPathRecorder::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
    Shape.AddCurveTo(x1, y1, x2, y2, x3, y3);
    if (Forward) Forward->CurveTo(x1, y1, x2, y2, x3, y3);
}

void TPDFPathRecorder::QuadCurveTo(double x1, double y1, double x2, double y2) {
    Shape.AddQuadCurveTo(x1, y1, x2, y2);
    if (Forward) Forward->QuadCurveTo(x1, y1, x2, y2);
}

void TPDFPathRecorder::ClosePath() {
    Shape.AddClosePath();
    if (Forward) Forward->ClosePath();
}

void TPDFPathRecorder::Stroke() {
    if (Forward) Forward->Stroke();
}

void TPDFPathRecorder::Fill() {
    if (Forward) Forward->Fill();
}

void TPDFPathRecorder::FillAndStroke() {
    if (Forward) Forward->FillAndStroke();
}

void TPDFPathRecorder::DrawImage(const TPDFStreamableGraphic& graphic, double x1, double y1, double x2, double y2,
                                 double x3, double y3) {
    if (Forward) Forward->DrawImage(graphic, x1, y1, x2, y2, x3, y3);
}

// ---- Set-up

TPDFContentRun::TPDFContentRun(TPDFRenderer& renderer, TPDFObject* object, TPDFIndRef* reference,
                               const std::string* glyphText)
    : renderer_(renderer), object_(object), reference_(reference), glyphText_(glyphText) {}

TPDFContentRun::~TPDFContentRun() = default;

TPDFDictionary* TPDFContentRun::FindResources() {
    if (TPDFDictionary* dictionary = AsDictionary(object_)) {
        if (glyphText_) {
            TPDFDictionary* own = AsDictionary(Resolve(dictionary->GetValue("Resources")));
            return own ? own : renderer_.SavedResources;
        }
        return AsDictionary(renderer_.FindInheritedKey(dictionary, "Resources"));
    }
    if (TPDFStream* stream = AsStream(object_)) {
        if (TPDFDictionary* found = AsDictionary(renderer_.FindInheritedKey(stream->StreamDict, "Resources")))
            return found;
        TPDFObject* type = Resolve(stream->StreamDict ? stream->StreamDict->GetValue("Type") : nullptr);
        const bool formLike =
            !type || (type->Kind == kPDFKindName && static_cast<TPDFName*>(type)->NameBytes == "XObject");
        return formLike ? renderer_.SavedResources : nullptr;
    }
    return nullptr;
}

std::string TPDFContentRun::DecodeStream(TPDFObject* item, TPDFIndRef* reference) {
    TPDFStream* stream = AsStream(item);
    if (!stream) return {};
    if (reference && renderer_.OnBeforeDecode) renderer_.OnBeforeDecode(stream, reference);
    std::string data = GetDecodedData(*stream);
    if (reference && renderer_.OnAfterDecode) renderer_.OnAfterDecode(stream, reference);
    return data;
}

std::string TPDFContentRun::JoinContent() {
    if (TPDFDictionary* dictionary = AsDictionary(object_)) {
        if (glyphText_) return *glyphText_;
        TPDFObject* contents = dictionary->GetValue("Contents");
        auto* contentsRef = contents && contents->Kind == kPDFKindIndRef ? static_cast<TPDFIndRef*>(contents) : nullptr;
        contents = Resolve(contents);
        if (AsStream(contents)) return DecodeStream(contents, contentsRef);
        TPDFArray* array = AsArray(contents);
        if (!array) return {};
        std::string joined;
        bool first = true;
        for (int i = 0; i < array->GetCount(); ++i) {
            TPDFObject* item = array->GetItem(i);
            auto* itemRef = item && item->Kind == kPDFKindIndRef ? static_cast<TPDFIndRef*>(item) : nullptr;
            TPDFObject* resolved = Resolve(item);
            if (!AsStream(resolved)) continue;
            if (!first) joined += '\n';
            joined += DecodeStream(resolved, itemRef);
            first = false;
        }
        return joined;
    }
    if (AsStream(object_) && reference_) return DecodeStream(object_, reference_);
    return {};
}

bool TPDFContentRun::Execute() {
    if (object_) renderer_.Structure = object_->Structure;
    resources_ = FindResources();
    content_ = JoinContent();
    tokenizer_ = TPDFContentTokenizer(content_);

    if (renderer_.InheritState) {
        renderer_.InheritState = false;
        state_ = renderer_.InheritedState;
    }
    state_.TextMatrix = TPDFMatrix::Identity();
    state_.TextLineMatrix = TPDFMatrix::Identity();
    state_.StateCTM = renderer_.CTM;
    SaveGraphicsState();

    Interpret();

    if (AsDictionary(object_) && !glyphText_ && !failed_) {
        try {
            DrawAnnotations();
        } catch (const Exception& error) {
            RecordFailure(error.Message());
        }
    }
    if (renderer_.OnRunFinished) renderer_.OnRunFinished(state_);
    return !failed_;
}

void TPDFContentRun::RecordFailure(const std::string& message) {
    failed_ = true;
    // The first failure of the page is the one worth reporting.
    if (renderer_.ErrorText.empty())
        renderer_.ErrorText = "Rendering exception: " + message + "\r\n" + "Token position " +
                              std::to_string(tokenizer_.Position());
}

void TPDFContentRun::Interpret() {
    try {
        for (std::string_view token = tokenizer_.NextToken(); !token.empty(); token = tokenizer_.NextToken())
            if (!Dispatch(token)) PushOperand(token);
    } catch (const Exception& error) {
        RecordFailure(error.Message());
    }
}

bool TPDFContentRun::Dispatch(std::string_view token) {
    return DispatchGraphics(token) || DispatchText(token) || DispatchOther(token);
}

// "[" collects the elements of an array operand; the operator after "]" takes them.
void TPDFContentRun::ReadArray() {
    showCount_ = 0;
    for (std::string_view token = tokenizer_.NextToken(); !token.empty() && token != "]";
         token = tokenizer_.NextToken()) {
        PushOperand(token);
        ++showCount_;
    }
    if (showCount_ > static_cast<int>(operands_.size())) showCount_ = static_cast<int>(operands_.size());
}

// ---- Operands

void TPDFContentRun::PushOperand(std::string_view token) {
    if (token.empty()) return;
    // Left-over operands pile up for the whole run; the newest stay on top.
    if (operands_.size() >= kMaxOperands) operands_.pop_front();
    operands_.emplace_back(token);
}

double TPDFContentRun::PopNumber() {
    if (operands_.empty()) return 0;
    const double value = DecimalStrToFloat(operands_.back());
    operands_.pop_back();
    return std::isfinite(value) ? value : 0;
}

std::string TPDFContentRun::PopString() {
    if (operands_.empty()) return {};
    std::string value = std::move(operands_.back());
    operands_.pop_back();
    return value;
}

TPDFDictionary* TPDFContentRun::ResourceCategory(std::string_view category) {
    return resources_ ? AsDictionary(Resolve(resources_->GetValue(category))) : nullptr;
}

}  // namespace parch
