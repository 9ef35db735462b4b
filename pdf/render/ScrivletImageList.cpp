#include "pdf/render/ScrivletImageList.h"

namespace parch {

void AddImageListItem(TPDFImageList& list, const TPDFImageListItem& item) { list.Items.push_back(item); }

}  // namespace parch
