#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "framework/managed_object.h"
#include "imaging/geometry.h"

namespace kova {

class TXCanvas;
class TXStream;

// Thrown by the picture classes for data they cannot decode; the message says what is wrong.
class EXInvalidGraphic : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A decoded picture of one of the registered picture classes ("TBitmap", "TPngImage",
// "TXJPEGImage", "TIcon"), able to read and write its own format and to draw itself.
class TXGraphic : public TXObject {
 public:
  // The name under which the class is registered.
  virtual std::string GraphicClassName() const = 0;
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  TXSize Size() const { return {Width(), Height()}; }
  bool IsEmpty() const { return Width() <= 0 || Height() <= 0; }
  // Whether some pixels are (partly) transparent, so that drawing blends them.
  virtual bool HasTransparency() const { return false; }

  // Reads the picture that begins at the stream's current position. Throws EXInvalidGraphic for
  // data that is not a picture of this class (and EXError when the stream fails).
  virtual void LoadFromStream(TXStream& stream) = 0;
  // Writes the picture in its own format.
  virtual void SaveToStream(TXStream& stream) const = 0;
  // Draws the whole picture stretched into the rectangle. A picture decoded only when drawn
  // throws EXInvalidGraphic when its data turns out damaged.
  virtual void Draw(TXCanvas& canvas, const TXRect& rect) const = 0;
};

}  // namespace kova
