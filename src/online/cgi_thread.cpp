#include "online/cgi_thread.h"

#include <chrono>
#include <thread>

#include "framework/error_data.h"
#include "online/net_data_filer.h"
#include "online/net_endpoints.h"
#include "persistence/xml_filer_objects.h"

namespace kova {

namespace {

constexpr auto kPauseBeforeRefresh = std::chrono::milliseconds(200);

bool EndsTheRequest(int32_t code) {
  return code == kErrCancelled || code == kErrNothingNew;
}

std::string BodyText(const TXMemoryStream& body) {
  return std::string(body.Bytes().begin(), body.Bytes().end());
}

}  // namespace

void TXSimpleTagCgiNetFilerThread::Prepare() {
  Filer().TransferMode = tmSingle;
  Progress().SetStyle(1);
  StartClock();
  Http().FollowRedirects = false;
  if (TryServers(Filer().Servers)) {
    succeeded_ = true;
    return;
  }
  if (TerminateRequested()) return;
  std::this_thread::sleep_for(kPauseBeforeRefresh);
  if (TerminateRequested()) return;
  if (RefreshServers(Filer().Servers, Filer().ServerListParams) && TryServers(Filer().Servers)) {
    succeeded_ = true;
    return;
  }
  if (TerminateRequested()) return;
  SetThreadErrorIfNone(kErrNetGeneral, 0, "no server answered");
  throw EXError(ThreadError().Code);
}

bool TXSimpleTagCgiNetFilerThread::TryServers(const TXServerCollection& servers) {
  TXServerCollection tried;
  tried.CopyFrom(servers);
  for (int32_t i = 0; i < tried.Count() && !TerminateRequested(); ++i) {
    if (Exchange(*tried.At(i))) return true;
  }
  return false;
}

bool TXSimpleTagCgiNetFilerThread::Exchange(const TXServerItem& server) {
  Filer().ServerUrl = server.Url();
  try {
    TXMemoryStream body;
    PrepareForPost(Http());
    Http().FollowRedirects = false;
    Http().Post(Filer().ServerUrl + Filer().CgiPath, Filer().RequestParams, body);
    if (EndsTheRequest(ThreadError().Code)) throw EXError(ThreadError().Code);
    if (TerminateRequested()) return false;
    return TakeAnswer(BodyText(body));
  } catch (...) {
    if (ThreadError().Code == kErrNothingNew) RequestTerminate();
    return false;
  }
}

bool TXSimpleTagCgiNetFilerThread::TakeAnswer(const std::string& response) {
  TXNetDataFiler answer;
  answer.Response = response;
  if (!answer.Parse()) return false;
  if (EndsTheRequest(ThreadError().Code)) throw EXError(ThreadError().Code);
  const TXErrorData before = ThreadError();
  if (Filer().ResultFiler && !Filer().ResultFiler->LoadFromString(answer.Data)) return false;
  SetThreadError(before.Code, before.OSError, before.Text);
  Filer().Files.Clear();
  if (EndsTheRequest(ThreadError().Code)) throw EXError(ThreadError().Code);
  // An answer at last: what earlier servers failed with no longer matters.
  ClearThreadError();
  return true;
}

bool TXSimpleTagCgiNetFilerThread::RefreshServers(TXServerCollection& list,
                                                  const std::vector<std::string>& params) {
  TXHttpClient client;
  client.ReadTimeoutMs = 30000;
  Proxy().Apply(client);
  client.FollowRedirects = false;
  client.ShouldAbort = [this] { return TerminateRequested(); };
  TXServerCollection builtIn;
  builtIn.CopyFrom(BuiltInServers());
  if (RefreshFrom(client, builtIn, list, params)) return true;
  TXServerCollection own;
  own.CopyFrom(list);
  return RefreshFrom(client, own, list, params);
}

bool TXSimpleTagCgiNetFilerThread::RefreshFrom(TXHttpClient& client,
                                               const TXServerCollection& sources,
                                               TXServerCollection& list,
                                               const std::vector<std::string>& params) {
  for (int32_t i = 0; i < sources.Count() && !TerminateRequested(); ++i) {
    try {
      TXMemoryStream body;
      PrepareForPost(client);
      client.Post(sources.At(i)->Url() + std::string(online::kServerListScriptPath), params, body);
      TXNetDataFiler answer;
      answer.Response = BodyText(body);
      if (!answer.Parse()) continue;
      // A list that does not read, or names no server, leaves the old one in place.
      TXServerCollection loaded;
      if (!ObjectFromXml(loaded, answer.Data) || loaded.Count() == 0) continue;
      list.CopyFrom(loaded);
      list.SetUpdated(true);
      return true;
    } catch (...) {
      // The next server is tried.
    }
  }
  return false;
}

}  // namespace kova
