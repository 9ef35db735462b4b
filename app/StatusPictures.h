#pragma once
// The eight status pictures of the document list (22 by 12 pixels), drawn here: waiting,
// working, done and failed, each also with a key for a document opened with a password.

namespace parch {

class TComponent;
class TImageList;

// An image list owned by owner, in the order of the list's picture numbers.
TImageList* CreateStatusPictures(TComponent* owner);

}  // namespace parch
