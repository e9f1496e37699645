#pragma once

#include <cstdint>
#include <string>

#include "online/net_wrapper.h"

namespace kova {

class TXAppVersionService;
class TXNetEngine;
class TXNetTocDialog;
class TXServerCollection;

// Asks the news script of the servers (the list is refreshed when none answers) for the news
// items of this product. The product and maker codes come from the service, the client names
// from it when it is a TXAppClientService. Flags as for downloads (dfProgressDialog, ...); idw is
// posted when not empty. The completion receives the wrapper, whose request holds the items in
// Results. Failures to start are kept to the function.
void SendNewsRequest(TXNetEngine& engine, TXServerCollection* servers,
                     const TXAppVersionService* service, uint32_t flags, const std::string& idw,
                     const std::string& cgi, TXNetCompleteEvent onComplete);

// The "Check for Updates" action: product "kova", maker "vel", the built-in servers, the news
// dialog showing the items that concern this version once they have arrived.
void RunNewsFlow(TXNetTocDialog& dialog, TXNetEngine& engine);

}  // namespace kova
