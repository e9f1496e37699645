#include "online/net_files.h"

#include "framework/text_utils.h"

namespace kova {

const TXClassInfo& TXNetFileItem::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXNetFileItem>("TXNetFileItem", TXCollectionItem::StaticClassInfo())
          .Property("Url", &TXNetFileItem::Url)
          .Property("FileName", &TXNetFileItem::FileName)
          .Property("PostData", &TXNetFileItem::PostData)
          .Property("IsPost", &TXNetFileItem::IsPost)
          .Default(0)
          .Property("Size", &TXNetFileItem::Size)
          .Default(-1)
          .Property("Done", &TXNetFileItem::Done)
          .Default(0)
          .Build();
  return info;
}

std::string TXNetFileItem::PostText() const {
  std::string text;
  for (const std::string& line : PostData)
    text += line + "\r\n";
  return text;
}

bool TXNetFileItem::Assign(const TXPersistent& source) {
  if (!TXCollectionItem::Assign(source)) return false;
  data_.Bytes() = static_cast<const TXNetFileItem&>(source).data_.Bytes();
  data_.SetPosition(0);
  return true;
}

const TXClassInfo& TXNetFileCollection::StaticClassInfo() {
  static const TXClassInfo& info =
      TXClassBuilder<TXNetFileCollection>("TXNetFileCollection", TXCollection::StaticClassInfo())
          .Build();
  return info;
}

TXNetFileItem* TXNetFileCollection::FindByUrl(const std::string& url) const {
  if (url.empty()) return nullptr;
  for (int32_t i = 0; i < Count(); ++i) {
    if (At(i)->Url == url) return At(i);
  }
  return nullptr;
}

TXNetFileItem* TXNetFileCollection::AddFile(const std::string& url, const std::string& fileName,
                                            const std::string& postText) {
  TXNetFileItem* listed = FindByUrl(url);
  if (listed && listed->FileName == fileName && listed->PostText() == postText) return listed;
  TXNetFileItem* item = Add();
  item->Url = url;
  item->FileName = fileName;
  item->PostData = SplitLines(postText);
  item->IsPost = !postText.empty();
  return item;
}

bool TXNetFileCollection::AllSizesKnown() const {
  for (int32_t i = 0; i < Count(); ++i) {
    if (!At(i)->Url.empty() && At(i)->Size == -1) return false;
  }
  return true;
}

bool TXNetFileCollection::AnyUrlLeft() const {
  for (int32_t i = 0; i < Count(); ++i) {
    if (!At(i)->Url.empty()) return true;
  }
  return false;
}

}  // namespace kova
