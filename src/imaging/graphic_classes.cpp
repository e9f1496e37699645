#include "imaging/graphic_classes.h"

#include <array>

#include "framework/text_utils.h"
#include "imaging/icon_image.h"
#include "imaging/jpeg_image.h"
#include "imaging/png_image.h"

namespace kova {

namespace {

struct GraphicClass {
  std::string_view name;
  std::unique_ptr<TXGraphic> (*make)();
};

template <class T>
std::unique_ptr<TXGraphic> Make() {
  return std::make_unique<T>();
}

constexpr std::array kClasses = {
    GraphicClass{"TBitmap", &Make<TXBitmap32>},     GraphicClass{"TPngImage", &Make<TXPngImage>},
    GraphicClass{"TJPEGImage", &Make<TXJPEGImage>}, GraphicClass{"TXJPEGImage", &Make<TXJPEGImage>},
    GraphicClass{"TIcon", &Make<TXIcon>},
};

struct Extension {
  std::string_view extension;
  std::string_view className;
};

constexpr std::array kExtensions = {
    Extension{".bmp", "TBitmap"},     Extension{".dib", "TBitmap"},
    Extension{".png", "TPngImage"},   Extension{".jpg", "TJPEGImage"},
    Extension{".jpeg", "TJPEGImage"}, Extension{".jpe", "TJPEGImage"},
    Extension{".jfif", "TJPEGImage"}, Extension{".ico", "TIcon"},
};

}  // namespace

std::unique_ptr<TXGraphic> CreateGraphic(std::string_view className) {
  for (const GraphicClass& entry : kClasses) {
    if (SameText(entry.name, className)) return entry.make();
  }
  return nullptr;
}

std::string StoredGraphicClassName(const TXGraphic& graphic) {
  if (dynamic_cast<const TXJPEGImage*>(&graphic)) return "TJPEGImage";
  return graphic.GraphicClassName();
}

std::string GraphicClassOfExtension(std::string_view extension) {
  for (const Extension& entry : kExtensions) {
    if (SameText(entry.extension, extension)) return std::string(entry.className);
  }
  return {};
}

void TXPicture::ForceClass(std::string_view className) {
  std::unique_ptr<TXGraphic> fresh = CreateGraphic(className);
  if (fresh && graphic_ && typeid(*fresh) == typeid(*graphic_)) return;
  graphic_ = std::move(fresh);
}

}  // namespace kova
