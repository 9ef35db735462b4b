#pragma once
// PDF functions: sampled (type 0), exponential (type 2), stitching (type 3) and
// PostScript calculator (type 4) functions, made by CreatePDFFunction from a function
// dictionary or stream of the document's object structure and evaluated on arrays of doubles.
//
// Arithmetic faults (a division by zero in Interpolate, a calculator div, idiv or mod by zero,
// a root or logarithm out of range, a result that is not finite) raise EMathError subclasses
// (base/Exceptions.h); the renderer catches them per content run. Stream data that its filters
// refuse (EPDFDamagedData) raises from the factory in the same way.
//
// Bounds beyond the Part: the calculator's stack is emptied at the start of every evaluation
// and holds at most kCalculatorStackLimit values (pushes beyond are dropped); a calculator
// evaluation reads at most kCalculatorTokenLimit tokens and then stops, its outputs popped as
// they stand; sampled-function offsets are computed in 64 bits with saturation, samples past
// the data reading 0; a stitching function's sub-functions are made through the same factory
// with a limit on nesting depth and on the number of functions per factory call, and a
// function that is already being made further up (a cycle) gives nil.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace parch {

class TPDFObject;
class TPDFDictionary;

using TPDFDoubleArray = std::vector<double>;

inline constexpr int kCalculatorStackLimit = 100;
inline constexpr int kCalculatorTokenLimit = 100000;
// Nesting of stitching functions, the outermost function counting 1.
inline constexpr int kFunctionDepthLimit = 16;
// Functions made by one call of the factory, sub-functions included.
inline constexpr int kFunctionCountLimit = 1000;

// The factory's state while one call makes its functions.
struct TPDFFunctionBuild {
    std::vector<const TPDFObject*> InProgress;  // the dictionaries or streams being made, outermost first
    int Made = 0;                               // functions made so far
};

class TPDFFunction {
public:
    // Reads the common entries: `object` is a dictionary, or a stream whose dictionary is
    // used and whose decoded data is held.
    explicit TPDFFunction(TPDFObject* object);
    virtual ~TPDFFunction() = default;
    TPDFFunction(const TPDFFunction&) = delete;
    TPDFFunction& operator=(const TPDFFunction&) = delete;

    // Sets the outputs; types 0, 2 and 4 size them to OutputCount themselves, type 3 leaves
    // them to the sub-function it chooses (unchanged when there is none).
    virtual void Evaluate(const TPDFDoubleArray& inputs, TPDFDoubleArray& outputs) = 0;

    int InputCount() const { return InputCountM; }
    int OutputCount() const { return OutputCountN; }

    // The key's value (a reference resolved): an array gives its items as doubles (0 for an
    // item that is not a number); anything else an empty array.
    TPDFDoubleArray ReadNumberArray(std::string_view key) const;
    // The key's numeric value (resolved), else the default; ReadInteger rounds half to even.
    double ReadNumber(std::string_view key, double fallback) const;
    std::int64_t ReadInteger(std::string_view key, std::int64_t fallback) const;

    TPDFDictionary* Dictionary = nullptr;  // the function dictionary (a stream's own dictionary)
    std::string Data;                      // the stream's decoded data; empty for a dictionary
    TPDFDoubleArray Domain;                // 2m values
    TPDFDoubleArray Range;                 // 2n values, possibly empty
    int InputCountM = 0;
    int OutputCountN = 0;
};

// y = Ymin + (x − Xmin) × (Ymax − Ymin) ÷ (Xmax − Xmin); EZeroDivide when Xmax = Xmin.
double Interpolate(double x, double xMin, double xMax, double yMin, double yMax);

class TPDFType0Function : public TPDFFunction {
public:
    explicit TPDFType0Function(TPDFObject* object);
    void Evaluate(const TPDFDoubleArray& inputs, TPDFDoubleArray& outputs) override;

    TPDFDoubleArray Size;
    std::int64_t BitsPerSample = 0;
    std::int64_t Order = 1;  // read and not used: the nearest sample is taken
    TPDFDoubleArray Encode;
    TPDFDoubleArray Decode;
};

class TPDFType2Function : public TPDFFunction {
public:
    explicit TPDFType2Function(TPDFObject* object);
    void Evaluate(const TPDFDoubleArray& inputs, TPDFDoubleArray& outputs) override;

    TPDFDoubleArray C0;
    TPDFDoubleArray C1;
    double N = 1;
};

class TPDFType3Function : public TPDFFunction {
public:
    // Without a build state the sub-functions are made as by a fresh factory call.
    explicit TPDFType3Function(TPDFObject* object, TPDFFunctionBuild* build = nullptr);
    void Evaluate(const TPDFDoubleArray& inputs, TPDFDoubleArray& outputs) override;

    TPDFDoubleArray Bounds;  // extended by Domain's upper value
    TPDFDoubleArray Encode;  // default [0 1]
    std::vector<std::unique_ptr<TPDFFunction>> Functions;  // nil where the factory gave nil
};

class TPDFType4Function : public TPDFFunction {
public:
    explicit TPDFType4Function(TPDFObject* object);
    void Evaluate(const TPDFDoubleArray& inputs, TPDFDoubleArray& outputs) override;

    TPDFDoubleArray Stack;  // the operand stack; emptied at the start of every evaluation
};

// For a stream its dictionary, for a dictionary itself (a reference is resolved first), else
// nil; FunctionType 0, 2, 3 or 4 makes the matching class, any other or none gives nil.
std::unique_ptr<TPDFFunction> CreatePDFFunction(TPDFObject* object);
// The same within a running build (stitching functions make their sub-functions this way):
// nil for an object already being made, beyond the depth limit or beyond the count limit.
std::unique_ptr<TPDFFunction> CreatePDFFunction(TPDFObject* object, TPDFFunctionBuild& build);

}  // namespace parch
