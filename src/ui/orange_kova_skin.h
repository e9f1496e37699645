#pragma once

#include <QStringList>
#include <map>
#include <memory>
#include <vector>

#include "framework/managed_object.h"
#include "imaging/skin_interface.h"
#include "ui/skin_manifest.h"

namespace kova {

// The "Orange Kova" skin data module: every picture of the skin's tables rendered from its SVG
// into PNG image objects, in boxes named as the tables name them. Each badge template becomes one
// picture per catalogue extension (named by the extension, ".jpg"), filled with its group's
// colours. The skin is compiled into the program; another folder with the same tables can be
// given instead. Denser copies for high-density screens are drawn on demand (AtScale).
class TXOrangeKovaSkinData final : public TXObject, public IXDRSkin {
 public:
  static constexpr char kBuiltInFolder[] = ":/kova/skin";

  // Every picture `scale` times the size its table gives.
  explicit TXOrangeKovaSkinData(const QString& folder = kBuiltInFolder, int32_t scale = 1);
  ~TXOrangeKovaSkinData() override;

  TXImagesBox* FindImagesBox(std::string_view name) override;
  TXComposeTable& ComposeTable() override { return composeTable_; }
  // Drawn from the same folder the first time a scale is asked for (the user-interface thread).
  IXDRSkin& AtScale(int32_t scale) override;
  int32_t Scale() const { return scale_; }

  // What could not be read or drawn, one line each; empty when the skin is complete. Pictures
  // that fail are left out of their boxes.
  const QStringList& Problems() const { return problems_; }

 private:
  void Load(const QString& folder);
  TXImagesBox& BoxNamed(const QString& name);
  void AddPicture(TXImagesBox& box, const QString& name, const QByteArray& svg, QSize size,
                  const QString& file);
  void AddBadges(TXImagesBox& box, const TXSkinPictureEntry& entry, const QByteArray& svg,
                 const TXSkinManifest& manifest);

  QString folder_;
  int32_t scale_;
  std::vector<std::unique_ptr<TXImagesBox>> boxes_;
  TXComposeTable composeTable_;
  QStringList problems_;
  std::map<int32_t, std::unique_ptr<TXOrangeKovaSkinData>> scaled_;
};

}  // namespace kova
