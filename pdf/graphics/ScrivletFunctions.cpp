#include "pdf/graphics/ScrivletFunctions.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "base/Exceptions.h"
#include "base/NumberText.h"
#include "pdf/core/ScrivletStreamData.h"
#include "pdf/core/ScrivletStructure.h"

namespace parch {

namespace {

// A reference resolved one step; anything else as it is.
TPDFObject* ResolveObject(TPDFObject* object) {
    if (object && object->Kind == kPDFKindIndRef) return static_cast<TPDFIndRef*>(object)->Resolve();
    return object;
}

// An array entry that the dictionary lacks reads as 0.
double At(const TPDFDoubleArray& values, std::size_t index) {
    return index < values.size() ? values[index] : 0.0;
}

double Clip(double value, double low, double high) {
    if (value < low) return low;
    if (value > high) return high;
    return value;
}

// Rounds half to even (the default rounding mode).
double RoundEven(double value) { return std::nearbyint(value); }

// A result that is not finite is a floating-point fault.
double Checked(double value, const char* what) {
    if (std::isnan(value)) throw EInvalidOp(std::string("Invalid floating point operation in ") + what);
    if (std::isinf(value)) throw EOverflow(std::string("Floating point overflow in ") + what);
    return value;
}

// An operand rounded half to even as an integer; one outside 64 bits is an invalid operation.
std::int64_t ToInteger(double value) {
    const double rounded = RoundEven(value);
    if (!(rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0))
        throw EInvalidOp("Invalid floating point operation");
    return static_cast<std::int64_t>(rounded);
}

// Wraps to the 32-bit integer of the same low bits.
std::int32_t ToInt32(double value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(ToInteger(value))));
}

}  // namespace

double Interpolate(double x, double xMin, double xMax, double yMin, double yMax) {
    const double width = xMax - xMin;
    if (width == 0) throw EZeroDivide("Floating point division by zero");
    return Checked(yMin + (x - xMin) * (yMax - yMin) / width, "Interpolate");
}

// ---- TPDFFunction

TPDFFunction::TPDFFunction(TPDFObject* object) {
    if (TPDFStream* stream = AsStream(object)) {
        Dictionary = stream->StreamDict;
        Data = GetDecodedData(*stream);
    } else {
        Dictionary = AsDictionary(object);
    }
    Domain = ReadNumberArray("Domain");
    Range = ReadNumberArray("Range");
    InputCountM = static_cast<int>(Domain.size() / 2);
    OutputCountN = static_cast<int>(Range.size() / 2);
}

TPDFDoubleArray TPDFFunction::ReadNumberArray(std::string_view key) const {
    TPDFDoubleArray values;
    if (!Dictionary) return values;
    if (const TPDFArray* array = AsArray(ResolveObject(Dictionary->GetValue(key)))) {
        values.reserve(static_cast<std::size_t>(array->GetCount()));
        for (int i = 0; i < array->GetCount(); ++i) {
            const TPDFNumeric* number = AsNumber(array->GetItem(i));
            values.push_back(number ? number->GetValue() : 0.0);
        }
    }
    return values;
}

double TPDFFunction::ReadNumber(std::string_view key, double fallback) const {
    if (!Dictionary) return fallback;
    const TPDFNumeric* number = AsNumber(ResolveObject(Dictionary->GetValue(key)));
    return number ? number->GetValue() : fallback;
}

std::int64_t TPDFFunction::ReadInteger(std::string_view key, std::int64_t fallback) const {
    if (!Dictionary) return fallback;
    const TPDFNumeric* number = AsNumber(ResolveObject(Dictionary->GetValue(key)));
    return number ? number->GetInteger() : fallback;
}

// ---- Type 0, sampled

namespace {

// Offsets at or beyond this many bits lie past any data: products saturate here.
constexpr std::uint64_t kOffsetCap = std::uint64_t{1} << 60;

std::uint64_t SaturatingMultiply(std::uint64_t a, std::uint64_t b) {
    if (a == 0 || b == 0) return 0;
    if (a >= kOffsetCap || b >= kOffsetCap || a > kOffsetCap / b) return kOffsetCap;
    return a * b;
}

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) {
    return a >= kOffsetCap || b >= kOffsetCap || a + b >= kOffsetCap ? kOffsetCap : a + b;
}

