#pragma once
// Rendering one page of the API object's selected document into a stream.

namespace parch {

class TScrivlet;
class TStream;

// Renders page `page` (clamped to 1..page count) at resolution × the object's render scale
// into `stream` in output kind `kind` (0 BMP, 1 JPEG at the object's quality, 4 EPS, 5 PNG,
// 6 GIF, 7 TIFF, 9 HTML5 canvas page; the kinds this build cannot write and those that name no
// output answer 0 with a message). 1 on success, else 0; the object's Message() holds the
// renderer's text. The selected page is kept.
int RenderPageImage(TScrivlet& api, int resolution, int page, int kind, TStream& stream);

}  // namespace parch
