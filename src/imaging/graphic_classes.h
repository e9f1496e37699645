#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "imaging/graphic.h"

// The picture classes known by name, so that the class name kept with a picture's bytes can be
// turned back into a decoder: "TBitmap", "TPngImage", "TJPEGImage" and "TXJPEGImage" (both made
// as TXJPEGImage) and "TIcon". "TMetafile" has no decoder on this platform and counts as unknown.
namespace kova {

// A new, empty picture of the class named (ignoring case), or nullptr for an unknown name.
std::unique_ptr<TXGraphic> CreateGraphic(std::string_view className);

// The class name under which a picture's bytes are kept: its own, except "TJPEGImage" for JPEG.
std::string StoredGraphicClassName(const TXGraphic& graphic);

// The class that reads files with the extension (".png", ".JPG", ...), or "" when none does.
std::string GraphicClassOfExtension(std::string_view extension);

// A holder of at most one picture.
class TXPicture {
 public:
  TXGraphic* Graphic() const { return graphic_.get(); }
  void SetGraphic(std::unique_ptr<TXGraphic> graphic) { graphic_ = std::move(graphic); }
  void Clear() { graphic_.reset(); }
  int32_t Width() const { return graphic_ ? graphic_->Width() : 0; }
  int32_t Height() const { return graphic_ ? graphic_->Height() : 0; }

  // Makes the picture hold a picture of the class named: a picture of that class already held is
  // kept; an unknown name leaves the picture without one.
  void ForceClass(std::string_view className);

 private:
  std::unique_ptr<TXGraphic> graphic_;
};

}  // namespace kova