// A non-negative count from a double, saturated at the cap.
std::uint64_t CountOf(double value) {
    const double rounded = RoundEven(value);
    if (!(rounded > 0)) return 0;
    if (rounded >= static_cast<double>(kOffsetCap)) return kOffsetCap;
    return static_cast<std::uint64_t>(rounded);
}

}  // namespace

TPDFType0Function::TPDFType0Function(TPDFObject* object) : TPDFFunction(object) {
    Size = ReadNumberArray("Size");
    BitsPerSample = ReadInteger("BitsPerSample", 0);
    Order = ReadInteger("Order", 1);
    Encode = ReadNumberArray("Encode");
    Decode = ReadNumberArray("Decode");
    if (Encode.empty()) {
        for (int i = 0; i < InputCountM; ++i) {
            Encode.push_back(0);
            Encode.push_back(At(Size, static_cast<std::size_t>(i)) - 1);
        }
    }
    if (Decode.empty()) Decode = Range;
}

void TPDFType0Function::Evaluate(const TPDFDoubleArray& inputs, TPDFDoubleArray& outputs) {
    const std::size_t n = static_cast<std::size_t>(OutputCountN);
    outputs.assign(n, 0.0);

    // The bit offset of the nearest sample, the first input varying fastest.
    std::uint64_t index = 0;
    std::uint64_t stride = n;
    for (std::size_t i = 0; i < static_cast<std::size_t>(InputCountM); ++i) {
        const double low = At(Domain, 2 * i), high = At(Domain, 2 * i + 1);
        const double x = Clip(At(inputs, i), low, high);
        double e = Interpolate(x, low, high, At(Encode, 2 * i), At(Encode, 2 * i + 1));
        e = std::max(0.0, std::min(e, At(Size, i) - 1));
        index = SaturatingAdd(index, SaturatingMultiply(CountOf(e), stride));
        stride = SaturatingMultiply(stride, CountOf(At(Size, i)));
    }
    const std::int64_t bits = BitsPerSample;
    if (bits > 32) throw EInvalidOp("Unsupported BitsPerSample " + std::to_string(bits));
    const std::uint64_t sampleBits = bits > 0 ? static_cast<std::uint64_t>(bits) : 0;
    std::uint64_t offset = SaturatingMultiply(index, sampleBits);
    const std::uint64_t dataBits = static_cast<std::uint64_t>(Data.size()) * 8;
    // 2^bits − 1 without overflow for every width up to 32; 0 for a width of 0 or less.
    const double largest = sampleBits ? static_cast<double>((std::uint64_t{1} << sampleBits) - 1) : 0.0;

    for (std::size_t j = 0; j < n; ++j) {
        std::uint64_t sample = 0;
        for (std::uint64_t b = 0; b < sampleBits; ++b) {
            const std::uint64_t at = SaturatingAdd(offset, b);
            unsigned bit = 0;
            if (at < dataBits)
                bit = (static_cast<unsigned char>(Data[static_cast<std::size_t>(at >> 3)]) >> (7 - (at & 7))) & 1u;
            sample = (sample << 1) | bit;
        }
        offset = SaturatingAdd(offset, sampleBits);
        const double value =
            Interpolate(static_cast<double>(sample), 0, largest, At(Decode, 2 * j), At(Decode, 2 * j + 1));
        outputs[j] = Clip(value, At(Range, 2 * j), At(Range, 2 * j + 1));
    }
}

// ---- Type 2, exponential interpolation

TPDFType2Function::TPDFType2Function(TPDFObject* object) : TPDFFunction(object) {
    C0 = ReadNumberArray("C0");
    if (C0.empty()) C0 = {0.0};
    C1 = ReadNumberArray("C1");
    if (C1.empty()) C1 = {1.0};
    N = ReadNumber("N", 1);
    if (Range.empty()) OutputCountN = static_cast<int>(C0.size());
}

