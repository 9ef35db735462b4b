#pragma once
// Rendering one page of the API object's selected document into a stream.

namespace parch {

class TScrivlet;
class TStream;

// Renders page `page` (clamped to 1..page count) at resolution × the object's render scale
// into `stream` in output kind `kind` (0 BMP, 1 JPEG at the object's quality, 2 WMF, 3 EMF,
// 4 EPS, 5 PNG, 6 GIF, 7 TIFF, 8 EMF+, 9 HTML5 canvas page; a kind that names no output answers
// 0 with a message). 1 on success, else 0; the object's Message() holds the
// renderer's text. The selected page is kept.
int RenderPageImage(TScrivlet& api, int resolution, int page, int kind, TStream& stream);

}  // namespace parch
