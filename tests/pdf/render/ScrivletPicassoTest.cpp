#include "pdf/render/ScrivletPicasso.h"

#include <gtest/gtest.h>

#include <string>

#include "base/Streams.h"

namespace parch {
namespace {

const std::string kPicassoTestHead =
    "<!DOCTYPE html><html><head><script type=\"text/javascript\">\r\n"
    "function ScrivletLibraryDraw() {\r\n"
    "  var canvas = document.getElementById(\"SVLCanvas\");\r\n"
    "  if (canvas.getContext) {\r\n"
    "    var ctx = canvas.getContext(\"2d\");\r\n";

TEST(PicassoHtml, RedSquarePageIsHeadStatementsAndTail) {
    TStringStream out;
    TPDFPicasso picasso;
    picasso.BeginHTML(&out);
    picasso.NewPath();
    picasso.MoveTo(10, 10);
    picasso.LineTo(20, 10);
    picasso.LineTo(20, 20);
    picasso.LineTo(10, 20);
    picasso.ClosePath();
    picasso.SetFillColor(0x0000FF);
    picasso.Fill();
    picasso.EndHTML(30, 40);
    EXPECT_EQ(out.DataString(),
              kPicassoTestHead +
                  "ctx.beginPath();ctx.moveTo(10,10);ctx.lineTo(20,10);ctx.lineTo(20,20);ctx.lineTo(10,20);"
                  "ctx.closePath();ctx.fillStyle = \"#FF0000\";ctx.fill();"
                  "  }\r\n}\r\n</script>\r\n</head><body onload=\"ScrivletLibraryDraw()\">\r\n"
                  "<canvas id=\"SVLCanvas\" width=\"30\" height=\"40\"></canvas>\r\n</body></html>");
}

}  // namespace
}  // namespace parch
