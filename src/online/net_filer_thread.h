#pragma once

#include "online/net_thread.h"

namespace kova {

// A request in three phases: the size query, the transfer of the files and the closing summary.
class TXCustomNetFilerThread : public TXCustomNetThread {
 public:
  using TXCustomNetThread::TXCustomNetThread;

 protected:
  // Asks the size of every file (HEAD). A file whose query answers an error status or a
  // redirect is skipped; a connection failure ends the request with 1000, and so does a request
  // with no file left.
  virtual void Prepare();
  // Fetches every file into memory, or onto disk through a ".~tmp" file renamed at the end. A
  // file that cannot be fetched or written ends the request with 30, naming the file.
  virtual void Transfer(TXProgress& section);
  // Closes the progress and writes the summary.
  virtual void Finish();

 private:
  void QuerySize(TXNetFileItem& item);
  void TransferItem(TXNetFileItem& item);
  void FetchInto(TXNetFileItem& item, TXStream& target);
  void FetchToFile(TXNetFileItem& item);
  void ShowCurrentFile();
};

// The downloads' request: its body runs the phases and completes on the user-interface thread.
class TXSimpleNetFilerThread : public TXCustomNetFilerThread {
 public:
  using TXCustomNetFilerThread::TXCustomNetFilerThread;

 protected:
  void Execute() override;

 private:
  void RunPhases();
};

}  // namespace kova
