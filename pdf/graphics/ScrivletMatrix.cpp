#include "pdf/graphics/ScrivletMatrix.h"

#include <cmath>

namespace parch {

TPDFMatrix MatrixProduct(const TPDFMatrix& l, const TPDFMatrix& r) {
    return {l.a * r.a + l.b * r.c,       l.a * r.b + l.b * r.d,       l.c * r.a + l.d * r.c,
            l.c * r.b + l.d * r.d,       l.e * r.a + l.f * r.c + r.e, l.e * r.b + l.f * r.d + r.f};
}

void MatrixMultiply(TPDFMatrix& result, const TPDFMatrix& left, const TPDFMatrix& right) {
    result = MatrixProduct(left, right);
}

TPDFPoint MatrixTransformPoint(const TPDFMatrix& m, TPDFPoint p) {
    return {m.a * p.X + m.c * p.Y + m.e, m.b * p.X + m.d * p.Y + m.f};
}

void SetMatrix(TPDFMatrix& matrix, double a, double b, double c, double d, double e, double f) {
    matrix = {a, b, c, d, e, f};
}

double TransformedDistance(const TPDFMatrix& matrix, TPDFPoint from, TPDFPoint to) {
    const TPDFPoint p = MatrixTransformPoint(matrix, from);
    const TPDFPoint q = MatrixTransformPoint(matrix, to);
    return std::hypot(q.X - p.X, q.Y - p.Y);
}

}  // namespace parch
