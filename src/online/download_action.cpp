#include "online/download_action.h"

#include "framework/text_utils.h"
#include "online/net_data_filer.h"
#include "online/params_writer.h"

namespace kova {

bool TagTruth(std::string_view text) {
  if (text.empty()) return false;
  if (text.front() == 'T' || text.front() == 't') return true;
  if (text.front() == 'F' || text.front() == 'f') return false;
  const std::optional<int64_t> number = ParseInteger(text);
  return number && *number != 0;
}

TXDownloadArguments TXDownloadArguments::Parse(std::string_view args) {
  TXDownloadArguments parsed;
  parsed.Rename = TagTruth(ElementContent(args, "rename"));
  parsed.Open = TagTruth(ElementContent(args, "open"));
  parsed.Url = ElementContent(args, "url");
  parsed.File = ElementContent(args, "file");
  parsed.Param = ElementContent(args, "param");
  return parsed;
}

uint32_t TXDownloadArguments::Flags() const {
  uint32_t flags =
      Rename ? dfProgressDialog | dfShowFileName | dfAskTarget : dfProgressDialog | dfShowFileName;
  return flags | (Open ? dfOfferOpen : dfCloseWhenDone);
}

std::string TXDownloadArguments::PostText() const {
  if (Param.empty()) return {};
  TXRef<TXPostParamsWriter> writer = MakeRef<TXPostParamsWriter>(Param);
  writer->AddLocaleAndScreen();
  return writer->Text();
}

TXDownloadRequest MakeDownloadRequest(const TXTocItem& item, const TXTocActionItem& action,
                                      const TXNetEngine& engine) {
  const TXDownloadArguments args = TXDownloadArguments::Parse(action.Args);
  TXDownloadRequest request;
  request.Name = item.Name();
  request.Data = item.TocData;
  request.Flags = args.Flags();
  request.Options = args.File.empty() ? noMemoryOnly : 0;
  request.PostText = args.PostText();
  request.Url = args.Url;
  request.FileName = args.File;
  request.OnComplete = engine.OnDownloadComplete;
  return request;
}

}  // namespace kova
