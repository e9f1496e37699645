#include "online/http_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

namespace kova {

namespace {

CURL* Curl(void* handle) {
  return static_cast<CURL*>(handle);
}

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Failures that concern the address itself rather than the connection.
bool IsAddressError(CURLcode code) {
  return code == CURLE_URL_MALFORMAT || code == CURLE_UNSUPPORTED_PROTOCOL;
}

bool IsRedirect(long status) {
  return status >= 300 && status < 400;
}

}  // namespace

EXHttpStatusError::EXHttpStatusError(int status)
    : EXNetError("the server answered with status " + std::to_string(status)), Status(status) {}

EXHttpRedirect::EXHttpRedirect(int status, std::string location)
    : EXNetError("the server redirected to " + location),
      Status(status),
      Location(std::move(location)) {}

// The state of one exchange, shared with libcurl's callbacks.
struct TXHttpClient::Exchange {
  TXHttpClient* Client = nullptr;
  Method Kind = Method::Get;
  TXStream* Body = nullptr;
  bool BodyActive = false;
  int64_t Received = 0;
  int64_t Expected = 0;
  std::exception_ptr Failure;
  curl_slist* Headers = nullptr;

  ~Exchange() { curl_slist_free_all(Headers); }

  // Runs a callback step; an exception is kept for the caller of Perform and ends the exchange.
  template <class Step>
  bool Guard(Step&& step) {
    try {
      step();
      return true;
    } catch (...) {
      Failure = std::current_exception();
      return false;
    }
  }
};

TXHttpClient::TXHttpClient() {
  InitCurlOnce();
  handle_ = curl_easy_init();
}

TXHttpClient::~TXHttpClient() {
  curl_easy_cleanup(Curl(handle_));
}

int64_t TXHttpClient::Head(const std::string& url) {
  Perform(Method::Head, url, {}, nullptr);
  curl_off_t length = -1;
  curl_easy_getinfo(Curl(handle_), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  return length < 0 ? -1 : static_cast<int64_t>(length);
}

void TXHttpClient::Get(const std::string& url, TXStream& body) {
  Perform(Method::Get, url, {}, &body);
}

void TXHttpClient::Post(const std::string& url, const std::vector<std::string>& fields,
                        TXStream& body) {
  Perform(Method::Post, url, EncodeForm(fields), &body);
}

std::string TXHttpClient::EncodeForm(const std::vector<std::string>& fields) const {
  auto escape = [this](std::string_view text) {
    char* escaped = curl_easy_escape(Curl(handle_), text.data(), static_cast<int>(text.size()));
    std::string result = escaped ? escaped : "";
    curl_free(escaped);
    return result;
  };
  std::string form;
  for (const std::string& field : fields) {
    const size_t equals = field.find('=');
    const std::string_view line(field);
    if (!form.empty()) form += '&';
    form += escape(line.substr(0, equals));
    if (equals != std::string::npos) form += '=' + escape(line.substr(equals + 1));
  }
  return form;
}

void TXHttpClient::Perform(Method method, const std::string& url, const std::string& form,
                           TXStream* body) {
  aborted_ = false;
  lastStatus_ = 0;
  Exchange exchange;
  exchange.Client = this;
  exchange.Kind = method;
  exchange.Body = body;
  Configure(method, url, form, exchange);
  const CURLcode code = curl_easy_perform(Curl(handle_));
  long status = 0;
  curl_easy_getinfo(Curl(handle_), CURLINFO_RESPONSE_CODE, &status);
  lastStatus_ = static_cast<int32_t>(status);
  CheckOutcome(code, exchange);
  if (exchange.BodyActive && OnBodyEnd) {
    curl_off_t length = -1;
    curl_easy_getinfo(Curl(handle_), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    OnBodyEnd(length < 0 ? exchange.Received : static_cast<int64_t>(length));
  }
}

void TXHttpClient::Configure(Method method, const std::string& url, const std::string& form,
                             Exchange& exchange) {
  CURL* curl = Curl(handle_);
  curl_easy_reset(curl);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(ReadTimeoutMs));
  // No byte for the whole read timeout ends the exchange.
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>((ReadTimeoutMs + 999) / 1000));
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, FollowRedirects ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 20L);
  if (!UserAgent.empty()) curl_easy_setopt(curl, CURLOPT_USERAGENT, UserAgent.c_str());
  if (!Referer.empty()) curl_easy_setopt(curl, CURLOPT_REFERER, Referer.c_str());
  // Only the proxy given here is used, never one named by the environment.
  curl_easy_setopt(curl, CURLOPT_PROXY, proxy_.Server.c_str());
  if (!proxy_.Server.empty()) {
    curl_easy_setopt(curl, CURLOPT_PROXYPORT, static_cast<long>(proxy_.Port));
    curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, proxy_.UserName.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, proxy_.Password.c_str());
  }
  if (method == Method::Head) curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  if (method == Method::Post) {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(form.size()));
    curl_easy_setopt(curl, CURLOPT_COPYPOSTFIELDS, form.c_str());
    exchange.Headers = curl_slist_append(exchange.Headers, "Expect:");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, exchange.Headers);
  }
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &TXHttpClient::ReadHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &exchange);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &TXHttpClient::WriteBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &exchange);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &TXHttpClient::TransferInfo);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &exchange);
}

