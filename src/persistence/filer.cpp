#include "persistence/filer.h"

#include <filesystem>

#include "framework/text_utils.h"
#include "framework/worker_interfaces.h"

namespace kova {

namespace {

// Writes the bytes beside the file first and renames them over it, so that a failing write never
// damages what the file held.
void ReplaceFile(const std::string& fileName, const std::vector<uint8_t>& bytes) {
  const std::string temporary = fileName + ".~tmp";
  try {
    TXFileStream file(temporary, TXFileMode::fmCreate);
    file.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw;
  }
  std::error_code error;
  std::filesystem::rename(temporary, fileName, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    RaiseThreadError(kErrWrite, error.value(), fileName);
  }
}

}  // namespace

bool TXFilerHeader::IsEmpty() const {
  return DataKind == 0 && AppID == 0 && AppVer == 0 && Reserved1 == 0 && Reserved2 == 0 &&
         Title.empty();
}

TXFilerGroup::TXFilerGroup(TXFiler& filer, std::string name, TXPersistent* object,
                           TXCollection* collection)
    : filer_(filer), name_(std::move(name)), object_(object), collection_(collection) {}

TXFiler::~TXFiler() = default;

void TXFiler::SetObject(TXPersistent* object, TXFilerMode mode, const TXFilerHeader& header) {
  object_ = object;
  mode_ = mode;
  header_ = header;
  groups_.Clear();
  if (object_) CreateGroups();
}

bool TXFiler::Load(TXStream& stream) {
  return Guarded(kErrRead, [&] {
    if (!object_) RaiseThreadError(kErrRead, 0, "the filer has no object");
    BeforeLoad();
    ReadFrom(stream);
    AfterLoad();
  });
}

bool TXFiler::Save(TXStream& stream) {
  return Guarded(kErrWrite, [&] {
    if (!object_) RaiseThreadError(kErrWrite, 0, "the filer has no object");
    BeforeSave();
    WriteTo(stream);
    AfterSave();
  });
}

bool TXFiler::LoadFromStream(TXStream& stream) {
  return Load(stream);
}

bool TXFiler::SaveToStream(TXStream& stream) {
  return Save(stream);
}

bool TXFiler::LoadFromString(const std::string& text) {
  TXMemoryStream stream(std::vector<uint8_t>(text.begin(), text.end()));
  return Load(stream);
}

bool TXFiler::SaveToString(std::string& text) {
  TXMemoryStream stream;
  if (!Save(stream)) return false;
  text.assign(stream.Bytes().begin(), stream.Bytes().end());
  return true;
}

bool TXFiler::LoadFromStrings(const std::vector<std::string>& lines) {
  return LoadFromString(JoinLines(lines));
}

bool TXFiler::SaveToStrings(std::vector<std::string>& lines) {
  std::string text;
  if (!SaveToString(text)) return false;
  lines = SplitLines(text);
  return true;
}

bool TXFiler::LoadFromFile(const std::string& fileName) {
  std::unique_ptr<TXFileStream> file;
  bool opened = Guarded(
      kErrRead, [&] { file = std::make_unique<TXFileStream>(fileName, TXFileMode::fmOpenRead); });
  return opened && Load(*file);
}

bool TXFiler::SaveToFile(const std::string& fileName) {
  TXMemoryStream buffer;
  if (!Save(buffer)) return false;
  return Guarded(kErrWrite, [&] { ReplaceFile(fileName, buffer.Bytes()); });
}

void TXFiler::StartProgress(int32_t units) {
  if (!Progress) return;
  Progress->Reset();
  Progress->SetMax(static_cast<uint32_t>(std::max(units, 1)));
}

void TXFiler::StepProgress() {
  if (Progress) Progress->StepIt();
}

void TXCustomStringFiler::ReadFrom(TXStream& stream) {
  std::vector<uint8_t> bytes = stream.ReadRemaining();
  std::string text(bytes.begin(), bytes.end());
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  LoadText(text);
}

void TXCustomStringFiler::WriteTo(TXStream& stream) {
  std::string text = SaveText();
  stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

}  // namespace kova
