#include "bitmap32/Bitmap32Kernels.h"

#include <cmath>
#include <numbers>

namespace parch {

namespace {

constexpr float kKernelPi = std::numbers::pi_v<float>;
constexpr float kMaxKernelWidth = 4.0f;

template <class K>
TPropertyInfo KernelFloatProperty(const char* name, float (K::*get)() const, void (K::*set)(float)) {
    TPropertyInfo info;
    info.Name = name;
    info.Kind = TTypeKind::tkFloat;
    info.GetText = [get](const TObject& o) { return FloatPropertyText((dynamic_cast<const K&>(o).*get)()); };
    const std::string property = name;
    info.SetText = [set, property](TObject& o, const std::string& text) {
        (dynamic_cast<K&>(o).*set)(static_cast<float>(FloatPropertyValue(property, text)));
    };
    return info;
}

template <class K>
TPropertyInfo KernelIntegerProperty(const char* name, int (K::*get)() const, void (K::*set)(int)) {
    TPropertyInfo info;
    info.Name = name;
    info.Kind = TTypeKind::tkInteger;
    info.GetText = [get](const TObject& o) { return std::to_string((dynamic_cast<const K&>(o).*get)()); };
    const std::string property = name;
    info.SetText = [set, property](TObject& o, const std::string& text) {
        (dynamic_cast<K&>(o).*set)(IntegerPropertyValue(property, text));
    };
    return info;
}

// The widths that point sampling and the tap arrays support.
bool KernelWidthAcceptable(float value) { return std::isfinite(value) && value > 0.0f; }

constexpr double kAlbrechtCoefficients[10][11] = {
    {0.5383553946707251, 0.4616446053292749},
    {0.346100822018625, 0.497340635096738, 0.156558542884637},
    {0.226982412792069, 0.457254070828427, 0.273199027957384, 0.0425644884221201},
    {0.14894260601583, 0.386001173639176, 0.340977403214053, 0.1139879604246, 0.0100908567063414},
    {0.0971676200107429, 0.308845222524055, 0.362623371437917, 0.188953325525116, 0.0402095714148751,
     0.0022008890872942},
    {0.0639644241143904, 0.239938645993528, 0.350159563238205, 0.247741118970808, 0.085438256055858,
     0.0123202033692932, 0.000437788257917735},
    {0.0421072107042137, 0.182076226633776, 0.317713781059942, 0.284438001373442, 0.136762237777383,
     0.0334038053504025, 0.00341677216705768, 8.19649337831348e-05},
    {0.0276143731612611, 0.135382228758844, 0.275287234472237, 0.298843335317801, 0.185319330279284,
     0.0648884482549063, 0.0117641910285655, 0.000885987580106899, 1.48711469943406e-05},
    {0.0179908225352538, 0.098795958606521, 0.229883817001211, 0.294113019095183, 0.224338977814325,
     0.103248806248099, 0.0275674109448523, 0.00383958622947123, 0.000218971708430106, 2.62981665347889e-06},
    {0.0118717127796602, 0.0719533651951142, 0.187887160922585, 0.275808174097291, 0.248904243244464,
     0.141729867200712, 0.0502002976228256, 0.0104589649084984, 0.0011361511274166, 4.96285981703436e-05,
     4.3430326268572e-07},
};

template <class K>
void KernelAddClass(TClassList<TKernelClass>& list) {
    K probe;
    list.Add({probe.ClassName(), [] { return std::unique_ptr<TCustomKernel>(new K()); }});
}

}  // namespace

float Sinc(float x) {
    if (x == 0.0f) return 1.0f;
    const float px = kKernelPi * x;
    return std::sin(px) / px;
}

// ---- base ----------------------------------------------------------------------------------

const TPropertyTable& TCustomKernel::PublishedProperties() const {
    static const TPropertyTable none;
    return none;
}

void TCustomKernel::AssignTo(TPersistent* dest) const {
    if (auto* kernel = dynamic_cast<TCustomKernel*>(dest)) {
        CopyPublishedProperties(*this, *kernel, TTypeKinds::All().Without(TTypeKind::tkMethod).Without(TTypeKind::tkUnknown));
        return;
    }
    TPersistent::AssignTo(dest);
}

// ---- fixed forms -----------------------------------------------------------------------------

float TBoxKernel::Evaluate(float x) const { return (x >= -0.5f && x <= 0.5f) ? 1.0f : 0.0f; }

float TLinearKernel::Evaluate(float x) const {
    if (x < -1.0f) return 0.0f;
    if (x < 0.0f) return 1.0f + x;
    if (x < 1.0f) return 1.0f - x;
    return 0.0f;
}

float TCosineKernel::Evaluate(float x) const {
    if (std::abs(x) >= 1.0f) return 0.0f;
    return (std::cos(kKernelPi * x) + 1.0f) * 0.5f;
}

float TSplineKernel::Evaluate(float x) const {
    const float t = std::abs(x);
    if (t < 1.0f) {
        const float t2 = t * t;
        return 0.5f * t2 * t - t2 + 2.0f / 3.0f;
    }
    if (t < 2.0f) {
        const float u = 2.0f - t;
        return u * u * u / 6.0f;
    }
    return 0.0f;
}

float TMitchellKernel::Evaluate(float x) const {
    const float t = std::abs(x);
    const float t2 = t * t, t3 = t2 * t;
    if (t < 1.0f) return (21.0f * t3 - 36.0f * t2 + 16.0f) / 18.0f;
    if (t < 2.0f) return (-7.0f * t3 + 36.0f * t2 - 60.0f * t + 32.0f) / 18.0f;
    return 0.0f;
}

float TCubicKernel::Evaluate(float x) const {
    const float t = std::abs(x);
    const float t2 = t * t, t3 = t2 * t;
    const float a = coeff_;
    if (t < 1.0f) return (a + 2.0f) * t3 - (a + 3.0f) * t2 + 1.0f;
    if (t < 2.0f) return a * (t3 - 5.0f * t2 + 8.0f * t - 4.0f);
    return 0.0f;
}

void TCubicKernel::SetCoeff(float value) {
    if (!std::isfinite(value) || value == coeff_) return;
    coeff_ = value;
    ParameterChanged();
}

const TPropertyTable& TCubicKernel::PublishedProperties() const {
    static const TPropertyTable table{KernelFloatProperty("Coeff", &TCubicKernel::Coeff, &TCubicKernel::SetCoeff)};
    return table;
}

float THermiteKernel::Evaluate(float x) const {
    const float t = (1.0f - tension_) * 0.5f;
    const float p = (1.0f + bias_) * t;
    const float q = (1.0f - bias_) * t;
    const float fi = std::floor(x);
    const float f = std::abs(fi - x);
    const float f2 = f * f, f3 = f2 * f;
    const float h1 = f3 - 2.0f * f2 + f;
    const float h2 = f3 - f2;
    const float h3 = -2.0f * f3 + 3.0f * f2;
    const float h4 = 1.0f - h3;
    if (fi == -2.0f) return h2 * q;
    if (fi == -1.0f) return h1 * q + h3 + (p - q) * h2;
    if (fi == 0.0f) return (p - q) * h1 + h4 - h2 * p;
    if (fi == 1.0f) return -h1 * p;
    return 0.0f;
}

namespace {
bool HermiteParameterAcceptable(float value) { return !std::isnan(value); }
}  // namespace

void THermiteKernel::SetBias(float value) {
    if (!HermiteParameterAcceptable(value) || value == bias_) return;
    bias_ = value;
    ParameterChanged();
}

void THermiteKernel::SetTension(float value) {
    if (!HermiteParameterAcceptable(value) || value == tension_) return;
    tension_ = value;
    ParameterChanged();
}

const TPropertyTable& THermiteKernel::PublishedProperties() const {
    static const TPropertyTable table{KernelFloatProperty("Bias", &THermiteKernel::Bias, &THermiteKernel::SetBias),
                                      KernelFloatProperty("Tension", &THermiteKernel::Tension, &THermiteKernel::SetTension)};
    return table;
}

float TSinshKernel::Evaluate(float x) const {
    if (x == 0.0f) return 1.0f;
    return coeff_ * std::sin(kKernelPi * x) / std::sinh(kKernelPi * coeff_ * x);
}

void TSinshKernel::SetWidth(float value) {
    if (!KernelWidthAcceptable(value)) return;
    value = std::min(value, kMaxKernelWidth);
    if (value == width_) return;
    width_ = value;
    ParameterChanged();
}

void TSinshKernel::SetCoeff(float value) {
    if (!std::isfinite(value) || value == 0.0f || value == coeff_) return;
    coeff_ = value;
    ParameterChanged();
}

const TPropertyTable& TSinshKernel::PublishedProperties() const {
    static const TPropertyTable table{KernelFloatProperty("Width", &TSinshKernel::Width, &TSinshKernel::SetWidth),
                                      KernelFloatProperty("Coeff", &TSinshKernel::Coeff, &TSinshKernel::SetCoeff)};
    return table;
}

// ---- windowed sinc ---------------------------------------------------------------------------

float TWindowedSincKernel::Evaluate(float x) const {
    const float t = std::abs(x);
    if (t >= width_) return 0.0f;
    return Window(t) * Sinc(t);
}

void TWindowedSincKernel::SetWidth(float value) {
    if (!KernelWidthAcceptable(value)) return;
    value = std::min(value, kMaxKernelWidth);
    if (value == width_) return;
    width_ = value;
    widthReciprocal_ = 1.0f / value;
    ParameterChanged();
}

const TPropertyTable& TWindowedSincKernel::PublishedProperties() const {
    static const TPropertyTable table{
        KernelFloatProperty("Width", &TWindowedSincKernel::Width, &TWindowedSincKernel::SetWidth)};
    return table;
}

void TAlbrechtKernel::SetTerms(int value) {
    value = std::clamp(value, 2, 11);
    if (value == terms_) return;
    terms_ = value;
    for (int k = 0; k < 11; ++k) coefficients_[k] = k < value ? kAlbrechtCoefficients[value - 2][k] : 0.0;
    ParameterChanged();
}

float TAlbrechtKernel::Window(float t) const {
    const double u = std::cos(static_cast<double>(kKernelPi * t * widthReciprocal_));
    float sum = static_cast<float>(coefficients_[terms_ - 1]);
    for (int k = terms_ - 2; k >= 0; --k) sum = static_cast<float>(sum * u + coefficients_[k]);
    return sum;
}

const TPropertyTable& TAlbrechtKernel::PublishedProperties() const {
    static const TPropertyTable table = [] {
        TPropertyTable t{KernelFloatProperty("Width", &TWindowedSincKernel::Width, &TWindowedSincKernel::SetWidth)};
        t.push_back(KernelIntegerProperty("Terms", &TAlbrechtKernel::Terms, &TAlbrechtKernel::SetTerms));
        return t;
    }();
    return table;
}

float TLanczosKernel::Window(float t) const { return Sinc(t * widthReciprocal_); }

float TBlackmanKernel::Window(float t) const {
    const float u = std::cos(kKernelPi * t * widthReciprocal_);
    return 0.34f + 0.5f * u + 0.16f * u * u;
}

float THannKernel::Window(float t) const { return 0.5f + 0.5f * std::cos(kKernelPi * t * widthReciprocal_); }

float THammingKernel::Window(float t) const { return 0.54f + 0.46f * std::cos(kKernelPi * t * widthReciprocal_); }

void TGaussianKernel::SetSigma(float value) {
    if (!std::isfinite(value) || value <= 0.0f || value == sigma_) return;
    sigma_ = value;
    g_ = -std::numbers::ln2_v<float> / value;
    ParameterChanged();
}

float TGaussianKernel::Window(float t) const { return std::exp(t * t * g_); }

const TPropertyTable& TGaussianKernel::PublishedProperties() const {
    static const TPropertyTable table = [] {
        TPropertyTable t{KernelFloatProperty("Width", &TWindowedSincKernel::Width, &TWindowedSincKernel::SetWidth)};
        t.push_back(KernelFloatProperty("Sigma", &TGaussianKernel::Sigma, &TGaussianKernel::SetSigma));
        return t;
    }();
    return table;
}

// ---- class list ------------------------------------------------------------------------------

const TClassList<TKernelClass>& KernelClassList() {
    static const TClassList<TKernelClass> list = [] {
        TClassList<TKernelClass> l;
        KernelAddClass<TBoxKernel>(l);
        KernelAddClass<TLinearKernel>(l);
        KernelAddClass<TCosineKernel>(l);
        KernelAddClass<TSplineKernel>(l);
        KernelAddClass<TCubicKernel>(l);
        KernelAddClass<TMitchellKernel>(l);
        KernelAddClass<TAlbrechtKernel>(l);
        KernelAddClass<TLanczosKernel>(l);
        KernelAddClass<TGaussianKernel>(l);
        KernelAddClass<TBlackmanKernel>(l);
        KernelAddClass<THannKernel>(l);
        KernelAddClass<THammingKernel>(l);
        KernelAddClass<TSinshKernel>(l);
        KernelAddClass<THermiteKernel>(l);
        return l;
    }();
    return list;
}

}  // namespace parch
