#include "ui/results_model.h"

#include <algorithm>

#include "imaging/extension_icons.h"
#include "persistence/lg_keys.h"
#include "recovery/file_item.h"
#include "recovery/file_types.h"
#include "ui/lg_text.h"
#include "ui/results_images.h"
#include "ui/results_texts.h"

namespace kova {

namespace {

constexpr uint32_t kColumnCaptions[kResultsColumnCount] = {lg::kColumnName,    lg::kColumnImageSize,
                                                           lg::kColumnSize,    lg::kColumnType,
                                                           lg::kColumnCreated, lg::kColumnOrigin};

QString CellText(const TXDRFileItem& item, int column) {
  switch (column) {
    case rcName:
      return QString::fromStdString(item.Name);
    case rcDimensions:
      return DimensionsText(item.Dimensions);
    case rcSize:
      return SizeText(item.Size());
    case rcType:
      return TypeText(item.Ext);
    case rcCreated:
      return CreatedText(item.Created);
    case rcOrigin:
      return OriginText(OriginOf(item), MayBeDamaged(item));
    default:
      return {};
  }
}

// The whole name, the folder it was found in, where it came from and whether it may be damaged,
// with the bytes the card could not be read at: what the cells and the damage mark may not have
// room for.
QVariant ToolTip(const TXDRFileItem& item, int column) {
  const TXDRFileOrigin origin = OriginOf(item);
  const bool damaged = MayBeDamaged(item);
  const QString unreadable = item.Unreadable > 0 ? u'\n' + UnreadableHint(item.Unreadable) : "";
  if (column == rcOrigin) return OriginHint(origin, damaged) + unreadable;
  if (column != rcName) return {};
  QString tip = QString::fromStdString(item.Name);
  if (!item.Folder.empty()) tip += u'\n' + QString::fromStdString(item.Folder) + u'/';
  return tip + u'\n' + OriginText(origin, damaged) + unreadable;
}

}  // namespace

TXDRResultsModel::TXDRResultsModel(const TXDRResultsImages& images, QObject* parent)
    : QAbstractItemModel(parent), images_(images) {}

int TXDRResultsModel::GroupOf(const TXDRFileItem& item) {
  switch (FileGroupOf(item.Ext)) {
    case fgVideo:
      return 1;
    case fgAudio:
      return 2;
    default:
      return 0;
  }
}

void TXDRResultsModel::Clear() {
  beginResetModel();
  for (Group& group : groups_)
    group = Group();
  endResetModel();
}

void TXDRResultsModel::Append(std::span<TXDRFileItem* const> items) {
  std::array<std::vector<TXDRFileItem*>, kResultsGroupCount> arriving;
  for (TXDRFileItem* item : items) {
    if (item) arriving[static_cast<size_t>(GroupOf(*item))].push_back(item);
  }
  for (int g = 0; g < kResultsGroupCount; ++g) {
    std::vector<TXDRFileItem*>& added = arriving[static_cast<size_t>(g)];
    if (added.empty()) continue;
    Group& group = groups_[static_cast<size_t>(g)];
    if (group.Collapsed) {
      group.Items.insert(group.Items.end(), added.begin(), added.end());
      continue;
    }
    const bool newHeader = group.Items.empty();
    const int first = FirstRowOf(g) + RowsOf(g);
    const int count = static_cast<int>(added.size()) + (newHeader ? 1 : 0);
    beginInsertRows({}, first, first + count - 1);
    group.Items.insert(group.Items.end(), added.begin(), added.end());
    endInsertRows();
  }
  if (sort_.State() != TXSortState::ssNone) SortGroups();
}

void TXDRResultsModel::SetSort(const TXDRResultsSort& sort) {
  sort_ = sort;
  SortGroups();
  RefreshHeader();
}

void TXDRResultsModel::SortGroups() {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<TXDRFileItem*> kept;
  kept.reserve(static_cast<size_t>(before.size()));
  for (const QModelIndex& index : before)
    kept.push_back(ItemAt(index));
  const auto order = [this](const TXDRFileItem* a, const TXDRFileItem* b) {
    return sort_.Before(*a, *b);
  };
  for (Group& group : groups_)
    std::sort(group.Items.begin(), group.Items.end(), order);
  QModelIndexList after;
  after.reserve(before.size());
  for (qsizetype i = 0; i < before.size(); ++i) {
    const TXDRFileItem* item = kept[static_cast<size_t>(i)];
    after.append(item ? IndexOf(item, before[i].column()) : before[i]);
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TXDRResultsModel::SetCollapsed(int group, bool collapsed) {
  Group& g = groups_[static_cast<size_t>(group)];
  if (g.Items.empty() || g.Collapsed == collapsed) return;
  const int header = FirstRowOf(group);
  const int last = header + static_cast<int>(g.Items.size());
  if (collapsed) {
    beginRemoveRows({}, header + 1, last);
    g.Collapsed = true;
    endRemoveRows();
  } else {
    beginInsertRows({}, header + 1, last);
    g.Collapsed = false;
    endInsertRows();
  }
  const QModelIndex headerIndex = index(header, 0);
  emit dataChanged(headerIndex, headerIndex, {rrCollapsed});
}

void TXDRResultsModel::SetChecked(bool checked) {
  for (Group& group : groups_) {
    for (TXDRFileItem* item : group.Items)
      item->Checked = checked;
  }
  EmitChecksChanged();
}

void TXDRResultsModel::SetGroupChecked(int group, bool checked) {
  for (TXDRFileItem* item : groups_[static_cast<size_t>(group)].Items)
    item->Checked = checked;
  EmitChecksChanged();
}

void TXDRResultsModel::RefreshChecks() {
  EmitChecksChanged();
}

void TXDRResultsModel::EmitChecksChanged() {
  const int rows = rowCount();
  if (rows > 0) emit dataChanged(index(0, 0), index(rows - 1, 0), {Qt::CheckStateRole});
}

int TXDRResultsModel::ItemCount() const {
  int count = 0;
  for (const Group& group : groups_)
    count += static_cast<int>(group.Items.size());
  return count;
}

int TXDRResultsModel::RowsOf(int group) const {
  const Group& g = groups_[static_cast<size_t>(group)];
  if (g.Items.empty()) return 0;
  return 1 + (g.Collapsed ? 0 : static_cast<int>(g.Items.size()));
}

int TXDRResultsModel::FirstRowOf(int group) const {
  int row = 0;
  for (int g = 0; g < group; ++g)
    row += RowsOf(g);
  return row;
}

TXDRResultsModel::RowPlace TXDRResultsModel::PlaceOf(int row) const {
  for (int g = 0; g < kResultsGroupCount; ++g) {
    const int rows = RowsOf(g);
    if (row < rows) return {g, row - 1};
    row -= rows;
  }
  return {};
}

TXDRFileItem* TXDRResultsModel::ItemAt(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return nullptr;
  const RowPlace place = PlaceOf(index.row());
  if (place.Group < 0 || place.Index < 0) return nullptr;
  return groups_[static_cast<size_t>(place.Group)].Items[static_cast<size_t>(place.Index)];
}

bool TXDRResultsModel::IsGroupHeader(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return false;
  const RowPlace place = PlaceOf(index.row());
  return place.Group >= 0 && place.Index < 0;
}

QModelIndex TXDRResultsModel::IndexOf(const TXDRFileItem* item, int column) const {
  if (!item) return {};
  const int group = GroupOf(*item);
  const Group& g = groups_[static_cast<size_t>(group)];
  if (g.Collapsed) return {};
  auto found = std::find(g.Items.begin(), g.Items.end(), item);
  if (found == g.Items.end()) return {};
  return index(FirstRowOf(group) + 1 + static_cast<int>(found - g.Items.begin()), column);
}

QModelIndex TXDRResultsModel::HeaderIndex(int group) const {
  if (groups_[static_cast<size_t>(group)].Items.empty()) return {};
  return index(FirstRowOf(group), 0);
}

QModelIndex TXDRResultsModel::index(int row, int column, const QModelIndex& parent) const {
  if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 ||
      column >= kResultsColumnCount)
    return {};
  return createIndex(row, column);
}

QModelIndex TXDRResultsModel::parent(const QModelIndex&) const {
  return {};
}

int TXDRResultsModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  int rows = 0;
  for (int g = 0; g < kResultsGroupCount; ++g)
    rows += RowsOf(g);
  return rows;
}

int TXDRResultsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kResultsColumnCount;
}

