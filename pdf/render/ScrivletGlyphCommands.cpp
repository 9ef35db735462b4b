// The glyph command text: Type 1 charstrings are translated into it, and RenderGlyph executes it
// into a cached shape that is replayed through a matrix.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/NumberText.h"
#include "pdf/core/ScrivletExtra.h"
#include "pdf/core/ScrivletFontConst.h"
#include "pdf/graphics/ScrivletGenericCanvas.h"
#include "pdf/graphics/ScrivletMatrix.h"
#include "pdf/render/ScrivletType1Decoder.h"

namespace parch {

namespace {

// Bounds on what one glyph's charstring may make the translator do: nested subroutine calls,
// operands waiting on the stack, othersubr results, and interpreted bytes over all calls.
constexpr int kGlyphCmdMaxSubrDepth = 10;
constexpr std::size_t kGlyphCmdMaxOperands = 48;
constexpr std::size_t kGlyphCmdMaxResults = 48;
constexpr std::int64_t kGlyphCmdByteBudget = 1 << 20;
constexpr int kGlyphCmdFlexPoints = 7;

std::string GlyphCmdNumber(double value) { return FloatToPDFStr(6, value); }

// Translates one Type 1 glyph (and, through seac, its two components) into command text.
class GlyphCmdType1Translator {
public:
    using GlyphProgram = std::function<std::string(const std::string& glyphName)>;
    using SubrProgram = std::function<std::string(std::int32_t number)>;

    GlyphCmdType1Translator(TScrivletStringList& commands, GlyphProgram glyph, SubrProgram subr)
        : commands_(commands), glyph_(std::move(glyph)), subr_(std::move(subr)) {}

    void TranslateGlyph(const std::string& glyphName, const std::string& plain) {
        glyphName_ = glyphName;
        TranslateProgram(plain);
        FlushOperands();
    }

private:
    enum class Flow { Continue, Return, EndGlyph, Abort };

    // One glyph program from its start to endchar, seac or its end.
    void TranslateProgram(const std::string& plain) {
        if (Translate(plain, 0) == Flow::Abort) aborted_ = true;
    }

    Flow Translate(std::string_view bytes, int depth) {
        std::size_t pos = 0;
        while (pos < bytes.size()) {
            if (--budget_ < 0) return Flow::Abort;
            auto v = static_cast<std::uint8_t>(bytes[pos++]);
            if (v >= 32) {
                if (!ReadNumber(bytes, pos, v)) return aborted_ ? Flow::Abort : Flow::Continue;
                continue;
            }
            Flow flow = v == 12 ? (pos < bytes.size() ? Escape(static_cast<std::uint8_t>(bytes[pos++])) : Flow::Continue)
                                : Operator(v, depth);
            if (flow != Flow::Continue) return flow;
        }
        return Flow::Continue;
    }

    // A number whose bytes run past the end is dropped; false then.
    bool ReadNumber(std::string_view bytes, std::size_t& pos, std::uint8_t v) {
        double number;
        if (v <= 246) {
            number = v - 139;
        } else if (v <= 254) {
            if (pos >= bytes.size()) return false;
            int w = static_cast<std::uint8_t>(bytes[pos++]);
            number = v <= 250 ? (v - 247) * 256 + w + 108 : -(v - 251) * 256 - w - 108;
        } else {
            if (bytes.size() - pos < 4) {
                pos = bytes.size();
                return false;
            }
            std::uint32_t raw = 0;
            for (int i = 0; i < 4; ++i) raw = (raw << 8) | static_cast<std::uint8_t>(bytes[pos++]);
            number = static_cast<std::int32_t>(raw);
        }
        return Push(number);
    }

    bool Push(double value) {
        if (operands_.size() >= kGlyphCmdMaxOperands) {
            aborted_ = true;
            return false;
        }
        operands_.push_back(value);
        return true;
    }

    // Operands taken from the stack, the first pushed first; missing ones are 0.
    template <std::size_t N>
    std::array<double, N> Take() {
        std::array<double, N> values{};
        for (std::size_t i = N; i-- > 0;) {
            if (operands_.empty()) break;
            values[i] = operands_.back();
            operands_.pop_back();
        }
        return values;
    }