void TXHttpClient::CheckOutcome(int code, Exchange& exchange) {
  if (exchange.Failure) std::rethrow_exception(exchange.Failure);
  if (aborted_) throw EXNetAborted();
  const auto curlCode = static_cast<CURLcode>(code);
  if (curlCode != CURLE_OK) {
    const std::string message = curl_easy_strerror(curlCode);
    if (IsAddressError(curlCode)) throw EXNetError(message);
    long osError = 0;
    curl_easy_getinfo(Curl(handle_), CURLINFO_OS_ERRNO, &osError);
    throw EXSocketError(message, code, static_cast<int>(osError));
  }
  if (lastStatus_ >= 400) throw EXHttpStatusError(lastStatus_);
  if (IsRedirect(lastStatus_)) {
    char* location = nullptr;
    curl_easy_getinfo(Curl(handle_), CURLINFO_REDIRECT_URL, &location);
    throw EXHttpRedirect(lastStatus_, location ? location : "");
  }
}

size_t TXHttpClient::ReadHeader(char* data, size_t size, size_t count, void* user) {
  auto& exchange = *static_cast<Exchange*>(user);
  const size_t bytes = size * count;
  const std::string_view line(data, bytes);
  if (line != "\r\n" && line != "\n") return bytes;
  TXHttpClient& client = *exchange.Client;
  long status = 0;
  curl_easy_getinfo(Curl(client.handle_), CURLINFO_RESPONSE_CODE, &status);
  // Interim answers and the redirects that are followed are not the body's answer.
  if (status < 200 || (IsRedirect(status) && client.FollowRedirects)) return bytes;
  exchange.BodyActive = exchange.Kind != Method::Head && status < 300;
  if (!exchange.BodyActive) return bytes;
  curl_off_t length = -1;
  curl_easy_getinfo(Curl(client.handle_), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  exchange.Expected = std::max<int64_t>(0, length);
  exchange.Received = 0;
  if (!client.OnBodyStart) return bytes;
  const bool ok = exchange.Guard([&] { client.OnBodyStart(exchange.Expected); });
  return ok && !client.aborted_ ? bytes : 0;
}

size_t TXHttpClient::WriteBody(char* data, size_t size, size_t count, void* user) {
  auto& exchange = *static_cast<Exchange*>(user);
  TXHttpClient& client = *exchange.Client;
  const size_t bytes = size * count;
  if (client.aborted_) return 0;
  if (!exchange.BodyActive || !exchange.Body) return bytes;
  const bool ok = exchange.Guard([&] {
    exchange.Body->WriteBuffer(data, static_cast<int64_t>(bytes));
    exchange.Received += static_cast<int64_t>(bytes);
    if (client.OnBodyProgress) client.OnBodyProgress(exchange.Received);
  });
  return ok && !client.aborted_ ? bytes : 0;
}

int TXHttpClient::TransferInfo(void* user, int64_t, int64_t, int64_t, int64_t) {
  auto& exchange = *static_cast<Exchange*>(user);
  TXHttpClient& client = *exchange.Client;
  if (!client.aborted_ && client.ShouldAbort) {
    exchange.Guard([&] {
      if (client.ShouldAbort()) client.Disconnect();
    });
  }
  return client.aborted_ || exchange.Failure ? 1 : 0;
}

}  // namespace kova