QVariant TXDRResultsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.model() != this) return {};
  const RowPlace place = PlaceOf(index.row());
  if (place.Group < 0) return {};
  if (place.Index < 0) return HeaderRowData(place.Group, index.column(), role);
  const TXDRFileItem& item =
      *groups_[static_cast<size_t>(place.Group)].Items[static_cast<size_t>(place.Index)];
  if (role == rrGroup) return place.Group;
  return FileData(item, index.column(), role);
}

QVariant TXDRResultsModel::FileData(const TXDRFileItem& item, int column, int role) const {
  switch (role) {
    case Qt::DisplayRole:
      return CellText(item, column);
    case Qt::ToolTipRole:
      return ToolTip(item, column);
    case Qt::CheckStateRole:
      return column == rcName ? QVariant(item.Checked ? Qt::Checked : Qt::Unchecked) : QVariant();
    case Qt::DecorationRole:
      if (column == rcOrigin) return images_.OriginCell(OriginOf(item), MayBeDamaged(item));
      return column == rcName ? QVariant(images_.Small(item.SmallImageIndex)) : QVariant();
    case rrLargeIcon:
      return images_.Large(item.LargeImageIndex);
    case rrOrigin:
      return images_.OriginBadge(OriginOf(item));
    case rrDamageMark:
      return MayBeDamaged(item) ? images_.DamageMark() : QPixmap();
    case rrGroupHeader:
      return false;
    default:
      return {};
  }
}

QVariant TXDRResultsModel::HeaderRowData(int group, int column, int role) const {
  switch (role) {
    case Qt::DisplayRole:
      return column == 0 ? QVariant(GroupHeaderText(group)) : QVariant();
    case rrGroupHeader:
      return true;
    case rrGroup:
      return group;
    case rrCollapsed:
      return groups_[static_cast<size_t>(group)].Collapsed;
    default:
      return {};
  }
}

bool TXDRResultsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  TXDRFileItem* item = ItemAt(index);
  if (!item || role != Qt::CheckStateRole || index.column() != rcName) return false;
  item->Checked = value.value<Qt::CheckState>() == Qt::Checked;
  emit dataChanged(index, index, {Qt::CheckStateRole});
  return true;
}

Qt::ItemFlags TXDRResultsModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  if (IsGroupHeader(index)) return Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == rcName) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

QVariant TXDRResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kResultsColumnCount) return {};
  if (role == Qt::DisplayRole) return LgText(kColumnCaptions[section]);
  if (role == Qt::DecorationRole && sort_.State() != TXSortState::ssNone &&
      sort_.Column() == section) {
    const bool ascending = sort_.State() == TXSortState::ssAscending;
    return images_.Small(ascending ? TXDRTypeIcons::kAscendIcon : TXDRTypeIcons::kDescendIcon);
  }
  return {};
}

void TXDRResultsModel::RefreshHeader() {
  emit headerDataChanged(Qt::Horizontal, 0, kResultsColumnCount - 1);
}

}  // namespace kova
