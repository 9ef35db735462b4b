#pragma once
// Resampling kernels: weight functions of the distance from a sample point, with the half-width
// beyond which they are zero. A kernel resampler owns one and evaluates it for its taps.

#include <memory>
#include <string>

#include "bitmap32/Bitmap32.h"
#include "bitmap32/Bitmap32Containers.h"
#include "bitmap32/PropertyTable.h"

namespace parch {

class TCustomKernel : public TPersistent, public IPublishedProperties {
public:
    TCustomKernel() = default;
    TCustomKernel(const TCustomKernel&) = delete;
    TCustomKernel& operator=(const TCustomKernel&) = delete;

    virtual float Evaluate(float x) const = 0;
    // Half-width: Evaluate is 0 for |x| >= KernelWidth in every kernel with a cut-off.
    virtual float KernelWidth() const = 0;
    // Whether results may over- or undershoot and are clamped to 0 .. 255.
    virtual bool ClampResult() const { return false; }

    // Told of every parameter change (not owned); nullptr for none.
    TNotifiablePersistent* Observer = nullptr;

    const TPropertyTable& PublishedProperties() const override;

protected:
    void AssignTo(TPersistent* dest) const override;
    void ParameterChanged() const {
        if (Observer) Observer->Changed();
    }
};

class TBoxKernel : public TCustomKernel {
public:
    float Evaluate(float x) const override;
    float KernelWidth() const override { return 1.0f; }
};

class TLinearKernel : public TCustomKernel {
public:
    float Evaluate(float x) const override;
    float KernelWidth() const override { return 1.0f; }
};

class TCosineKernel : public TCustomKernel {
public:
    float Evaluate(float x) const override;
    float KernelWidth() const override { return 1.0f; }
};

class TSplineKernel : public TCustomKernel {
public:
    float Evaluate(float x) const override;
    float KernelWidth() const override { return 2.0f; }
    bool ClampResult() const override { return true; }
};

class TMitchellKernel : public TCustomKernel {
public:
    float Evaluate(float x) const override;
    float KernelWidth() const override { return 2.0f; }
    bool ClampResult() const override { return true; }
};

class TCubicKernel : public TCustomKernel {
public:
    float Evaluate(float x) const override;
    float KernelWidth() const override { return 2.0f; }
    bool ClampResult() const override { return true; }

    float Coeff() const { return coeff_; }
    // Any finite value.
    void SetCoeff(float value);
    const TPropertyTable& PublishedProperties() const override;

private:
    float coeff_ = -0.5f;
};

class THermiteKernel : public TCustomKernel {
public:
    float Evaluate(float x) const override;
    float KernelWidth() const override { return 2.0f; }
    bool ClampResult() const override { return true; }

    float Bias() const { return bias_; }
    float Tension() const { return tension_; }
    // Any value but NaN.
    void SetBias(float value);
    void SetTension(float value);
    const TPropertyTable& PublishedProperties() const override;

private:
    float bias_ = 0.0f;
    float tension_ = 0.0f;
};

class TSinshKernel : public TCustomKernel {
public:
    float Evaluate(float x) const override;
    float KernelWidth() const override { return width_; }
    bool ClampResult() const override { return true; }

    float Width() const { return width_; }
    float Coeff() const { return coeff_; }
    // Widths are limited to at most 4; zero, negative and non-finite values are ignored.
    void SetWidth(float value);
    // 0 and non-finite values are ignored.
    void SetCoeff(float value);
    const TPropertyTable& PublishedProperties() const override;

private:
    float width_ = 3.0f;
    float coeff_ = 0.5f;
};

// sinc(x) times a window that reaches 0 at Width.
class TWindowedSincKernel : public TCustomKernel {
public:
    float Evaluate(float x) const override;
    float KernelWidth() const override { return width_; }
    bool ClampResult() const override { return true; }

    float Width() const { return width_; }
    // Limited to at most 4; zero, negative and non-finite values are ignored.
    void SetWidth(float value);
    const TPropertyTable& PublishedProperties() const override;

protected:
    virtual float Window(float t) const = 0;
    float width_ = 3.0f;
    float widthReciprocal_ = 1.0f / 3.0f;
};

class TAlbrechtKernel : public TWindowedSincKernel {
public:
    TAlbrechtKernel() { SetTerms(11); }
    int Terms() const { return terms_; }
    // Limited to 2 .. 11.
    void SetTerms(int value);
    const TPropertyTable& PublishedProperties() const override;

protected:
    float Window(float t) const override;

private:
    int terms_ = 0;
    double coefficients_[11] = {};
};

class TLanczosKernel : public TWindowedSincKernel {
protected:
    float Window(float t) const override;
};

class TGaussianKernel : public TWindowedSincKernel {
public:
    TGaussianKernel() { SetSigma(1.33f); }
    float Sigma() const { return sigma_; }
    // Zero, negative and non-finite values are ignored.
    void SetSigma(float value);
    const TPropertyTable& PublishedProperties() const override;

protected:
    float Window(float t) const override;

private:
    float sigma_ = 0.0f;
    float g_ = 0.0f;
};

class TBlackmanKernel : public TWindowedSincKernel {
protected:
    float Window(float t) const override;
};

class THannKernel : public TWindowedSincKernel {
protected:
    float Window(float t) const override;
};

class THammingKernel : public TWindowedSincKernel {
protected:
    float Window(float t) const override;
};

float Sinc(float x);

// Kernel classes by name, for KernelClassName.
struct TKernelClass {
    std::string ClassName;
    std::unique_ptr<TCustomKernel> (*Create)();
};
const TClassList<TKernelClass>& KernelClassList();

}  // namespace parch
