#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/collection.h"
#include "online/net_files.h"
#include "online/server_list.h"
#include "persistence/filer.h"

// One request: the files to fetch, or the server script to ask with its form fields, and where
// the script's answer goes. It belongs to its wrapper before the request starts and after it
// completes, and to the request's thread in between.
namespace kova {

enum TXNetTransferMode : uint8_t {
  tmNotSet = 0,
  tmSizesKnown = 1,  // every file's size is known
  tmSingle = 2,      // a single file, or a script request
  tmSeveral = 3,     // several files, not every size known
};

enum TXNetOptions : uint8_t {
  noMemoryOnly = 0x01,  // files are fetched into memory, not onto disk
  noCgiRequest = 0x02,  // a server script is asked
};

class TXInternetDataFiler : public TXObject {
 public:
  // The servers tried, in order.
  TXServerCollection Servers;
  // The caller's list (not owned): copied into Servers when the request starts, and replaced by
  // Servers on completion when a refresh loaded a new list.
  TXServerCollection* SharedServers = nullptr;
  // Form fields ("name=value") posted when the server list is refreshed, and to the script.
  std::vector<std::string> ServerListParams;
  std::vector<std::string> RequestParams;
  TXNetFileCollection Files;
  // Filled from the script's answer by ResultFiler.
  std::unique_ptr<TXCollection> Results;
  std::unique_ptr<TXFiler> ResultFiler;
  // Appended to the server's address.
  std::string CgiPath;
  // The server being tried.
  std::string ServerUrl;
  uint8_t TransferMode = tmNotSet;
  uint8_t Options = 0;

  bool MemoryOnly() const { return (Options & noMemoryOnly) != 0; }
  bool CgiRequest() const { return (Options & noCgiRequest) != 0; }
};

}  // namespace kova
