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

// The three groups with every extension of the file-type catalogue
// (recovery/file_type_catalogue.h), so that every badge the wizard will ever show is rendered and
// reviewed.
const QList<CatalogueGroup>& CatalogueGroups();

}  // namespace kova::skinrender
