#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kova::skinrender {

// A file group of the results list: the badge colours' group name, its large and small group
// pictures, and the catalogue extensions whose badges are drawn over them, in catalogue order.
struct CatalogueGroup {
  QString group;
  QString picture;
  QString smallPicture;
  QStringList extensions;
};

// The three groups with all 73 catalogue extensions (46 image, 17 video, 10 audio), so that
// every badge the wizard will ever show is rendered and reviewed.
const QList<CatalogueGroup>& CatalogueGroups();

}  // namespace kova::skinrender
