#include "online/toc_filers.h"

#include <QByteArray>

#include "online/net_data_filer.h"

namespace kova {

namespace {

constexpr int32_t kTocDataKind = 250;
constexpr int32_t kTocAppID = 250;
constexpr const char* kTocTitle = "TocItem";

class TXTocItemFilerGroup : public TXRStreamFilerGroup {
 public:
  TXTocItemFilerGroup(TXFiler& filer, TXTocItem& item)
      : TXRStreamFilerGroup(filer, kTocTitle, &item), item_(item) {}

 protected:
  void AddObjectData(TXDataIndexCollection& index) override {
    index.AddData("Data", "", &item_.Data().DataStream());
  }

 private:
  TXTocItem& item_;
};

class TXTocItemTagFilerGroup : public TXTagFilerGroup {
 public:
  TXTocItemTagFilerGroup(TXFiler& filer, TXCollection& items)
      : TXTagFilerGroup(filer, "toc", &items, &items, {}, "toc_item", "toc") {
    WriteObject = false;
  }

 protected:
  std::string ItemContent(TXCollectionItem& item) override {
    std::string bytes;
    if (!TXTocItemFiler::SaveItem(static_cast<TXTocItem&>(item), bytes)) {
      throw EXError(ThreadError().Code);
    }
    const QByteArray coded = QByteArray(bytes.data(), qsizetype(bytes.size())).toBase64();
    return "<bin>" + coded.toStdString() + "</bin>";
  }

  void ReadItemContent(TXCollectionItem& item, std::string_view content) override {
    std::string coded;
    for (char c : ElementContent(content, "bin")) {
      if (c != '\r' && c != '\n' && c != ' ' && c != '\t') coded += c;
    }
    if (coded.empty()) return;
    const auto decoded = QByteArray::fromBase64Encoding(
        QByteArray(coded.data(), qsizetype(coded.size())), QByteArray::AbortOnBase64DecodingErrors);
    auto& tocItem = static_cast<TXTocItem&>(item);
    if (!decoded) return;
    // An item that does not read stays empty, named by its tag.
    TXTocItemFiler::LoadItem(
        tocItem, std::string_view(decoded.decoded.constData(), size_t(decoded.decoded.size())));
  }
};

}  // namespace

TXFilerHeader TXTocItemFiler::TocItemHeader() {
  TXFilerHeader header;
  header.DataKind = kTocDataKind;
  header.AppID = kTocAppID;
  header.Title = kTocTitle;
  header.CheckTitle = true;
  return header;
}

bool TXTocItemFiler::SaveItem(TXTocItem& item, std::string& bytes) {
  TXTocItemFiler filer;
  filer.SetObject(&item, TXFilerMode::fmAll, TocItemHeader());
  return filer.SaveToString(bytes);
}

bool TXTocItemFiler::LoadItem(TXTocItem& item, std::string_view bytes) {
  item.Clear();
  TXTocItemFiler filer;
  filer.SetObject(&item, TXFilerMode::fmAll, TocItemHeader());
  if (filer.LoadFromString(std::string(bytes))) return true;
  item.Clear();
  return false;
}

void TXTocItemFiler::CreateGroups() {
  Groups().Add<TXTocItemFilerGroup>(*this, static_cast<TXTocItem&>(*Object()));
}

void TXTocItemFiler::WriteTo(TXStream& stream) {
  auto& item = static_cast<TXTocItem&>(*Object());
  const bool stores = item.StoreData();
  item.SetStoreData(false);
  try {
    TXRStreamFiler::WriteTo(stream);
  } catch (...) {
    item.SetStoreData(stores);
    throw;
  }
  item.SetStoreData(stores);
}

void TXTocItemTagFiler::CreateGroups() {
  if (auto* items = dynamic_cast<TXCollection*>(Object())) {
    Groups().Add<TXTocItemTagFilerGroup>(*this, *items);
  }
}

}  // namespace kova
