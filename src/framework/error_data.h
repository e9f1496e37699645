#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>

namespace kova {

// Error codes of the outcome records. 0 is success and 1 a cancellation; the rest are failures.
enum TXErrorCode : int32_t {
  kErrNothingNew = -1,  // a server script answered that nothing is new
  kErrNone = 0,
  kErrCancelled = 1,
  kErrOsError = 4,          // another operating-system error (the OS error is kept)
  kErrAccessDenied = 10,    // a device could not be opened for lack of permission
  kErrNotReady = 11,        // a device is missing, not ready or gone
  kErrSectorNotFound = 12,  // a sector of the medium could not be found
  kErrSeek = 13,            // positioning on a device failed
  kErrFinishReading = 14,   // the user chose to stop copying a damaged card
  kErrNetFile = 30,         // a downloaded file could not be fetched or written
  kErrFileNotFound = 31,
  kErrFileAccessDenied = 33,
  kErrEndOfStream = 39,  // a read at or past the end of a stream
  kErrCheck = 41,        // a tag, checksum or data check failed
  kErrVersion = 42,      // a container is not open as needed or has another version
  kErrRead = 44,         // a read failed
  kErrWrite = 45,        // a write failed
  kErrIndexWalk = 46,    // walking a container's index failed
  kErrNoEndRecord = 47,  // a container's index ended without its end record
  kErrNetGeneral = 1000,
  kErrNetRefused = 1003,
};

// True for the codes that damaged or truncated media cause during a scan or a restore; runs that
// meet them still end as a success.
bool IsBenignMediaError(int32_t code);

// The outcome record of a thread or an operation. Its text form is the code, the OS error and the
// text separated by single blanks.
struct TXErrorData {
  int32_t Code = kErrNone;
  int32_t OSError = 0;
  std::string Text;
  // Codes whose bit is set here raise EXError when the error policy of the thread is checked:
  // bit (code % 32) of word (code / 32).
  std::array<uint32_t, 4> RaiseMasks{};

  // Clears code, OS error and text; the raise masks stay.
  void Clear();
  std::string ToString() const;
  bool RaisesCode(int32_t code) const;

  friend bool operator==(const TXErrorData&, const TXErrorData&) = default;
};

// The exception of the low-level layers: its message is the decimal code.
class EXError : public std::runtime_error {
 public:
  explicit EXError(int32_t code);
  int32_t Code() const { return code_; }

 private:
  int32_t code_;
};

// The calling thread's error record. Every thread has its own, empty when the thread starts and
// gone when it ends.
TXErrorData& ThreadError();

// Clears the calling thread's code, OS error and text.
void ClearThreadError();

// Sets the calling thread's record (code, OS error, text).
void SetThreadError(int32_t code, int32_t osError = 0, std::string text = {});

// Sets the record only when the calling thread holds no error code yet.
void SetThreadErrorIfNone(int32_t code, int32_t osError = 0, std::string text = {});

// Sets the record and throws EXError with the code.
[[noreturn]] void RaiseThreadError(int32_t code, int32_t osError = 0, std::string text = {});

// The thread's error policy: throws EXError when the current code is in the thread's raise mask.
void CheckErrorPolicy();

// Records an exception as the thread's last error: an EXError keeps (or sets) its code; any other
// exception leaves the code as it is and records its message as the text.
void RecordException(const std::exception& error);

}  // namespace kova
