#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/gear.h"
#include "framework/progress_node.h"
#include "framework/worker.h"

namespace kova {

class TXProgressManager;
class TXProgressGear;

// A section of a progress manager's tree. Its users call it directly: opening a section or a step
// first closes a child left open, and closing a section closes its open children.
class TXProgress : public TXProgressNode {
 public:
  explicit TXProgress(TXProgressManager& manager);

  // Opens a child covering the percentage (only its low 7 bits count) of this section.
  TXProgress& BeginSection(uint8_t percent);
  // Opens a child covering the next unit of this section.
  TXProgress& BeginStep();
  // Moves to the end; the parent moves to where this section ends (the manager to 1000 for the
  // root), and the parent becomes the manager's current section.
  void EndSection();
  // SetMax, with the position lowered to n when above it.
  void SetMaxClamp(uint32_t n) { SetMax(n); }
  bool IsOpen() const { return open_; }

 private:
  TXProgress& Open(TXProgress& child);
  void CloseOpenChild();

  TXProgressManager& manager_;
  bool open_ = true;
};

// A worker whose progress has a section text and a style besides the position; its
// announcements travel through its progress gear (to the gear's observers on the engine's
// thread), or are posted on the manager itself when it has no gear.
class TXProgressManager : public TXCustomWorker, private IXOverallSink {
 public:
  explicit TXProgressManager(TXProgressGear* gear = nullptr,
                             TXRefMode mode = TXRefMode::rmInterlocked);

  // A new run: fresh sections at 0, the worker reset, then the section text, the style and (when
  // it differs from the last announced) the position are announced.
  void Start(const std::string& section);
  void SetSection(const std::string& section);
  void SetStyle(uint8_t style);
  int32_t GetPosition() const { return overall_.Get(); }
  const std::string& Section() const { return section_; }
  uint8_t Style() const { return style_; }
  bool Busy() const { return busy_.load(std::memory_order_acquire); }

  TXProgress& Root() { return *root_; }
  TXProgress& Current() { return *current_; }

 protected:
  void DoTerminated() override { busy_.store(false, std::memory_order_release); }

 private:
  friend class TXProgress;
  void SetOverall(int64_t position) override;
  void Finish() { overall_.Store(TXOverallPosition::kFullScale); }
  void SetCurrent(TXProgress& section) { current_ = &section; }
  IXOverallSink& Sink() { return *this; }
  void Announce(TXNotificationRef notification);
  // The gear is going; later announcements are posted on the manager itself.
  void DetachGear() { gear_.store(nullptr, std::memory_order_release); }
  friend class TXProgressGear;

  std::atomic<TXProgressGear*> gear_;
  std::string section_;
  uint8_t style_ = 0;
  std::atomic<bool> busy_{false};
  TXOverallPosition overall_;
  std::unique_ptr<TXProgress> root_;
  TXProgress* current_;
};

// A gear that owns one progress manager and carries its announcements to the engine's thread.
class TXProgressGear : public TXGear {
 public:
  explicit TXProgressGear(std::string name = {});
  ~TXProgressGear() override;

  TXProgressManager& Manager() { return *manager_; }

 private:
  TXRef<TXProgressManager> manager_;
};

}  // namespace kova