    double TakeOne() { return Take<1>()[0]; }

    // Operands no operator consumed stay in the text as bare numbers ahead of the next command.
    void FlushOperands() {
        for (double value : operands_) commands_.Add(GlyphCmdNumber(value));
        operands_.clear();
    }

    void Append(std::string command) {
        FlushOperands();
        commands_.Add(command);
    }

    template <std::size_t N>
    void AppendCall(std::string_view word, const std::array<double, N>& args, std::string_view tag = {}) {
        std::string text(word);
        text += '(';
        for (std::size_t i = 0; i < N; ++i) {
            if (i > 0) text += ',';
            text += GlyphCmdNumber(args[i]);
        }
        text += ')';
        text += tag;
        Append(std::move(text));
    }

    void MoveBy(double dx, double dy) {
        if (flex_ && flexCount_ < kGlyphCmdFlexPoints) {
            flexPoints_[static_cast<std::size_t>(flexCount_)] = {dx, dy};
            return;
        }
        AppendCall<2>("rmoveto", {dx, dy});
    }

    Flow Operator(std::uint8_t op, int depth) {
        switch (op) {
            case 1: AppendCall("hstem", Take<2>()); break;
            case 3: AppendCall("vstem", Take<2>()); break;
            case 4: MoveBy(0, TakeOne()); break;
            case 5: AppendCall("rlineto", Take<2>()); break;
            case 6: AppendCall<2>("rlineto", {TakeOne(), 0}); break;
            case 7: AppendCall<2>("rlineto", {0, TakeOne()}); break;
            case 8: AppendCall("rrcurveto", Take<6>(), " rr"); break;
            case 9: Append("closepath"); break;
            case 10: return CallSubr(depth);
            case 11: return depth > 0 ? Flow::Return : Flow::Continue;
            case 13: AppendCall("hsbw", Take<2>()); break;
            case 14:
                Append("endchar");
                return Flow::EndGlyph;
            case 21: {
                auto [dx, dy] = Take<2>();
                MoveBy(dx, dy);
                break;
            }
            case 22: MoveBy(TakeOne(), 0); break;
            case 30: {
                auto [dy1, dx2, dy2, dx3] = Take<4>();
                AppendCall<6>("rrcurveto", {0, dy1, dx2, dy2, dx3, 0}, " vh");
                break;
            }
            case 31: {
                auto [dx1, dx2, dy2, dy3] = Take<4>();
                AppendCall<6>("rrcurveto", {dx1, 0, dx2, dy2, 0, dy3}, " hv");
                break;
            }
            default: break;
        }
        return aborted_ ? Flow::Abort : Flow::Continue;
    }

    Flow Escape(std::uint8_t op) {
        switch (op) {
            case 0: Append("dotsection"); break;
            case 1: Append("vstem3"); break;
            case 2: Append("hstem3"); break;
            case 6: return Seac();
            case 7: AppendCall("sbw", Take<4>()); break;
            case 12: {
                auto [a, b] = Take<2>();
                Push(b == 0 ? 0 : a / b);
                break;
            }
            case 16: CallOtherSubr(); break;
            case 17: {
                double top = 0;
                if (!results_.empty()) {
                    top = results_.back();
                    results_.pop_back();
                }
                Push(top);
                break;
            }
            case 33: AppendCall("setcurrentpoint", Take<2>()); break;
            default: break;
        }
        return aborted_ ? Flow::Abort : Flow::Continue;
    }

    Flow CallSubr(int depth) {
        auto number = TakeOne();
        // Calls nested too deeply translate nothing; a looping font still ends.
        if (depth >= kGlyphCmdMaxSubrDepth || number < INT32_MIN || number > INT32_MAX) return Flow::Continue;
        std::string subr = subr_(static_cast<std::int32_t>(number));
        // Each call pays for the decryption of its subroutine, so that calls cannot multiply work.
        budget_ -= static_cast<std::int64_t>(subr.size());
        if (budget_ < 0) return Flow::Abort;
        Flow flow = Translate(subr, depth + 1);
        return flow == Flow::Return ? Flow::Continue : flow;
    }

    void PushResult(double value) {
        if (results_.size() < kGlyphCmdMaxResults) results_.push_back(value);
    }

