#pragma once
// The skin engine's components as form descriptions name them: "TsSkinManager" and
// "TsAlphaImageList". Binary properties (an internal skin's "Data", an image item's "ImgData")
// name a raw-data resource of the program that holds the bytes.

namespace parch {

// Makes both classes known to the form descriptions; calling it again changes nothing.
void RegisterSkinEngineClasses();

}  // namespace parch
