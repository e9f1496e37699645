#pragma once

#include <string>
#include <vector>

#include "online/net_filer_thread.h"
#include "online/server_list.h"

namespace kova {

class TXHttpClient;

// The script request of the news: its size query is replaced by a form POST to the servers'
// script, tried server by server. When no server answers, the server list is refreshed from the
// built-in servers (or the list's own) after a short pause and tried again. The answer's data
// fills the request's Results through its ResultFiler.
class TXSimpleTagCgiNetFilerThread : public TXSimpleNetFilerThread {
 public:
  using TXSimpleNetFilerThread::TXSimpleNetFilerThread;

 protected:
  void Prepare() override;

 private:
  bool TryServers(const TXServerCollection& servers);
  bool Exchange(const TXServerItem& server);
  bool TakeAnswer(const std::string& response);
  // Loads a new server list into `list` from the first server that offers one.
  bool RefreshServers(TXServerCollection& list, const std::vector<std::string>& params);
  bool RefreshFrom(TXHttpClient& client, const TXServerCollection& sources,
                   TXServerCollection& list, const std::vector<std::string>& params);
};

}  // namespace kova
