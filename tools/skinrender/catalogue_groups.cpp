#include "catalogue_groups.h"

#include "recovery/file_type_catalogue.h"

namespace kova::skinrender {

namespace {

QStringList ExtensionsOf(TXDRFileGroup group) {
  QStringList extensions;
  for (const TXFileType& type : kFileTypes) {
    if (type.Group == group)
      extensions.append(
          QString::fromUtf8(type.Ext.data(), static_cast<qsizetype>(type.Ext.size())));
  }
  return extensions;
}

}  // namespace

const QList<CatalogueGroup>& CatalogueGroups() {
  static const QList<CatalogueGroup> groups{{QStringLiteral("image"), QStringLiteral("image"),
                                             QStringLiteral("simage"), ExtensionsOf(fgImages)},
                                            {QStringLiteral("video"), QStringLiteral("video"),
                                             QStringLiteral("svideo"), ExtensionsOf(fgVideo)},
                                            {QStringLiteral("audio"), QStringLiteral("audio"),
                                             QStringLiteral("saudio"), ExtensionsOf(fgAudio)}};
  return groups;
}

}  // namespace kova::skinrender
