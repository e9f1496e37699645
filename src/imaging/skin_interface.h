#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "imaging/images_box.h"

// The skin as the rest of the system sees it: named boxes of pictures, and the compose table of
// procedures that lay out composed panels. The wizard's skin data module implements it; the view
// gear and the file-type icon builders reach the pictures through it.
namespace kova {

// The boxes of the skin, by the names they carry.
namespace skin {
inline constexpr char kImages[] = "ImagesBox";  // header, welcome, finish, list group pictures
inline constexpr char kLargeExtImages[] = "LargeExtImagesBox";  // 72 x 72 badges by extension
inline constexpr char kSmallExtImages[] = "SmallExtImagesBox";  // 22 x 16 badges by extension
inline constexpr char kInfoImages[] = "InfoImages";             // 64, 48, 32, 16: largest first
inline constexpr char kWarningImages[] = "WarningImages";       // 64, 48, 32, 16: largest first
inline constexpr char kOriginImages[] = "OriginImages";    // "live", "deleted", "lost", "search"
inline constexpr char kMessageImages[] = "MessageImages";  // "error", "question"
inline constexpr char kApplicationImages[] = "ApplicationImages";  // "Application" first
inline constexpr char kDesktopIcons[] = "DesktopIcons";            // 16 to 256, the window icon
inline constexpr char kShareImages[] = "ShareImages";              // the share buttons
inline constexpr char kShareHotImages[] = "ShareHotImages";        // ... under the mouse
inline constexpr char kFinishImages[] = "FinishImages";            // "Finish"
}  // namespace skin

// How a composed text looks.
enum class TXComposeStyle : uint8_t { csNormal, csBold, csTitle };

// Lays out a composed panel from left to right and from top to bottom: texts, links and frames
// of the user interface. The user-interface layer implements it on a panel.
class IXComposer {
 public:
  virtual ~IXComposer() = default;
  // Empties the panel and goes back to the start position.
  virtual void Restart() = 0;
  virtual void AddText(const std::string& text,
                       TXComposeStyle style = TXComposeStyle::csNormal) = 0;
  // A link that opens the address with the desktop's default program.
  virtual void AddLink(const std::string& text, const std::string& address) = 0;
  // A link that dispatches a TXActionAspect with the code on the application engine.
  virtual void AddActionLink(const std::string& text, int32_t action) = 0;
  // Goes on at the start of the next line.
  virtual void NewLine() = 0;
  // Places a new frame of the registered frame class at the current position and moves the
  // position right by its width; false for a class nobody registered.
  virtual bool AddFrame(const std::string& frameClass) = 0;
  // Ends the composition: the panel takes the height of what was composed.
  virtual void Finish() = 0;
};

using TXComposeProcedure = std::function<void(IXComposer&)>;

// The composed panels by name. The main window composes "Main" into its command bar (the share
// panel); the disk page looks up "Disk" and the finish page "Finish".
class TXComposeTable {
 public:
  static constexpr char kMain[] = "Main";
  static constexpr char kDisk[] = "Disk";
  static constexpr char kFinish[] = "Finish";

  // Registers the procedure under the name, replacing one registered before.
  void Register(const std::string& name, TXComposeProcedure procedure) {
    procedures_[name] = std::move(procedure);
  }
  void Unregister(std::string_view name) {
    if (auto it = procedures_.find(name); it != procedures_.end()) procedures_.erase(it);
  }
  bool Contains(std::string_view name) const { return procedures_.find(name) != procedures_.end(); }
  // Lays out the panel with the procedure of that name; false (the composer untouched) when no
  // procedure has the name.
  bool Compose(std::string_view name, IXComposer& composer) const {
    auto it = procedures_.find(name);
    if (it == procedures_.end()) return false;
    it->second(composer);
    return true;
  }

 private:
  std::map<std::string, TXComposeProcedure, std::less<>> procedures_;
};

class IXDRSkin {
 public:
  virtual ~IXDRSkin() = default;

  // The box of that name (skin::k...), or nullptr.
  virtual TXImagesBox* FindImagesBox(std::string_view name) = 0;
  virtual TXComposeTable& ComposeTable() = 0;
  // The same pictures drawn with `scale` pixels for each of this skin's pixels, for screens
  // that show several device pixels per layout pixel: every picture `scale` times as wide and
  // high. A skin without denser pictures answers itself.
  virtual IXDRSkin& AtScale(int32_t /*scale*/) { return *this; }

  // The pictures of a box; nullptr for a box the skin does not have.
  TXImageCollection* Images(std::string_view box) {
    TXImagesBox* found = FindImagesBox(box);
    return found ? &found->Images() : nullptr;
  }
  // A picture of a box by its name (ignoring case); nullptr when there is none.
  TXImageObject* Picture(std::string_view box, std::string_view name) {
    TXImageCollection* images = Images(box);
    TXImageItem* item = images ? images->Find(name) : nullptr;
    return item ? &item->Data() : nullptr;
  }
};

}  // namespace kova
