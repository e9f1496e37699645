#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/collection.h"
#include "framework/error_data.h"
#include "framework/stream.h"

// Filers save one persistent object, with the items of a collection and the named data that goes
// with it, into one representation (object XML, tagged text, plain text, the stream container)
// and read it back. A filer holds the object and a list of groups; each group persists one object
// or collection under a name.
namespace kova {

class IXProgress;
class TXFiler;

// What a stream container's file header must say: data kind, application identifier and version,
// two reserved values and the title. An empty header accepts any container.
struct TXFilerHeader {
  int32_t DataKind = 0;
  int32_t AppID = 0;
  int32_t AppVer = 0;
  int32_t Reserved1 = 0;
  int32_t Reserved2 = 0;
  std::string Title;
  // Whether reading also requires the title to be the same.
  bool CheckTitle = false;

  bool IsEmpty() const;
};

enum class TXFilerMode : uint8_t {
  fmAll = 0,         // everything
  fmHeaderOnly = 1,  // only the objects of the groups, none of their items or data
};

class TXFilerGroup : public TXObject {
 public:
  TXFilerGroup(TXFiler& filer, std::string name, TXPersistent* object,
               TXCollection* collection = nullptr);

  TXFiler& Filer() const { return filer_; }
  const std::string& Name() const { return name_; }
  TXPersistent* Object() const { return object_; }
  TXCollection* Collection() const { return collection_; }

  // Whether the group writes (and reads) its object, and its data items.
  bool WriteObject = true;
  bool WriteData = true;
  // Whether reading stops after the object.
  bool HeaderOnly = false;

 private:
  TXFiler& filer_;
  std::string name_;
  TXPersistent* object_;
  TXCollection* collection_;
};

// The groups of a filer, owned, in the order they were added.
class TXFilerGroupList {
 public:
  template <class TGroup, class... Args>
  TGroup& Add(Args&&... args) {
    auto group = std::make_unique<TGroup>(std::forward<Args>(args)...);
    TGroup& added = *group;
    groups_.push_back(std::move(group));
    return added;
  }
  int32_t Count() const { return static_cast<int32_t>(groups_.size()); }
  TXFilerGroup& At(int32_t index) const { return *groups_.at(static_cast<size_t>(index)); }
  void Clear() { groups_.clear(); }

  auto begin() const { return groups_.begin(); }
  auto end() const { return groups_.end(); }

 private:
  std::vector<std::unique_ptr<TXFilerGroup>> groups_;
};

// The base of all filers. Load and save operations answer false on failure and leave the reason
// in the calling thread's error record (44 for reading, 45 for writing, unless the failing layer
// recorded a more precise code); no exception leaves them.
class TXFiler : public TXObject {
 public:
  ~TXFiler() override;

  // Stores the object, mode and header and lets the filer class create its groups.
  virtual void SetObject(TXPersistent* object, TXFilerMode mode = TXFilerMode::fmAll,
                         const TXFilerHeader& header = {});
  TXPersistent* Object() const { return object_; }
  TXFilerMode Mode() const { return mode_; }
  const TXFilerHeader& Header() const { return header_; }
  TXFilerGroupList& Groups() { return groups_; }

  // A strict filer also fails when the stored data ended early.
  bool Strict = false;
  // Where a stream container begins inside its stream.
  int64_t BaseOffset = 0;
  // Optional; advanced one step per group and per collection item.
  IXProgress* Progress = nullptr;

  bool LoadFromStream(TXStream& stream);
  bool SaveToStream(TXStream& stream);
  bool LoadFromString(const std::string& text);
  bool SaveToString(std::string& text);
  bool LoadFromStrings(const std::vector<std::string>& lines);
  bool SaveToStrings(std::vector<std::string>& lines);
  virtual bool LoadFromFile(const std::string& fileName);
  virtual bool SaveToFile(const std::string& fileName);

  // Progress of the groups: the number of steps, then one step per group or item.
  void StartProgress(int32_t units);
  void StepProgress();

 protected:
  virtual void CreateGroups() = 0;
  virtual void BeforeLoad() {}
  virtual void AfterLoad() {}
  virtual void BeforeSave() {}
  virtual void AfterSave() {}
  // The representation itself; failures throw (EXError or another exception).
  virtual void ReadFrom(TXStream& stream) = 0;
  virtual void WriteTo(TXStream& stream) = 0;

  // Runs a load or save step: clears the thread's error record first, turns exceptions into
  // false and records `code` when nothing more precise was recorded.
  template <class Step>
  bool Guarded(int32_t code, Step&& step);
  bool Load(TXStream& stream);
  bool Save(TXStream& stream);

 private:
  TXPersistent* object_ = nullptr;
  TXFilerMode mode_ = TXFilerMode::fmAll;
  TXFilerHeader header_;
  TXFilerGroupList groups_;
};

// A filer whose representation is UTF-8 text (an optional byte order mark is skipped).
class TXCustomStringFiler : public TXFiler {
 protected:
  virtual void LoadText(const std::string& text) = 0;
  virtual std::string SaveText() = 0;

  void ReadFrom(TXStream& stream) override;
  void WriteTo(TXStream& stream) override;
};

// Creates a filer of class TFiler for the object, loads it from the stream or file and frees the
// filer again.
template <class TFiler>
bool LoadObjectFromStream(TXPersistent& object, TXStream& stream,
                          TXFilerMode mode = TXFilerMode::fmAll, const TXFilerHeader& header = {}) {
  TFiler filer;
  filer.SetObject(&object, mode, header);
  return filer.LoadFromStream(stream);
}

template <class TFiler>
bool LoadObjectFromFile(TXPersistent& object, const std::string& fileName,
                        TXFilerMode mode = TXFilerMode::fmAll, const TXFilerHeader& header = {}) {
  TFiler filer;
  filer.SetObject(&object, mode, header);
  return filer.LoadFromFile(fileName);
}

template <class Step>
bool TXFiler::Guarded(int32_t code, Step&& step) {
  ClearThreadError();
  try {
    step();
    return true;
  } catch (const std::exception& error) {
    RecordException(error);
  } catch (...) {
  }
  if (ThreadError().Code == kErrNone) ThreadError().Code = code;
  return false;
}

}  // namespace kova
