#pragma once

#include <QAbstractItemModel>
#include <array>
#include <span>
#include <vector>

#include "ui/results_sorting.h"

namespace kova {

class TXDRFileItem;
class TXDRResultsImages;

// Roles of the results model besides Qt's.
enum TXDRResultsRole : int {
  rrGroupHeader = Qt::UserRole + 1,  // bool: the row is a group's header
  rrGroup,                           // int: the row's group (0 images, 1 video, 2 audio)
  rrCollapsed,                       // bool, on headers: the group's files are hidden
  rrLargeIcon,                       // QPixmap: the thumbnail or large type icon of a file
  rrOrigin,                          // QPixmap: the badge of where a file came from
  rrDamageMark,                      // QPixmap: the damage mark, null for a file that is intact
};

inline constexpr int kResultsGroupCount = 3;

// The found files of the results page as one flat list in three groups: images (and anything
// outside the catalogue), video, audio. Each group that holds files shows a header row followed
// by its files, unless the user collapsed it. The rows refer to the run's file items without
// owning them; a row's check box is the item's Checked. Both views of the page (thumbnails and
// details) show this model, so they share order, groups and selection.
class TXDRResultsModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit TXDRResultsModel(const TXDRResultsImages& images, QObject* parent = nullptr);

  // The group a file's extension puts it in.
  static int GroupOf(const TXDRFileItem& item);

  // Drops every row (the items stay untouched); every group is expanded again.
  void Clear();
  // Appends files to their groups, in the current order.
  void Append(std::span<TXDRFileItem* const> items);

  const TXDRResultsSort& Sort() const { return sort_; }
  // Takes the order and sorts every group by it.
  void SetSort(const TXDRResultsSort& sort);

  bool IsCollapsed(int group) const { return groups_[static_cast<size_t>(group)].Collapsed; }
  void SetCollapsed(int group, bool collapsed);
  void ToggleGroup(int group) { SetCollapsed(group, !IsCollapsed(group)); }

  // Sets Checked of every file, or of every file of one group, collapsed or not.
  void SetChecked(bool checked);
  void SetGroupChecked(int group, bool checked);
  // The check boxes show the items' Checked again.
  void RefreshChecks();

  // Every file of the list, in group order.
  int ItemCount() const;
  const std::vector<TXDRFileItem*>& GroupItems(int group) const {
    return groups_[static_cast<size_t>(group)].Items;
  }
  // The file of a row; nullptr for a header.
  TXDRFileItem* ItemAt(const QModelIndex& index) const;
  bool IsGroupHeader(const QModelIndex& index) const;
  // The row of a file, or an invalid index when it is not shown.
  QModelIndex IndexOf(const TXDRFileItem* item, int column = 0) const;
  // The header row of a group; invalid when the group holds no file.
  QModelIndex HeaderIndex(int group) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // The captions and sort icons of the columns changed (language, sort order).
  void RefreshHeader();

 private:
  struct Group {
    std::vector<TXDRFileItem*> Items;
    bool Collapsed = false;
  };
  // Where a row lies: its group and its place there (-1 for the header).
  struct RowPlace {
    int Group = -1;
    int Index = -1;
  };

  int RowsOf(int group) const;
  int FirstRowOf(int group) const;
  RowPlace PlaceOf(int row) const;
  QVariant FileData(const TXDRFileItem& item, int column, int role) const;
  QVariant HeaderRowData(int group, int column, int role) const;
  void SortGroups();
  void EmitChecksChanged();

  const TXDRResultsImages& images_;
  std::array<Group, kResultsGroupCount> groups_;
  TXDRResultsSort sort_;
};

}  // namespace kova
