#pragma once

#include <cstdint>
#include <string>

#include "framework/error_data.h"
#include "framework/observable.h"
#include "framework/run_figures.h"

// The two interfaces through which long operations report: progress on a scale of 0 to 1000 with
// nested sections, and the worker that holds an operation's name, end state and outcome.
namespace kova {

class IXProgress : public TXObservable {
 public:
  using TXObservable::TXObservable;

  virtual int32_t GetPosition() const = 0;
  // Back to 0 with no open section; announces nothing.
  virtual void Reset() = 0;
  // Opens a section covering `percent` per cent of the current section.
  virtual void BeginSection(const std::string& name, uint8_t percent) = 0;
  void BeginSection(uint8_t percent) { BeginSection({}, percent); }
  // Opens a section covering one unit of the current section.
  virtual void BeginStep(const std::string& name) = 0;
  void BeginStep() { BeginStep({}); }
  virtual void Grow(uint32_t n) = 0;
  virtual void SetMax(uint32_t n) = 0;
  virtual void StepIt() = 0;
  virtual void StepBy(uint32_t n) = 0;
  // Moves the current section to the position (at most its maximum).
  virtual void SetPosition(uint32_t position) = 0;
  virtual void SetPercent(uint8_t percent) = 0;
  virtual void SetPermille(uint16_t permille) = 0;
  virtual void EndSection() = 0;
};

class IXWorker : public TXObservable {
 public:
  using TXObservable::TXObservable;

  virtual std::string GetName() const = 0;
  virtual void SetName(const std::string& name) = 0;
  // The operation has ended: finished, failed or cancelled. Safe to ask from any thread.
  virtual bool IsTerminated() const = 0;
  virtual bool IsCancelled() const = 0;
  virtual TXErrorData GetErrorData() const = 0;
  virtual IXProgress& GetProgress() = 0;
  // The run's figures for its watchers (bytes done of the total, files); Reset clears them.
  virtual TXRunFigures& Figures() = 0;
  virtual void Reset() = 0;
  // The first outcome wins; later calls do nothing.
  virtual void Terminate(const TXErrorData& errorData) = 0;
  // Ends the operation with code 1, whatever its state.
  virtual void Cancel() = 0;
};

}  // namespace kova