namespace {

// a to the power b, with the faults of a floating-point unit that raises them.
double Power(double a, double b) {
    if (a == 0 && b < 0) throw EZeroDivide("Floating point division by zero");
    return Checked(std::pow(a, b), "power");
}

}  // namespace

void TPDFType2Function::Evaluate(const TPDFDoubleArray& inputs, TPDFDoubleArray& outputs) {
    const std::size_t n = static_cast<std::size_t>(OutputCountN);
    outputs.assign(n, 0.0);
    const double x = At(inputs, 0);
    const double power = Power(x, N);
    for (std::size_t j = 0; j < n; ++j)
        outputs[j] = Checked(At(C0, j) + power * (At(C1, j) - At(C0, j)), "exponential function");
}

// ---- Type 3, stitching

TPDFType3Function::TPDFType3Function(TPDFObject* object, TPDFFunctionBuild* build) : TPDFFunction(object) {
    Bounds = ReadNumberArray("Bounds");
    Bounds.push_back(At(Domain, 1));
    Encode = ReadNumberArray("Encode");
    if (Encode.empty()) Encode = {0.0, 1.0};
    const TPDFArray* functions = Dictionary ? AsArray(ResolveObject(Dictionary->GetValue("Functions"))) : nullptr;
    if (!functions) return;
    TPDFFunctionBuild own;
    if (!build) {
        // Made outside the factory: this function is the outermost one in progress.
        own.InProgress.push_back(object);
        own.Made = 1;
        build = &own;
    }
    for (int i = 0; i < functions->GetCount(); ++i)
        Functions.push_back(CreatePDFFunction(ResolveObject(functions->GetItem(i)), *build));
}

void TPDFType3Function::Evaluate(const TPDFDoubleArray& inputs, TPDFDoubleArray& outputs) {
    const std::size_t k = Functions.size();
    if (k == 0) return;
    const double x = Clip(At(inputs, 0), At(Domain, 0), At(Domain, 1));
    for (std::size_t i = 0; i < k; ++i) {
        const double low = i == 0 ? At(Domain, 0) : At(Bounds, i - 1);
        const double high = At(Bounds, i);
        const bool last = i + 1 == k;
        if (!(x >= low && (x < high || (last && x <= high)))) continue;
        if (!Functions[i]) return;
        TPDFDoubleArray subInputs = inputs;
        if (subInputs.empty()) subInputs.push_back(0);
        subInputs[0] = Interpolate(x, low, high, At(Encode, 2 * i), At(Encode, 2 * i + 1));
        Functions[i]->Evaluate(subInputs, outputs);
        return;
    }
}

// ---- Type 4, PostScript calculator

TPDFType4Function::TPDFType4Function(TPDFObject* object) : TPDFFunction(object) { Stack.clear(); }

namespace {

bool IsCalculatorWhiteSpace(char c) {
    return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32;
}

// The program text as a stack of pieces: inserting a procedure's text at the current position
// pushes it as a new piece, read before the rest of the piece below it.
class TokenReader {
public:
    explicit TokenReader(std::string text) { pieces_.push_back({std::move(text), 0}); }

    // The next token, or false when none is left.
    bool Next(std::string& token) {
        while (!pieces_.empty()) {
            Piece& piece = pieces_.back();
            const std::string& text = piece.Text;
            std::size_t at = piece.At;
            while (at < text.size() && IsCalculatorWhiteSpace(text[at])) ++at;
            if (at >= text.size()) {
                pieces_.pop_back();
                continue;
            }
            std::size_t end = at + 1;
            if (text[at] != '{' && text[at] != '}') {
                while (end < text.size() && !IsCalculatorWhiteSpace(text[end]) && text[end] != '{' &&
                       text[end] != '}')
                    ++end;
            }
            token.assign(text, at, end - at);
            piece.At = end;
            return true;
        }
        return false;
    }

