#pragma once

#include <string>
#include <vector>

#include "framework/managed_object.h"

namespace kova {

// The application object: where the program lives, the single-instance lock, the registered
// components and the version text.
class TXVelApp : public TXInitializableObject {
 public:
  // Reads the executable's path from /proc/self/exe.
  TXVelApp();
  // Releases the instance locks.
  ~TXVelApp() override;

  // The executable's folder, ending with '/'.
  const std::string& ExePath() const { return exePath_; }
  // The executable's full path.
  const std::string& ExeName() const { return exeName_; }
  const std::string& DataFolder() const { return dataFolder_; }
  void SetDataFolder(const std::string& folder) { dataFolder_ = folder; }

  // Replaces "<exe>" by ExePath, then "<exen>" by ExeName, then "<data>" by DataFolder.
  std::string ExpandMacros(const std::string& text) const;

  // Takes the exclusive instance lock of the name, held until this object goes. False when
  // another holder has it (another process, or another lock of this one), when the application
  // is terminating, or when the lock file cannot be made (the thread's error record says why).
  bool AcquireInstance(const std::string& name);

  void AddComponent(TXObject* component);
  void RemoveComponent(TXObject* component);
  const std::vector<TXObject*>& Components() const { return components_; }
  // Called after the component list changed.
  virtual void Changed() {}

  // The program's version as "major.minor.release.build".
  virtual std::string GetVersion() const;

 private:
  std::string exePath_;
  std::string exeName_;
  std::string dataFolder_;
  std::vector<TXObject*> components_;
  std::vector<int> instanceLocks_;
};

// Expands the text macros through the process's application object.
std::string ExpandTextMacros(const std::string& text);

}  // namespace kova
