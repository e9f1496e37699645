#include "catalogue_groups.h"

namespace kova::skinrender {

const QList<CatalogueGroup>& CatalogueGroups() {
  static const QList<CatalogueGroup> groups{
      {QStringLiteral("image"), QStringLiteral("image"), QStringLiteral("simage"),
       QStringList{".jpg", ".arw", ".cr2", ".dng", ".nef", ".orf", ".pef", ".raf", ".raw", ".tif",
                   ".3fr", ".ari", ".bay", ".bmp", ".cap", ".crw", ".dcr", ".dcs", ".drf", ".eip",
                   ".erf", ".fff", ".gif", ".iiq", ".jp2", ".jps", ".k25", ".kdc", ".mef", ".mos",
                   ".mpo", ".mrw", ".nrw", ".pcd", ".png", ".pns", ".psd", ".ptx", ".pxn", ".r3d",
                   ".rw1", ".rw2", ".rwz", ".srf", ".sr2", ".x3f"}},
      {QStringLiteral("video"), QStringLiteral("video"), QStringLiteral("svideo"),
       QStringList{".avi", ".mov", ".mp4", ".mpg", ".3g2", ".3gp", ".cam", ".flv", ".m1v", ".m2t",
                   ".m2v", ".m4v", ".mpe", ".mts", ".rm", ".qt", ".wmv"}},
      {QStringLiteral("audio"), QStringLiteral("audio"), QStringLiteral("saudio"),
       QStringList{".mp3", ".wma", ".aif", ".amr", ".m4a", ".m4b", ".mid", ".mp2", ".ra", ".wav"}}};
  return groups;
}

}  // namespace kova::skinrender