    void Insert(std::string text) {
        // A piece that is read to its end is dropped first, so that nesting stays shallow.
        while (!pieces_.empty() && pieces_.back().At >= pieces_.back().Text.size()) pieces_.pop_back();
        pieces_.push_back({std::move(text), 0});
    }

private:
    struct Piece {
        std::string Text;
        std::size_t At;
    };
    std::vector<Piece> pieces_;
};

class Calculator {
public:
    explicit Calculator(TPDFDoubleArray& stack) : stack_(stack) {}

    void Push(double value) {
        if (stack_.size() < static_cast<std::size_t>(kCalculatorStackLimit)) stack_.push_back(value);
    }
    double Pop() {
        if (stack_.empty()) return 0;
        const double value = stack_.back();
        stack_.pop_back();
        return value;
    }

    void Run(std::string program);

private:
    // Executes an operator; false when the token is none.
    bool Execute(const std::string& op);
    bool TakeToken(std::string& token) {
        if (tokens_ >= kCalculatorTokenLimit) return false;
        if (!reader_->Next(token)) return false;
        ++tokens_;
        return true;
    }

    TPDFDoubleArray& stack_;
    TokenReader* reader_ = nullptr;
    std::vector<std::string> procedures_;
    int tokens_ = 0;
};

void Calculator::Run(std::string program) {
    TokenReader reader(std::move(program));
    reader_ = &reader;
    std::string token;
    while (TakeToken(token)) {
        if (token == "{") {
            std::string procedure;
            int depth = 1;
            std::string inner;
            while (depth > 0 && TakeToken(inner)) {
                if (inner == "{") ++depth;
                else if (inner == "}") --depth;
                procedure += inner;
                procedure += ' ';
            }
            procedures_.push_back(std::move(procedure));
        } else if (token == "}") {
            // ignored
        } else if (!(token[0] >= 'a' && token[0] <= 'z')) {
            Push(DecimalStrToFloat(token));
        } else {
            Execute(token);
        }
    }
    reader_ = nullptr;
}

double Degrees(double radians) { return radians * 180.0 / std::numbers::pi; }
double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

bool Calculator::Execute(const std::string& op) {
    const auto binary = [this](auto&& f) {
        const double b = Pop();
        const double a = Pop();
        Push(f(a, b));
    };
    const auto unary = [this](auto&& f) { Push(f(Pop())); };
    const auto compare = [&binary](auto&& f) { binary([&f](double a, double b) { return f(a, b) ? 1.0 : 0.0; }); };

    switch (op[0]) {
        case 'a':
            if (op == "add") return binary([](double a, double b) { return Checked(a + b, "add"); }), true;
            if (op == "abs") return unary([](double b) { return std::fabs(b); }), true;
            if (op == "and")
                return binary([](double a, double b) { return static_cast<double>(ToInt32(a) & ToInt32(b)); }), true;
            if (op == "atan") {
                binary([](double num, double den) {
                    double angle = Degrees(std::atan2(num, den));
                    if (angle < 0) angle += 360;
                    if (angle >= 360) angle = 0;
                    return angle;
                });
                return true;
            }
            break;
        case 'b':
            if (op == "bitshift") {
                binary([](double a, double b) {
                    const std::uint32_t value = static_cast<std::uint32_t>(ToInt32(a));
                    const std::int64_t shift = ToInteger(b);
                    std::uint32_t result = value;
                    if (shift > 0) result = shift >= 32 ? 0 : value << shift;
                    else if (shift < 0) result = shift <= -32 ? 0 : value >> -shift;
                    return static_cast<double>(static_cast<std::int32_t>(result));
                });
                return true;
            }
            break;
        case 'c':
            if (op == "ceiling") return unary([](double b) { return std::ceil(b); }), true;
            if (op == "cos") return unary([](double b) { return Checked(std::cos(Radians(b)), "cos"); }), true;
            if (op == "cvi") return unary([](double b) { return RoundEven(b); }), true;
            if (op == "cvr") return true;
            if (op == "copy") {
                const std::int64_t count = ToInteger(Pop());
                if (count > 0 && static_cast<std::uint64_t>(count) <= stack_.size()) {
                    const std::size_t from = stack_.size() - static_cast<std::size_t>(count);
                    const std::size_t end = stack_.size();
                    for (std::size_t i = from; i < end; ++i) Push(stack_[i]);
                }
                return true;
            }
            break;
        case 'd':
            if (op == "div") {
                binary([](double a, double b) {
                    if (b == 0) throw EZeroDivide("Floating point division by zero");
                    return Checked(a / b, "div");
                });
                return true;
            }
            if (op == "dup") {
                if (!stack_.empty()) Push(stack_.back());
                return true;
            }
            break;
        case 'e':
            if (op == "exp") return binary([](double a, double b) { return Power(a, b); }), true;
            if (op == "eq") return compare([](double a, double b) { return a == b; }), true;
            if (op == "exch") {
                const double b = Pop();
                const double a = Pop();
                Push(b);
                Push(a);
                return true;
            }
            break;
        case 'f':
            if (op == "floor") return unary([](double b) { return std::floor(b); }), true;
            if (op == "false") return Push(0), true;
            break;
        case 'g':
            if (op == "gt") return compare([](double a, double b) { return a > b; }), true;
            if (op == "ge") return compare([](double a, double b) { return a >= b; }), true;
            break;
        case 'i':
            if (op == "idiv") {
                binary([](double a, double b) {
                    const std::int64_t x = ToInteger(a), y = ToInteger(b);
                    if (y == 0) throw EZeroDivide("Division by zero");
                    if (y == -1) return -static_cast<double>(x);
                    return static_cast<double>(x / y);
                });
                return true;
            }
            if (op == "index") {
                const std::int64_t n = ToInteger(Pop());
                double value = 0;
                if (n >= 0 && static_cast<std::uint64_t>(n) < stack_.size())
                    value = stack_[stack_.size() - 1 - static_cast<std::size_t>(n)];
                Push(value);
                return true;
            }
            if (op == "if") {
                const std::int64_t condition = ToInteger(Pop());
                if (condition == 1 && !procedures_.empty()) reader_->Insert(procedures_.front());
                procedures_.clear();
                return true;
            }
            if (op == "ifelse") {
                const std::int64_t condition = ToInteger(Pop());
                if (procedures_.size() >= 2) reader_->Insert(procedures_[condition == 1 ? 0 : 1]);
                procedures_.clear();
                return true;
            }
            break;
        case 'l':
            if (op == "ln" || op == "log") {
                const bool natural = op == "ln";
                unary([natural](double b) {
                    if (b == 0) throw EZeroDivide("Logarithm of zero");
                    if (!(b > 0)) throw EInvalidOp("Logarithm of a negative number");
                    return natural ? std::log(b) : std::log10(b);
                });
                return true;
            }
            if (op == "lt") return compare([](double a, double b) { return a < b; }), true;
            if (op == "le") return compare([](double a, double b) { return a <= b; }), true;
            break;
        case 'm':
            if (op == "mul") return binary([](double a, double b) { return Checked(a * b, "mul"); }), true;
            if (op == "mod") {
                binary([](double a, double b) {
                    const std::int64_t x = ToInteger(a), y = ToInteger(b);
                    if (y == 0) throw EZeroDivide("Division by zero");
                    if (y == -1) return 0.0;
                    return static_cast<double>(x % y);
                });
                return true;
            }
            break;
        case 'n':
            if (op == "neg") return unary([](double b) { return -b; }), true;
            if (op == "ne") return compare([](double a, double b) { return a != b; }), true;
            if (op == "not") return unary([](double b) { return static_cast<double>(~ToInt32(b)); }), true;
            break;
        case 'o':
            if (op == "or")
                return binary([](double a, double b) { return static_cast<double>(ToInt32(a) | ToInt32(b)); }), true;
            break;
        case 'p':
            if (op == "pop") return Pop(), true;
            break;
        case 'r':
            if (op == "round") return unary([](double b) { return RoundEven(b); }), true;
            if (op == "roll") {
                const std::int64_t j = ToInteger(Pop());
                const std::int64_t n = ToInteger(Pop());
                if (n > 0 && static_cast<std::uint64_t>(n) <= stack_.size()) {
                    // Positive j moves the elements toward the top: a right rotation by j mod n.
                    const std::int64_t shift = ((j % n) + n) % n;
                    const auto first = stack_.end() - static_cast<std::ptrdiff_t>(n);
                    std::rotate(first, stack_.end() - static_cast<std::ptrdiff_t>(shift), stack_.end());
                }
                return true;
            }
            break;
        case 's':
            if (op == "sub") return binary([](double a, double b) { return Checked(a - b, "sub"); }), true;
            if (op == "sin") return unary([](double b) { return Checked(std::sin(Radians(b)), "sin"); }), true;
            if (op == "sqrt") {
                unary([](double b) {
                    if (!(b >= 0)) throw EInvalidOp("Square root of a negative number");
                    return std::sqrt(b);
                });
                return true;
            }
            break;
        case 't':
            if (op == "truncate") return unary([](double b) { return std::trunc(b); }), true;
            if (op == "true") return Push(1), true;
            break;
        case 'x':
            if (op == "xor")
                return binary([](double a, double b) { return static_cast<double>(ToInt32(a) ^ ToInt32(b)); }), true;
            break;
        default:
            break;
    }
    return false;
}

}  // namespace