    void CallOtherSubr() {
        auto [count, number] = Take<2>();
        (void)count;
        if (number == 1) {
            flex_ = true;
            flexCount_ = 0;
        } else if (number == 2) {
            if (flexCount_ < kGlyphCmdFlexPoints) ++flexCount_;
        } else if (number == 0) {
            auto [height, endX, endY] = Take<3>();
            (void)height;
            if (flexCount_ == kGlyphCmdFlexPoints) AppendFlex();
            flex_ = false;
            flexCount_ = 0;
            PushResult(endY);
            PushResult(endX);
        } else if (number == 3) {
            PushResult(3);
        }
    }

    void AppendFlex() {
        std::string text = "flex(";
        for (std::size_t i = 0; i < flexPoints_.size(); ++i) {
            if (i > 0) text += ',';
            text += GlyphCmdNumber(flexPoints_[i].first) + "," + GlyphCmdNumber(flexPoints_[i].second);
        }
        Append(text + ")");
    }

    // An accented glyph: the base glyph, the seac command and the accent. Components are plain
    // glyphs: a seac inside one, or one naming the glyph itself, is refused.
    Flow Seac() {
        auto [asb, adx, ady, bchar, achar] = Take<5>();
        if (inSeac_) return Flow::EndGlyph;
        std::string base = StandardName(bchar), accent = StandardName(achar);
        if (base.empty() || accent.empty() || base == glyphName_ || accent == glyphName_) return Flow::EndGlyph;
        inSeac_ = true;
        TranslateProgram(glyph_(base));
        if (!aborted_) {
            AppendCall<3>("seac", {asb, adx, ady});
            TranslateProgram(glyph_(accent));
        }
        return aborted_ ? Flow::Abort : Flow::EndGlyph;
    }

    static std::string StandardName(double code) {
        if (code < 0 || code > 255 || code != static_cast<int>(code)) return {};
        TGlyphNames names;
        GetEncodingGlyphNames(kStandardEncoding, names);
        const std::string& name = names[static_cast<std::size_t>(code)];
        return name == ".notdef" ? std::string() : name;
    }

    TScrivletStringList& commands_;
    GlyphProgram glyph_;
    SubrProgram subr_;
    std::string glyphName_;
    std::vector<double> operands_;
    std::vector<double> results_;
    std::array<std::pair<double, double>, kGlyphCmdFlexPoints> flexPoints_{};
    bool flex_ = false;
    int flexCount_ = 0;
    bool inSeac_ = false;
    bool aborted_ = false;
    std::int64_t budget_ = kGlyphCmdByteBudget;
};

// The arguments of a command item: the texts between "(", "," and ")" read as numbers; missing
// ones are 0.
class GlyphCmdArguments {
public:
    explicit GlyphCmdArguments(std::string_view item) {
        std::size_t open = item.find('(');
        if (open == std::string_view::npos) return;
        std::size_t start = open + 1;
        while (start <= item.size() && count_ < values_.size()) {
            std::size_t end = item.find_first_of(",)", start);
            if (end == std::string_view::npos) end = item.size();
            values_[count_++] = DecimalStrToFloat(item.substr(start, end - start));
            if (end >= item.size() || item[end] == ')') break;
            start = end + 1;
        }
    }

    // Arguments count from 1.
    double operator[](std::size_t number) const {
        return number >= 1 && number <= count_ ? values_[number - 1] : 0;
    }

private:
    std::array<double, 14> values_{};
    std::size_t count_ = 0;
};

std::string_view GlyphCmdWord(std::string_view item) { return item.substr(0, item.find('(')); }

// Executes command text into a shape, tracking the current and side-bearing points.
class GlyphCmdExecutor {
public:
    explicit GlyphCmdExecutor(TPDFGenericShape& shape) : shape_(shape) {}

