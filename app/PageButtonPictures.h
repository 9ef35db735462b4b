#pragma once
// The 14 by 14 pixel pictures of the preview's four page buttons: a normal look and a hover
// look with a frame, drawn here rather than stored.

#include <memory>

namespace parch {

class TBitmap;

enum class PageButton { First, Previous, Next, Last };

std::unique_ptr<TBitmap> DrawPageButtonPicture(PageButton button, bool hover);

}  // namespace parch
