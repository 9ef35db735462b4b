#pragma once
// A canvas that writes down every call, for checking what a rasterizer adds to a path.

#include <cstdio>
#include <string>
#include <vector>

#include "pdf/graphics/ScrivletGenericCanvas.h"

namespace parch::testfont {

class RecordingCanvas : public TPDFGenericCanvas {
public:
    void NewPath() override { Calls.push_back("newpath"); }
    void MoveTo(double x, double y) override { Calls.push_back("m" + Points({x, y})); }
    void LineTo(double x, double y) override { Calls.push_back("l" + Points({x, y})); }
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) override {
        Calls.push_back("c" + Points({x1, y1, x2, y2, x3, y3}));
    }
    void QuadCurveTo(double x1, double y1, double x2, double y2) override {
        Calls.push_back("q" + Points({x1, y1, x2, y2}));
    }
    void ClosePath() override { Calls.push_back("h"); }
    void Stroke() override { Calls.push_back("stroke"); }
    void Fill() override { Calls.push_back("fill"); }
    void FillAndStroke() override { Calls.push_back("fillstroke"); }
    void DrawImage(const TPDFStreamableGraphic&, double, double, double, double, double, double) override {
        Calls.push_back("image");
    }

    std::vector<std::string> Calls;

private:
    // Each value with up to three decimals, trailing zeros dropped.
    static std::string Points(std::initializer_list<double> values) {
        std::string text;
        for (double value : values) {
            char number[32];
            std::snprintf(number, sizeof number, " %.3f", value);
            std::string item = number;
            while (item.back() == '0') item.pop_back();
            if (item.back() == '.') item.pop_back();
            if (item == " -0") item = " 0";
            text += item;
        }
        return text;
    }
};

}  // namespace parch::testfont