    // True when the text held "endchar".
    bool Execute(const TScrivletStringList& commands) {
        for (int i = 0; i < commands.GetCount(); ++i) Step(commands.Get(i));
        return ended_;
    }

private:
    void Step(std::string_view item) {
        std::string_view word = GlyphCmdWord(item);
        GlyphCmdArguments arg(item);
        if (word == "hsbw") {
            sideBearing_.X = arg[1];
            if (!seac_) current_ = {arg[1], 0};
        } else if (word == "sbw") {
            sideBearing_ = {arg[1], arg[2]};
            if (!seac_) current_ = sideBearing_;
        } else if (word == "rmoveto") {
            shape_.AddClosePath();
            current_ = Offset(current_, arg[1], arg[2]);
            shape_.AddMoveTo(current_.X, current_.Y);
        } else if (word == "rlineto") {
            current_ = Offset(current_, arg[1], arg[2]);
            shape_.AddLineTo(current_.X, current_.Y);
        } else if (word == "rrcurveto") {
            Curve(current_, arg, 1);
        } else if (word == "flex") {
            TPDFPoint reference = Offset(current_, arg[1], arg[2]);
            Curve(reference, arg, 3);
            Curve(current_, arg, 9);
        } else if (word == "t2flex") {
            Curve(current_, arg, 1);
            Curve(current_, arg, 7);
        } else if (word == "setcurrentpoint") {
            current_ = {arg[1], arg[2]};
        } else if (word == "closepath") {
            shape_.AddClosePath();
        } else if (word == "endchar") {
            ended_ = true;
        } else if (word == "seac") {
            seac_ = true;
            current_ = Offset(sideBearing_, arg[2], arg[3]);
        }
    }

    static TPDFPoint Offset(TPDFPoint point, double dx, double dy) { return {point.X + dx, point.Y + dy}; }

    // A cubic curve from `from` with the six relative values starting at argument `first`.
    void Curve(TPDFPoint from, const GlyphCmdArguments& arg, std::size_t first) {
        TPDFPoint c1 = Offset(from, arg[first], arg[first + 1]);
        TPDFPoint c2 = Offset(c1, arg[first + 2], arg[first + 3]);
        TPDFPoint end = Offset(c2, arg[first + 4], arg[first + 5]);
        shape_.AddCurveTo(c1.X, c1.Y, c2.X, c2.Y, end.X, end.Y);
        current_ = end;
    }

    TPDFGenericShape& shape_;
    TPDFPoint current_;
    TPDFPoint sideBearing_;
    bool seac_ = false;
    bool ended_ = false;
};

TPDFMatrix GlyphCmdTranslation(double x, double y) { return {1, 0, 0, 1, x, y}; }

}  // namespace

bool TPDFType1Decoder::LoadGlyphCommands(const std::string& glyphName) {
    if (const TScrivletStringList* cached = CachedCommands(glyphName)) {
        commandList_ = *cached;
        return true;
    }
    bool built = fontKind_ == 2 ? BuildType2Commands(glyphName) : BuildType1Commands(glyphName);
    CacheCommands(glyphName);
    return built;
}

bool TPDFType1Decoder::BuildType1Commands(const std::string& glyphName) {
    commandList_.Clear();
    std::string plain = DecryptCharString(GetCharString(glyphName));
    if (plain.empty()) return false;
    GlyphCmdType1Translator translator(
        commandList_, [this](const std::string& name) { return DecryptCharString(GetCharString(name)); },
        [this](std::int32_t number) { return GetSubr(number); });
    translator.TranslateGlyph(glyphName, plain);
    return true;
}

bool TPDFType1Decoder::RenderGlyph(TPDFGenericCanvas& canvas, const TPDFMatrix& matrix, double x, double y,
                                   const std::string& glyphName) {
    TPDFMatrix glyphMatrix = matrix;
    if (scale_ != 1.0) glyphMatrix = MatrixProduct({scale_, 0, 0, scale_, 0, 0}, glyphMatrix);
    glyphMatrix = MatrixProduct(GlyphCmdTranslation(x, y), glyphMatrix);

    if (const TPDFGenericShape* cached = CachedShape(glyphName)) {
        PaintShape(canvas, *cached, glyphMatrix);
        return true;
    }
    // Cached before it is built, so that a glyph without commands stays an empty shape.
    TPDFGenericShape& shape = AddCachedShape(glyphName);
    LoadGlyphCommands(glyphName);
    bool ended = GlyphCmdExecutor(shape).Execute(commandList_);
    PaintShape(canvas, shape, glyphMatrix);
    return ended;
}

}  // namespace parch
