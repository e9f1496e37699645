#include "online/update_filter.h"

#include <array>

#include "framework/framework_objects.h"
#include "framework/vel_app.h"
#include "online/net_data_filer.h"

namespace kova {

namespace {

std::array<uint32_t, 4> ComparisonOrder(const TXVersionRecord& v) {
  return {v.Build, v.Major, v.Minor, v.Release};
}

// The tag's version with its third number taken from the program's.
TXVersionRecord NoticeVersion(const std::string& text, const TXVersionRecord& app) {
  TXVersionRecord version = ParseVersion(text);
  version.Release = app.Release;
  return version;
}

bool IsZero(const TXVersionRecord& v) {
  return v.Major == 0 && v.Minor == 0 && v.Release == 0 && v.Build == 0;
}

}  // namespace

int CompareNoticeVersions(const TXVersionRecord& a, const TXVersionRecord& b) {
  const auto left = ComparisonOrder(a);
  const auto right = ComparisonOrder(b);
  if (left < right) return -1;
  return left == right ? 0 : 1;
}

bool NoticeConcerns(std::string_view tocData, const TXVersionRecord& app) {
  const std::string versionText = ElementContent(tocData, "version");
  const std::string fromText = ElementContent(tocData, "fversion");
  const std::string toText = ElementContent(tocData, "tversion");
  if (!fromText.empty() || !toText.empty()) {
    // A missing bound reads as zero, which leaves that side open.
    const TXVersionRecord from =
        fromText.empty() ? TXVersionRecord{} : NoticeVersion(fromText, app);
    const TXVersionRecord to = toText.empty() ? TXVersionRecord{} : NoticeVersion(toText, app);
    const bool aboveFrom = IsZero(from) || CompareNoticeVersions(from, app) <= 0;
    const bool belowTo = IsZero(to) || CompareNoticeVersions(app, to) <= 0;
    return aboveFrom && belowTo;
  }
  if (!versionText.empty()) return CompareNoticeVersions(app, NoticeVersion(versionText, app)) < 0;
  return true;
}

void FilterUpdateNotices(TXTocCollection& items, const TXVersionRecord& app) {
  for (int32_t i = items.Count() - 1; i >= 0; --i) {
    const TXTocItem& item = *items.At(i);
    if (item.Name() == TXTocItem::kUpdateName && !NoticeConcerns(item.TocData, app)) {
      items.Delete(i);
    }
  }
}

void FilterUpdateNotices(TXTocCollection& items) {
  FilterUpdateNotices(items, ParseVersion(VelApp().GetVersion()));
}

}  // namespace kova
