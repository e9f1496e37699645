#include "online/news_request.h"

#include "framework/framework_objects.h"
#include "online/cgi_thread.h"
#include "online/client_service.h"
#include "online/net_endpoints.h"
#include "online/net_engine.h"
#include "online/news_dialog.h"
#include "online/params_writer.h"
#include "online/toc_filers.h"

namespace kova {

namespace {

constexpr const char* kProductCode = "kova";
constexpr const char* kMakerCode = "vel";

void FillParams(TXInternetDataFiler& filer, const TXAppVersionService* service,
                const std::string& idw, const std::string& cgi) {
  const std::string product = service ? service->ProductCode() : std::string();
  const std::string maker = service ? service->MakerCode() : std::string("xx");
  auto* clients = dynamic_cast<const TXAppClientService*>(service);
  const std::string ids = clients ? clients->Clients().Ids() : std::string("xx");
  TXPostParamsStringsWriter(filer.ServerListParams).AddApp(product, maker, cgi);
  TXPostParamsStringsWriter request(filer.RequestParams);
  request.Add("app", product).Add("release", maker).Add("ids", ids);
  request.AddScreen().AddLocale().AddVersion();
  if (!idw.empty()) request.Add("idw", idw);
}

}  // namespace

void SendNewsRequest(TXNetEngine& engine, TXServerCollection* servers,
                     const TXAppVersionService* service, uint32_t flags, const std::string& idw,
                     const std::string& cgi, TXNetCompleteEvent onComplete) {
  try {
    const uint8_t options = servers ? noMemoryOnly | noCgiRequest : noMemoryOnly;
    TXNetWrapper& wrapper = engine.CreateWrapper<TXSimpleTagCgiNetFilerThread>(
        flags & dfProgressDialog ? engine.DownloadDialogFactory : TXNetDialogFactory(), options,
        std::move(onComplete));
    TXInternetDataFiler& filer = *wrapper.Filer();
    filer.Results = std::make_unique<TXTocCollection>();
    filer.ResultFiler = std::make_unique<TXTocItemTagFiler>();
    filer.ResultFiler->SetObject(filer.Results.get());
    filer.SharedServers = servers;
    filer.CgiPath = std::string(online::kNewsScriptPath);
    FillParams(filer, service, idw, cgi);
    wrapper.Start();
    if (TXCustomNetDialog* dialog = wrapper.Dialog(); dialog && !wrapper.Done()) {
      dialog->ShowProgress(flags);
    }
  } catch (...) {
    // A request that cannot start shows nothing.
  }
}

void RunNewsFlow(TXNetTocDialog& dialog, TXNetEngine& engine) {
  dialog.ShowEmpty = false;
  dialog.Engine = &engine;
  TXAppVersionService* service = AppServices().GetService<TXAppClientService>();
  if (!service) service = AppServices().GetService<TXAppVersionService>();
  if (service) {
    service->SetProductCode(kProductCode);
    service->SetMakerCode(kMakerCode);
  }
  dialog.RequestNews(&BuiltInServers(), service);
}

}  // namespace kova
