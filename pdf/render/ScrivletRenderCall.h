#pragma once
// Rendering one page of the API object's selected document into a stream.

namespace parch {

class TScrivlet;
class TStream;

// Renders page `page` (clamped to 1..page count) at resolution × the object's render scale
// into `stream` in output kind `kind` (0 BMP, 2 WMF, 3 EMF, 8 EMF+, 9 HTML5 canvas page; the
// kinds this build cannot write answer 0 with a message). 1 on success, else 0; the object's Message() holds the
// renderer's text. The selected page is kept.
int RenderPageImage(TScrivlet& api, int resolution, int page, int kind, TStream& stream);

}  // namespace parch
