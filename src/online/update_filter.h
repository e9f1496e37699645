#pragma once

#include <string_view>

#include "framework/version.h"
#include "online/toc_items.h"

// Update notices (news items named "update") concern certain versions only: their "version" tag
// names the version that is offered (shown to older programs), or "fversion" and "tversion" name
// the range of programs they are meant for. The third number of a version plays no part.
namespace kova {

// Compares versions number by number in the order fourth, first, second, third.
int CompareNoticeVersions(const TXVersionRecord& a, const TXVersionRecord& b);

// True when the update notice's TocData concerns the program version `app`.
bool NoticeConcerns(std::string_view tocData, const TXVersionRecord& app);

// Removes the update notices that do not concern the version (this program's by default).
void FilterUpdateNotices(TXTocCollection& items, const TXVersionRecord& app);
void FilterUpdateNotices(TXTocCollection& items);

}  // namespace kova