void TPDFType4Function::Evaluate(const TPDFDoubleArray& inputs, TPDFDoubleArray& outputs) {
    Stack.clear();
    Calculator calculator(Stack);
    for (std::size_t i = 0; i < static_cast<std::size_t>(InputCountM); ++i) calculator.Push(At(inputs, i));

    // The program less its leading "{" (after white space) and everything from its last "}" on;
    // without a "}" its last byte is dropped.
    std::string program = Data;
    std::size_t start = 0;
    while (start < program.size() && IsCalculatorWhiteSpace(program[start])) ++start;
    if (start < program.size() && program[start] == '{') ++start;
    const std::size_t close = program.rfind('}');
    std::size_t end = close != std::string::npos ? close : (program.empty() ? 0 : program.size() - 1);
    if (end < start) end = start;
    calculator.Run(program.substr(start, end - start));

    const std::size_t n = static_cast<std::size_t>(OutputCountN);
    outputs.assign(n, 0.0);
    for (std::size_t j = n; j > 0; --j) outputs[j - 1] = calculator.Pop();
}

// ---- The factory

std::unique_ptr<TPDFFunction> CreatePDFFunction(TPDFObject* object, TPDFFunctionBuild& build) {
    object = ResolveObject(object);
    const TPDFDictionary* dictionary = nullptr;
    if (TPDFStream* stream = AsStream(object)) dictionary = stream->StreamDict;
    else dictionary = AsDictionary(object);
    if (!dictionary) return nullptr;
    const TPDFNumeric* type = AsNumber(ResolveObject(dictionary->GetValue("FunctionType")));
    if (!type) return nullptr;

    // A function already being made further up is a cycle.
    if (std::find(build.InProgress.begin(), build.InProgress.end(), object) != build.InProgress.end())
        return nullptr;
    if (build.InProgress.size() >= static_cast<std::size_t>(kFunctionDepthLimit)) return nullptr;
    if (build.Made >= kFunctionCountLimit) return nullptr;

    const double kind = type->GetValue();
    std::unique_ptr<TPDFFunction> function;
    if (kind == 0) {
        ++build.Made;
        function = std::make_unique<TPDFType0Function>(object);
    } else if (kind == 2) {
        ++build.Made;
        function = std::make_unique<TPDFType2Function>(object);
    } else if (kind == 3) {
        ++build.Made;
        build.InProgress.push_back(object);
        try {
            function = std::make_unique<TPDFType3Function>(object, &build);
        } catch (...) {
            build.InProgress.pop_back();
            throw;
        }
        build.InProgress.pop_back();
    } else if (kind == 4) {
        ++build.Made;
        function = std::make_unique<TPDFType4Function>(object);
    }
    return function;
}

std::unique_ptr<TPDFFunction> CreatePDFFunction(TPDFObject* object) {
    TPDFFunctionBuild build;
    return CreatePDFFunction(object, build);
}

}  // namespace parch
