#pragma once
// The affine matrix of every transformation in the renderer: [a b c d e f] applied to row
// vectors, (x, y) to (a·x + c·y + e, b·x + d·y + f). A × B applies A first.

namespace parch {

struct TPDFPoint {
    double X = 0;
    double Y = 0;
};

struct TPDFMatrix {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

    static constexpr TPDFMatrix Identity() { return {}; }
    friend bool operator==(const TPDFMatrix&, const TPDFMatrix&) = default;
};

// result := left × right; either input may be the result.
void MatrixMultiply(TPDFMatrix& result, const TPDFMatrix& left, const TPDFMatrix& right);
// left × right as a value.
TPDFMatrix MatrixProduct(const TPDFMatrix& left, const TPDFMatrix& right);
TPDFPoint MatrixTransformPoint(const TPDFMatrix& matrix, TPDFPoint point);
void SetMatrix(TPDFMatrix& matrix, double a, double b, double c, double d, double e, double f);
// The distance between the images of two points: device lengths of user-space vectors.
double TransformedDistance(const TPDFMatrix& matrix, TPDFPoint from, TPDFPoint to);

}  // namespace parch
