#pragma once

#include <memory>
#include <string>

#include "imaging/graphic.h"
#include "persistence/stream_object.h"

namespace kova {

// A picture kept as its encoded bytes, the name of the picture class that decodes them
// (DataClass: "TBitmap", "TPngImage", "TJPEGImage", "TIcon") and its pixel size. Thumbnails and
// previews of found files, skin pictures and file-type icons are image objects. Every load
// validates by decoding; a failed load leaves the object cleared, the reason in the thread's
// error record, and answers false.
class TXImageObject : public TXCustomSizeStreamObject {
  KOVA_PERSISTENT(TXImageObject)

 public:
  // Copies another image object, the Data of an image item, or the picture of a graphic (saved
  // in its own format; any JPEG is kept as "TJPEGImage"). Other sources answer false.
  virtual bool LoadFrom(const TXObject& source);
  // Decodes the whole stream with the class named, then keeps the name and the bytes.
  bool LoadFromStream(const std::string& dataClass, TXStream& stream) override;
  // Decodes the file with the class its extension names, then keeps the bytes, the class name
  // and, with keepFileName, the file name.
  bool LoadFromFile(const std::string& fileName, bool keepFileName = true) override;

  // A new picture decoded from the bytes; nullptr when the object is empty or its class unknown.
  // Throws EXInvalidGraphic for bytes that do not decode.
  std::unique_ptr<TXGraphic> Decode() const;

 private:
  void Keep(const std::string& dataClass, const TXGraphic& graphic);
};

}  // namespace kova
